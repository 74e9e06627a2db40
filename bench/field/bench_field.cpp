// The cards handed out on an installation of the largest size: 65,535
// persons, 1,000 groups and a card journal of 100,000 lines. Timed through the
// real window from the menu item to the window painted, and the status bar's
// count after a change of a group's access. Nominal: the list within 500 ms.
//   bench_field

#include "../LargestInstallation.h"
#include "app/Form1.h"
#include "cards/UserCard.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "journal/CardJournal.h"
#include "ui/DbGrid.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
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
using bench::timed;

constexpr int JournalLines = 100000;
constexpr int System = 1;

void fill(const QString& dir)
{
    TableLayouts::createAll(dir);
    bench::fillGroupsAndPersons(
        dir,
        [](Table& groups, int id) { groups.setLogical(QStringLiteral("P%1").arg(1 + id % cards::ReaderCount), true); },
        [](int n) { return 1 + n % GroupCount; });
}

// Every person's card once as the group grants it, then re-programs, Finds,
// withdrawals and cards written with another reader, and a few damaged lines.
void writeJournal(const QString& dir)
{
    CardJournal journal(QDir(dir).filePath(CardJournal::FileName));
    journal.setRole(QStringLiteral("administrator"));
    QByteArray bytes = CardJournal::Header.toLatin1() + "\r\n";
    for (int i = 0; i < JournalLines; ++i) {
        const int person = 1 + i % PersonCount;
        const int group = 1 + person % GroupCount;
        cards::AccessFlags flags;
        flags[size_t(group % cards::ReaderCount)] = true;
        if (i >= PersonCount && i % 3 == 0)
            flags[size_t((group + 1) % cards::ReaderCount)] = true; // the doors changed since
        CardJournal::Entry e{journal::ProgramOperation,
                             person,
                             System,
                             0,
                             QStringLiteral("Grupa %1").arg(group),
                             cards::userCardData(flags),
                             journal::Verification::Verified};
        if (i >= PersonCount && i % 7 == 0)
            e = {QStringLiteral("Find (user)"), person, System, 0, e.group, {}, journal::Verification::None};
        else if (i >= PersonCount && i % 11 == 0)
            e = {journal::RemoveOperation,       person, System, 0, e.group, cards::noAccessData(),
                 journal::Verification::Verified};
        bytes += i % 10007 == 0 ? QByteArray("a line a crash cut sh") : journal.line(e).toUtf8();
        bytes += "\r\n";
    }
    QFile file(journal.path());
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageBox::setRecording(true);
    QTemporaryDir dir;
    fill(dir.path());
    writeJournal(dir.path());
    QDir::setCurrent(dir.path());

    // A fresh start: the list opened before the first count has run reads
    // the whole journal.
    std::vector<double> cold;
    for (int i = 0; i < 3; ++i) {
        TForm1 fresh;
        fresh.EnterWorkingState(TForm1::Role::Administrator);
        cold.push_back(timed([&] {
            fresh.findChild<QAction*>("CardsToRewrite1")->trigger();
            fresh.findChild<QDialog*>("CardsToRewriteForm")->repaint();
        }));
    }

    bench::Windows windows;
    if (!windows.exposed())
        return 1;
    TForm1& form1 = windows.form1;
    form1.EnterWorkingState(TForm1::Role::Administrator);
    MainWindowUi& ui = form1.ui();
    auto* status = form1.findChild<QLabel*>("CardsToRewriteStatus");
    while (status->text().isEmpty())
        QApplication::processEvents();

    out() << "cards to rewrite, " << PersonCount << " persons, " << GroupCount << " groups, " << JournalLines
          << " journal lines\n";
    report(QStringLiteral("Cards to rewrite list, first open after start"), cold, 500);
    auto* rewrite = form1.findChild<QAction*>("CardsToRewrite1");
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        opens.push_back(timed([&] {
            rewrite->trigger();
            form1.findChild<QDialog*>("CardsToRewriteForm")->repaint();
        }));
        form1.findChild<QDialog*>("CardsToRewriteForm")->hide();
    }
    report(QStringLiteral("Cards to rewrite list, opened again"), opens, 500);
    const auto* list = form1.findChild<QTableView*>("RewriteList");
    const auto* none = form1.findChild<QTableView*>("NoCardList");
    out() << "  (" << list->model()->rowCount() << " cards to rewrite, " << none->model()->rowCount()
          << " persons with no card yet)\n";

    auto* journal = form1.findChild<QAction*>("CardJournal1");
    std::vector<double> journals;
    for (int i = 0; i < 5; ++i) {
        journals.push_back(timed([&] {
            journal->trigger();
            form1.findChild<QDialog*>("CardJournalForm")->repaint();
        }));
        form1.findChild<QDialog*>("CardJournalForm")->hide();
    }
    report(QStringLiteral("Card journal window, menu item to painted"), journals, 500);

    // A group's access changes: the count follows once the click is handled.
    ui.Grupy1->trigger();
    QTest::mouseClick(ui.SpeedButton5, Qt::LeftButton);
    std::vector<double> counts;
    for (int i = 0; i < 6; ++i) {
        ui.DBGrid2->selectRow(10 + i); // a group whose doors have not changed yet
        const QString before = status->text();
        QElapsedTimer giveUp;
        giveUp.start();
        counts.push_back(timed([&] {
            QTest::mouseClick(ui.Button13, Qt::LeftButton); // Select all
            while (status->text() == before && giveUp.elapsed() < 2000)
                QApplication::processEvents();
        }));
    }
    report(QStringLiteral("group access changed to the count shown"), counts, 250);
    out() << "  (" << status->text() << ")\n";
    if (!MessageBox::takeShown().isEmpty())
        out() << "messages were shown during the run\n";
    return 0;
}
