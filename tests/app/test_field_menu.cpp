// The cards handed out on the main window: the status bar's count of cards
// to rewrite, Edit > Cards to rewrite and Card journal, and the questions
// before a record is deleted, through the widgets found by name, then the
// tables read back from disk.

#include "app/Form1.h"
#include "cards/UserCard.h"
#include "data/Table.h"
#include "ui/DbCheckBox.h"
#include "ui/DbGrid.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QStatusBar>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

QByteArray access(const QList<int>& readers)
{
    cards::AccessFlags flags;
    for (int n : readers)
        flags[n - 1] = true;
    return cards::userCardData(flags).toHex().toUpper();
}

// Staff opens readers 1 and 2, Night reader 3. Anna (Staff) got her card in
// a journal from before the read-back columns, Jan (Night) since; Ewa has
// none. Line 3 of the journal is damaged.
void makeInstallation()
{
    Table groups;
    teststore::open(groups, "grupa.dbf");
    for (const auto& [name, readers] : {std::pair{"Staff", QList<int>{1, 2}}, std::pair{"Night", QList<int>{3}}}) {
        groups.insert();
        groups.setText("NAME", name);
        for (int n : readers)
            groups.setLogical(QStringLiteral("P%1").arg(n), true);
        groups.post();
    }
    Table persons;
    teststore::open(persons, "osoby.dbf");
    for (const QStringList& person : QList<QStringList>{
             {"1", "Anna", "Kowalska", "Staff"}, {"2", "Jan", "Nowak", "Night"}, {"3", "Ewa", "Lis", "Staff"}})
        addRecord(persons, {"NUMBER", "SURNAME", "NAME", "GROUP"}, person);
    Table readers;
    teststore::open(readers, "sprzet.dbf");
    addRecord(readers, {"ID_CZYT", "NAME", "TIME"}, {"1", "Door", "2"});
    writeFile("cards.log", "time\trole\toperation\tperson\tsystem\tduplicate\tgroup\tdata\r\n"
                           "2024-03-05 14:07:09\tuser\tProgram\t1\t1\t0\tStaff\t" +
                               access({1, 2}) +
                               "\r\n"
                               "garbage\r\n"
                               "2024-03-06 09:00:00\tuser\tProgram\t2\t1\t0\tNight\t" +
                               access({3}) + "\tverified\t0002000100\t0033554688\t00000256\t000,00256\r\n");
}

QStringList rowsOf(const QAbstractItemModel* model, int column)
{
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows << model->index(row, column).data().toString();
    return rows;
}

} // namespace

class TestFieldMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }
    void init()
    {
        QVERIFY(renewWorkingDirectory(m_dir, "[Language]\r\nLanguage=English\r\n"));
        makeInstallation();
    }
    void cleanup() { m_dir.reset(); }

    void countAndListFollowChanges()
    {
        Program p(TForm1::Role::Administrator);
        auto* status = p.find<QLabel>("CardsToRewriteStatus");
        QTRY_COMPARE(status->text(), QStringLiteral("Cards to rewrite: 0"));
        // Its text ends clear of the window's edge.
        p.form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.form1.get()));
        const int textEnd = status->x() + status->contentsRect().left() +
                            status->fontMetrics().horizontalAdvance(status->text());
        QVERIFY2(textEnd + 4 < p.ui().Status->width(), qPrintable(QString::number(textEnd)));

        // Staff gets reader 5 too: Anna's card no longer carries her doors.
        p.click("SpeedButton5");
        p.ui().DBGrid2->selectRow(0);
        p.click(p.ui().accessBox(5));
        p.click("SpeedButton6");
        QTRY_COMPARE(status->text(), QStringLiteral("Cards to rewrite: 1"));

        p.find<QAction>("CardsToRewrite1")->trigger();
        auto* form = p.find<QDialog>("CardsToRewriteForm");
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Cards to rewrite"));
        auto* list = p.find<QTableView>("RewriteList");
        QCOMPARE(rowsOf(list->model(), 0), QStringList{"1"});
        QStringList row;
        for (int column = 1; column < list->model()->columnCount(); ++column)
            row << list->model()->index(0, column).data().toString();
        QCOMPARE(row, (QStringList{"Kowalska", "Anna", "The group's doors changed", "2024-03-05 14:07:09", "0001000100",
                                   "0016777472", "00000256", "000,00256"}));
        QCOMPARE(rowsOf(p.find<QTableView>("NoCardList")->model(), 2), QStringList{"Ewa"});
        QCOMPARE(p.find<QLabel>("NoCardCount")->text(), QStringLiteral("No card yet: 1"));

        // A double-click makes Anna current on the persons page, the search off.
        p.ui().Pager1->setCurrentWidget(p.ui().Pager12);
        p.find<QCheckBox>("CheckBox2")->click();
        QTest::keyClicks(p.find<QLineEdit>("Edit4"), "Nowak");
        QCOMPARE(p.table("Table1").asInteger("NUMBER"), 2);
        emit list->doubleClicked(list->model()->index(0, 0));
        QCOMPARE(p.ui().Pager1->currentWidget(), p.ui().Pager11);
        QVERIFY(!p.ui().CheckBox2->isChecked());
        QCOMPARE(p.table("Table1").asInteger("NUMBER"), 1);

        // Jan moves to Staff and back: his card is to rewrite, then right again.
        Table& persons = p.table("Table1");
        for (const auto& [group, count] : {std::pair{"Staff", "2"}, std::pair{"Night", "1"}}) {
            QVERIFY(persons.locate("NUMBER", 2));
            persons.edit();
            persons.setText("GROUP", group);
            persons.post();
            QTRY_COMPARE(status->text(), QStringLiteral("Cards to rewrite: ") + count);
        }

        // Another system number: every card out there is to rewrite.
        p.ui().Edit1->setText("5");
        MessageBox::setNextAnswer(0); // Yes to the question before the change
        p.click("Button5");
        QTRY_COMPARE(status->text(), QStringLiteral("Cards to rewrite: 2"));
        QCOMPARE(rowsOf(list->model(), 0), (QStringList{"1", "2"}));
        QCOMPARE(MessageBox::takeShown().size(), 2); // the question, then "System number saved!"

        // Jan deleted with his card still out; a new person with his number holds that card.
        QVERIFY(persons.locate("NUMBER", 2));
        p.click("SpeedButton4");
        MessageBox::setNextAnswer(1); // Delete anyway
        p.click("Button7");
        QTRY_COMPARE(rowsOf(list->model(), 1), (QStringList{"Kowalska", ""}));
        persons.insert();
        persons.setInteger("NUMBER", 2);
        persons.setText("NAME", QStringLiteral("Zielińska"));
        persons.post();
        QTRY_COMPARE(rowsOf(list->model(), 1), (QStringList{"Kowalska", QStringLiteral("Zielińska")}));
    }

    void journalWindow_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("operations");
        QTest::newRow("everything, newest first")
            << "" << QStringList{"Program", "Damaged line 3: wrong number of fields", "Program"};
        QTest::newRow("a family name") << "kowal" << QStringList{"Program"};
        QTest::newRow("a person number") << "2" << QStringList{"Program"};
        QTest::newRow("text of the damaged line") << "garb" << QStringList{"Damaged line 3: wrong number of fields"};
        QTest::newRow("nobody") << "Zielinski" << QStringList{};
    }
    void journalWindow()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, operations);
        Program p(TForm1::Role::User);
        p.find<QAction>("CardJournal1")->trigger();
        QVERIFY(p.find<QDialog>("CardJournalForm")->isVisible());
        QTest::keyClicks(p.find<QLineEdit>("JournalFilter"), filter);
        const QAbstractItemModel* model = p.find<QTableView>("JournalList")->model();
        QCOMPARE(rowsOf(model, 2), operations);
        if (filter == u"garb")
            QCOMPARE(model->index(0, model->columnCount() - 1).data().toString(), QStringLiteral("garbage"));
        if (filter == u"kowal")
            QCOMPARE(rowsOf(model, 5), QStringList{"Anna"});
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("shown"); // the question, then any message
        QTest::addColumn<QStringList>("stored");
        const QString card = "The card of Anna Kowalska (number 1) still opens readers: deleting the person does not "
                             "take its access away. Write Remove permissions to the card first?";
        // No programmer connected: Remove permissions cannot be written, so Anna stays.
        QTest::newRow("card out, remove first")
            << "osoby.dbf" << 0 << 0 << QStringList{card, "Communication error"} << QStringList{"1", "2", "3"};
        QTest::newRow("card out, delete anyway") << "osoby.dbf" << 0 << 1 << QStringList{card} << QStringList{"2", "3"};
        QTest::newRow("card out, cancel") << "osoby.dbf" << 0 << 2 << QStringList{card} << QStringList{"1", "2", "3"};
        QTest::newRow("no card, delete") << "osoby.dbf" << 2 << 0 << QStringList{"Delete Ewa Lis (number 3)?"}
                                         << QStringList{"1", "2"};
        QTest::newRow("no card, cancel") << "osoby.dbf" << 2 << 1 << QStringList{"Delete Ewa Lis (number 3)?"}
                                         << QStringList{"1", "2", "3"};
        QTest::newRow("reader, delete") << "sprzet.dbf" << 0 << 0
                                        << QStringList{"Delete the reader \"Door\" (number 1)?"} << QStringList{};
        QTest::newRow("reader, cancel") << "sprzet.dbf" << 0 << 1
                                        << QStringList{"Delete the reader \"Door\" (number 1)?"} << QStringList{"1"};
    }
    void deleteAsksFirst()
    {
        QFETCH(QString, table);
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, stored);
        {
            Program p(TForm1::Role::Administrator);
            const bool persons = table == u"osoby.dbf";
            p.click(persons ? "SpeedButton4" : "SpeedButton1");
            (persons ? p.ui().DBGrid1 : p.ui().DBGrid3)->selectRow(row);
            MessageBox::setNextAnswer(answer);
            p.click(persons ? "Button7" : "Button8");
            QCOMPARE(shownTexts(), shown);
            p.end();
        }
        QCOMPARE(storedColumn(table, table == u"osoby.dbf" ? "NUMBER" : "ID_CZYT"), stored);
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestFieldMenu)
#include "test_field_menu.moc"
