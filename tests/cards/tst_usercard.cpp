#include "cards/CardFrame.h"
#include "cards/UserCard.h"

#include <QTest>

using namespace cards;

namespace {

AccessFlags flagsFor(const QList<int>& readers)
{
    AccessFlags flags;
    for (int n : readers)
        flags.set(n - 1);
    return flags;
}

} // namespace

class TestUserCard : public QObject
{
    Q_OBJECT

private slots:
    void accessBlocks_data();
    void accessBlocks();
    void noAccess();
    void everySingleReader();
};

void TestUserCard::accessBlocks_data()
{
    QTest::addColumn<QList<int>>("readers");
    QTest::addColumn<QByteArray>("data");
    const QByteArray empty = QByteArray::fromHex("000000A5");
    QTest::newRow("reader 1") << QList<int>{1} << QByteArray::fromHex("80000025") + empty + empty + empty;
    QTest::newRow("reader 96") << QList<int>{96} << empty + empty + empty + QByteArray::fromHex("000001A4");
    QTest::newRow("readers 9 and 17") << QList<int>{9, 17} << QByteArray::fromHex("008080A5") + empty + empty + empty;
    const QByteArray reader24 = QByteArray::fromHex("000001A4");
    const QByteArray reader25 = QByteArray::fromHex("80000025");
    QTest::newRow("readers 24 and 25") << QList<int>{24, 25} << reader24 + reader25 + empty + empty;
    QTest::newRow("none") << QList<int>{} << empty + empty + empty + empty;
    QList<int> all;
    for (int n = 1; n <= ReaderCount; ++n)
        all.append(n);
    const QByteArray full = QByteArray::fromHex("FFFFFF5A");
    QTest::newRow("all 96") << all << full + full + full + full;
}

void TestUserCard::accessBlocks()
{
    QFETCH(QList<int>, readers);
    QFETCH(QByteArray, data);
    QCOMPARE(userCardData(flagsFor(readers)).toHex(' '), data.toHex(' '));
}

void TestUserCard::noAccess()
{
    QCOMPARE(noAccessData(), QByteArray::fromHex("000000A5000000A5000000A5000000A5"));
}

// Reader n owns exactly one bit, bit 7 - (n - 1) mod 8 of access byte
// (n - 1) div 8 + 1, and every block still ends in its own check byte.
void TestUserCard::everySingleReader()
{
    for (int n = 1; n <= ReaderCount; ++n) {
        const QByteArray data = userCardData(flagsFor({n}));
        QCOMPARE(data.size(), CardDataSize);
        const int accessByte = (n - 1) / 8;             // A1 = 0
        const int offset = accessByte + accessByte / 3; // skip the check bytes
        for (int i = 0; i < CardDataSize; ++i) {
            if (i % 4 == 3) {
                QCOMPARE(quint8(data[i]),
                         BlockCheckByte(quint8(data[i - 3]), quint8(data[i - 2]), quint8(data[i - 1])));
                continue;
            }
            const quint8 expected = i == offset ? quint8(0x80 >> ((n - 1) % 8)) : 0;
            if (quint8(data[i]) != expected)
                QFAIL(qPrintable(QStringLiteral("reader %1: byte %2 is %3").arg(n).arg(i).arg(quint8(data[i]), 2, 16)));
        }
    }
}

QTEST_GUILESS_MAIN(TestUserCard)
#include "tst_usercard.moc"
