// The card journal on disk: the bytes each append leaves, also after a line
// that a crash cut short.

#include "KillPoints.h"
#include "TestFiles.h"

#include "config/Cp1250.h"
#include "pages/CardJournal.h"

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
    void append(const QString& group, qint64 person = 12)
    {
        QString error;
        QVERIFY2(journal.append({QStringLiteral("Program"), person, 123456, 1, group, Data}, &error),
                 qPrintable(error));
    }
    QByteArray bytes() const { return readFile(journal.path()); }
};

} // namespace

class TestCardJournal : public QObject
{
    Q_OBJECT

private slots:
    void appendLeavesBytes_data();
    void appendLeavesBytes();
    void tornLineKeepsTheNextEvent_data();
    void tornLineKeepsTheNextEvent();
};

void TestCardJournal::appendLeavesBytes_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("group");
    QTest::addColumn<QByteArray>("added");
    const QByteArray staff =
        "2024-03-05 14:07:09\tuser\tProgram\t12\t123456\t1\tStaff\t80000025000000A5000000A5000000A5";
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
    QCOMPARE(j.bytes(), before + added);
}

void TestCardJournal::tornLineKeepsTheNextEvent_data()
{
    QTest::addColumn<int>("kept"); // bytes of the torn write that reached the file; below 1: short of the whole by that
    QTest::newRow("one byte") << 1;
    QTest::newRow("in the middle") << 30;
    QTest::newRow("all but the line end") << -2;
    QTest::newRow("all but LF") << -1;
}

// A kill part-way through the write of an event, then the next event: what
// reached the file stays, and the next event is a line of its own.
void TestCardJournal::tornLineKeepsTheNextEvent()
{
    QFETCH(int, kept);
    Journal j;
    j.append(QStringLiteral("Staff"), 1);
    const QByteArray before = j.bytes();
    const killpoints::Outcome outcome = killpoints::run([&] { j.append(QStringLiteral("Night"), 2); }, 1, 1 << 20);
    QVERIFY(outcome.crashed);
    const QByteArray full = j.bytes().mid(before.size()); // all of the write reached the file
    writeFile(j.journal.path(), before);
    QVERIFY(killpoints::run([&] { j.append(QStringLiteral("Night"), 2); }, 1, kept > 0 ? kept : full.size() + kept)
                .crashed);
    const QByteArray torn = j.bytes();
    QCOMPARE(torn, before + full.left(kept > 0 ? kept : full.size() + kept));

    j.append(QStringLiteral("Staff"), 3);
    const QByteArray after = j.bytes();
    QVERIFY(after.startsWith(torn));
    const QByteArray third =
        "2024-03-05 14:07:09\tuser\tProgram\t3\t123456\t1\tStaff\t80000025000000A5000000A5000000A5";
    QVERIFY2(after.endsWith('\n' + third + CrLf), after.constData());
    // Every line ends in CR LF, the torn one included.
    QCOMPARE(after.count('\r'), after.count(CrLf));
    QCOMPARE(after.count('\n'), after.count(CrLf));
    QCOMPARE(after.count(CrLf), 4);
}

QTEST_GUILESS_MAIN(TestCardJournal)
#include "tst_cardjournal.moc"
