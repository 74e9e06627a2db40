// The operator's desk without traps, through the real main window and its
// widgets found by name, then the tables and config.ini read back from disk:
// a refused relay time, the question before a new system number, the chosen
// port's tick, a refused import's problems, and grids that sort without
// touching the tables' order.

#include "app/ExchangeMenu.h"
#include "app/Form1.h"
#include "config/Settings.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/DbComboBox.h"
#include "ui/DbGrid.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "PortKey.h"
#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

const QByteArray Config =
    "[PASSWORD]\r\nsys_nr=1\r\nsys_nr2=1\r\n[COM_PORT]\r\nPORT=%1\r\n[Language]\r\nLanguage=English\r\n";

} // namespace

class TestDesk : public QObject
{
    Q_OBJECT

private slots:
    // On Windows the installer makes the port's registry key for its user;
    // for this run the test does, and takes it away afterwards.
    void initTestCase()
    {
        MessageBox::setRecording(true);
        portkey::makeAsTheInstallerWould();
    }
    void cleanupTestCase() { portkey::takeAway(); }

    void init() { QVERIFY(renewWorkingDirectory(m_dir, QByteArray(Config).replace("%1", "1"))); }

    void cleanup() { m_dir.reset(); }

    // A relay time is stored key by key; a refused one puts back the time
    // from before the typing began, and the box shows what is stored.
    void refusedRelayTimeRestores_data()
    {
        QTest::addColumn<QStringList>("runs"); // typed, the focus leaving the box between two
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("refused");
        QTest::newRow("256 over 5") << QStringList{"256"} << 5 << true;
        QTest::newRow("255 over 5") << QStringList{"255"} << 255 << false;
        QTest::newRow("1 over 5") << QStringList{"1"} << 1 << false;
        QTest::newRow("0 over 5") << QStringList{"0"} << 5 << true;
        QTest::newRow("a new run after leaving the box") << QStringList{"25", "6"} << 25 << true;
    }
    void refusedRelayTimeRestores()
    {
        QFETCH(QStringList, runs);
        QFETCH(int, stored);
        QFETCH(bool, refused);
        {
            Table readers;
            teststore::open(readers, TableLayouts::ReadersFile);
            addRecord(readers, {"ID_CZYT", "TIME"}, {"1", "5"});
        }
        Program p(TForm1::Role::Administrator);
        p.ui().Czytniki1->trigger();
        p.click("SpeedButton1");
        auto* time = p.find<DbComboBox>("DBComboBox1");
        time->lineEdit()->selectAll();
        for (const QString& run : runs) {
            QTest::keyClicks(time, run);
            QFocusEvent leaving(QEvent::FocusOut);
            QApplication::sendEvent(time, &leaving);
        }
        QCOMPARE(shownTexts(), refused ? QStringList{"The relay time must be a whole number of seconds from 1 to 255. "
                                                     "The stored value stays."}
                                       : QStringList());
        QCOMPARE(time->currentText(), QString::number(stored));
        p.end();
        QCOMPARE(storedColumn(TableLayouts::ReadersFile, "TIME"), QStringList{QString::number(stored)});
    }

    // Save on a new system number asks first, with the number to be stored;
    // No stores nothing.
    void systemNumberAsksFirst_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("asked"); // empty: no question
        QTest::addColumn<QStringList>("stored"); // sys_nr, sys_nr2
        QTest::addColumn<QString>("box");
        QTest::newRow("new number, Yes") << "123" << true << "The system number 123 will take the place of 1."
                                         << QStringList{"123", "1"} << "123";
        QTest::newRow("new number, No") << "123" << false << "The system number 123 will take the place of 1."
                                        << QStringList{"1", "1"} << "1";
        QTest::newRow("2000000 is corrected, and the question says so")
            << "2000000" << true
            << "2000000 is outside 1..1 000 000: 1000000 will be stored.\n\nThe system number 1000000 will take the "
               "place of 1."
            << QStringList{"1000000", "1"} << "1000000";
        QTest::newRow("the same number: nothing to ask")
            << "1" << false << QString() << QStringList{"1", "1"} << "1";
    }
    void systemNumberAsksFirst()
    {
        QFETCH(QString, typed);
        QFETCH(bool, yes);
        QFETCH(QString, asked);
        QFETCH(QStringList, stored);
        QFETCH(QString, box);
        Program p(TForm1::Role::Administrator);
        auto* edit = p.find<QLineEdit>("Edit1");
        edit->setText(typed);
        MessageBox::setNextAnswer(yes ? 0 : 1);
        p.click("Button5");
        QList<MessageBox::Shown> questions;
        QList<MessageBox::Shown> messages;
        for (const MessageBox::Shown& shown : MessageBox::takeShown())
            (shown.answers.isEmpty() ? messages : questions).append(shown);
        QCOMPARE(questions.size(), asked.isEmpty() ? 0 : 1);
        if (!asked.isEmpty()) {
            QVERIFY2(questions[0].text.startsWith(asked), qPrintable(questions[0].text));
            QVERIFY(questions[0].text.contains("every user card must be written again"));
            QCOMPARE(questions[0].caption, QStringLiteral("Change the system number?"));
        }
        QCOMPARE(edit->text(), box);
        QCOMPARE(messages.size(), asked.isEmpty() || yes ? 1 : 0); // "System number saved!"
        p.end();
        QCOMPARE((QStringList{teststore::storedSetting("sys_nr"), teststore::storedSetting("sys_nr2")}), stored);
    }

    // Port > Port ticks the port in force, and only that one.
    void portMenuTicksChosenPort_data()
    {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QString>("chosen"); // menu item clicked, none when empty
        QTest::addColumn<QString>("ticked"); // none when empty
        QTest::newRow("COM3 from config.ini") << QByteArray("3") << QString() << "COM21";
        QTest::newRow("COM2 chosen") << QByteArray("1") << "COM22"
                                     << "COM22";
        QTest::newRow("the ticked port chosen again") << QByteArray("2") << "COM22"
                                                      << "COM22";
        QTest::newRow("a port outside COM1..COM4") << QByteArray("7") << QString() << QString();
    }
    void portMenuTicksChosenPort()
    {
        QFETCH(QByteArray, port);
        QFETCH(QString, chosen);
        QFETCH(QString, ticked);
        writeFile("config.ini", QByteArray(Config).replace("%1", port));
        Program p(TForm1::Role::Administrator);
        if (!chosen.isEmpty())
            p.find<QAction>(qPrintable(chosen))->trigger();
        for (QAction* item : p.ui().Wybrportu1->actions())
            QCOMPARE(item->isChecked(), item->objectName() == ticked);
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    // A refused import names its problems in the message itself.
    void refusedImportListsProblems_data()
    {
        QTest::addColumn<int>("badRows");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QString>("more");
        QTest::newRow("one") << 1 << 1 << QString();
        QTest::newRow("twenty") << 20 << 20 << QString();
        QTest::newRow("twenty-three") << 23 << 20 << QStringLiteral("…and 3 more.");
    }
    void refusedImportListsProblems()
    {
        QFETCH(int, badRows);
        QFETCH(int, listed);
        QFETCH(QString, more);
        QByteArray csv = "NAME,SURNAME,INDEX\r\n";
        for (int i = 0; i < badRows; ++i)
            csv += "Nowak,Jan,16\r\n";
        writeFile("in.csv", csv);
        Program p(TForm1::Role::Administrator);
        p.form1->findChild<ExchangeMenu*>()->setFileChooser(
            [this](bool, const QString&, const QString&) { return m_dir->filePath("in.csv"); });
        p.ui().Importosb1->trigger();
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        const QStringList lines = shown[0].text.split(u'\n');
        QCOMPARE(lines.first(), QStringLiteral("Nothing was imported. Correct these lines and import again."));
        QCOMPARE(lines.filter(QStringLiteral("INDEX 16 is outside")).size(), listed);
        QCOMPARE(lines.last() == more, !more.isEmpty());
        QCOMPARE(shown[0].details.count(u'\n') + 1, badRows); // all of them, to copy
        p.end();
        QVERIFY(storedColumn(TableLayouts::PersonsFile, "NUMBER").isEmpty());
    }

    // A click on a column title sorts the grid by it, a second the other way
    // round; the row clicked is the current record; the table on disk keeps
    // its natural order.
    void gridsSort_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QStringList>("numbers"); // the number column, top to bottom
        QTest::newRow("persons by number, down") << "DBGrid1" << 0 << 2 << QStringList{"4", "3", "2", "1"};
        QTest::newRow("persons by first name, letter case ignored")
            << "DBGrid1" << 1 << 1 << QStringList{"2", "4", "1", "3"};
        QTest::newRow("persons by family name, down") << "DBGrid1" << 2 << 2 << QStringList{"3", "1", "4", "2"};
        QTest::newRow("persons by group: 9 before 10, ties in natural order")
            << "DBGrid1" << 3 << 1 << QStringList{"4", "2", "1", "3"};
        QTest::newRow("readers by number") << "DBGrid3" << 2 << 1 << QStringList{"1", "2", "7"};
        QTest::newRow("readers by name") << "DBGrid3" << 0 << 1 << QStringList{"2", "7", "1"};
    }
    void gridsSort()
    {
        QFETCH(QString, grid);
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QStringList, numbers);
        {
            Table persons;
            teststore::open(persons, TableLayouts::PersonsFile);
            for (const QStringList& person : QList<QStringList>{{"1", "Jan", "Nowak", "Grupa 10"},
                                                                {"2", "anna", "Kowalska", "Grupa 9"},
                                                                {"3", "Łukasz", "Żółkiewski", "Grupa 10"},
                                                                {"4", "Ewa", "Lis", "Grupa 2"}})
                addRecord(persons, {"NUMBER", "SURNAME", "NAME", "GROUP"}, person);
            Table readers;
            teststore::open(readers, TableLayouts::ReadersFile);
            for (const QStringList& reader : QList<QStringList>{{"7", "Brama"}, {"1", "Wejście"}, {"2", "Biuro"}})
                addRecord(readers, {"ID_CZYT", "NAME", "TIME"}, reader + QStringList{"2"});
        }
        const QByteArray before = readFile(TableLayouts::PersonsFile) + readFile(TableLayouts::ReadersFile);
        Program p(TForm1::Role::Administrator);
        p.form1->show();
        auto* view = p.find<DbGrid>(qPrintable(grid));
        p.ui().Pager1->setCurrentWidget(view->parentWidget());
        QHeaderView* header = view->horizontalHeader();
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                     header->height() / 2));
        const int numberColumn = grid == "DBGrid1" ? 0 : 2;
        QCOMPARE(header->visualIndex(numberColumn), 0); // the number comes first in both grids
        QStringList shown;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            shown << view->model()->index(row, numberColumn).data().toString().trimmed();
        QCOMPARE(shown, numbers);

        const QModelIndex last = view->model()->index(numbers.size() - 1, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(last).center());
        const char* field = grid == "DBGrid1" ? "NUMBER" : "ID_CZYT";
        QCOMPARE(p.table(grid == "DBGrid1" ? "Table1" : "Table2").asInteger(field), numbers.last().toInt());
        p.end();
        QCOMPARE(readFile(TableLayouts::PersonsFile) + readFile(TableLayouts::ReadersFile), before);
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestDesk)
#include "test_desk.moc"
