#pragma once

#include "cards/UserCard.h"
#include "journal/JournalReader.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

class Table;

// What the cards handed out carry, from the card journal: the readers have no
// network, so a person's access lives on the card last written for them until
// it is written again. Compared with the tables of today, each person's card
// is up to date, to rewrite (and why), withdrawn, or there is none yet.
namespace field {

struct Person
{
    qint64 number = 0;
    QString familyName; // NAME
    QString firstName;  // SURNAME
    QString group;
};

// The persons and groups as stored, the persons search aside.
struct Roster
{
    std::vector<Person> persons;
    QHash<QString, cards::AccessFlags> groups; // the first group of each name
};

Roster rosterOf(const Table& persons, const Table& groups);
// From copies of the tables of a working directory (DbfFile::Access::View),
// for a tool running beside the program. AppError when a table does not open.
Roster rosterOfFiles(const QString& workDir);

enum Reason : unsigned {
    AccessChanged = 1 << 0, // the group's doors changed since the card was written
    MovedGroup = 1 << 1,    // the person is in another group now
    GroupGone = 1 << 2,     // the group was removed, or renamed without the person
    SystemChanged = 1 << 3, // written for another system number
    PersonDeleted = 1 << 4, // nobody holds the number, and the card still opens doors
    NotVerified = 1 << 5,   // the read-back after the write did not find it as written
};

enum class State { NoCardYet, UpToDate, ToRewrite, Withdrawn };

// One person's card, or the card of a person no longer in the table.
struct Card
{
    qint64 number = 0;
    QString familyName;
    QString firstName;
    bool inTable = true;
    State state = State::NoCardYet;
    unsigned reasons = 0;
    int newest = -1; // the event of the newest card written, -1 for none
};

// Every person of the roster in its order, then the cards of persons no
// longer in the table that still open doors, by number. The newest card of a
// person is the last Program or Remove permissions in the journal's order.
std::vector<Card> evaluate(const std::vector<JournalEvent>& events, const Roster& roster, int systemNumber);

// Whether the newest card written for the person may still open a door: a
// Program with access, or a write whose read-back did not find it as written.
bool cardStillOpens(const std::vector<JournalEvent>& events, qint64 number);

// A card in the field keeps its number: while the newest card written for a
// number carries systemNumber and was not withdrawn (a Remove permissions the
// read-back found as written, or one written without a read-back), the number
// is given to nobody else. Each number so held, with the event from which it
// has been held without a break: the events before it may be about somebody
// who held the number earlier.
QHash<qint64, int> heldSince(const std::vector<JournalEvent>& events, int systemNumber);
// The numbers held, from the journal file at journalPath (none while there
// is no journal), or from the site's journal, whatever desk wrote the cards.
// AppError when the journal is there but cannot be read: a number is not
// given out on a guess.
QSet<qint64> heldNumbers(const QString& journalPath, int systemNumber);
QSet<qint64> heldNumbers(std::shared_ptr<const JournalStore> store, int systemNumber);
// What a card laid on the enrolment station may become. Only a card that
// opens no door of this installation may be written for somebody: a blank,
// a user card of another system number, or a card of this installation whose
// newest line in the journal (the same number, system and duplicate index) is
// a withdrawal that was not found wrong on reading back. Every configuration
// card is a reader's, whatever its code; every other card of this
// installation is in the field, the journal's silence included.
enum class CardReuse { Free, ConfigurationCard, InField };
CardReuse reuseOf(const std::vector<JournalEvent>& events, const cards::CardIdentity& card, int systemNumber);

// The first number above after that is not held.
inline qint64 nextFreeNumber(qint64 after, const QSet<qint64>& held)
{
    qint64 next = after + 1;
    while (held.contains(next))
        ++next;
    return next;
}

// "to rewrite", "up to date", "withdrawn", "no card yet": the words of the
// tool's output.
QString stateWord(State state);

} // namespace field
