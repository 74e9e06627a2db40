#include "link/LinkFakes.h"

#include "config/AppError.h"
#include "link/Frames.h"
#include "link/ProgrammerLink.h"

#include <QTest>

#include <numeric>

// The link with a recording port and view and a clock that only pauses move:
// a 1.3 s card write and a 550 ms read run in microseconds.
class TestProgrammerLink : public QObject
{
    Q_OBJECT

    struct Rig
    {
        int linkOpen = 0;
        int portNumber = 1;
        QString portCaption = QStringLiteral("COM1 ");
        FakeClock clock;
        FakePort port{clock};
        RecordingView view;
        ProgrammerLink link{LinkState{linkOpen, portNumber, portCaption}, port, view,
                            [this](std::chrono::milliseconds d) { clock.pause(d); }};
        int cardsRead = 0;
        cards::CardIdentity lastCard;

        Rig()
        {
            link.setCardReadHandler([this](const cards::CardIdentity& c) {
                ++cardsRead;
                lastCard = c;
            });
        }
        void connect()
        {
            link.ConnectProgrammer();
            port.writes.clear();
        }
    };

    static QByteArray accessBlocks() { return QByteArray::fromHex("80000025000000A5000000A5000001A4"); }

private slots:
    void connectOpensAndAnnounces()
    {
        Rig r;
        r.view.timer3 = false;
        r.link.ConnectProgrammer();
        QCOMPARE(r.linkOpen, 1);
        QCOMPARE(r.port.sent(), QList<QByteArray>{QByteArray::fromHex("5A03075E")});
        QCOMPARE(r.view.trace, QStringLiteral(" 5A 03 07 5E"));
        QCOMPARE(r.view.status, QStringLiteral("Connect: COM1 "));
        QVERIFY(r.view.timer3);
    }

    void openErrorReachesTheOperator()
    {
        Rig r;
        const QString text = QStringLiteral("Device \"COM3\" Open Error !!!\rNo such file or directory");
        r.port.openError = text;
        try {
            r.link.ConnectProgrammer();
            QFAIL("no error raised");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), text);
        }
        QCOMPARE(r.linkOpen, 0);
        QCOMPARE(r.view.status, QStringLiteral("Disconnect..."));
        QVERIFY(r.port.writes.isEmpty());
        QVERIFY(r.view.trace.isEmpty());
    }

    void disconnectAnnouncesClosesAndStopsAnimation()
    {
        Rig r;
        r.connect();
        r.link.DisconnectProgrammer();
        QCOMPARE(r.port.sent(), QList<QByteArray>{QByteArray::fromHex("5A030950")});
        QVERIFY(!r.port.isOpen);
        QCOMPARE(r.linkOpen, 0);
        QCOMPARE(r.view.status, QStringLiteral("Disconnect..."));
        QVERIFY(!r.view.timer3);
        // A second disconnect on the closed link sends nothing but still traces.
        r.link.DisconnectProgrammer();
        QCOMPARE(r.port.writes.size(), 1);
        QVERIFY(r.view.trace.endsWith(QStringLiteral(" 5A 03 09 50 5A 03 09 50")));
    }

    void selectPortChoosesTheNextOpening()
    {
        Rig r;
        r.link.SelectPort(4);
        QCOMPARE(r.port.port, 4);
        QCOMPARE(r.portNumber, 4);
        QCOMPARE(r.portCaption, QStringLiteral("COM4 "));
        QCOMPARE(r.view.calls, QStringList{QStringLiteral("registry 4")});
        r.link.OpenLink();
        QCOMPARE(r.view.status, QStringLiteral("Connect: COM4 "));
        r.link.SelectPort(5);
        QCOMPARE(r.portNumber, 4);
    }

    // A port that refuses the choice is the operator's error; the shown and
    // saved port stay as they were.
    void refusedPortChoiceChangesNothing_data()
    {
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("caption");
        QTest::newRow("closed port takes it") << false << QString() << QStringLiteral("COM3 ");
        QTest::newRow("open port refuses")
            << true << QStringLiteral("Device \"COM3\" Select Error !!!\rDevice \"COM1\" is still open.")
            << QStringLiteral("COM1 ");
    }
    void refusedPortChoiceChangesNothing()
    {
        QFETCH(bool, portOpen);
        QFETCH(QString, error);
        QFETCH(QString, caption);
        Rig r;
        if (portOpen)
            r.link.OpenLink();
        QString raised;
        try {
            r.link.SelectPort(3);
        } catch (const AppError& e) {
            raised = e.message();
        }
        QCOMPARE(raised, error);
        QCOMPARE(r.portCaption, caption);
        QCOMPARE(r.portNumber, portOpen ? 1 : 3);
        QCOMPARE(r.port.port, portOpen ? 1 : 3);
        QCOMPARE(r.view.calls.contains(QStringLiteral("registry 3")), !portOpen);
    }

    void cardWriteSendsSevenFramesWithItsPauses()
    {
        Rig r;
        r.connect();
        r.view.trace = QStringLiteral(" 99");
        r.link.WriteCard(123456, 300, 2, accessBlocks());

        const QList<QByteArray> sent = r.port.sent();
        QCOMPARE(sent.size(), 7);
        const QByteArray frameBytes = QByteArray::fromHex("FF8065C74A900CA8") + accessBlocks();
        for (int block = 1; block <= 6; ++block) {
            const QByteArray& f = sent[block - 1];
            QCOMPARE(f.size(), 14);
            QCOMPARE(f.left(3), QByteArray::fromHex("5A0D02"));
            for (int k = 0; k < 4; ++k)
                QCOMPARE(quint8(f[3 + k]), frames::BlockWriteAccess[k]);
            QCOMPARE(f.mid(7, 1), QByteArray("L"));
            QCOMPARE(f.mid(8, 4), frameBytes.mid((block - 1) * 4, 4));
            QCOMPARE(int(f[12]), block);
            char x = 0;
            for (char c : f)
                x ^= c;
            QCOMPARE(int(x), 0);
        }
        QCOMPARE(sent[6], QByteArray::fromHex("5A03065F"));

        QList<int> at;
        for (const FakePort::Write& w : r.port.writes)
            at << w.at;
        QCOMPARE(at, (QList<int>{0, 150, 300, 500, 700, 900, 1100}));
        QCOMPARE(r.clock.pauses, (QList<int>{150, 150, 200, 200, 200, 200, 200}));
        QCOMPARE(r.clock.now.count(), 1300);
        QCOMPARE(r.view.gauges, (QList<int>{10, 20, 30, 40, 50, 100, 0}));
        QCOMPARE(r.view.calls, (QStringList{QStringLiteral("clearTrace"), QStringLiteral("show"),
                                            QStringLiteral("timer1 off"), QStringLiteral("hide")}));
        // The trace starts afresh and echoes every byte of the seven frames.
        QCOMPARE(r.view.trace.size(), (6 * 14 + 4) * 3);
        QVERIFY(r.view.trace.startsWith(QStringLiteral(" 5A 0D 02 ")));
        QVERIFY(r.view.trace.contains(QStringLiteral(" 4C 00 00 01 A4 06 ")));
        QVERIFY(r.view.trace.endsWith(QStringLiteral(" 5A 03 06 5F")));
    }

    void readBackComparesTheCardWritten_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("before"); // arrived before the write, unasked
        QTest::addColumn<QByteArray>("answer"); // to the read command
        QTest::addColumn<int>("readBack");
        QTest::addColumn<bool>("waitsTheWholeExchange");
        using R = ProgrammerLink::ReadBack;
        const QByteArray written = QByteArray::fromHex("012CE24012"); // person 300, system 123456, duplicate 2
        QTest::newRow("off") << false << QByteArray() << written << int(R::Off) << false;
        QTest::newRow("verified") << true << QByteArray() << written << int(R::Verified) << false;
        QTest::newRow("an earlier card's answer still in the port")
            << true << QByteArray::fromHex("0009000101") << written << int(R::Verified) << false;
        QTest::newRow("another duplicate")
            << true << QByteArray() << QByteArray::fromHex("012CE24011") << int(R::DifferentCard) << false;
        QTest::newRow("another system code")
            << true << QByteArray() << QByteArray::fromHex("012CE24022") << int(R::DifferentCard) << false;
        QTest::newRow("no answer") << true << QByteArray() << QByteArray() << int(R::NoAnswer) << true;
        QTest::newRow("four bytes") << true << QByteArray() << written.left(4) << int(R::NoAnswer) << true;
    }
    void readBackComparesTheCardWritten()
    {
        QFETCH(bool, on);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, answer);
        QFETCH(int, readBack);
        QFETCH(bool, waitsTheWholeExchange);
        Rig r;
        r.connect();
        r.link.setReadBack(on);
        r.port.arrived = before;
        r.port.answer = [&answer](const QByteArray& frame) {
            return frame == frames::readCardFrame() ? answer : QByteArray();
        };
        QVERIFY(r.link.WriteCard(123456, 300, 2, accessBlocks()));
        QCOMPARE(int(r.link.lastReadBack()), readBack);
        // The write is as it always was; one read command follows its last pause.
        const QList<QByteArray> sent = r.port.sent();
        QCOMPARE(sent.mid(7), on ? QList<QByteArray>{frames::readCardFrame()} : QList<QByteArray>{});
        // An answer ends the wait at once; silence waits as long as Find would.
        const QList<int> after = r.clock.pauses.mid(7);
        const int waited = std::accumulate(after.begin(), after.end(), 0);
        if (waitsTheWholeExchange)
            QCOMPARE(waited, int(ProgrammerLink::ReadExchangeLength.count()));
        else
            QCOMPARE(after.size(), on ? 1 : 0);
        QCOMPARE(r.view.calls.last(), QStringLiteral("hide"));
        QVERIFY(r.link.ReceiveBuffer().isEmpty());
    }

    void configurationCardCarriesPersonZero()
    {
        Rig r;
        r.connect();
        r.link.WriteCard(123456, 0, 0, accessBlocks());
        const QList<QByteArray> sent = r.port.sent();
        QCOMPARE(sent.size(), 7);
        const auto id = cards::DecodeCardFrame(sent[0].mid(8, 4) + sent[1].mid(8, 4));
        QVERIFY(id);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(id->data()), 5), QByteArray::fromHex("0000E24010"));
    }

    void valuesThatDoNotFitWriteNothing_data()
    {
        QTest::addColumn<int>("system");
        QTest::addColumn<int>("person");
        QTest::addColumn<int>("duplicate");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("person 65536") << 1 << 65536 << 0 << accessBlocks();
        QTest::newRow("duplicate 16") << 1 << 5 << 16 << accessBlocks();
        QTest::newRow("system 2^20") << 1048576 << 5 << 0 << accessBlocks();
        QTest::newRow("config card with duplicate") << 7 << 0 << 1 << accessBlocks();
        QTest::newRow("15 data bytes") << 1 << 5 << 0 << accessBlocks().left(15);
    }
    void valuesThatDoNotFitWriteNothing()
    {
        QFETCH(int, system);
        QFETCH(int, person);
        QFETCH(int, duplicate);
        QFETCH(QByteArray, data);
        Rig r;
        r.connect();
        r.view.trace = QStringLiteral(" 5A");
        QVERIFY_THROWS_EXCEPTION(AppError, r.link.WriteCard(system, person, duplicate, data));
        QVERIFY(r.port.writes.isEmpty());
        QVERIFY(r.view.calls.isEmpty());
        QCOMPARE(r.view.trace, QStringLiteral(" 5A"));
    }

    void linkLostDuringWriteSkipsTheRestButFinishes()
    {
        Rig r;
        r.connect();
        r.clock.duringPause = [&r] {
            if (r.clock.pauses.size() == 2)
                r.port.close(); // the adapter is pulled after block 2
        };
        r.link.WriteCard(1, 5, 0, accessBlocks());
        QCOMPARE(r.port.writes.size(), 2);
        QCOMPARE(r.linkOpen, 0);
        QCOMPARE(r.clock.now.count(), 1300);
        QCOMPARE(r.view.gauges, (QList<int>{10, 20, 30, 40, 50, 100, 0}));
        QCOMPARE(r.view.trace.size(), (6 * 14 + 4) * 3);
    }

    void closedLinkTracesButSendsNothing()
    {
        Rig r;
        r.port.isOpen = true; // even a port that is open is not used while LinkOpen is 0
        r.link.SendFrame(frames::readCardFrame());
        QVERIFY(r.port.writes.isEmpty());
        QCOMPARE(r.view.trace, QStringLiteral(" 5A 03 08 51"));
    }

    void readWithClosedLinkOnlyWarns()
    {
        Rig r;
        r.link.Button2Click();
        QCOMPARE(r.view.calls, QStringList{QStringLiteral("message 71/73")});
        QVERIFY(r.view.trace.isEmpty());
        QVERIFY(r.clock.pauses.isEmpty());
    }

    void readDecodesOnlyTheAnswerToTheSecondCommand()
    {
        Rig r;
        r.connect();
        r.link.Button2Click();
        QCOMPARE(r.clock.pauses, QList<int>{250});
        QCOMPARE(r.port.sent(), QList<QByteArray>{QByteArray::fromHex("5A030851")});
        QVERIFY(r.view.timer1);
        QCOMPARE(r.link.ReadTick(), 0);

        // The answer to the first command, held back by the pause.
        r.link.rsAfterReceive(QByteArray::fromHex("0009000101"));
        r.link.Timer1Timer();
        QCOMPARE(r.view.gaugeValue, 10);
        r.link.Timer1Timer(); // tick 2: buffer emptied, command sent again
        QCOMPARE(r.view.gaugeValue, 20);
        QVERIFY(r.link.ReceiveBuffer().isEmpty());
        QCOMPARE(r.port.writes.size(), 2);
        QCOMPARE(r.port.writes[1].bytes, QByteArray::fromHex("5A030851"));

        r.link.rsAfterReceive(QByteArray::fromHex("000500"));
        r.link.rsAfterReceive(QByteArray::fromHex("0113FF"));
        r.link.Timer1Timer();
        QCOMPARE(r.cardsRead, 1);
        QCOMPARE(r.lastCard.personNumber, 5);
        QCOMPARE(r.lastCard.systemCode, 65537);
        QCOMPARE(r.lastCard.duplicateIndex, 3);
        QCOMPARE(r.view.calls,
                 (QStringList{QStringLiteral("show"), QStringLiteral("timer1 on"), QStringLiteral("timer1 off"),
                              QStringLiteral("label22 65537"), QStringLiteral("hide")}));
        QCOMPARE(r.view.gauges.mid(r.view.gauges.size() - 2), (QList<int>{100, 0}));
        QVERIFY(r.link.ReceiveBuffer().isEmpty());
    }

    void fourBytesCloseTheDialogSilently()
    {
        Rig r;
        r.connect();
        r.link.Button2Click();
        r.link.Timer1Timer();
        r.link.Timer1Timer();
        r.link.rsAfterReceive(QByteArray::fromHex("00050001"));
        r.link.Timer1Timer();
        QCOMPARE(r.cardsRead, 0);
        QVERIFY(!r.view.calls.join(u'|').contains(QStringLiteral("label22")));
        QCOMPARE(r.view.calls.last(), QStringLiteral("hide"));
        QCOMPARE(r.view.gaugeValue, 0);
        QVERIFY(!r.view.timer1);
    }

    void failingEvaluationStillClosesTheDialog()
    {
        Rig r;
        r.connect();
        r.link.setCardReadHandler([](const cards::CardIdentity&) { throw AppError(QStringLiteral("table error")); });
        r.link.Button2Click();
        r.link.Timer1Timer();
        r.link.Timer1Timer();
        r.link.rsAfterReceive(QByteArray::fromHex("0005002A03"));
        QVERIFY_THROWS_EXCEPTION(AppError, r.link.Timer1Timer());
        QCOMPARE(r.view.calls.last(), QStringLiteral("hide"));
        QCOMPARE(r.view.gaugeValue, 0);
        QVERIFY(r.link.ReceiveBuffer().isEmpty());
    }

    void receiveBufferKeepsTheFirst8192Bytes()
    {
        Rig r;
        QByteArray flood(6000, '\x00');
        flood[0] = '\x11';
        r.link.rsAfterReceive(flood);
        r.link.rsAfterReceive(QByteArray(6000, '\x22'));
        r.link.rsAfterReceive(QByteArray(10, '\x33'));
        QCOMPARE(r.link.ReceiveBuffer().size(), ProgrammerLink::ReceiveBufferLimit);
        QCOMPARE(r.link.ReceiveBuffer().left(flood.size()), flood);
        QVERIFY(!r.link.ReceiveBuffer().contains('\x33'));
    }

    void statusAnimationCycles()
    {
        Rig r;
        r.portCaption = QStringLiteral("COM2 ");
        r.linkOpen = 1;
        QStringList seen;
        for (int i = 0; i < 6; ++i) {
            r.link.Timer3Timer();
            seen << r.view.status;
        }
        QCOMPARE(seen[0], QStringLiteral("Connect: COM2   [>   oo  oo  oo  oo <]"));
        QCOMPARE(seen[4], QStringLiteral("Connect: COM2   [>   oo  oo  oo   oo<]"));
        QCOMPARE(seen[5], seen[0]);
        QCOMPARE(QSet<QString>(seen.begin(), seen.end()).size(), 5);
        for (const QString& frame : ProgrammerLink::AnimationFrames())
            QCOMPARE(frame.size(), 24);
        r.linkOpen = 0;
        r.link.Timer3Timer();
        QCOMPARE(r.view.status, QStringLiteral("Disconnect..."));
    }
};

QTEST_GUILESS_MAIN(TestProgrammerLink)
#include "tst_programmerlink.moc"
