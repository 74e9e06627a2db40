// Two traps of the persons page end to end, in real time: the real main
// window driven through its widgets, the programmer simulator on a
// pseudo-terminal. What the simulator says it wrote is the card.

#include "app/Form1.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "Program.h"
#include "TestFiles.h"
#include "WorkingDirectory.h"

#include <memory>

namespace {

// The simulator with a card on it or none; what it printed so far.
struct Simulator
{
    QProcess process;
    QString device;
    QString output;

    explicit Simulator(const QString& card)
    {
        QStringList args;
        if (!card.isEmpty())
            args << QStringLiteral("--card") << card;
        process.start(QStringLiteral(PROGRAMMER_SIM), args);
        if (process.waitForStarted() && process.waitForReadyRead(5000))
            device = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Simulator()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
    QString printed()
    {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return output;
    }
};

void writeConfig(const QString& device, const char* language)
{
    writeFile("config.ini", "[PASSWORD]\r\nsys_nr=123456\r\n[COM_PORT]\r\nPORT=1\r\nCOM1=" + device.toLocal8Bit() +
                                "\r\n[Language]\r\nLanguage=" + language + "\r\n");
}

struct LoggedIn : Program
{
    LoggedIn()
    {
        form1->show();
        applyLanguage();
        login("1");
    }
};

} // namespace

class TestDeskEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setRecording(true); }

    void init()
    {
        m_dir = std::make_unique<WorkingDirectory>();
        QVERIFY(m_dir->isValid());
        MessageBox::takeShown();
    }

    void cleanup() { m_dir.reset(); }

    // "Duplicate card" marks the one card written with it; a batch of
    // Program presses goes on with ordinary cards.
    void duplicateBoxMarksOneCard_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("tickedAfter");
        QTest::addColumn<QStringList>("indexes"); // stored INDEX of persons 1 and 2
        QTest::newRow("written: cleared, the next card is no duplicate") << true << false << QStringList{"1", "0"};
        QTest::newRow("not written: still ticked") << false << true << QStringList{"0", "0"};
    }
    void duplicateBoxMarksOneCard()
    {
        QFETCH(bool, connected);
        QFETCH(bool, tickedAfter);
        QFETCH(QStringList, indexes);
        Simulator sim{QString()};
        QVERIFY(!sim.device.isEmpty());
        writeConfig(sim.device, "English");
        {
            Table persons;
            persons.open(TableLayouts::PersonsFile);
            for (int n = 1; n <= 2; ++n) {
                persons.insert();
                persons.setInteger("NUMBER", n);
                persons.setText("GROUP", TableLayouts::NoGroupMarker);
                persons.setInteger("INDEX", 0);
                persons.post();
            }
        }
        LoggedIn p;
        if (connected)
            p.ui().COM11->trigger();
        p.find<QCheckBox>("CBox2")->click();
        p.click("Button4");
        QCOMPARE(p.find<QCheckBox>("CBox2")->isChecked(), tickedAfter);
        if (connected) {
            QTRY_VERIFY_WITH_TIMEOUT(sim.printed().contains("Card written: person 1, system 123456, duplicate 1"),
                                     3000);
            p.click("Button4");
            QTRY_VERIFY_WITH_TIMEOUT(sim.printed().contains("Card written: person 2, system 123456, duplicate 0"),
                                     3000);
            QVERIFY(MessageBox::takeShown().isEmpty());
        } else {
            QCOMPARE(MessageBox::takeShown().value(0).text, QStringLiteral("Check connection"));
        }
        p.end();
        Table persons;
        persons.open(TableLayouts::PersonsFile);
        QStringList stored;
        for (persons.first(); !persons.atEnd(); persons.next())
            stored << persons.asText("INDEX");
        QCOMPARE(stored, indexes);
    }

    // Find keeps its silence in message boxes when no card answers, and the
    // status line says what to check, over the link's animation, until the
    // next Find.
    void silentFindSaysSoInStatusBar_data()
    {
        QTest::addColumn<QString>("card"); // on the simulator, none when empty
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("status"); // empty: the link's animation
        QTest::newRow("no card, English")
            << QString() << QByteArray("English")
            << "No card answered — is a card on the programmer and the right port chosen?";
        QTest::newRow("no card, Polish")
            << QString() << QByteArray("Polski")
            << "Żadna karta nie odpowiedziała — czy karta leży na programatorze i wybrano właściwy port?";
        QTest::newRow("a card answers") << "0:123456:0" << QByteArray("English") << QString();
    }
    void silentFindSaysSoInStatusBar()
    {
        QFETCH(QString, card);
        QFETCH(QByteArray, language);
        QFETCH(QString, status);
        Simulator sim{card};
        QVERIFY(!sim.device.isEmpty());
        writeConfig(sim.device, language.constData());
        LoggedIn p;
        p.ui().COM11->trigger();
        p.click("Button2");
        QTRY_VERIFY_WITH_TIMEOUT(!p.find<QTimer>("Timer1")->isActive(), 2000);
        QTest::qWait(200); // four ticks of the status animation
        const QString shown = p.ui().Status->currentMessage();
        if (status.isEmpty()) {
            QVERIFY2(shown.startsWith("Connect: COM1 "), qPrintable(shown));
            QCOMPARE(MessageBox::takeShown().value(0).text, QStringLiteral("Configuration card"));
        } else {
            QCOMPARE(shown, status);
            QVERIFY(MessageBox::takeShown().isEmpty());
        }
    }

private:
    std::unique_ptr<WorkingDirectory> m_dir;
};

QTEST_MAIN(TestDeskEndToEnd)
#include "tst_desk_e2e.moc"
