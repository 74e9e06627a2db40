// The card journal on disk: the bytes each append leaves, also after a line
// that a crash cut short.

#include "TestFiles.h"

#include "config/Cp1250.h"
#include "journal/CardJournal.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray CrLf("\r\n");
const QByteArray Data = QByteArray::fromHex("80000025000000A5000000A5000000A5");

QByteArray header()
{
    return cp1250::encode(CardJournal::Header) + CrLf;
}

struct Journal
{
    QTemporaryDir dir;
    CardJournal journal{dir.filePath(CardJournal::FileName)};

    Journal()
    {
        journal.setRole(QStringLiteral("user"));
        journal.setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); });
    }
    void append(const QString& group)
    {
        QString error;
        QVERIFY2(journal.append({QStringLiteral("Program"), 12, 123456, 1, group, Data}, &error), qPrintable(error));
    }
};

} // namespace

class TestCardJournal : public QObject
{
    Q_OBJECT

private slots:
    void appendLeavesBytes_data();
    void appendLeavesBytes();
};

void TestCardJournal::appendLeavesBytes_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("group");
    QTest::addColumn<QByteArray>("added");
    // Then the read-back (none here) and the card's number as printed.
    const QByteArray staff =
        "2024-03-05 14:07:09\tuser\tProgram\t12\t123456\t1\tStaff\t80000025000000A5000000A5000000A5"
        "\t\t000CE24011\t0216154129\t14827537\t226,16401";
    const QByteArray whole = header() + "2024-03-05 14:07:08\tuser\tFind (user)\t7\t123456\t0\tStaff\t" + CrLf;
    QTest::newRow("new journal") << QByteArray() << "Staff" << header() + staff + CrLf;
    QTest::newRow("empty file") << QByteArray("") << "Staff" << header() + staff + CrLf;
    QTest::newRow("after a whole line") << whole << "Staff" << staff + CrLf;
    QTest::newRow("torn last line") << header() + "2024-03-05 14:0"
                                    << "Staff" << CrLf + staff + CrLf;
    QTest::newRow("torn between CR and LF") << whole.chopped(1) << "Staff"
                                            << "\n" + staff + CrLf;
    QTest::newRow("a tab inside a journal field")
        << whole << "Staff\tNight" << QByteArray(staff).replace("Staff", "Staff Night") + CrLf;
    QTest::newRow("a line break inside a journal field")
        << whole << "Staff\r\nNight" << QByteArray(staff).replace("Staff", "Staff  Night") + CrLf;
    QTest::newRow("a formula as a name") << whole << "@Staff" << QByteArray(staff).replace("Staff", "'@Staff") + CrLf;
}

void TestCardJournal::appendLeavesBytes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, group);
    QFETCH(QByteArray, added);
    Journal j;
    if (!before.isNull())
        writeFile(j.journal.path(), before);
    j.append(group);
    QCOMPARE(readFile(j.journal.path()), before + added);
}

QTEST_GUILESS_MAIN(TestCardJournal)
#include "tst_cardjournal.moc"
