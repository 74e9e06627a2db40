#include "journal/CardsInField.h"

#include "config/AppError.h"
#include "data/GroupGrants.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "dbf/DbfFile.h"
#include "journal/FileJournal.h"

#include <QDir>

namespace field {

namespace {

// Person number -> its newest user card write, for the numbers a card holds.
std::vector<int> newestWrites(const std::vector<JournalEvent>& events)
{
    std::vector<int> newest(size_t(cards::MaxPersonNumber) + 1, -1);
    for (int i = 0; i < int(events.size()); ++i) {
        const JournalEvent& e = events[size_t(i)];
        if (e.userCardWrite() && e.person >= cards::MinPersonNumber && e.person <= cards::MaxPersonNumber)
            newest[size_t(e.person)] = i;
    }
    return newest;
}

bool opensDoors(const JournalEvent& e)
{
    return (e.kind == JournalEvent::Kind::Program && e.data != cards::noAccessData()) ||
           e.verification == journal::Verification::NotVerified;
}

// The persons' number, names and group, and each group's name and doors, as
// read by storedRecords(fields) of the two tables; field(table, name) gives
// a field's number as that reader takes it.
template <typename Tables, typename FieldOf>
Roster rosterFrom(const Tables& persons, const Tables& groups, FieldOf field, int firstFlag)
{
    Roster roster;
    const QList<QVariantList> people =
        persons.storedRecords({field(persons, PersonField::Number), field(persons, PersonField::FamilyName),
                               field(persons, PersonField::FirstName), field(persons, PersonField::Group)});
    roster.persons.reserve(size_t(people.size()));
    for (const QVariantList& p : people)
        roster.persons.push_back({p[0].toLongLong(), p[1].toString(), p[2].toString(), p[3].toString()});

    QList<int> fields{field(groups, GroupField::Name)};
    for (int n = 1; n <= cards::ReaderCount; ++n)
        fields.append(firstFlag + n - 1);
    for (const QVariantList& g : groups.storedRecords(fields)) {
        const QString name = g[0].toString();
        if (roster.groups.contains(name))
            continue;
        cards::AccessFlags flags;
        for (int n = 1; n <= cards::ReaderCount; ++n)
            flags[n - 1] = g[n].toBool();
        roster.groups.insert(name, flags);
    }
    return roster;
}

} // namespace

Roster rosterOf(const Table& persons, const Table& groups)
{
    const auto position = [](const Table& table, const QString& name) {
        const int position = table.fieldPosition(name);
        if (position == 0)
            throw AppError(QStringLiteral("%1: no field %2").arg(table.fileName(), name));
        return position;
    };
    return rosterFrom(persons, groups, position, TableLayouts::FirstAccessFlagPosition);
}

Roster rosterOfFiles(const QString& workDir)
{
    const QDir dir(workDir);
    const auto persons = DbfFile::open(dir.filePath(TableLayouts::PersonsFile), DbfFile::Access::View);
    const auto groups = DbfFile::open(dir.filePath(TableLayouts::GroupsFile), DbfFile::Access::View);
    const auto index = [](const DbfFile& file, const QString& name) {
        const int index = file.findField(name);
        if (index < 0)
            throw AppError(QStringLiteral("%1: no field %2").arg(file.path(), name));
        return index;
    };
    return rosterFrom(*persons, *groups, index, TableLayouts::FirstAccessFlagPosition - 1);
}

std::vector<Card> evaluate(const std::vector<JournalEvent>& events, const Roster& roster, int systemNumber)
{
    const std::vector<int> newest = newestWrites(events);
    std::vector<bool> held(newest.size(), false);
    const grants::FindGroup findGroup = [&roster](const QString& name) -> std::optional<cards::AccessFlags> {
        const auto it = roster.groups.constFind(name);
        return it == roster.groups.constEnd() ? std::nullopt : std::optional(*it);
    };
    QHash<QString, grants::Grant> granted; // by GROUP, each worked out once

    std::vector<Card> list;
    list.reserve(roster.persons.size());
    for (const Person& p : roster.persons) {
        Card card{p.number, p.familyName, p.firstName, true, State::NoCardYet, 0, -1};
        const bool fits = p.number >= cards::MinPersonNumber && p.number <= cards::MaxPersonNumber;
        if (fits) {
            held[size_t(p.number)] = true;
            card.newest = newest[size_t(p.number)];
        }
        if (card.newest >= 0) {
            const JournalEvent& e = events[size_t(card.newest)];
            if (e.kind == JournalEvent::Kind::RemovePermissions) {
                card.state = State::Withdrawn;
            } else {
                auto grant = granted.constFind(p.group);
                if (grant == granted.constEnd())
                    grant = granted.insert(p.group, grants::grantFor(p.group, findGroup));
                if (e.data != grant->data) {
                    const QString written = e.field(journal::Group);
                    if (grant->groupMissing || (p.group == TableLayouts::NoGroupMarker && written != p.group))
                        card.reasons |= GroupGone;
                    else if (written != p.group)
                        card.reasons |= MovedGroup;
                    else
                        card.reasons |= AccessChanged;
                }
                if (e.system != systemNumber)
                    card.reasons |= SystemChanged;
                card.state = State::UpToDate;
            }
            if (e.verification == journal::Verification::NotVerified)
                card.reasons |= NotVerified;
            if (card.reasons != 0)
                card.state = State::ToRewrite;
        }
        list.push_back(card);
    }
    for (int number = cards::MinPersonNumber; number <= cards::MaxPersonNumber; ++number) {
        const int i = newest[size_t(number)];
        if (i < 0 || held[size_t(number)] || !opensDoors(events[size_t(i)]))
            continue;
        unsigned reasons = PersonDeleted;
        if (events[size_t(i)].verification == journal::Verification::NotVerified)
            reasons |= NotVerified;
        list.push_back({number, {}, {}, false, State::ToRewrite, reasons, i});
    }
    return list;
}

bool cardStillOpens(const std::vector<JournalEvent>& events, qint64 number)
{
    for (auto e = events.rbegin(); e != events.rend(); ++e) {
        if (e->userCardWrite() && e->person == number)
            return opensDoors(*e);
    }
    return false;
}

CardReuse reuseOf(const std::vector<JournalEvent>& events, const cards::CardIdentity& card, int systemNumber)
{
    if (card.personNumber == 0) {
        // A blank answers with five zero bytes; any code at all marks a reader's card.
        const bool blank = card.systemCode == 0 && card.duplicateIndex == 0;
        return blank ? CardReuse::Free : CardReuse::ConfigurationCard;
    }
    if (card.systemCode != systemNumber)
        return CardReuse::Free;
    for (auto e = events.rbegin(); e != events.rend(); ++e) {
        if (e->userCardWrite() && e->person == card.personNumber && e->system == card.systemCode &&
            e->duplicate == card.duplicateIndex) {
            const bool withdrawn = e->kind == JournalEvent::Kind::RemovePermissions &&
                                   e->verification != journal::Verification::NotVerified;
            return withdrawn ? CardReuse::Free : CardReuse::InField;
        }
    }
    return CardReuse::InField;
}

QHash<qint64, int> heldSince(const std::vector<JournalEvent>& events, int systemNumber)
{
    QHash<qint64, int> held;
    for (int i = 0; i < int(events.size()); ++i) {
        const JournalEvent& e = events[size_t(i)];
        if (!e.userCardWrite())
            continue;
        const bool withdrawn =
            e.kind == JournalEvent::Kind::RemovePermissions && e.verification != journal::Verification::NotVerified;
        if (withdrawn || e.system != systemNumber)
            held.remove(e.person);
        else if (!held.contains(e.person))
            held.insert(e.person, i);
    }
    return held;
}

QSet<qint64> heldNumbers(const QString& journalPath, int systemNumber)
{
    return heldNumbers(std::make_shared<FileJournal>(journalPath), systemNumber);
}

QSet<qint64> heldNumbers(std::shared_ptr<const JournalStore> store, int systemNumber)
{
    JournalReader journal(std::move(store));
    QString error;
    if (!journal.refresh(&error))
        throw AppError(QStringLiteral("%1: cannot be read: %2").arg(QDir::toNativeSeparators(journal.path()), error));
    const QHash<qint64, int> held = heldSince(journal.events(), systemNumber);
    QSet<qint64> numbers;
    numbers.reserve(held.size());
    for (auto it = held.cbegin(); it != held.cend(); ++it)
        numbers.insert(it.key());
    return numbers;
}

QString stateWord(State state)
{
    switch (state) {
    case State::UpToDate:
        return QStringLiteral("up to date");
    case State::ToRewrite:
        return QStringLiteral("to rewrite");
    case State::Withdrawn:
        return QStringLiteral("withdrawn");
    case State::NoCardYet:
        break;
    }
    return QStringLiteral("no card yet");
}

} // namespace field
