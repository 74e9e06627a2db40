// The operator's daily flows on the three data pages, through the real main
// window and its widgets, then the tables read back from disk.

#include "app/Form1.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/DbCheckBox.h"
#include "ui/DbComboBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

// One table's stored records, read as another program would after the end.
QList<QVariantMap> stored(const QString& file, const QStringList& fields)
{
    Table t;
    teststore::open(t, file);
    QList<QVariantMap> rows;
    for (t.first(); !t.atEnd(); t.next()) {
        QVariantMap row;
        for (const QString& f : fields) {
            const QChar type = t.fieldType(t.fieldPosition(f));
            row[f] = type == u'L' ? QVariant(t.asLogical(f)) : type == u'N' ? QVariant(t.asInteger(f)) : t.asText(f);
        }
        rows << row;
    }
    return rows;
}

void addPerson(Table& persons, const QStringList& values)
{
    addRecord(persons, {"NUMBER", "SURNAME", "NAME", "GROUP"}, values);
}

} // namespace

class TestPageFlows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }

    void init() { QVERIFY(renewWorkingDirectory(m_dir, "[Language]\r\nLanguage=English\r\n")); }

    void cleanup() { m_dir.reset(); }

    void addPersonAndPickGroup()
    {
        Program p(TForm1::Role::Administrator);
        p.click("SpeedButton5");
        p.click("Button1");
        p.click("Button1");
        p.click("SpeedButton6");

        p.click("SpeedButton4");
        p.click("Button9");
        // No group until one is picked: the current group is nobody's choice.
        QCOMPARE(p.find<DbLookupCombo>("DBLB2")->currentText(), QString());
        QCOMPARE(p.table("Table1").asText("GROUP"), TableLayouts::NoGroupMarker);
        QTest::keyClicks(p.find<QLineEdit>("DBEdit8"), "Anna");
        QTest::keyClicks(p.find<QLineEdit>("DBEdit2"), "O'Brien");
        auto* lookup = p.find<DbLookupCombo>("DBLB2");
        QTest::keyClick(lookup, Qt::Key_Down); // the list starts on the last group, Group 2
        QTest::keyClick(lookup, Qt::Key_Up);
        QCOMPARE(lookup->currentText(), QStringLiteral("Group 1"));
        QCOMPARE(p.table("Table3").asText("NAME"), QStringLiteral("Group 1")); // the groups table follows
        p.click("SpeedButton3");
        QVERIFY(p.ui().DBEdit8->isReadOnly());
        QVERIFY(!p.ui().Button9->isEnabled());
        QVERIFY(MessageBox::takeShown().isEmpty());
        p.end();

        const QList<QVariantMap> persons = stored("osoby.dbf", {"NUMBER", "SURNAME", "NAME", "GROUP", "INDEX"});
        QCOMPARE(persons.size(), 1);
        QCOMPARE(persons[0]["NUMBER"].toInt(), 1);
        QCOMPARE(persons[0]["SURNAME"].toString(), QStringLiteral("Anna"));
        QCOMPARE(persons[0]["NAME"].toString(), QStringLiteral("O'Brien"));
        QCOMPARE(persons[0]["GROUP"].toString(), QStringLiteral("Group 1"));
        QCOMPARE(persons[0]["INDEX"].toInt(), 0);
        const QList<QVariantMap> groups = stored("grupa.dbf", {"ID_Grupy", "NAME"});
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[1]["ID_Grupy"].toInt(), 2);
        QCOMPARE(groups[1]["NAME"].toString(), QStringLiteral("Group 2"));
    }

    void tickReadersOneAnd96()
    {
        Program p(TForm1::Role::Administrator);
        p.click("SpeedButton5");
        p.click("Button1");
        p.find<DbCheckBox>("DBCheckBox1")->click();
        p.find<DbCheckBox>("DBCheckBox96")->click();
        p.click("SpeedButton6");
        // Locked boxes ignore clicks.
        p.find<DbCheckBox>("DBCheckBox3")->click();
        p.end();

        QStringList flags;
        for (int k = 1; k <= 96; ++k)
            flags << QStringLiteral("P%1").arg(k);
        const QVariantMap group = stored("grupa.dbf", flags).value(0);
        for (int k = 1; k <= 96; ++k)
            QCOMPARE(group[QStringLiteral("P%1").arg(k)].toBool(), k == 1 || k == 96);
    }

    void addReadersUpTo96()
    {
        Program p(TForm1::Role::Administrator);
        p.click("SpeedButton1");
        for (int i = 0; i < 97; ++i)
            p.click("Button6");
        const QList<MessageBox::Shown> shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("Maksymalny numer czytnika to 96."));
        QCOMPARE(shown[0].caption, QStringLiteral("Error"));

        // The relay time is stored key by key; other keys and times no card
        // can carry are refused and the stored time stays.
        auto* time = p.find<DbComboBox>("DBComboBox1");
        time->lineEdit()->selectAll();
        QTest::keyClicks(time, "1x5");
        QCOMPARE(time->currentText(), QStringLiteral("15"));
        QCOMPARE(p.table("Table2").asInteger("TIME"), 15);
        QTest::keyClicks(time, "00"); // 150 is stored, 1500 is not: the time from before the typing comes back
        QCOMPARE(
            MessageBox::takeShown().value(0).text,
            QStringLiteral("The relay time must be a whole number of seconds from 1 to 255. The stored value stays."));
        QCOMPARE(time->currentText(), QStringLiteral("2"));
        p.click("SpeedButton2");
        QCOMPARE(p.ui().accessBox(96)->toolTip(), QStringLiteral("Reader 96"));
        p.end();

        const QList<QVariantMap> readers = stored("sprzet.dbf", {"ID_CZYT", "NAME", "TIME", "PROX", "EMULACJA"});
        QCOMPARE(readers.size(), 96);
        for (int k = 1; k <= 96; ++k) {
            QCOMPARE(readers[k - 1]["ID_CZYT"].toInt(), k);
            QCOMPARE(readers[k - 1]["NAME"].toString(), QStringLiteral("Reader %1").arg(k));
            QCOMPARE(readers[k - 1]["TIME"].toInt(), 2);
            QVERIFY(!readers[k - 1]["PROX"].toBool() && !readers[k - 1]["EMULACJA"].toBool());
        }
    }

    void removeGroupUnderActiveFilter()
    {
        {
            Table groups;
            teststore::open(groups, "grupa.dbf");
            for (const char* name : {"Day", "Night"}) {
                groups.insert();
                groups.setText("NAME", name);
                groups.post();
            }
            Table persons;
            teststore::open(persons, "osoby.dbf");
            addPerson(persons, {"1", "Anna", "Kowalska", "Night"});
            addPerson(persons, {"2", "Jan", "Nowak", "Night"});
            addPerson(persons, {"3", "Ewa", "Kowal", "Day"});
            addPerson(persons, {"4", "Piotr", "Zając", "Night"});
        }
        Program p(TForm1::Role::Administrator);
        p.find<QCheckBox>("CheckBox2")->click();
        QTest::keyClicks(p.find<QLineEdit>("Edit4"), "KOW");
        QCOMPARE(p.ui().DBGrid1->model()->rowCount(), 2);

        p.click("SpeedButton5");
        p.ui().DBGrid2->selectRow(1);
        QCOMPARE(p.table("Table3").asText("NAME"), QStringLiteral("Night"));
        MessageBox::setNextAnswer(0);
        p.click("Button10");
        QCOMPARE(MessageBox::takeShown().value(0).text,
                 QStringLiteral("Delete the group \"Night\"? It leaves 3 persons without access."));
        QCOMPARE(p.ui().DBEdit6->text(), QStringLiteral("Day")); // the following group was the last: the one before
        QVERIFY(p.ui().CheckBox2->isChecked());                  // the search is as the operator left it
        QCOMPARE(p.ui().DBGrid1->model()->rowCount(), 2);
        p.end();

        QStringList groups;
        for (const QVariantMap& person : stored("osoby.dbf", {"GROUP"}))
            groups << person["GROUP"].toString();
        QCOMPARE(groups, QStringList({TableLayouts::NoGroupMarker, TableLayouts::NoGroupMarker, "Day",
                                      TableLayouts::NoGroupMarker}));
        QCOMPARE(stored("grupa.dbf", {"NAME"}).size(), 1);
    }

    void closingStoresWhatWasTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QString>("storedName");
        QTest::newRow("storable") << QStringLiteral("Żaneta") << true << QStringLiteral("Żaneta");
        // Omega has no byte in code page 1250: the window stays, the text too.
        QTest::newRow("not storable") << QStringLiteral("Ωmega") << false << QStringLiteral("Anna");
    }

    void closingStoresWhatWasTyped()
    {
        QFETCH(QString, typed);
        QFETCH(bool, closes);
        QFETCH(QString, storedName);
        {
            Table persons;
            teststore::open(persons, "osoby.dbf");
            addPerson(persons, {"1", "Anna", "Kowalska", ""});
        }
        Program p(TForm1::Role::Administrator);
        p.click("SpeedButton4");
        auto* edit = p.find<QLineEdit>("DBEdit8");
        edit->selectAll();
        QKeyEvent typing(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QApplication::sendEvent(edit, &typing);
        QCOMPARE(p.form1->close(), closes);
        if (!closes) {
            QCOMPARE(MessageBox::takeShown().value(0).text,
                     QStringLiteral("The character \"Ω\" cannot be stored in the tables. The text was not saved: "
                                    "change it and confirm again."));
            QCOMPARE(edit->text(), typed);
            edit->setText(QStringLiteral("Anna"));
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, "a");
        }
        p.end();
        QCOMPARE(stored("osoby.dbf", {"SURNAME"}).value(0)["SURNAME"].toString(), storedName);
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestPageFlows)
#include "tst_pageflows.moc"
