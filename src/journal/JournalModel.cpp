#include "journal/JournalModel.h"

#include "cards/CardNumber.h"
#include "config/Cp1250.h"
#include "i18n/Text.h"
#include "journal/CardsToRewrite.h"

JournalModel::JournalModel(const CardsToRewrite& cards, const TextSlots& texts, QObject* parent)
    : QAbstractTableModel(parent), m_cards(cards), m_texts(texts)
{
    reset();
}

void JournalModel::reset()
{
    beginResetModel();
    m_rows.clear();
    for (int i = int(m_cards.events().size()) - 1; i >= 0; --i) {
        if (passes(i))
            m_rows.push_back(i);
    }
    endResetModel();
}

void JournalModel::setFilter(const QString& text)
{
    m_filter = text.trimmed();
    bool isNumber = false;
    const qint64 number = m_filter.toLongLong(&isNumber);
    m_number = isNumber ? std::optional(number) : std::nullopt;
    reset();
}

bool JournalModel::passes(int event) const
{
    if (m_filter.isEmpty())
        return true;
    const JournalEvent& e = m_cards.events()[size_t(event)];
    if (e.damaged())
        return cp1250::decode(e.text).contains(m_filter, Qt::CaseInsensitive);
    if (m_number)
        return e.person == *m_number;
    const auto [family, first] = m_cards.namesFor(event);
    return family.contains(m_filter, Qt::CaseInsensitive) || first.contains(m_filter, Qt::CaseInsensitive);
}

int JournalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Data + 1;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const int event = m_rows[size_t(index.row())];
    const JournalEvent& e = m_cards.events()[size_t(event)];
    if (e.damaged()) {
        static constexpr std::pair<JournalEvent::Problem, Text::Id> Problems[] = {
            {JournalEvent::Problem::FieldCount, Text::DamagedFields},
            {JournalEvent::Problem::Number, Text::DamagedNumber},
            {JournalEvent::Problem::Hex, Text::DamagedHex}};
        Text::Id problem = Text::DamagedFields;
        for (const auto& [p, text] : Problems)
            problem = p == e.problem ? text : problem;
        if (index.column() == Operation)
            return m_texts[Text::DamagedLine].arg(QString::number(e.line), m_texts[problem]);
        return index.column() == Data ? cp1250::decode(e.text) : QVariant();
    }
    switch (index.column()) {
    case Time:
        return e.field(journal::Time);
    case Role:
        return e.field(journal::Role);
    case Operation:
        return e.field(journal::Operation);
    case Person:
        return e.person;
    case FamilyName:
        return m_cards.namesFor(event).first;
    case FirstName:
        return m_cards.namesFor(event).second;
    case Group:
        return e.field(journal::Group);
    case System:
        return e.system;
    case Duplicate:
        return e.duplicate;
    case ReadBack:
        return e.field(journal::Verified);
    case CardNumber: {
        const auto id = e.identifier();
        return id ? cards::printedNumber(*id).hex : QString();
    }
    case Desk:
        return e.desk;
    case Data:
        return e.field(journal::Data);
    default:
        return {};
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr Text::Id Titles[] = {Text::JournalTime,     Text::JournalRole,       Text::JournalOperation,
                                          Text::PersonGridId,    Text::PersonGridSurname, Text::PersonGridName,
                                          Text::PersonGridGroup, Text::SystemCodeLabel,   Text::JournalDuplicate,
                                          Text::JournalReadBack, Text::CardNumberHex,     Text::JournalDesk,
                                          Text::JournalData};
    return section >= 0 && section < int(std::size(Titles)) ? m_texts[Titles[section]] : QString();
}
