#include "serial/FileModes.h"
#include "serial/PtyPeer.h"
#include "serial/TSerialComm.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cerrno>
#include <cstring>

// The serial component over a pseudo-terminal: the open errors, the close
// rules with the drain before a close, sending, and a write to a device that
// has gone. Received batches and a device vanishing while idle are covered end
// to end in test_link_e2e.
class TestSerialComm : public QObject
{
    Q_OBJECT

private:
    static void countCloses(TSerialComm& rs, int& closes)
    {
        rs.OnClose = [&closes](CommPort*) { ++closes; };
    }

private slots:
    // The device is missing, held by another program, or there but not this
    // account's to open (mode 000, which root meets too under FileModesApply):
    // only the last is named as a refusal the operator can mend.
    void openErrorCarriesTheSystemsReason_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("reason");
        QTest::newRow("missing device") << "missing" << ENOENT;
        QTest::newRow("port held by another program") << "busy" << EBUSY;
        QTest::newRow("no permission") << "mode 000" << EACCES;
    }
    void openErrorCarriesTheSystemsReason()
    {
        QFETCH(QString, device);
        QFETCH(int, reason);
        PtyPeer peer;
        QVERIFY(peer.ok());
        TSerialComm first;
        TSerialComm second;
        first.setPortDevice(1, peer.devicePath());
        second.setPortDevice(2, device == "missing" ? QStringLiteral("/nonexistent/ttyPellaro") : peer.devicePath());
        QVERIFY(second.setComPort(2));
        QString error;
        if (device == "busy")
            QVERIFY2(first.open(&error), qPrintable(error));
        if (device == "mode 000")
            QVERIFY(QFile::setPermissions(peer.devicePath(), {}));
        FileModesApply modes;
        QVERIFY(modes.ok());
        QVERIFY(!second.open(&error));
        QCOMPARE(error,
                 QStringLiteral("Device \"COM2\" Open Error !!!\r") + QString::fromLocal8Bit(std::strerror(reason)));
        QVERIFY(!second.active());
        QCOMPARE(first.active(), device == "busy");
        const std::optional<CommPort::PermissionRefusal> refusal = second.permissionRefusal();
        QCOMPARE(refusal.has_value(), reason == EACCES);
        if (refusal) {
            QCOMPARE(refusal->device, peer.devicePath());
            // The terminal belongs to the account the test runs under.
            QCOMPARE(refusal->account, QFileInfo(peer.devicePath()).owner());
            // A later open that succeeds clears it.
            QVERIFY(QFile::setPermissions(peer.devicePath(), QFile::ReadOwner | QFile::WriteOwner));
            QVERIFY2(second.open(&error), qPrintable(error));
            QVERIFY(!second.permissionRefusal());
        }
    }

    // A frame written just before a close (the disconnect frame) reaches the
    // device: the close drains first and discards only what a device that
    // stopped taking bytes has left unsent.
    void closeDrainsWhatWasSentFirst_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("deviceStopped");
        QTest::addColumn<QStringList>("expectedSteps");
        QTest::addColumn<QList<QByteArray>>("arrived");
        const QByteArray disconnect = QByteArray::fromHex("5A030950");
        QTest::newRow("frame then close") << disconnect << false << QStringList{"drained 0", "drained 0", "released 0"}
                                          << QList<QByteArray>{disconnect};
        QTest::newRow("close with nothing sent")
            << QByteArray() << false << QStringList{"drained 0", "released 0"} << QList<QByteArray>{};
        QTest::newRow("device stopped taking bytes")
            << disconnect << true << QStringList{"drained 4", "drained 4", "discarded 4", "released 0"}
            << QList<QByteArray>{};
    }
    void closeDrainsWhatWasSentFirst()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, deviceStopped);
        QFETCH(QStringList, expectedSteps);
        QFETCH(QList<QByteArray>, arrived);
        PtyPeer peer;
        QVERIFY(peer.ok());
        TSerialComm rs;
        rs.setPortDevice(1, peer.devicePath());
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        QStringList seen;
        rs.setOutputWatch([&seen](TSerialComm::OutputStep step, qint64 bytes) {
            static const char* const names[] = {"drained", "discarded", "released"};
            seen << QStringLiteral("%1 %2").arg(QLatin1String(names[int(step)])).arg(bytes);
        });
        QVERIFY(peer.stopTaking(deviceStopped));
        rs.writeString(frame);
        rs.close();
        QCOMPARE(seen, expectedSteps);
        QVERIFY(peer.stopTaking(false));
        QTRY_COMPARE(peer.frames(), arrived);
        QTest::qWait(50); // nothing discarded turns up late
        QCOMPARE(peer.frames(), arrived);
    }

    void closeCallsOnCloseOnlyForAnOpenPort()
    {
        PtyPeer peer;
        TSerialComm rs;
        int closes = 0;
        countCloses(rs, closes);
        rs.setPortDevice(1, peer.devicePath());
        rs.close();
        QCOMPARE(closes, 0);
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        QVERIFY(!rs.setComPort(2)); // not while open
        QCOMPARE(rs.comPort(), 1);
        QVERIFY(rs.open(&error)); // reopening closes the first opening
        QCOMPARE(closes, 1);
        rs.close();
        rs.close();
        QCOMPARE(closes, 2);
        QVERIFY(!rs.active());
    }

    void writesOnlyWhileOpenAndNonEmpty()
    {
        PtyPeer peer;
        TSerialComm rs;
        rs.setPortDevice(1, peer.devicePath());
        rs.writeString(frames::connectFrame()); // closed: nothing
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        rs.writeString(QByteArray());
        rs.writeString(frames::connectFrame());
        QTRY_COMPARE(peer.frames(), QList<QByteArray>{QByteArray::fromHex("5A03075E")});
        rs.close();
        rs.writeString(frames::disconnectFrame());
        QTest::qWait(50);
        QCOMPARE(peer.frames().size(), 1);
    }

    void writeToAVanishedDeviceClosesAtOnce()
    {
        // During a card write the event loop does not run; the failed write
        // itself must close the port so the rest of the card is not sent.
        PtyPeer peer;
        TSerialComm rs;
        int closes = 0;
        countCloses(rs, closes);
        rs.setPortDevice(1, peer.devicePath());
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        peer.closeMaster();
        rs.writeString(frames::writeEndFrame());
        QVERIFY(!rs.active());
        QCOMPARE(closes, 1);
        QTest::qWait(50);
        QCOMPARE(closes, 1);
    }

    void destructionClosesAnOpenPort()
    {
        PtyPeer peer;
        int closes = 0;
        {
            TSerialComm rs;
            rs.OnClose = [&closes](CommPort*) { ++closes; };
            rs.setPortDevice(1, peer.devicePath());
            QString error;
            QVERIFY2(rs.open(&error), qPrintable(error));
        }
        QCOMPARE(closes, 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialComm)
#include "tst_serialcomm.moc"
