#include "cards/CardFrame.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using namespace cards;

namespace {

Identifier identifierFrom(const QByteArray& bytes)
{
    Identifier id{};
    for (int i = 0; i < 5; ++i)
        id[i] = quint8(bytes.at(i));
    return id;
}

QByteArray bytesOf(const Identifier& id)
{
    return QByteArray(reinterpret_cast<const char*>(id.data()), int(id.size()));
}

} // namespace

class TestCardFrame : public QObject
{
    Q_OBJECT

private slots:
    void parityBit_data();
    void parityBit();
    void encodeDecode_data();
    void encodeDecode();
    void packUserCard_data();
    void packUserCard();
    void packConfigCard();
    void packRefused_data();
    void packRefused();
    void configPackRefused_data();
    void configPackRefused();
    void decodeRefused_data();
    void decodeRefused();
    void blockCheckByte_data();
    void blockCheckByte();
    void randomIdentifiers();
};

void TestCardFrame::parityBit_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("parity");
    QTest::newRow("F0 high nibble all ones") << 0xF0 << 0;
    QTest::newRow("0F low nibble all ones") << 0x0F << 0;
    QTest::newRow("70 three ones") << 0x70 << 1;
    QTest::newRow("07 three ones") << 0x07 << 1;
    QTest::newRow("00") << 0x00 << 0;
    QTest::newRow("80 one") << 0x80 << 1;
    QTest::newRow("A0 two") << 0xA0 << 0;
    QTest::newRow("0B three") << 0x0B << 1;
    // Whole bytes get true parity as well, seven ones included.
    QTest::newRow("FE seven") << 0xFE << 1;
    QTest::newRow("FF eight") << 0xFF << 0;
}

void TestCardFrame::parityBit()
{
    QFETCH(int, value);
    QFETCH(int, parity);
    QCOMPARE(int(ParityBit(quint8(value))), parity);
}

void TestCardFrame::encodeDecode_data()
{
    QTest::addColumn<QByteArray>("identifier");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("all zero") << QByteArray::fromHex("0000000000") << QByteArray::fromHex("FF80000000000000");
    QTest::newRow("all ones") << QByteArray::fromHex("FFFFFFFFFF") << QByteArray::fromHex("FFFBDEF7BDEF7BC0");
    QTest::newRow("person 300 system 123456 duplicate 2")
        << QByteArray::fromHex("012CE24012") << QByteArray::fromHex("FF8065C74A900CA8");
    QTest::newRow("12 34 56 78 9A") << QByteArray::fromHex("123456789A") << QByteArray::fromHex("FF8CA64A98F8CA96");
}

void TestCardFrame::encodeDecode()
{
    QFETCH(QByteArray, identifier);
    QFETCH(QByteArray, frame);
    const Identifier id = identifierFrom(identifier);
    QCOMPARE(EncodeCardFrame(id), frame);
    const auto decoded = DecodeCardFrame(frame);
    QVERIFY(decoded.has_value());
    QCOMPARE(bytesOf(*decoded), identifier);
}

void TestCardFrame::packUserCard_data()
{
    QTest::addColumn<int>("systemCode");
    QTest::addColumn<int>("person");
    QTest::addColumn<int>("duplicate");
    QTest::addColumn<QByteArray>("identifier");
    QTest::newRow("worked example") << 123456 << 300 << 2 << QByteArray::fromHex("012CE24012");
    QTest::newRow("lowest values") << 1 << 1 << 0 << QByteArray::fromHex("0001000100");
    QTest::newRow("highest values") << 1048575 << 65535 << 15 << QByteArray::fromHex("FFFFFFFFFF");
    QTest::newRow("system 1000000") << 1000000 << 258 << 1 << QByteArray::fromHex("01024240F1");
}

void TestCardFrame::packUserCard()
{
    QFETCH(int, systemCode);
    QFETCH(int, person);
    QFETCH(int, duplicate);
    QFETCH(QByteArray, identifier);
    Identifier id{};
    QString error;
    QVERIFY2(packIdentifier(systemCode, person, duplicate, &id, &error), qPrintable(error));
    QCOMPARE(bytesOf(id), identifier);
    const CardIdentity back = unpackIdentifier(id);
    QCOMPARE(back.personNumber, person);
    QCOMPARE(back.systemCode, systemCode);
    QCOMPARE(back.duplicateIndex, duplicate);
}

void TestCardFrame::packConfigCard()
{
    Identifier id{};
    QString error;
    QVERIFY2(packConfigIdentifier(123456, &id, &error), qPrintable(error));
    QCOMPARE(bytesOf(id), QByteArray::fromHex("0000E24010"));
}

void TestCardFrame::packRefused_data()
{
    QTest::addColumn<int>("systemCode");
    QTest::addColumn<int>("person");
    QTest::addColumn<int>("duplicate");
    QTest::addColumn<QString>("error");
    QTest::newRow("person 0 on a user card") << 123456 << 0 << 0 << "Person number 0 is outside 1..65535";
    QTest::newRow("person 65536") << 123456 << 65536 << 0 << "Person number 65536 is outside 1..65535";
    QTest::newRow("person 70000") << 123456 << 70000 << 0 << "Person number 70000 is outside 1..65535";
    QTest::newRow("person negative") << 123456 << -1 << 0 << "Person number -1 is outside 1..65535";
    QTest::newRow("system 0") << 0 << 5 << 0 << "System code 0 is outside 1..1048575";
    QTest::newRow("system 1048576") << 1048576 << 5 << 0 << "System code 1048576 is outside 1..1048575";
    QTest::newRow("duplicate 16") << 123456 << 5 << 16 << "Duplicate index 16 is outside 0..15";
    QTest::newRow("duplicate negative") << 123456 << 5 << -1 << "Duplicate index -1 is outside 0..15";
}

void TestCardFrame::packRefused()
{
    QFETCH(int, systemCode);
    QFETCH(int, person);
    QFETCH(int, duplicate);
    QFETCH(QString, error);
    const Identifier untouched{0xAB, 0xAB, 0xAB, 0xAB, 0xAB};
    Identifier id = untouched;
    QString message;
    QVERIFY(!packIdentifier(systemCode, person, duplicate, &id, &message));
    QCOMPARE(message, error);
    QCOMPARE(id, untouched);
}

void TestCardFrame::configPackRefused_data()
{
    QTest::addColumn<int>("readerCode");
    QTest::newRow("0") << 0;
    QTest::newRow("1048576") << 1048576;
    QTest::newRow("negative") << -5;
}

void TestCardFrame::configPackRefused()
{
    QFETCH(int, readerCode);
    Identifier id{};
    QString error;
    QVERIFY(!packConfigIdentifier(readerCode, &id, &error));
    QVERIFY2(error.contains(QString::number(readerCode)), qPrintable(error));
}

void TestCardFrame::decodeRefused_data()
{
    QTest::addColumn<QByteArray>("frame");
    // Each row is a valid frame (01 2C E2 40 12 -> FF 80 65 C7 4A 90 0C A8) with one fault.
    QTest::newRow("seven bytes") << QByteArray::fromHex("FF8065C74A900C");
    QTest::newRow("nine bytes") << QByteArray::fromHex("FF8065C74A900CA800");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("header, F0 bit 0 clear") << QByteArray::fromHex("FE8065C74A900CA8");
    QTest::newRow("header, ninth one missing") << QByteArray::fromHex("FF0065C74A900CA8");
    QTest::newRow("stop bit set") << QByteArray::fromHex("FF8065C74A900CA9");
    QTest::newRow("row parity of r2") << QByteArray::fromHex("FF8064C74A900CA8");
    QTest::newRow("data bit of r2, row parity then wrong") << QByteArray::fromHex("FF8075C74A900CA8");
    QTest::newRow("column parity c3") << QByteArray::fromHex("FF8065C74A900CB8");
    QTest::newRow("two data bits in one row, caught by columns") << QByteArray::fromHex("FF807DC74A900CA8");
}

void TestCardFrame::decodeRefused()
{
    QFETCH(QByteArray, frame);
    QVERIFY(!DecodeCardFrame(frame).has_value());
}

void TestCardFrame::blockCheckByte_data()
{
    QTest::addColumn<int>("b0");
    QTest::addColumn<int>("b1");
    QTest::addColumn<int>("b2");
    QTest::addColumn<int>("check");
    QTest::newRow("zeros end in A5") << 0x00 << 0x00 << 0x00 << 0xA5;
    QTest::newRow("reader 1 bit") << 0x80 << 0x00 << 0x00 << 0x25;
    QTest::newRow("readers 9 and 17") << 0x00 << 0x80 << 0x80 << 0xA5;
    QTest::newRow("system block") << 0xE2 << 0x40 << 0x10 << 0x17;
    QTest::newRow("all ones") << 0xFF << 0xFF << 0xFF << 0x5A;
}

void TestCardFrame::blockCheckByte()
{
    QFETCH(int, b0);
    QFETCH(int, b1);
    QFETCH(int, b2);
    QFETCH(int, check);
    QCOMPARE(int(BlockCheckByte(quint8(b0), quint8(b1), quint8(b2))), check);
}

// Any identifier survives the frame, and no single flipped bit of a frame gets
// past the decoder: a reader must never take a damaged frame for another card.
void TestCardFrame::randomIdentifiers()
{
    constexpr int Count = 100000;
    QRandomGenerator random(20261208);
    QElapsedTimer clock;
    clock.start();
    int refusedFlips = 0;
    for (int i = 0; i < Count; ++i) {
        const int person = random.bounded(MinPersonNumber, MaxPersonNumber + 1);
        const int system = random.bounded(MinSystemCode, MaxSystemCode + 1);
        const int duplicate = random.bounded(0, MaxDuplicateIndex + 1);
        Identifier id{};
        QString error;
        QVERIFY2(packIdentifier(system, person, duplicate, &id, &error), qPrintable(error));

        const QByteArray frame = EncodeCardFrame(id);
        QCOMPARE(frame.size(), CardFrameSize);
        QCOMPARE(quint8(frame[0]), quint8(0xFF));
        QVERIFY(quint8(frame[1]) & 0x80);
        QVERIFY(!(quint8(frame[7]) & 0x01));

        const auto decoded = DecodeCardFrame(frame);
        QVERIFY(decoded.has_value());
        const CardIdentity back = unpackIdentifier(*decoded);
        if (back.personNumber != person || back.systemCode != system || back.duplicateIndex != duplicate)
            QFAIL(qPrintable(QStringLiteral("round trip lost %1/%2/%3").arg(person).arg(system).arg(duplicate)));

        for (int bit = 0; bit < 64; ++bit) {
            QByteArray damaged = frame;
            damaged[bit / 8] = char(quint8(damaged[bit / 8]) ^ (0x80 >> (bit % 8)));
            if (DecodeCardFrame(damaged).has_value())
                QFAIL(qPrintable(QStringLiteral("flip of bit %1 accepted in %2").arg(bit).arg(QString(frame.toHex()))));
            ++refusedFlips;
        }
    }
    QCOMPARE(refusedFlips, Count * 64);
    qInfo("%d identifiers, %d flipped frames checked in %lld ms", Count, refusedFlips, clock.elapsed());
}

QTEST_GUILESS_MAIN(TestCardFrame)
#include "tst_cardframe.moc"
