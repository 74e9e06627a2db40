#pragma once

// What the window benchmarks share: the tables of the largest installation
// (65,535 persons, 1,000 groups) and the printing of times against their
// nominal values.

#include "app/Form1.h"
#include "cards/UserCard.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStringList>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

constexpr int PersonCount = cards::MaxPersonNumber;
constexpr int GroupCount = 1000;

inline QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

inline void report(const QString& what, std::vector<double> times, double nominal)
{
    std::sort(times.begin(), times.end());
    out() << QStringLiteral("%1  min %2 ms  median %3 ms  max %4 ms  (nominal %5 ms)\n")
                 .arg(what, -50)
                 .arg(times.front(), 8, 'f', 2)
                 .arg(times[times.size() / 2], 8, 'f', 2)
                 .arg(times.back(), 8, 'f', 2)
                 .arg(nominal);
    out().flush();
}

inline double timed(const std::function<void()>& step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Groups "Grupa 1".."Grupa 1000", each given what groupExtra sets, and every
// person in the group groupOf(number) names.
inline void fillGroupsAndPersons(const QString& dir, const std::function<void(Table& groups, int id)>& groupExtra,
                                 const std::function<int(int number)>& groupOf)
{
    Table groups;
    groups.open(QDir(dir).filePath(TableLayouts::GroupsFile));
    {
        Table::Batch batch(groups);
        for (int id = 1; id <= GroupCount; ++id) {
            groups.insert();
            groups.setInteger("ID_Grupy", id);
            groups.setText("NAME", QStringLiteral("Grupa %1").arg(id));
            groupExtra(groups, id);
            groups.post();
        }
    }
    const QStringList families{"Kowalski", "Nowak", "Wiśniewska", "Żółkiewski", "Dąbrowska", "Mazur", "Zając"};
    Table persons;
    persons.open(QDir(dir).filePath(TableLayouts::PersonsFile));
    Table::Batch batch(persons);
    for (int n = 1; n <= PersonCount; ++n) {
        persons.insert();
        persons.setInteger("NUMBER", n);
        persons.setText("SURNAME", QStringLiteral("Imię %1").arg(n));
        persons.setText("NAME", families[n % families.size()]);
        persons.setText("GROUP", QStringLiteral("Grupa %1").arg(groupOf(n)));
        persons.setInteger("INDEX", 0);
        persons.post();
    }
}

// The main window with its dialogs, shown as at a start.
struct Windows
{
    TForm1 form1;
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;

    Windows()
    {
        form1.setDialogs(&form2, &form3, &form4);
        form1.show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(&form1); }
};

} // namespace bench
