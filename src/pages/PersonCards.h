#pragma once

#include "cards/CardFrame.h"
#include "cards/CardNumber.h"
#include "link/ProgrammerLink.h"
#include "journal/CardJournal.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class JournalReader;
class ProgrammerLink;
class Table;
struct ProgramState;

// The card operations of the persons page: Program (Button4), Remove
// permissions (Button3) and the evaluation of a card read (Find's third read
// tick). They work on the persons table's current record and on the group
// that record names; the card bytes come from the card codec and go out
// through the link's WriteCard. Nothing is stored as if a card were written
// unless WriteCard says it was. The window hands over what the operator
// chose and shows what came of it; nothing here reads or sets a widget.
class PersonCards
{
public:
    PersonCards(const ProgramState& state, ProgrammerLink& link, Table& persons, Table& groups, CardJournal& journal);
    ~PersonCards();

    // What the operator chose for Program.
    struct ProgramChoice
    {
        // "Duplicate card": the card gets the next INDEX. It marks one card,
        // so Program clears it once that card is written.
        bool duplicate = false;
    };
    // Where Program goes on to (the persons grid's next row); the table's
    // next record when unset. It stores the raised INDEX either way.
    void setNextPerson(std::function<void()> next) { m_nextPerson = std::move(next); }

    // Program: writes the current person's card with the access of the
    // person's group, then moves to the next person (storing a raised INDEX).
    // A card that would open no door is written only when the operator says
    // so. Returns what the card came to, for the status line (who, which
    // card, whether it was read back); empty when nothing was written.
    QString Button4Click(ProgramChoice& choice);
    // Remove permissions: the current person's card with no access; nothing
    // in the tables changes and the cursor stays.
    void Button3Click();
    // The same; true when the card was written and, read back, found as
    // written (the operator has been told otherwise).
    bool removePermissions();
    // Who a queued card is for, as the list was filled: the card is written
    // only while the number still stands for that person in that group.
    struct Queued
    {
        qint64 number = 0;
        QString familyName;
        QString firstName;
        QString group;
    };
    // What writing a queued person's card came to.
    struct QueuedWrite
    {
        enum Outcome {
            Refused,    // nothing was sent; the operator has been told why
            Skipped,    // nothing was sent: the number is not the person queued any more (skipText says why)
            NotWritten, // the link was lost before the card was complete
            Written,    // written and recorded; readBack says what it found
        } outcome = Refused;
        ProgrammerLink::ReadBack readBack = ProgrammerLink::ReadBack::Off;
        cards::Identifier id{};
        int skipText = -1;
        QStringList skipArgs;
        // The journal could not take the line; it waits in this local file.
        QString spooledIn;
    };
    // Writes the card of the person queued, found past the search, with the
    // stored INDEX and the access of the stored group, and records it in the
    // card journal as Program does. The persons table's cursor and the
    // duplicate box are left alone.
    QueuedWrite programQueued(const Queued& queued);

    // Whether the card on the programmer may be written for somebody (the
    // enrolment station asks before each card): free, or what to tell the
    // operator; journalUnread when the journal could not say.
    struct CardOnProgrammer
    {
        bool free = false;
        bool journalUnread = false;
        QString refusal;
    };
    CardOnProgrammer cardOnProgrammer(const cards::CardIdentity& card);

    // A card read whose holder is now the persons table's current record:
    // what the Card information dialog shows beside that record's rows.
    struct CardHolder
    {
        qint64 duplicateIndex = 0;
        cards::PrintedNumber number; // empty when the identity does not make one
        bool searchOff = false;      // the search was turned off to show the holder
    };
    // Find: what the card on the programmer is, under "Search result", or its
    // holder for the Card information dialog.
    std::optional<CardHolder> evaluateCard(const cards::CardIdentity& card);

private:
    bool identityFits(qint64 number, qint64 index) const;
    // Makes the card's holder the current person, looking past the search
    // (searchOff: it was turned off for that).
    bool locateHolder(qint64 number, bool* searchOff);
    void show(int text, int caption) const;
    // "7 Jan Kowalski": the person's number and name as the operator knows them.
    static QString holderName(qint64 number, const QString& firstName, const QString& familyName);
    // What a written card came to, for the status line.
    QString writtenText(const QString& holder, const cards::Identifier& id, ProgrammerLink::ReadBack readBack) const;
    QString text(int slot) const;

    const ProgramState& m_state;
    ProgrammerLink& m_link;
    Table& m_persons;
    Table& m_groups;
    CardJournal& m_journal;
    std::function<void()> m_nextPerson;
    std::unique_ptr<JournalReader> m_field; // the journal as far as read, for cardOnProgrammer
};
