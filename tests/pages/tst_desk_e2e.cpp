// Two traps of the persons page in real time: the main window driven through
// its widgets, the programmer simulator; what the simulator prints is the
// card.

#include "app/Form1.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QCheckBox>
#include <QStatusBar>
#include <QTest>

#include "Program.h"
#include "ProgrammerSimulator.h"
#include "cards/CardNumber.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

// A working directory with persons 1 and 2 (no group), the simulator on COM1
// with the given card on it (none when empty), the window logged in.
struct Desk
{
    WorkingDirectory dir;
    ProgrammerSimulator sim;
    std::unique_ptr<Program> p;

    Desk(const QStringList& card, const QByteArray& language)
        : sim(dir.path(), card.isEmpty() ? QStringList() : QStringList{"--card"} + card)
    {
        if (sim.device.isEmpty())
            return;
        writeFile("config.ini", "[PASSWORD]\r\nsys_nr=123456\r\n[COM_PORT]\r\nPORT=1\r\nCOM1=" +
                                    sim.device.toLocal8Bit() + "\r\n[Language]\r\nLanguage=" + language + "\r\n");
        Table persons;
        persons.open(TableLayouts::PersonsFile);
        for (int n = 1; n <= 2; ++n) {
            persons.insert();
            persons.setInteger("NUMBER", n);
            persons.setInteger("INDEX", 0);
            persons.setText("GROUP", TableLayouts::NoGroupMarker);
            persons.post();
        }
        persons.close();
        p = std::make_unique<Program>();
        sim.attach(*p->form1);
        p->form1->show();
        p->applyLanguage();
        p->login("1");
    }
    ~Desk() { p.reset(); }
    bool printed(const char* text) { return sim.printed().contains(QLatin1String(text)); }
};

class TestDeskEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }

    // "Duplicate card" marks the one card written with it.
    void duplicateBoxMarksOneCard_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QStringList>("indexes"); // stored INDEX of persons 1 and 2
        QTest::newRow("written: cleared, the next card is no duplicate") << true << QStringList{"1", "0"};
        QTest::newRow("not written: still ticked") << false << QStringList{"0", "0"};
    }
    void duplicateBoxMarksOneCard()
    {
        QFETCH(bool, connected);
        QFETCH(QStringList, indexes);
        Desk d({}, "English");
        QVERIFY(d.p);
        if (connected)
            d.p->ui().COM11->trigger();
        d.p->find<QCheckBox>("CBox2")->click();
        // Persons of no group: each card that opens no door is asked about, and written.
        MessageBox::setNextAnswer(0);
        d.p->click("Button4");
        QCOMPARE(d.p->find<QCheckBox>("CBox2")->isChecked(), !connected);
        if (connected) {
            QTRY_VERIFY_WITH_TIMEOUT(d.printed("Card written: person 1, system 123456, duplicate 1"), 3000);
            // The status line says what came of it while the next person is shown.
            QCOMPARE(d.p->ui().LinkStatus->text(), QStringLiteral("1: card %1 written and verified")
                                                       .arg(cards::printedNumber(*cards::identifierOf(123456, 1, 1)).hex));
            MessageBox::setNextAnswer(0);
            d.p->click("Button4");
            QTRY_VERIFY_WITH_TIMEOUT(d.printed("Card written: person 2, system 123456, duplicate 0"), 3000);
        }
        MessageBox::setNextAnswer(-1);
        QCOMPARE(MessageBox::takeShown().size(), connected ? 2 : 1); // the two questions, or "Check connection"
        d.p->end();
        QCOMPARE(storedColumn(TableLayouts::PersonsFile, "INDEX"), indexes);
    }

    // No message box when no card answers Find, but the status line says what
    // to check, over the link's animation.
    void silentFindSaysSoInStatusBar_data()
    {
        QTest::addColumn<QStringList>("card");
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("status"); // empty: the link's animation
        QTest::newRow("no card") << QStringList() << QByteArray("English")
                                 << "No card answered — is a card on the programmer and the right port chosen?";
        QTest::newRow("no card, Polish")
            << QStringList() << QByteArray("Polski")
            << "Żadna karta nie odpowiedziała — czy karta leży na programatorze i wybrano właściwy port?";
        QTest::newRow("a card answers") << QStringList{"0:123456:0"} << QByteArray("English") << QString();
    }
    void silentFindSaysSoInStatusBar()
    {
        QFETCH(QStringList, card);
        QFETCH(QByteArray, language);
        QFETCH(QString, status);
        Desk d(card, language);
        QVERIFY(d.p);
        d.p->ui().COM11->trigger();
        d.p->click("Button2");
        QTRY_VERIFY_WITH_TIMEOUT(!d.p->find<QTimer>("Timer1")->isActive(), 2000);
        QTest::qWait(200); // four ticks of the status animation
        const QString shown = d.p->ui().LinkStatus->text();
        QVERIFY2(status.isEmpty() ? shown.startsWith("Connect: COM1 ") : shown == status, qPrintable(shown));
        QCOMPARE(MessageBox::takeShown().size(), status.isEmpty() ? 1 : 0); // "Configuration card"
    }
};

QTEST_MAIN(TestDeskEndToEnd)
#include "tst_desk_e2e.moc"
