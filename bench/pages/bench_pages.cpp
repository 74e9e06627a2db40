// The data pages on an installation of the largest size (65,535 persons,
// 1,000 groups, 96 readers), timed from the operator's event to the grid
// repainted, through the real window and its page classes.
//   bench_pages        (tables in a temporary directory, removed afterwards)

#include "../LargestInstallation.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "pages/GroupsPage.h"
#include "pages/PersonsPage.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using bench::GroupCount;
using bench::out;
using bench::PersonCount;
using bench::report;

constexpr int ReaderCount = cards::ReaderCount;
constexpr int BigGroups = 5; // groups 1..5 have 10,000 members each
constexpr int BigGroupMembers = 10000;

void fill(const QString& dir)
{
    TableLayouts::createAll(dir);
    Table readers;
    readers.open(QDir(dir).filePath(TableLayouts::ReadersFile));
    {
        Table::Batch batch(readers);
        for (int id = 1; id <= ReaderCount; ++id) {
            readers.insert();
            readers.setInteger("ID_CZYT", id);
            readers.setText("NAME", QStringLiteral("Czytnik %1").arg(id));
            readers.setInteger("TIME", 2);
            readers.post();
        }
    }
    bench::fillGroupsAndPersons(
        dir, [](Table&, int) {},
        [](int n) { return n <= BigGroups * BigGroupMembers ? 1 + (n - 1) / BigGroupMembers : 1 + n % GroupCount; });
}

// The grid as the operator sees it next.
double timed(const std::function<void()>& step, QWidget* grid)
{
    return bench::timed([&] {
        step();
        grid->repaint();
    });
}

// A Remove, its question answered Delete as the operator would.
void removeAnswered(QPushButton* button)
{
    MessageBox::setNextAnswer(0);
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageBox::setRecording(true);
    QTemporaryDir dir;
    fill(dir.path());
    QDir::setCurrent(dir.path());

    std::vector<double> start;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        bench::Windows windows;
        if (!windows.exposed())
            return 1;
        windows.form1.repaint();
        start.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    bench::Windows windows;
    if (!windows.exposed())
        return 1;
    TForm1& form1 = windows.form1;
    form1.EnterWorkingState(TForm1::Role::Administrator);
    MainWindowUi& ui = form1.ui();
    QWidget* grid1 = ui.DBGrid1->viewport();
    QApplication::processEvents();

    out() << "start to login window and key steps, " << PersonCount << " persons, " << GroupCount << " groups, "
          << ReaderCount << " readers\n";
    report(QStringLiteral("start to login window"), start, 500);

    std::vector<double> keys;
    ui.CheckBox2->click();
    for (const char* key : {"K", "o", "w", "a", "l"})
        keys.push_back(timed([&] { QTest::keyClicks(ui.Edit4, key); }, grid1));
    for (int i = 0; i < 5; ++i)
        keys.push_back(timed([&] { QTest::keyClick(ui.Edit4, Qt::Key_Backspace); }, grid1));
    report(QStringLiteral("filter keystroke (search on)"), keys, 16);

    QTest::mouseClick(ui.SpeedButton4, Qt::LeftButton);
    std::vector<double> adds, removes;
    for (int i = 0; i < 5; ++i)
        adds.push_back(timed([&] { QTest::mouseClick(ui.Button9, Qt::LeftButton); }, grid1));
    report(QStringLiteral("Add person"), adds, 16);
    for (int i = 0; i < 5; ++i)
        removes.push_back(timed([&] { removeAnswered(ui.Button7); }, grid1));
    report(QStringLiteral("Remove person (the last)"), removes, 16);
    removes.clear();
    for (int i = 0; i < 5; ++i) {
        ui.DBGrid1->selectRow(30000);
        removes.push_back(timed([&] { removeAnswered(ui.Button7); }, grid1));
    }
    report(QStringLiteral("Remove person (in the middle)"), removes, 16);

    // Remove group: groups 1..5 each have 10,000 members; the search hides most.
    ui.CheckBox2->click();
    QTest::keyClicks(ui.Edit4, "Ma");
    QTest::mouseClick(ui.SpeedButton5, Qt::LeftButton);
    std::vector<double> groups;
    for (int g = 0; g < BigGroups; ++g) {
        ui.DBGrid2->selectRow(0);
        groups.push_back(timed([&] { removeAnswered(ui.Button10); }, ui.DBGrid2->viewport()));
    }
    report(QStringLiteral("Remove group, 10,000 members, search on"), groups, 250);
    Table& persons = *form1.findChild<Table*>("Table1");
    const int groupPosition = persons.fieldPosition("GROUP");
    int withoutGroup = 0;
    for (int row = 0; row < persons.rowCount(); ++row)
        withoutGroup += persons.valueAt(row, groupPosition).toString() == TableLayouts::NoGroupMarker;
    out() << "  (" << withoutGroup << " persons left without a group, " << persons.rowCount()
          << " shown by the search)\n";

    // A click on a column title sorts all persons (the search off): family
    // name up and down, first name, number.
    ui.CheckBox2->click();
    QHeaderView* header = ui.DBGrid1->horizontalHeader();
    std::vector<double> sorts;
    for (int column : {2, 2, 1, 0}) {
        const QPoint title(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                           header->height() / 2);
        sorts.push_back(timed([&] { QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title); }, grid1));
    }
    report(QStringLiteral("sort persons by a column title"), sorts, 250);
    // The search re-sorts what it shows at every key.
    const QPoint familyName(header->sectionViewportPosition(2) + header->sectionSize(2) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, familyName);
    keys.clear();
    ui.Edit4->clear();
    ui.CheckBox2->click();
    for (const char* key : {"K", "o", "w", "a", "l"})
        keys.push_back(timed([&] { QTest::keyClicks(ui.Edit4, key); }, grid1));
    for (int i = 0; i < 5; ++i)
        keys.push_back(timed([&] { QTest::keyClick(ui.Edit4, Qt::Key_Backspace); }, grid1));
    report(QStringLiteral("filter keystroke, sorted by family name"), keys, 16);
    for (const MessageBox::Shown& shown : MessageBox::takeShown()) {
        if (shown.answers.isEmpty())
            out() << "a message was shown during the run: " << shown.text << "\n";
    }
    return 0;
}
