// Spreadsheet files: the CSV reader and writer, and persons going out of and
// into the tables.

#include "ExchangeFixture.h"

#include "data/Csv.h"
#include "data/TableExchange.h"
#include "data/TableModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Rows = QList<QStringList>;
using Problems = QList<std::pair<int, QString>>;
Q_DECLARE_METATYPE(Problems)

namespace {

const QStringList Groups{QStringLiteral("Zarząd"), QStringLiteral("Magazyn")};
const QByteArray Header("NUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n");

QByteArray bom(const QByteArray& body)
{
    return QByteArray("\xEF\xBB\xBF") + body;
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void csvWritesAndReadsBack_data();
    void csvWritesAndReadsBack();
    void csvReportsMalformedLines_data();
    void csvReportsMalformedLines();
    void personsRoundTrip();
    void importRefusesAndChangesNothing_data();
    void importRefusesAndChangesNothing();
    void importFillsWhatIsMissing();
};

void TestExchange::csvWritesAndReadsBack_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain") << Rows{{"a", "b"}, {"1", ""}} << bom("a,b\r\n1,\r\n");
    QTest::newRow("comma and quote") << Rows{{"x, y", "say \"hi\""}} << bom("\"x, y\",\"say \"\"hi\"\"\"\r\n");
    QTest::newRow("line breaks") << Rows{{"one\r\ntwo", "three\nfour"}} << bom("\"one\r\ntwo\",\"three\nfour\"\r\n");
    QTest::newRow("blank at an end") << Rows{{" lead", "trail "}} << bom("\" lead\",\"trail \"\r\n");
    QTest::newRow("formulas") << Rows{{"=1+2", "+4", "-5", "@x"}, {"\tx", "\ry", "'=z", "'a"}}
                              << bom("'=1+2,'+4,'-5,'@x\r\n'\tx,\"'\ry\",''=z,'a\r\n");
    QTest::newRow("polish") << Rows{{QStringLiteral("Żółć"), QStringLiteral("Łódź")}}
                            << bom(QStringLiteral("Żółć,Łódź\r\n").toUtf8());
}

void TestExchange::csvWritesAndReadsBack()
{
    QFETCH(Rows, rows);
    QFETCH(QByteArray, bytes);
    QCOMPARE(csv::write(rows), bytes);
    const csv::Parsed parsed = csv::parse(bytes);
    QVERIFY(parsed.problems.isEmpty());
    Rows back;
    for (const csv::Record& r : parsed.records)
        back.append(r.fields);
    QCOMPARE(back, rows);
}

void TestExchange::csvReportsMalformedLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("recordLines");
    QTest::addColumn<QList<int>>("problemLines");
    QTest::newRow("no mark, LF, blank line") << QByteArray("a\n\nb\n") << QList<int>{1, 3} << QList<int>{};
    QTest::newRow("quote inside a bare field") << QByteArray("a\r\nb\"c\r\nd\r\n") << QList<int>{1, 3} << QList<int>{2};
    QTest::newRow("text after closing quote") << QByteArray("\"a\"b,c\nd\n") << QList<int>{2} << QList<int>{1};
    QTest::newRow("break inside quotes moves the line")
        << QByteArray("\"a\r\nb\nc\",x\ny\"\n") << QList<int>{1} << QList<int>{4};
    QTest::newRow("never closed") << QByteArray("a\n\"b,\nc\n") << QList<int>{1} << QList<int>{2};
    QTest::newRow("not UTF-8") << QByteArray("a\n\xB3\xF3\n") << QList<int>{1} << QList<int>{2};
}

void TestExchange::csvReportsMalformedLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, recordLines);
    QFETCH(QList<int>, problemLines);
    const csv::Parsed parsed = csv::parse(bytes);
    QList<int> records;
    for (const csv::Record& r : parsed.records)
        records.append(r.line);
    QList<int> problems;
    for (const csv::Problem& p : parsed.problems)
        problems.append(p.line);
    QCOMPARE(records, recordLines);
    QCOMPARE(problems, problemLines);
}

void TestExchange::personsRoundTrip()
{
    // Out of one installation, into another, out again: the same file.
    const QByteArray file = bom(Header + QStringLiteral("7,Brzęczyszczykiewicz,Grzegorz,Magazyn,3,\"Kierownik, "
                                                        "\"\"nocny\"\"\r\ntel. 214\"\r\n"
                                                        "9,Żółkiewski,Łukasz,Zarząd,0,\r\n"
                                                        "12,O'Neil,Anna,Lack of assignment!,15,\"jeden\nдва\"\r\n")
                                             .toUtf8());
    QTemporaryDir first;
    fixture::makeInstallation(first.path(), Groups);
    Table persons;
    persons.open(QDir(first.path()).filePath("osoby.dbf"));
    Table groups;
    groups.open(QDir(first.path()).filePath("grupa.dbf"));

    // The Cyrillic note cannot be stored; without it the file goes in.
    exchange::ImportResult result = exchange::importPersons(persons, groups, file);
    QCOMPARE(result.problems.size(), 1);
    QCOMPARE(result.problems[0].line, 5);
    QVERIFY2(result.problems[0].reason.contains(QStringLiteral("\"д\" (U+0434)")),
             qPrintable(result.problems[0].reason));
    QByteArray sound = file;
    sound.replace(QStringLiteral("два").toUtf8(), "dwa");
    result = exchange::importPersons(persons, groups, sound);
    QVERIFY(result.problems.isEmpty());
    QCOMPARE(result.added, 3);

    persons.setPrefixFilter(QStringLiteral("NAME"), QStringLiteral("Ż"));
    persons.setFilterActive(true);
    const QString path = QDir(first.path()).filePath("out.csv");
    QCOMPARE(exchange::exportFile(persons, exchange::Kind::Persons, path), 3); // the filter is set aside
    QCOMPARE(readFile(path), sound);
    QVERIFY(persons.filterActive());
    QCOMPARE(persons.rowCount(), 1);
    persons.close();

    Table reopened;
    reopened.open(QDir(first.path()).filePath("osoby.dbf"));
    QVERIFY(reopened.locate(QStringLiteral("NUMBER"), 7));
    QCOMPARE(reopened.asText("INFO"), QStringLiteral("Kierownik, \"nocny\"\r\ntel. 214"));
    QCOMPARE(reopened.asInteger("INDEX"), 3);
    QCOMPARE(reopened.asText("SURNAME"), QStringLiteral("Grzegorz"));
}

void TestExchange::importRefusesAndChangesNothing_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("number taken in the table")
        << QByteArray("1,A,B,Magazyn,0,\r\n") << 3 << "NUMBER 1 is in the persons table";
    QTest::newRow("number twice in the file")
        << QByteArray("5,A,B,Magazyn,0,\r\n5,C,D,Magazyn,0,\r\n") << 4 << "NUMBER 5 appears on line 3";
    QTest::newRow("number zero") << QByteArray("0,A,B,Magazyn,0,\r\n") << 3 << "NUMBER 0 is outside 1..65535";
    QTest::newRow("number too high") << QByteArray("65536,A,B,Magazyn,0,\r\n") << 3 << "outside 1..65535";
    QTest::newRow("number not a number") << QByteArray("7a,A,B,Magazyn,0,\r\n") << 3 << "not a whole number";
    QTest::newRow("no such group") << QByteArray("6,A,B,magazyn,0,\r\n") << 3 << "GROUP \"magazyn\" is not a group";
    QTest::newRow("index above 15") << QByteArray("6,A,B,Magazyn,16,\r\n") << 3 << "INDEX 16 is outside 0..15";
    QTest::newRow("character outside 1250")
        << QByteArray("6,A,\xe2\x82\xbd,Magazyn,0,\r\n") << 3 << "SURNAME holds the character \"\u20bd\" (U+20BD)";
    QTest::newRow("line break in a name")
        << QByteArray("6,\"A\nB\",C,Magazyn,0,\r\n") << 3 << "NAME holds a line break";
    QTest::newRow("name too long") << QByteArray("6," + QByteArray(41, 'x') + ",C,Magazyn,0,\r\n") << 3
                                   << "longer than the 40 characters";
    QTest::newRow("malformed line") << QByteArray("6,A\"x,C,Magazyn,0,\r\n") << 3 << "a quote inside a field";
    QTest::newRow("too few fields") << QByteArray("6,A,C\r\n") << 3 << "the line has 3 fields, the header 6";
}

void TestExchange::importRefusesAndChangesNothing()
{
    QFETCH(QByteArray, rows);
    QFETCH(int, line);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), Groups);
    {
        Table persons;
        persons.open(QDir(dir.path()).filePath("osoby.dbf"));
        Table groups;
        groups.open(QDir(dir.path()).filePath("grupa.dbf"));
        QVERIFY(exchange::importPersons(persons, groups, Header + "1,Nowak,Jan,Zarząd,0,\r\n").problems.isEmpty());
    }
    const QList<QByteArray> before = fixture::tableBytes(dir.path());
    // One sound row before the bad one: it must not go in either.
    const QByteArray file = Header + "2,Kowalska,Ewa,Zarząd,1,\r\n" + rows;
    Table persons;
    persons.open(QDir(dir.path()).filePath("osoby.dbf"));
    Table groups;
    groups.open(QDir(dir.path()).filePath("grupa.dbf"));
    // The operator's search hides Nowak; his number is taken all the same.
    persons.setPrefixFilter(QStringLiteral("NAME"), QStringLiteral("Z"));
    persons.setFilterActive(true);
    const exchange::ImportResult result = exchange::importPersons(persons, groups, file);
    QCOMPARE(result.added, 0);
    QCOMPARE(result.problems.size(), 1);
    QCOMPARE(result.problems[0].line, line);
    QVERIFY2(result.problems[0].reason.contains(reason), qPrintable(result.problems[0].reason));
    QVERIFY(persons.filterActive());
    persons.close();
    groups.close();
    QCOMPARE(fixture::tableBytes(dir.path()), before);
}

void TestExchange::importFillsWhatIsMissing()
{
    // Columns in another order and letter case, no NUMBER, INDEX or GROUP:
    // numbers follow the highest in use, the group is the no-group marker.
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), Groups);
    Table persons;
    persons.open(QDir(dir.path()).filePath("osoby.dbf"));
    Table groups;
    groups.open(QDir(dir.path()).filePath("grupa.dbf"));
    QVERIFY(exchange::importPersons(persons, groups, Header + "40,Nowak,Jan,Zarząd,0,\r\n").problems.isEmpty());
    // A grid sorted by family name is rebuilt once for the whole import, not once a person.
    TableModel grid(&persons, {"NAME"});
    grid.sort(0, Qt::AscendingOrder);
    QSignalSpy rebuilt(&grid, &QAbstractItemModel::modelReset);
    const exchange::ImportResult result =
        exchange::importPersons(persons, groups, bom(" surname ,Name\r\nEwa,  Kowalska \r\nOla,Lis\r\n"));
    QVERIFY(result.problems.isEmpty());
    QCOMPARE(rebuilt.count(), 1);
    QCOMPARE((QStringList{grid.index(0, 0).data().toString(), grid.index(1, 0).data().toString(),
                          grid.index(2, 0).data().toString()}),
             (QStringList{"Kowalska", "Lis", "Nowak"}));
    QCOMPARE(exchange::tableRows(persons, exchange::Kind::Persons),
             (Rows{{"NUMBER", "NAME", "SURNAME", "GROUP", "INDEX", "INFO"},
                   {"40", "Nowak", "Jan", QStringLiteral("Zarząd"), "0", ""},
                   {"41", "Kowalska", "Ewa", "Lack of assignment!", "0", ""},
                   {"42", "Lis", "Ola", "Lack of assignment!", "0", ""}}));
    // An unknown column is not dropped unseen: the preview names it.
    QStringList ignored;
    const exchange::ImportResult typo =
        exchange::importPersons(persons, groups, "SURENAME,NAME\nA,B\n", {}, [&](const exchange::ImportPlan& plan) {
            ignored = plan.ignoredColumns;
            return exchange::ImportChoices{};
        });
    QVERIFY(typo.cancelled);
    QCOMPARE(ignored, QStringList{"SURENAME"});
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
