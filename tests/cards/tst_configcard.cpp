#include "cards/ConfigCard.h"
#include "cards/UserCard.h"

#include <QTest>

using namespace cards;

namespace {

ConfigCardParams params(int systemNumber, int reader, int time, bool prox = false, bool emulacja = false,
                        bool reset = false)
{
    ConfigCardParams p;
    p.systemNumber = systemNumber;
    p.readerNumber = reader;
    p.relayTime = time;
    p.prox = prox;
    p.emulacja = emulacja;
    p.resetMemory = reset;
    return p;
}

} // namespace

class TestConfigCard : public QObject
{
    Q_OBJECT

private slots:
    void readerBlock_data();
    void readerBlock();
    void workedExample();
    void optionBlock_data();
    void optionBlock();
    void refused_data();
    void refused();
    void readerBitMatchesUserCard();
};

void TestConfigCard::readerBlock_data()
{
    QTest::addColumn<int>("reader");
    QTest::addColumn<QByteArray>("block4");
    QTest::newRow("reader 1") << 1 << QByteArray::fromHex("03018027");
    QTest::newRow("reader 8") << 8 << QByteArray::fromHex("030101A6");
    QTest::newRow("reader 9") << 9 << QByteArray::fromHex("03028024");
    QTest::newRow("reader 24") << 24 << QByteArray::fromHex("030301A4");
    QTest::newRow("reader 25") << 25 << QByteArray::fromHex("04018020");
    QTest::newRow("reader 48") << 48 << QByteArray::fromHex("040301A3");
    QTest::newRow("reader 49") << 49 << QByteArray::fromHex("05018021");
    QTest::newRow("reader 73") << 73 << QByteArray::fromHex("06018022");
    QTest::newRow("reader 96") << 96 << QByteArray::fromHex("060301A1");
}

void TestConfigCard::readerBlock()
{
    QFETCH(int, reader);
    QFETCH(QByteArray, block4);
    QByteArray data;
    QString error;
    QVERIFY2(configCardData(params(123456, reader, 2), &data, &error), qPrintable(error));
    QCOMPARE(data.size(), CardDataSize);
    QCOMPARE(data.mid(4, 4).toHex(' '), block4.toHex(' '));
    QCOMPARE(data.mid(12, 4), QByteArray(4, '\0'));
}

void TestConfigCard::workedExample()
{
    QByteArray data;
    QString error;
    QVERIFY2(configCardData(params(123456, 1, 2), &data, &error), qPrintable(error));
    QCOMPARE(data.toHex(' '), QByteArray("e2 40 10 17 03 01 80 27 02 00 00 a7 00 00 00 00"));
}

void TestConfigCard::optionBlock_data()
{
    QTest::addColumn<int>("time");
    QTest::addColumn<bool>("prox");
    QTest::addColumn<bool>("emulacja");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QByteArray>("block5");
    QTest::newRow("time 5, all options") << 5 << true << true << true << QByteArray::fromHex("050700A7");
    QTest::newRow("PROX only") << 2 << true << false << false << QByteArray::fromHex("020100A6");
    QTest::newRow("EMULACJA only") << 2 << false << true << false << QByteArray::fromHex("020200A5");
    QTest::newRow("reset memory only") << 2 << false << false << true << QByteArray::fromHex("020400A3");
    QTest::newRow("time 1") << 1 << false << false << false << QByteArray::fromHex("010000A4");
    QTest::newRow("time 255") << 255 << false << false << false << QByteArray::fromHex("FF00005A");
}

void TestConfigCard::optionBlock()
{
    QFETCH(int, time);
    QFETCH(bool, prox);
    QFETCH(bool, emulacja);
    QFETCH(bool, reset);
    QFETCH(QByteArray, block5);
    QByteArray data;
    QString error;
    QVERIFY2(configCardData(params(123456, 1, time, prox, emulacja, reset), &data, &error), qPrintable(error));
    QCOMPARE(data.mid(8, 4).toHex(' '), block5.toHex(' '));
}

void TestConfigCard::refused_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("reader");
    QTest::addColumn<int>("time");
    QTest::addColumn<QString>("error");
    QTest::newRow("reader 0") << 123456 << 0 << 2 << "Reader number 0 is outside 1..96";
    QTest::newRow("reader 97") << 123456 << 97 << 2 << "Reader number 97 is outside 1..96";
    QTest::newRow("relay 256") << 123456 << 1 << 256 << "Relay time 256 is outside 1..255";
    QTest::newRow("relay 0") << 123456 << 1 << 0 << "Relay time 0 is outside 1..255";
    QTest::newRow("system 0") << 0 << 1 << 2 << "System number 0 is outside 1..1048575";
    QTest::newRow("system 1048576") << 1048576 << 1 << 2 << "System number 1048576 is outside 1..1048575";
}

void TestConfigCard::refused()
{
    QFETCH(int, system);
    QFETCH(int, reader);
    QFETCH(int, time);
    QFETCH(QString, error);
    QByteArray data("untouched");
    QString message;
    QVERIFY(!configCardData(params(system, reader, time), &data, &message));
    QCOMPARE(message, error);
    QCOMPARE(data, QByteArray("untouched"));
}

// A reader looks for its own bit at the place its configuration card names;
// that place must be where a user card puts the bit for the same reader.
void TestConfigCard::readerBitMatchesUserCard()
{
    for (int n = MinReaderNumber; n <= MaxReaderNumber; ++n) {
        ReaderPosition pos;
        QString error;
        QVERIFY2(readerPosition(n, &pos, &error), qPrintable(error));
        AccessFlags only;
        only.set(n - 1);
        const QByteArray user = userCardData(only);
        const int index = (pos.block - 3) * 4 + (pos.byte - 1);
        QCOMPARE(quint8(user[index]), pos.mask);
    }
}

QTEST_GUILESS_MAIN(TestConfigCard)
#include "tst_configcard.moc"
