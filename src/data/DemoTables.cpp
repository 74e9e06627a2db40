#include "data/DemoTables.h"

#include "data/Table.h"
#include "data/TableLayouts.h"

#include <QDir>

namespace demo {

namespace {

struct DemoGroup
{
    const char16_t* name;
    const char16_t* notes;
    QList<int> readers;
};

struct DemoReader
{
    const char16_t* name;
    int time;
    const char16_t* place;
    bool emulation;
};

struct DemoPerson
{
    const char16_t* firstName;
    const char16_t* familyName;
    const char16_t* group;
    const char16_t* info;
};

} // namespace

void fill(const QString& dir)
{
    const DemoGroup groups[] = {
        {u"Zarząd", u"Dostęp do wszystkich drzwi.", {1, 2, 3, 4, 5}},
        {u"Księgowość", u"Biuro na pierwszym piętrze.", {1, 4}},
        {u"Magazyn", u"Zmiana dzienna i nocna.", {1, 2}},
        {u"Ochrona", u"Całodobowo.", {1, 2, 3, 5}},
    };
    const DemoReader readers[] = {
        {u"Wejście główne", 2, u"Parter, hol", false},
        {u"Magazyn", 5, u"Rampa załadunkowa", false},
        {u"Serwerownia", 3, u"Piwnica, pomieszczenie -1.04", true},
        {u"Księgowość", 2, u"Piętro 1, pokój 112", false},
        {u"Brama wjazdowa", 10, u"Parking od ulicy Źródlanej", false},
    };
    const DemoPerson persons[] = {
        {u"Łukasz", u"Żółkiewski", u"Zarząd", u"Prezes zarządu."},
        {u"Małgorzata", u"Wiśniewska", u"Księgowość", u"Główna księgowa."},
        {u"Grzegorz", u"Brzęczyszczykiewicz", u"Magazyn", u"Kierownik zmiany.\r\nTel. wewn. 214"},
        {u"Zofia", u"Nałkowska", u"Księgowość", u""},
        {u"Józef", u"Ćwikła", u"Ochrona", u"Zmiana nocna."},
        {u"Ewa", u"Świątek", u"Magazyn", u""},
        {u"Bożena", u"Dąbrowska", u"Lack of assignment!", u"Karta zwrócona."},
    };

    QDir d(dir);
    Table groupsTable;
    groupsTable.open(d.filePath(TableLayouts::GroupsFile));
    int id = 0;
    for (const DemoGroup& g : groups) {
        groupsTable.insert();
        groupsTable.setInteger(GroupField::Id, ++id);
        groupsTable.setText(GroupField::Name, QString::fromUtf16(g.name));
        groupsTable.setText(GroupField::Notes, QString::fromUtf16(g.notes));
        for (int k = 1; k <= cards::ReaderCount; ++k)
            groupsTable.setLogicalAt(TableLayouts::FirstAccessFlagPosition + k - 1, g.readers.contains(k));
        groupsTable.post();
    }

    Table readersTable;
    readersTable.open(d.filePath(TableLayouts::ReadersFile));
    id = 0;
    for (const DemoReader& r : readers) {
        readersTable.insert();
        readersTable.setInteger(ReaderField::Number, ++id);
        readersTable.setText(ReaderField::Name, QString::fromUtf16(r.name));
        readersTable.setInteger(ReaderField::Time, r.time);
        readersTable.setText(ReaderField::Place, QString::fromUtf16(r.place));
        readersTable.setLogical(ReaderField::Prox, false);
        readersTable.setLogical(ReaderField::Emulation, r.emulation);
        readersTable.post();
    }

    Table personsTable;
    personsTable.open(d.filePath(TableLayouts::PersonsFile));
    id = 0;
    for (const DemoPerson& p : persons) {
        personsTable.insert();
        personsTable.setInteger(PersonField::Number, ++id);
        personsTable.setText(PersonField::FirstName, QString::fromUtf16(p.firstName));
        personsTable.setText(PersonField::FamilyName, QString::fromUtf16(p.familyName));
        personsTable.setText(PersonField::Group, QString::fromUtf16(p.group));
        personsTable.setInteger(PersonField::Index, 0);
        personsTable.setText(PersonField::Info, QString::fromUtf16(p.info));
        personsTable.post();
    }
}

} // namespace demo
