#pragma once

#include "journal/CardsInField.h"
#include "journal/JournalReader.h"

#include <QHash>
#include <QString>

#include <vector>

class Table;
struct ProgramState;

// The cards handed out, compared with the tables of now: the journal read
// (only what was appended since the last time), the persons and groups as
// stored, and today's system number. The cards-to-rewrite list, the status
// bar's count and the journal window all read from one of these.
class CardsToRewrite
{
public:
    CardsToRewrite(const Table& persons, const Table& groups, const ProgramState& state,
                   std::shared_ptr<const JournalStore> journal);

    // Reads what the journal gained and compares every card again. False,
    // with *error, when the journal cannot be read: the cards are then
    // compared with the lines read before.
    bool update(QString* error);

    QString journalPath() const { return m_journal.path(); }
    const std::vector<JournalEvent>& events() const { return m_journal.events(); }
    const std::vector<field::Card>& cards() const { return m_cards; }
    int toRewriteCount() const { return m_toRewrite; }
    // Whether the last comparison found a card of a person no longer in the
    // table under this number: a new person with it takes that card over.
    bool cardOutFor(qint64 number) const;
    // The names of a person in the table, empty for a number nobody has.
    std::pair<QString, QString> namesOf(qint64 number) const; // family, first
    // The names of the person a journal event was about: only for a card of
    // this installation's system number, and only from when the number has
    // been held by today's holder without a break (field::heldSince()); empty
    // where the event may be about somebody else.
    std::pair<QString, QString> namesFor(int event) const;

private:
    const Table& m_persons;
    const Table& m_groups;
    const ProgramState& m_state;
    JournalReader m_journal;
    std::vector<field::Card> m_cards;
    QHash<qint64, int> m_byNumber;  // a person of each number in the table
    QHash<qint64, int> m_heldSince; // field::heldSince() under today's system number
    int m_toRewrite = 0;
};
