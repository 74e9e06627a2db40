#include "pages/ProgramQueue.h"

#include "i18n/Text.h"

#include <QSet>

ProgramQueue::ProgramQueue(const TextSlots& texts, QObject* parent) : QAbstractTableModel(parent), m_texts(texts) {}

int ProgramQueue::add(const std::vector<Person>& persons)
{
    QSet<qint64> queued;
    for (const Person& p : m_persons)
        queued.insert(p.number);
    std::vector<Person> added;
    for (const Person& p : persons) {
        // Person number 0 would be a configuration card.
        if (p.number == 0 || queued.contains(p.number))
            continue;
        queued.insert(p.number);
        added.push_back(p);
        added.back().state = State::Waiting;
        added.back().card = {};
        added.back().note = -1;
        added.back().noteArgs.clear();
    }
    if (added.empty())
        return 0;
    const int first = int(m_persons.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    m_persons.insert(m_persons.end(), added.begin(), added.end());
    endInsertRows();
    return int(added.size());
}

void ProgramQueue::clear()
{
    beginResetModel();
    m_persons.clear();
    endResetModel();
}

int ProgramQueue::nextRow() const
{
    for (int row = 0; row < int(m_persons.size()); ++row) {
        if (m_persons[row].state == State::Waiting || m_persons[row].state == State::Failed)
            return row;
    }
    return -1;
}

void ProgramQueue::setState(int row, State state, int note, const QStringList& noteArgs)
{
    m_persons[row].state = state;
    m_persons[row].note = note;
    m_persons[row].noteArgs = noteArgs;
    emit dataChanged(index(row, StateColumn), index(row, StateColumn));
}

void ProgramQueue::setCard(int row, const cards::Identifier& id)
{
    m_persons[row].card = cards::printedNumber(id);
    emit dataChanged(index(row, CardColumn), index(row, CardColumn));
}

int ProgramQueue::doneCount() const
{
    return int(std::count_if(m_persons.begin(), m_persons.end(),
                             [](const Person& p) { return p.state == State::Written || p.state == State::Verified; }));
}

int ProgramQueue::leftCount() const
{
    return int(std::count_if(m_persons.begin(), m_persons.end(),
                             [](const Person& p) { return p.state == State::Waiting || p.state == State::Failed; }));
}

void ProgramQueue::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_persons.empty())
        emit dataChanged(index(0, StateColumn), index(rowCount() - 1, StateColumn));
}

int ProgramQueue::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_persons.size());
}

int ProgramQueue::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ProgramQueue::stateText(State state) const
{
    switch (state) {
    case State::Waiting:
        return m_texts[Text::StateWaiting];
    case State::Written:
        return m_texts[Text::StateWritten];
    case State::Verified:
        return m_texts[Text::StateVerified];
    case State::Failed:
        return m_texts[Text::StateFailed];
    case State::Skipped:
        return m_texts[Text::StateSkipped];
    }
    return {};
}

QString ProgramQueue::stateCell(const Person& p) const
{
    if (p.note < 0)
        return stateText(p.state);
    const QString note = m_texts[p.note];
    // A spooled line's note names the state it stands beside.
    if (p.note == Text::StationRowSpooled)
        return note.arg(stateText(p.state), p.noteArgs.value(0));
    if (p.noteArgs.size() >= 2)
        return note.arg(p.noteArgs[0], p.noteArgs[1]);
    return p.noteArgs.isEmpty() ? note : note.arg(p.noteArgs[0]);
}

QVariant ProgramQueue::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Person& p = m_persons[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() == NumberColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case NumberColumn:
        return p.number;
    case NamesColumn:
        return QStringList{p.firstName, p.familyName}.join(u' ').trimmed();
    case GroupColumn:
        return p.group;
    case StateColumn:
        return stateCell(p);
    case CardColumn:
        return p.card.hex;
    }
    return {};
}

QVariant ProgramQueue::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static constexpr Text::Id Titles[ColumnCount] = {Text::ColumnNumber, Text::ColumnNames, Text::ColumnGroup,
                                                     Text::ColumnState, Text::CardNumberHex};
    return section >= 0 && section < ColumnCount ? m_texts[Titles[section]] : QVariant();
}
