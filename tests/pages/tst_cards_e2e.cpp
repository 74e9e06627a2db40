// The card operations end to end: the real main window driven through its
// widgets, the serial component and the programmer simulator, in real time.
// What the simulator says it wrote is the card.

#include "app/Form1.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbText.h"
#include "ui/MessageBox.h"
#include "ui/TForm2.h"
#include "ui/TForm3.h"
#include "ui/TForm4.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "Program.h"
#include "ProgrammerSimulator.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

// A run with the main window on screen and the language applied, its port
// COM1 on the simulator.
struct ShownProgram : Program
{
    explicit ShownProgram(ProgrammerSimulator& sim)
    {
        sim.attach(*form1);
        form1->show();
        applyLanguage();
    }
};

} // namespace

class TestCardsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }

    void init()
    {
        QVERIFY(renewWorkingDirectory(m_dir));
        // The enrolment station's test has the simulator swap the cards, as the demo starts it.
        const bool swap = QTest::currentTestFunction() == QLatin1String("enrolmentStationWritesAList");
        m_sim = std::make_unique<ProgrammerSimulator>(
            m_dir->path(), swap ? QStringList{QStringLiteral("--swap")} : QStringList{});
        QVERIFY(!m_sim->device.isEmpty());
        writeFile("config.ini", "[PASSWORD]\r\nsys_nr=123456\r\n[COM_PORT]\r\nPORT=1\r\nCOM1=" +
                                    m_sim->device.toLocal8Bit() + "\r\n[Language]\r\nLanguage=English\r\n");
    }

    void cleanup()
    {
        m_sim.reset();
        m_dir.reset();
    }

    void administratorProgramsFindsWithdrawsAndConfigures()
    {
        ShownProgram p(*m_sim);
        MainWindowUi& ui = p.ui();
        p.login("1");
        QVERIFY(p.form1->inWorkingState());

        // 25 readers, so that reader 25 can get its configuration card.
        ui.Czytniki1->trigger();
        p.click(ui.SpeedButton1);
        for (int i = 0; i < 25; ++i)
            p.click(ui.Button6);
        p.click(ui.SpeedButton2);
        // A group opening readers 1 and 96.
        ui.Grupy1->trigger();
        p.click(ui.SpeedButton5);
        p.click(ui.Button1);
        p.click(ui.accessBox(1));
        p.click(ui.accessBox(96));
        p.click(ui.SpeedButton6);
        // A person in that group, picked for the new person.
        ui.Uytkownicy1->trigger();
        p.click(ui.SpeedButton4);
        p.click(ui.Button9);
        QTest::keyClick(ui.DBLB2, Qt::Key_Down);
        p.click(ui.SpeedButton3);
        QCOMPARE(MessageBox::takeShown().size(), 0);

        ui.COM11->trigger();
        QCOMPARE(p.form1->state().LinkOpen, 1);

        p.click(ui.Button4);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->printed().contains(QStringLiteral("readers:")), 3000);
        QVERIFY2(m_sim->printed().contains(QStringLiteral("Card written: person 1, system 123456, duplicate 0")),
                 qPrintable(m_sim->output));
        QVERIFY(m_sim->output.contains(QStringLiteral("blocks 3..6: 80 00 00 25 00 00 00 A5 00 00 00 A5 00 00 01 A4")));
        QVERIFY(m_sim->output.contains(QStringLiteral("readers: 1 96\n")));

        p.click(ui.Button2);
        QTRY_VERIFY_WITH_TIMEOUT(p.form4->isVisible(), 2000);
        QCOMPARE(p.form4->Label1->text(), QStringLiteral("0"));
        QCOMPARE(p.form4->DBText1->text(), QStringLiteral("1"));
        QCOMPARE(p.form4->DBText3->text(), QStringLiteral("Group 1"));
        QCOMPARE(p.form4->CardHex->text(), QStringLiteral("0001E24010"));
        QCOMPARE(MessageBox::takeShown().size(), 0);

        m_sim->output.clear();
        p.click(ui.Button3);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->printed().contains(QStringLiteral("readers:")), 3000);
        QVERIFY2(m_sim->output.contains(QStringLiteral("blocks 3..6: 00 00 00 A5 00 00 00 A5 00 00 00 A5 00 00 00 A5")),
                 qPrintable(m_sim->output));

        m_sim->output.clear();
        ui.Czytniki1->trigger();
        QVERIFY(p.table("Table2").locate(QStringLiteral("ID_CZYT"), 25));
        p.click(ui.Button12);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->printed().contains(QStringLiteral("blocks 3..6")), 3000);
        QVERIFY2(m_sim->output.contains(QStringLiteral("Card written: person 0, system 123456, duplicate 0")),
                 qPrintable(m_sim->output));
        // Block 6 of a configuration card carries no check byte, and is not called wrong.
        QVERIFY(m_sim->output.contains(QStringLiteral(
            "blocks 3..6: E2 40 10 17 04 01 80 20 02 00 00 A7 00 00 00 00 (check bytes ok ok ok none)")));

        const QList<QByteArray> journal = readFile(QStringLiteral("cards.log")).split('\n');
        QCOMPARE(journal.size(), 6); // header, four operations, the empty rest after the last line end
        // Every card written was read back from the simulator as written.
        QVERIFY(journal[1].contains("\tadministrator\tProgram\t1\t123456\t0\tGroup 1\t80000025"));
        QVERIFY(journal[1].contains("\tverified\t0001E24010\t"));
        QVERIFY(journal[2].contains("\tFind (user)\t1\t123456\t0\tGroup 1\t\t\t0001E24010\t"));
        QVERIFY(journal[3].contains("\tRemove permissions\t1\t"));
        QVERIFY(journal[3].contains("\tverified\t"));
        QVERIFY(journal[4].contains("\tConfiguration card\t0\t123456\t0\tReader 25\tE2401017040180200200"));
        QVERIFY(journal[4].contains("\tverified\t"));
        QCOMPARE(MessageBox::takeShown().size(), 0);
    }

    // The user role: the forbidden actions are out of reach by mouse,
    // keyboard and menu; cards and the language are not.
    void userRole()
    {
        {
            // A reader and a person made beforehand, as an administrator would.
            Table readers;
            readers.open(TableLayouts::ReadersFile);
            readers.insert();
            readers.setInteger(QStringLiteral("ID_CZYT"), 1);
            readers.setInteger(QStringLiteral("TIME"), 2);
            readers.post();
            Table persons;
            persons.open(TableLayouts::PersonsFile);
            persons.insert();
            persons.setInteger(QStringLiteral("NUMBER"), 5);
            persons.setText(QStringLiteral("GROUP"), TableLayouts::NoGroupMarker);
            persons.post();
        }
        ShownProgram p(*m_sim);
        MainWindowUi& ui = p.ui();
        p.login("2");
        QVERIFY(p.form1->inWorkingState());
        ui.COM11->trigger();
        QCOMPARE(p.form1->state().LinkOpen, 1);
        const QByteArray config = readFile(QStringLiteral("config.ini"));
        QTRY_COMPARE(m_sim->framesLogged(), 1); // the connect frame
        const int framesBefore = m_sim->framesLogged();

        // Every way to the forbidden controls: the menu to their page, a
        // click, Tab to reach them and Space or typing on them.
        ui.Czytniki1->trigger();
        for (QWidget* w : {static_cast<QWidget*>(ui.Button12), static_cast<QWidget*>(ui.SpeedButton1),
                           static_cast<QWidget*>(ui.SpeedButton2), static_cast<QWidget*>(ui.Button6),
                           static_cast<QWidget*>(ui.Button8), static_cast<QWidget*>(ui.RadioButton2),
                           static_cast<QWidget*>(ui.CheckBox1), static_cast<QWidget*>(ui.Button5),
                           static_cast<QWidget*>(ui.Button15), static_cast<QWidget*>(ui.Button11)}) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
            p.click(w);
            w->setFocus();
            QVERIFY2(!w->hasFocus(), qPrintable(w->objectName()));
            QTest::keyClick(w, Qt::Key_Space);
        }
        for (QLineEdit* e : {ui.Edit1, ui.Edit6, ui.Edit8}) {
            QTest::keyClicks(e, QStringLiteral("99"));
            QTest::keyClick(e, Qt::Key_Return);
        }
        ui.PagerPage1->setFocus();
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : p.form1.get(), Qt::Key_Tab);
            QWidget* f = QApplication::focusWidget();
            QVERIFY(!f || f->isEnabled());
        }
        QCOMPARE(ui.Edit1->text(), QStringLiteral("********"));
        QVERIFY(ui.Edit2->isHidden());
        QCOMPARE(p.table("Table2").rowCount(), 1);
        QCOMPARE(p.form1->state().SystemNumber, 123456);
        QCOMPARE(readFile(QStringLiteral("config.ini")), config);
        QTest::qWait(200); // a frame sent would be logged by now
        QCOMPARE(m_sim->framesLogged(), framesBefore);
        QCOMPARE(MessageBox::takeShown().size(), 0);

        // What the user role keeps: Program, Find, Remove permissions, the language.
        ui.Uytkownicy1->trigger();
        // Person 5 has no group: the card that opens no door is asked about first.
        MessageBox::setNextAnswer(0);
        p.click(ui.Button4);
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->printed().contains(QStringLiteral("readers: none")), 3000);
        QVERIFY(m_sim->output.contains(QStringLiteral("Card written: person 5, system 123456, duplicate 0")));
        p.click(ui.Button2);
        QTRY_VERIFY_WITH_TIMEOUT(p.form4->isVisible(), 2000);
        m_sim->output.clear();
        p.click(ui.Button3);
        QTRY_VERIFY_WITH_TIMEOUT(m_sim->printed().contains(QStringLiteral("Card written: person 5")), 3000);
        QVERIFY(readFile(QStringLiteral("cards.log")).contains("\tuser\tRemove permissions\t5\t"));

        ui.ComboBox1->setCurrentText(QStringLiteral("Polski"));
        p.click(ui.Button18);
        QVERIFY(readFile(QStringLiteral("config.ini")).contains("Language=Polski"));
        QTRY_COMPARE(ui.Button4->text(), QStringLiteral("Programuj"));
        QCOMPARE(MessageBox::takeShown().size(), 0);
    }

    // Edit > Program a list: a group of three, each card written in order
    // and read back while the simulator takes each off and puts a blank on.
    void enrolmentStationWritesAList()
    {
        {
            Table persons;
            persons.open(TableLayouts::PersonsFile);
            for (int number : {1, 2, 3}) {
                persons.insert();
                persons.setInteger(QStringLiteral("NUMBER"), number);
                persons.setText(QStringLiteral("GROUP"), TableLayouts::NoGroupMarker);
                persons.post();
            }
        }
        ShownProgram p(*m_sim);
        p.login("2");
        p.ui().COM11->trigger();
        p.form1->findChild<QAction*>(QStringLiteral("ProgramList1"))->trigger();
        auto* form = p.form1->findChild<QWidget*>(QStringLiteral("ProgramListForm"));
        QVERIFY(form && form->isVisible());
        p.click(form->findChild<QPushButton*>(QStringLiteral("ProgramListAddShown")));
        p.click(form->findChild<QPushButton*>(QStringLiteral("ProgramListStart")));
        // Closed while it runs: asked first, then the status bar keeps the count.
        MessageBox::setNextAnswer(0);
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(MessageBox::takeShown().value(0).answers, (QStringList{"Yes", "No"}));
        auto* count = p.form1->findChild<QLabel*>(QStringLiteral("ProgramListStatus"));
        QVERIFY(count->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(count->text(), QStringLiteral("List: 2 of 3 cards"), 20000);
        auto* state = form->findChild<QLabel*>(QStringLiteral("ProgramListState"));
        QTRY_COMPARE_WITH_TIMEOUT(state->text(), QStringLiteral("Every card of the list is written."), 20000);
        QVERIFY(!count->isVisible());
        const QList<QByteArray> journal = readFile(QStringLiteral("cards.log")).split('\n');
        QCOMPARE(journal.size(), 5);
        for (int i = 1; i <= 3; ++i)
            QVERIFY2(journal[i].contains(QStringLiteral("\tuser\tProgram\t%1\t").arg(i).toLatin1()) &&
                         journal[i].contains("\tverified\t"),
                     journal[i].constData());
        QVERIFY2(m_sim->printed().count(QStringLiteral("Card placed: blank")) >= 2, qPrintable(m_sim->output));
        QCOMPARE(MessageBox::takeShown().size(), 0);
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
    std::unique_ptr<ProgrammerSimulator> m_sim;
};

QTEST_MAIN(TestCardsEndToEnd)
#include "tst_cards_e2e.moc"
