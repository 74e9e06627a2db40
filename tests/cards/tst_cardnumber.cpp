// The card's number in the forms installers and other systems' readers print.

#include "cards/CardNumber.h"

#include <QTest>

using namespace cards;

class TestCardNumber : public QObject
{
    Q_OBJECT

private slots:
    void printedForms_data();
    void printedForms();
    void identifierOfValues_data();
    void identifierOfValues();
};

void TestCardNumber::printedForms_data()
{
    QTest::addColumn<QByteArray>("identifier"); // D0..D4
    QTest::addColumn<QStringList>("printed");   // hex, 32-bit, 24-bit, facility,card
    QTest::newRow("11 22 33 44 55") << QByteArray::fromHex("1122334455")
                                    << QStringList{"1122334455", "0573785173", "03359829", "051,17493"};
    QTest::newRow("all zero") << QByteArray::fromHex("0000000000")
                              << QStringList{"0000000000", "0000000000", "00000000", "000,00000"};
    QTest::newRow("all ones") << QByteArray::fromHex("FFFFFFFFFF")
                              << QStringList{"FFFFFFFFFF", "4294967295", "16777215", "255,65535"};
    // D0 stays out of the decimal forms, D1 out of the 24-bit one.
    QTest::newRow("only D0") << QByteArray::fromHex("FF00000000")
                             << QStringList{"FF00000000", "0000000000", "00000000", "000,00000"};
    QTest::newRow("only D1") << QByteArray::fromHex("00FF000000")
                             << QStringList{"00FF000000", "4278190080", "00000000", "000,00000"};
    QTest::newRow("only D4") << QByteArray::fromHex("0000000001")
                             << QStringList{"0000000001", "0000000001", "00000001", "000,00001"};
}

void TestCardNumber::printedForms()
{
    QFETCH(QByteArray, identifier);
    QFETCH(QStringList, printed);
    Identifier id{};
    std::copy(identifier.begin(), identifier.end(), id.begin());
    const PrintedNumber n = printedNumber(id);
    QCOMPARE((QStringList{n.hex, n.decimal32, n.decimal24, n.facilityCard}), printed);
}

void TestCardNumber::identifierOfValues_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<int>("person");
    QTest::addColumn<int>("duplicate");
    QTest::addColumn<QString>("hex"); // empty: no card carries these values
    QTest::newRow("user card") << 123456 << 300 << 3 << "012CE24013";
    QTest::newRow("configuration card") << 123456 << 0 << 0 << "0000E24010";
    QTest::newRow("largest values") << 1048575 << 65535 << 15 << "FFFFFFFFFF";
    QTest::newRow("configuration card with a duplicate") << 123456 << 0 << 1 << "";
    QTest::newRow("person too large") << 123456 << 65536 << 0 << "";
    QTest::newRow("system code 0") << 0 << 5 << 0 << "";
    QTest::newRow("duplicate 16") << 123456 << 5 << 16 << "";
}

void TestCardNumber::identifierOfValues()
{
    QFETCH(int, system);
    QFETCH(int, person);
    QFETCH(int, duplicate);
    QFETCH(QString, hex);
    const std::optional<Identifier> id = identifierOf(system, person, duplicate);
    QCOMPARE(id ? printedNumber(*id).hex : QString(), hex);
}

QTEST_GUILESS_MAIN(TestCardNumber)
#include "tst_cardnumber.moc"
