#pragma once

#include "cards/CardNumber.h"
#include "i18n/TextSlots.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <vector>

// The persons an enrolment station is to write cards for, in order, each with
// what became of its card. Columns: number, names, group, state, and the
// card's printed number once it is written.
class ProgramQueue : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class State { Waiting, Written, Verified, Failed, Skipped };
    enum Column { NumberColumn, NamesColumn, GroupColumn, StateColumn, CardColumn, ColumnCount };

    struct Person
    {
        qint64 number = 0;
        QString familyName;
        QString firstName;
        QString group;
        State state = State::Waiting;
        cards::PrintedNumber card; // of the card last written
        // What the state column says beside the state: why a row was
        // skipped, or where a card's journal line waits. A text slot and its
        // arguments, so it follows the language; -1 for none.
        int note = -1;
        QStringList noteArgs;
    };

    ProgramQueue(const TextSlots& texts, QObject* parent = nullptr);

    // Adds the persons not in the queue yet, in the order given; the number
    // added.
    int add(const std::vector<Person>& persons);
    void clear();

    const std::vector<Person>& persons() const { return m_persons; }
    // The first person still to write: waiting, or failed and kept for a
    // retry; -1 when there is none.
    int nextRow() const;
    // The note goes with the state it is set with, and a new state clears it.
    void setState(int row, State state, int note = -1, const QStringList& noteArgs = {});
    void setCard(int row, const cards::Identifier& id);
    // Written or verified; the persons whose card is still to write.
    int doneCount() const;
    int leftCount() const;
    // The columns' titles and the states follow the language.
    void retranslate();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString stateText(State state) const;
    QString stateCell(const Person& p) const;

    const TextSlots& m_texts;
    std::vector<Person> m_persons;
};
