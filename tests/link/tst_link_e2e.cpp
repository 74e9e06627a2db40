#include "TestFiles.h"
#include "link/LinkFakes.h"
#include "serial/FileModes.h"
#include "serial/PtyPeer.h"

#include "config/AppError.h"
#include "link/ProgrammerLink.h"
#include "serial/TSerialComm.h"
#include "sim/SimPorts.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>

// The link and the serial component in real time against a pseudo-terminal
// standing in for the programmer: bytes and their order only. The pauses are
// tested with an injected clock in test_programmer_link; the gaps the device
// sees are measured by bench/run-link.
class TestLinkEndToEnd : public QObject
{
    Q_OBJECT

    struct Rig
    {
        int linkOpen = 0;
        int portNumber = 1;
        QString portCaption = QStringLiteral("COM1 ");
        PtyPeer peer;
        TSerialComm rs;
        RecordingView view;
        QTimer timer1;
        ProgrammerLink link{LinkState{linkOpen, portNumber, portCaption}, rs, view};
        int closes = 0;
        QList<QByteArray> batches;
        QList<cards::CardIdentity> cardsRead;

        Rig()
        {
            rs.setPortDevice(1, peer.devicePath());
            timer1.setInterval(100);
            QObject::connect(&timer1, &QTimer::timeout, &timer1, [this] { link.Timer1Timer(); });
            view.onTimer1 = [this](bool on) { on ? timer1.start() : timer1.stop(); };
            link.setCardReadHandler([this](const cards::CardIdentity& c) { cardsRead << c; });
            // Watch the component's notifications on their way to the link.
            auto close = rs.OnClose;
            rs.OnClose = [this, close](CommPort* s) {
                ++closes;
                close(s);
            };
            auto receive = rs.OnAfterReceive;
            rs.OnAfterReceive = [this, receive](CommPort* s, const QByteArray& b) {
                batches << b;
                receive(s, b);
            };
        }
    };

    // Program (with its read-back) and Find, then disconnect, on the device
    // given for COM1: every frame the programmer took and what it made of it,
    // and the card Find read.
    static QStringList programAndFind(const QString& device, SimPorts* ports)
    {
        Rig r;
        if (ports)
            r.rs.setDeviceMaker([ports](const QString& d) { return ports->makeDevice(d); });
        r.rs.setPortDevice(1, device);
        r.link.setReadBack(true);
        r.link.ConnectProgrammer();
        r.link.WriteCard(123456, 300, 2, QByteArray::fromHex("80000025000000A5000000A5000001A4"));
        r.link.Button2Click();
        const bool found = QTest::qWaitFor([&r] { return !r.cardsRead.isEmpty(); }, 3000);
        r.link.DisconnectProgrammer();
        return {QStringLiteral("read back %1, found %2")
                    .arg(int(r.link.lastReadBack()))
                    .arg(found ? r.cardsRead[0].personNumber : -1)};
    }

private slots:
    void simulatedProgrammerAnswersAsTheSimulator_data()
    {
        QTest::addColumn<bool>("onPort");
        QTest::newRow("its own pseudo-terminal") << false;
        QTest::newRow("a port joined to the program's") << true;
    }

    void simulatedProgrammerAnswersAsTheSimulator()
    {
        QFETCH(bool, onPort);
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("programmer.log"));
        // With onPort, the simulator serves one of two joined ports, the link opens the other.
        QProcess relay;
        QStringList joined;
        if (onPort) {
            relay.start(QStringLiteral(SERIAL_RELAY));
            while (joined.size() < 2 && (relay.canReadLine() || relay.waitForReadyRead(5000)))
                joined << QString::fromLocal8Bit(relay.readLine()).trimmed();
            QCOMPARE(joined.size(), 2);
        }
        QProcess tool;
        QStringList arguments{QStringLiteral("--log"), logPath};
        if (onPort)
            arguments << QStringLiteral("--port") << joined[0];
        tool.start(QStringLiteral(PROGRAMMER_SIM), arguments);
        QVERIFY(tool.waitForReadyRead(5000));
        const QString served = QString::fromLocal8Bit(tool.readLine()).trimmed();
        QStringList onTerminal = programAndFind(onPort ? joined[1] : served, nullptr);
        QTRY_VERIFY(readFile(logPath).endsWith("disconnect\n"));
        tool.terminate();
        QVERIFY(tool.waitForFinished(3000));
        QCOMPARE(tool.exitCode(), 0);
        relay.kill();
        relay.waitForFinished();
        // The log's lines without their arrival times.
        for (const QString& line : QString::fromLatin1(readFile(logPath)).split(u'\n', Qt::SkipEmptyParts))
            onTerminal << line.section(QStringLiteral("  "), 1);

        SimPorts ports;
        QStringList inside;
        ports.programmer(QStringLiteral("sim:"))->onEvent = [&inside](const SimDevice::Event& e) {
            inside << QString::fromLatin1(e.bytes.toHex(' ').toUpper()) + QStringLiteral("  ") + e.verdict;
        };
        inside.prepend(programAndFind(QStringLiteral("sim:"), &ports).value(0));
        QCOMPARE(inside, onTerminal);
        QVERIFY2(inside[0].endsWith(QStringLiteral("found 300")), qPrintable(inside[0]));
        QVERIFY(inside.join(u'\n').contains(QStringLiteral("card written: person 300, system 123456, duplicate 2")));
    }

    void connectAndDisconnectFramesReachTheDevice()
    {
        // The disconnect frame is followed at once by the close; it must not
        // be thrown out of the queue on the way.
        Rig r;
        QVERIFY(r.peer.ok());
        r.link.ConnectProgrammer();
        QCOMPARE(r.linkOpen, 1);
        r.link.DisconnectProgrammer();
        QCOMPARE(r.linkOpen, 0);
        QTRY_COMPARE(r.peer.frames(),
                     (QList<QByteArray>{QByteArray::fromHex("5A03075E"), QByteArray::fromHex("5A030950")}));
    }

    void cardWriteFramesArriveInOrder()
    {
        Rig r;
        r.link.ConnectProgrammer();
        r.link.WriteCard(123456, 300, 2, QByteArray::fromHex("80000025000000A5000000A5000001A4"));
        QTRY_COMPARE(r.peer.arrivals().size(), 8);
        const QList<PtyPeer::Arrival> a = r.peer.arrivals().mid(1);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(int(a[i].frame[12]), i + 1);
        QCOMPARE(a[6].frame, QByteArray::fromHex("5A03065F"));
    }

    void readCollectsAReplyInTwoBatches()
    {
        Rig r;
        int reads = 0;
        r.peer.onFrame = [&reads](PtyPeer& peer, const QByteArray& frame) {
            if (frame != QByteArray::fromHex("5A030851"))
                return;
            if (++reads == 1) {
                peer.send(QByteArray::fromHex("0009000101")); // answer to the first command: discarded
                return;
            }
            peer.send(QByteArray::fromHex("000500"));
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            peer.send(QByteArray::fromHex("0113"));
        };
        r.link.ConnectProgrammer();
        r.link.Button2Click();
        QTRY_COMPARE_WITH_TIMEOUT(r.cardsRead.size(), 1, 2000);
        QCOMPARE(r.cardsRead[0].personNumber, 5);
        QCOMPARE(r.cardsRead[0].systemCode, 65537);
        QCOMPARE(r.cardsRead[0].duplicateIndex, 3);
        QCOMPARE(r.batches.mid(r.batches.size() - 2),
                 (QList<QByteArray>{QByteArray::fromHex("000500"), QByteArray::fromHex("0113")}));
        QCOMPARE(r.view.calls.last(), QStringLiteral("hide"));
        QCOMPARE(r.peer.failedSends(), 0);
    }

    // What the operator reads when Connect fails: the system's reason, and
    // for a device this account may not open, in the chosen language, what
    // to do about it.
    void openErrorTellsWhatToDo_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("reason");
        QTest::newRow("missing device") << "missing" << "English" << ENOENT;
        QTest::newRow("no permission, English") << "mode 000" << "English" << EACCES;
        QTest::newRow("no permission, Polish") << "mode 000" << "Polski" << EACCES;
    }
    void openErrorTellsWhatToDo()
    {
        QFETCH(QString, device);
        QFETCH(QString, language);
        QFETCH(int, reason);
        Rig r;
        r.view.language = language;
        const QString path = device == "missing" ? QStringLiteral("/nonexistent/ttyPellaro") : r.peer.devicePath();
        r.rs.setPortDevice(3, path);
        r.link.SelectPort(3);
        if (device == "mode 000")
            QVERIFY(QFile::setPermissions(path, {}));
        // The device and the key that sets it follow the system's reason.
        QString advice = u'\n' + (*i18n::findLanguageTable(language))[Text::PortDeviceSet].arg(path, "COM3");
        if (reason == EACCES) {
            advice += QStringLiteral("\n\n") +
                     (*i18n::findLanguageTable(language))[Text::PortPermission].arg(
                         path, QFileInfo(path).owner(), QStringLiteral("share/doc/pellaro/70-pellaro-programmer.rules"));
        }
        FileModesApply modes;
        QVERIFY(modes.ok());
        try {
            r.link.ConnectProgrammer();
            QFAIL("no error raised");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("Device \"COM3\" Open Error !!!\r") +
                                      QString::fromLocal8Bit(std::strerror(reason)) + advice);
            QCOMPARE(e.message().contains(QStringLiteral("adduser")), reason == EACCES);
        }
        QCOMPARE(r.linkOpen, 0);
        QCOMPARE(r.view.status, QStringLiteral("Disconnect..."));
        QCOMPARE(r.closes, 0);
    }

    void vanishedDeviceDropsTheLinkSilently()
    {
        Rig r;
        r.link.ConnectProgrammer();
        QCOMPARE(r.linkOpen, 1);
        r.peer.closeMaster();
        QTRY_COMPARE(r.linkOpen, 0);
        QCOMPARE(r.closes, 1);
        QVERIFY(!r.view.calls.join(u'|').contains(QStringLiteral("message")));
        // Closing the closed port again does not notify a second time.
        r.link.CloseLink();
        r.link.DisconnectProgrammer();
        QCOMPARE(r.closes, 1);
        QCOMPARE(r.view.status, QStringLiteral("Disconnect..."));
    }
};

QTEST_GUILESS_MAIN(TestLinkEndToEnd)
#include "tst_link_e2e.moc"
