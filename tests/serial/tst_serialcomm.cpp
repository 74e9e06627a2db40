#include "serial/PtyPeer.h"
#include "serial/TSerialComm.h"

#include <QTest>

#include <cerrno>
#include <cstring>

// The serial component over a pseudo-terminal: opening, the open error,
// sending, received batches, closing and a device that disappears.
class TestSerialComm : public QObject
{
    Q_OBJECT

private:
    struct Watched
    {
        int closes = 0;
        QList<QByteArray> batches;
    };
    static void watch(TSerialComm& rs, Watched& w)
    {
        rs.OnClose = [&w](CommPort*) { ++w.closes; };
        rs.OnAfterReceive = [&w](CommPort*, const QByteArray& b) { w.batches.append(b); };
    }

private slots:
    void openErrorNamesPortAndReason()
    {
        TSerialComm rs;
        Watched w;
        watch(rs, w);
        rs.setPortDevice(3, QStringLiteral("/nonexistent/ttyPellaro"));
        QVERIFY(rs.setComPort(3));
        QString error;
        QVERIFY(!rs.open(&error));
        QCOMPARE(error,
                 QStringLiteral("Device \"COM3\" Open Error !!!\r") + QString::fromLocal8Bit(std::strerror(ENOENT)));
        QVERIFY(!rs.active());
        QCOMPARE(w.closes, 0);
    }

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
        Watched w;
        watch(rs, w);
        rs.setPortDevice(1, peer.devicePath());
        rs.close();
        QCOMPARE(w.closes, 0);
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        QVERIFY(!rs.setComPort(2)); // not while open
        QCOMPARE(rs.comPort(), 1);
        QVERIFY(rs.open(&error)); // reopening closes the first opening
        QCOMPARE(w.closes, 1);
        rs.close();
        rs.close();
        QCOMPARE(w.closes, 2);
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

    void batchesArriveInOrderWithZeroBytes()
    {
        PtyPeer peer;
        TSerialComm rs;
        Watched w;
        watch(rs, w);
        rs.setPortDevice(1, peer.devicePath());
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        peer.send(QByteArray::fromHex("000500"));
        QTRY_COMPARE(w.batches.size(), 1);
        peer.send(QByteArray::fromHex("0113"));
        QTRY_COMPARE(w.batches.size(), 2);
        QCOMPARE(w.batches[0], QByteArray::fromHex("000500"));
        QCOMPARE(w.batches[1], QByteArray::fromHex("0113"));
    }

    void vanishedDeviceClosesOnce()
    {
        PtyPeer peer;
        TSerialComm rs;
        Watched w;
        watch(rs, w);
        rs.setPortDevice(1, peer.devicePath());
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        peer.closeMaster();
        QTRY_VERIFY(!rs.active());
        QTest::qWait(2 * int(TSerialComm::DeviceCheckInterval.count()));
        QCOMPARE(w.closes, 1);
        rs.close();
        rs.writeString(frames::connectFrame());
        QCOMPARE(w.closes, 1);
    }

    void writeToAVanishedDeviceClosesAtOnce()
    {
        // During a card write the event loop does not run; the failed write
        // itself must close the port so the rest of the card is not sent.
        PtyPeer peer;
        TSerialComm rs;
        Watched w;
        watch(rs, w);
        rs.setPortDevice(1, peer.devicePath());
        QString error;
        QVERIFY2(rs.open(&error), qPrintable(error));
        peer.closeMaster();
        rs.writeString(frames::writeEndFrame());
        QVERIFY(!rs.active());
        QCOMPARE(w.closes, 1);
        QTest::qWait(50);
        QCOMPARE(w.closes, 1);
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
