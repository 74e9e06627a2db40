// The card journal read back: every line an event, a damaged line kept as
// such, journals from before the read-back columns still counting, and a
// journal read again only where it grew.

#include "TestFiles.h"

#include "journal/JournalReader.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Header = "time\trole\toperation\tperson\tsystem\tduplicate\tgroup\tdata\tverified\tcard hex\tcard "
                          "decimal\tcard 24 bits\tfacility,card\r\n";
const QByteArray OldHeader = "time\trole\toperation\tperson\tsystem\tduplicate\tgroup\tdata\r\n";
const QByteArray Staff = "80000025000000A5000000A5000000A5";

QByteArray line(const QByteArray& operation, const QByteArray& person, const QByteArray& data,
                const QByteArray& verified = "verified")
{
    return "2024-03-05 14:07:09\tuser\t" + operation + "\t" + person + "\t123456\t0\tStaff\t" + data + "\t" + verified +
           "\t0000000000\t0000000000\t00000000\t000,00000\r\n";
}

QByteArray oldLine(const QByteArray& operation, const QByteArray& person, const QByteArray& data)
{
    return "2024-03-05 14:07:09\tuser\t" + operation + "\t" + person + "\t123456\t0\tStaff\t" + data + "\r\n";
}

// One event as "line kind person verification", or "line damaged problem".
QStringList summary(const std::vector<JournalEvent>& events)
{
    static const char* const Kinds[] = {"Program", "Remove", "Configuration", "Other"};
    static const char* const Problems[] = {"", "fields", "number", "hex"};
    QStringList list;
    for (const JournalEvent& e : events) {
        if (e.damaged())
            list << QStringLiteral("%1 damaged %2").arg(e.line).arg(QLatin1String(Problems[int(e.problem)]));
        else
            list << QStringLiteral("%1 %2 %3 %4")
                        .arg(e.line)
                        .arg(QLatin1String(Kinds[int(e.kind)]))
                        .arg(e.person)
                        .arg(journal::verificationWord(e.verification));
    }
    return list;
}

} // namespace

class TestJournalReader : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void readAgainWhereItGrew_data();
    void readAgainWhereItGrew();
};

void TestJournalReader::lines_data()
{
    QTest::addColumn<QByteArray>("journal");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("every operation") << Header + line("Program", "7", Staff) + line("Remove permissions", "7", Staff) +
                                            line("Configuration card", "0", Staff, "not read back") +
                                            line("Find (user)", "7", "", "")
                                     << QStringList{"2 Program 7 verified", "3 Remove 7 verified",
                                                    "4 Configuration 0 not read back", "5 Other 7 "};
    QTest::newRow("journal from before the new columns")
        << OldHeader + oldLine("Program", "7", Staff) + oldLine("Find (user)", "7", "")
        << QStringList{"2 Program 7 ", "3 Other 7 "};
    QTest::newRow("old lines appended to by the new program")
        << OldHeader + oldLine("Program", "7", Staff) + line("Program", "8", Staff, "not verified")
        << QStringList{"2 Program 7 ", "3 Program 8 not verified"};
    QTest::newRow("a field too many or too few")
        << Header + line("Program", "7", Staff).replace("\r\n", "\tx\r\n") +
               "2024-03-05 14:07:09\tuser\tProgram\t7\t123456\t0\tStaff\r\n" + line("Program", "8", Staff)
        << QStringList{"2 damaged fields", "3 damaged fields", "4 Program 8 verified"};
    QTest::newRow("a number or time that does not read")
        << Header + line("Program", "7a", Staff) + line("Program", "", Staff) +
               line("Program", "7", Staff).replace("14:07", "14-07") + line("Program", "9", Staff)
        << QStringList{"2 damaged number", "3 damaged number", "4 damaged number", "5 Program 9 verified"};
    QTest::newRow("card data that is not 32 hex digits")
        << Header + line("Program", "7", Staff.chopped(2)) + line("Program", "7", "X" + Staff.mid(1)) +
               line("Remove permissions", "7", "") + line("Find (user)", "7", "A5", "")
        << QStringList{"2 damaged hex", "3 damaged hex", "4 damaged hex", "5 damaged hex"};
    QTest::newRow("a last line a crash cut short") << Header + line("Program", "7", Staff) + "2024-03-05 14:0"
                                                   << QStringList{"2 Program 7 verified", "3 damaged fields"};
    QTest::newRow("a line cut after the data column")
        << Header + oldLine("Program", "7", Staff) + line("Program", "8", Staff)
        << QStringList{"2 damaged fields", "3 Program 8 verified"};
    QTest::newRow("no header, blank lines")
        << "\r\n" + line("Program", "7", Staff) + "\r\n" + line("Program", "8", Staff)
        << QStringList{"2 Program 7 verified", "4 Program 8 verified"};
}

void TestJournalReader::lines()
{
    QFETCH(QByteArray, journal);
    QFETCH(QStringList, events);
    QTemporaryDir dir;
    JournalReader reader(dir.filePath(journal::FileName));
    writeFile(reader.path(), journal);
    QString error;
    QVERIFY2(reader.refresh(&error), qPrintable(error));
    QCOMPARE(summary(reader.events()), events);
}

void TestJournalReader::readAgainWhereItGrew_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("then"); // the whole file at the second reading
    QTest::addColumn<QStringList>("events");
    const QByteArray one = Header + line("Program", "7", Staff);
    QTest::newRow("a line appended") << one << one + line("Program", "8", Staff)
                                     << QStringList{"2 Program 7 verified", "3 Program 8 verified"};
    QTest::newRow("a line finished") << one + line("Program", "8", Staff).left(20) << one + line("Program", "8", Staff)
                                     << QStringList{"2 Program 7 verified", "3 Program 8 verified"};
    QTest::newRow("replaced by a shorter journal")
        << one + line("Program", "8", Staff) << OldHeader + oldLine("Program", "9", Staff)
        << QStringList{"2 Program 9 "};
    QTest::newRow("removed") << one << QByteArray() << QStringList{};
}

void TestJournalReader::readAgainWhereItGrew()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, then);
    QFETCH(QStringList, events);
    QTemporaryDir dir;
    JournalReader reader(dir.filePath(journal::FileName));
    writeFile(reader.path(), first);
    QString error;
    QVERIFY(reader.refresh(&error));
    if (then.isEmpty())
        QVERIFY(QFile::remove(reader.path()));
    else
        writeFile(reader.path(), then);
    QVERIFY2(reader.refresh(&error), qPrintable(error));
    QCOMPARE(summary(reader.events()), events);
}

QTEST_GUILESS_MAIN(TestJournalReader)
#include "tst_journalreader.moc"
