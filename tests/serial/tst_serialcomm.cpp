#include "serial/PtyPeer.h"
#include "serial/TSerialComm.h"

#include <QTest>

// The serial component over a pseudo-terminal: a busy port, the close rules,
// sending, and a write to a device that has gone. The open error, received
// batches and a device vanishing while idle are covered end to end in
// test_link_e2e.
class TestSerialComm : public QObject
{
    Q_OBJECT

private:
    static void countCloses(TSerialComm& rs, int& closes)
    {
        rs.OnClose = [&closes](CommPort*) { ++closes; };
    }

private slots:
    void secondOpenOfABusyPortFails()
    {
        PtyPeer peer;
        QVERIFY(peer.ok());
        TSerialComm first;
        TSerialComm second;
        first.setPortDevice(1, peer.devicePath());
        second.setPortDevice(2, peer.devicePath());
        QVERIFY(second.setComPort(2));
        QString error;
        QVERIFY2(first.open(&error), qPrintable(error));
        QVERIFY(!second.open(&error));
        QVERIFY2(error.startsWith(QStringLiteral("Device \"COM2\" Open Error !!!\r")), qPrintable(error));
        QVERIFY(error.size() > QStringLiteral("Device \"COM2\" Open Error !!!\r").size());
        QVERIFY(!second.active());
        QVERIFY(first.active());
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
