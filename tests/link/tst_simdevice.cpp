// The programmer simulator's verdict on a card written to it: every block
// that carries a check byte is checked, and a configuration card's block 6,
// which carries none, is not called wrong.

#include "SimDevice.h"
#include "cards/CardFrame.h"
#include "cards/ConfigCard.h"
#include "cards/UserCard.h"
#include "link/Frames.h"

#include <QTest>

namespace {

QByteArray withByte(QByteArray data, int at, char value)
{
    data[at] = value;
    return data;
}

} // namespace

class TestSimDevice : public QObject
{
    Q_OBJECT

private slots:
    void checkBytes_data()
    {
        QTest::addColumn<int>("person"); // 0: a configuration card
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("checks");
        QByteArray config;
        QString error;
        QVERIFY(cards::configCardData({123456, 25, 2, false, false, false}, &config, &error));
        cards::AccessFlags doors;
        doors.set(0).set(95);
        QTest::newRow("configuration card") << 0 << config << "ok ok ok none";
        QTest::newRow("configuration card, block 5 damaged") << 0 << withByte(config, 8, 0x03) << "ok ok WRONG none";
        QTest::newRow("configuration card, block 6 not empty") << 0 << withByte(config, 12, 0x01) << "ok ok ok WRONG";
        QTest::newRow("user card") << 300 << cards::userCardData(doors) << "ok ok ok ok";
        QTest::newRow("user card, block 6 damaged")
            << 300 << withByte(cards::userCardData(doors), 15, 0) << "ok ok ok WRONG";
    }
    void checkBytes()
    {
        QFETCH(int, person);
        QFETCH(QByteArray, data);
        QFETCH(QString, checks);
        cards::Identifier id{};
        QString error;
        QVERIFY(person == 0 ? cards::packConfigIdentifier(123456, &id, &error)
                            : cards::packIdentifier(123456, person, 0, &id, &error));
        SimDevice device;
        QStringList notes;
        for (const QByteArray& frame : frames::cardWriteFrames(cards::EncodeCardFrame(id), data))
            for (const SimDevice::Event& event : device.receive(frame))
                notes << event.notes;
        QVERIFY2(notes.filter(QStringLiteral("(check bytes %1)").arg(checks)).size() == 1,
                 qPrintable(notes.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_simdevice.moc"
