#include "journal/CardListModel.h"

#include "cards/CardNumber.h"
#include "i18n/Text.h"
#include "journal/CardsToRewrite.h"

CardListModel::CardListModel(const CardsToRewrite& cards, field::State listed, const TextSlots& texts, QObject* parent)
    : QAbstractTableModel(parent), m_cards(cards), m_listed(listed), m_texts(texts)
{
    reset();
}

void CardListModel::reset()
{
    beginResetModel();
    m_rows.clear();
    const std::vector<field::Card>& cards = m_cards.cards();
    for (int i = 0; i < int(cards.size()); ++i) {
        if (cards[size_t(i)].state == m_listed)
            m_rows.push_back(i);
    }
    endResetModel();
}

qint64 CardListModel::numberAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_cards.cards()[size_t(m_rows[size_t(row)])].number : 0;
}

bool CardListModel::inTable(int row) const
{
    return row >= 0 && row < int(m_rows.size()) && m_cards.cards()[size_t(m_rows[size_t(row)])].inTable;
}

QString CardListModel::why(unsigned reasons, const TextSlots& texts)
{
    static constexpr std::pair<field::Reason, Text::Id> Texts[] = {
        {field::AccessChanged, Text::WhyAccessChanged}, {field::MovedGroup, Text::WhyMovedGroup},
        {field::GroupGone, Text::WhyGroupGone},         {field::SystemChanged, Text::WhySystemChanged},
        {field::PersonDeleted, Text::WhyPersonDeleted}, {field::NotVerified, Text::WhyNotVerified}};
    QStringList said;
    for (const auto& [reason, text] : Texts) {
        if (reasons & reason)
            said.append(texts[text]);
    }
    return said.join(QStringLiteral("; "));
}

int CardListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CardListModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_listed == field::State::NoCardYet ? FirstName + 1 : FacilityCard + 1;
}

QVariant CardListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const field::Card& card = m_cards.cards()[size_t(m_rows[size_t(index.row())])];
    switch (index.column()) {
    case Number:
        return card.number;
    case FamilyName:
        return card.familyName;
    case FirstName:
        return card.firstName;
    case Why:
        return why(card.reasons, m_texts);
    default:
        break;
    }
    if (card.newest < 0)
        return {};
    const JournalEvent& e = m_cards.events()[size_t(card.newest)];
    if (index.column() == LastWritten)
        return e.field(journal::Time);
    const auto id = e.identifier();
    if (!id)
        return {};
    const cards::PrintedNumber printed = cards::printedNumber(*id);
    switch (index.column()) {
    case Hex:
        return printed.hex;
    case Decimal32:
        return printed.decimal32;
    case Decimal24:
        return printed.decimal24;
    case FacilityCard:
        return printed.facilityCard;
    default:
        return {};
    }
}

QVariant CardListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr Text::Id Titles[] = {Text::PersonGridId, Text::PersonGridSurname, Text::PersonGridName,
                                          Text::ColumnWhy,    Text::ColumnLastWritten, Text::CardNumberHex,
                                          Text::CardNumber32, Text::CardNumber24,      Text::CardFacility};
    return section >= 0 && section < int(std::size(Titles)) ? m_texts[Titles[section]] : QString();
}
