// Backups and spreadsheet files through the pellaro-tables command.

#include "ExchangeFixture.h"
#include "TablesTool.h"

#include "config/Cp1250.h"
#include "data/TableExchange.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A persons file as the export writes it: numbered from 1, Polish letters,
// quotes and line breaks in the notes.
QByteArray personsFile(int count)
{
    QByteArray file("\xEF\xBB\xBFNUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n");
    const QString groups[] = {QStringLiteral("Zarząd"), QStringLiteral("Księgowość"), "Lack of assignment!"};
    for (int n = 1; n <= count; ++n) {
        QString note;
        if (n % 3 == 1)
            note =
                QStringLiteral("\"Uwaga \"\"%1\"\", pokój 1\r\nklucz w portierni; %2\"").arg(n).arg(QString(150, u'ż'));
        file += QStringLiteral("%1,Żółkiewski-%1,Łucja,%2,%3,%4\r\n")
                    .arg(n)
                    .arg(groups[n % 3])
                    .arg(n % 16)
                    .arg(note)
                    .toUtf8();
    }
    return file;
}

} // namespace

class TestExchangeTool : public QObject
{
    Q_OBJECT

private slots:
    void importExportBackupRestore_data();
    void importExportBackupRestore();
    void oneBadRowImportsNothing();
    void restoreRefusedWhileTablesAreOpen();
    void exportOfGroupsAndReaders();
    void staffListOptions_data();
    void staffListOptions();
};

void TestExchangeTool::importExportBackupRestore_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("a few") << 4;
    QTest::newRow("every person number") << 65535;
}

void TestExchangeTool::importExportBackupRestore()
{
    QFETCH(int, count);
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), {QStringLiteral("Zarząd"), QStringLiteral("Księgowość")});
    const QString in = dir.filePath("in.csv");
    const QString out = dir.filePath("out.csv");
    writeFile(in, personsFile(count));

    ToolRun r = tables({"import", "persons", dir.path(), in});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.output.contains(QStringLiteral("imported %1 persons").arg(count)), qPrintable(r.output));
    r = tables({"export", "persons", dir.path(), out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(readFile(out), readFile(in));

    r = tables({"backup", dir.path()});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.output.contains("backup made"), qPrintable(r.output));
    const QList<QByteArray> imported = fixture::tableBytes(dir.path());
    QCOMPARE(tables({"backup", dir.path()}).output.contains("no backup made"), true);

    // A mistake after the backup: one more person.
    const QString extra = dir.filePath("extra.csv");
    writeFile(extra, "NAME,GROUP\nNowak,Zarząd\n");
    QCOMPARE(tables({"import", "persons", dir.path(), extra}).exitCode, count < 65535 ? 0 : 1);
    if (count < 65535)
        QVERIFY(fixture::tableBytes(dir.path()) != imported);

    const QStringList backups = QDir(dir.filePath("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(backups.size(), 1);
    r = tables({"restore", dir.filePath("backup/" + backups.first()), dir.path()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.output.count("no problems found"), 3);
    QCOMPARE(fixture::tableBytes(dir.path()), imported);
    QCOMPARE(tables({"export", "persons", dir.path(), out}).exitCode, 0);
    QCOMPARE(readFile(out), readFile(in));
}

void TestExchangeTool::oneBadRowImportsNothing()
{
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), {QStringLiteral("Zarząd"), QStringLiteral("Księgowość")});
    QByteArray file = personsFile(20);
    file.replace("\r\n13,", "\r\n3,"); // the number of line 5 again, on line 18
    writeFile(dir.filePath("in.csv"), file);
    const QList<QByteArray> before = fixture::tableBytes(dir.path());
    const ToolRun r = tables({"import", "persons", dir.path(), dir.filePath("in.csv")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.output.contains("nothing was imported"), qPrintable(r.output));
    QVERIFY2(r.output.contains("line 18: NUMBER 3 appears on line 5 already"), qPrintable(r.output));
    QCOMPARE(fixture::tableBytes(dir.path()), before);
}

void TestExchangeTool::restoreRefusedWhileTablesAreOpen()
{
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), {QStringLiteral("Zarząd")});
    QCOMPARE(tables({"backup", dir.path()}).exitCode, 0);
    const QString saved = QDir(dir.filePath("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).first();
    Table groups;
    groups.open(dir.filePath("grupa.dbf"));
    groups.insert();
    groups.setText("NAME", "Nowa");
    groups.post();
    const QList<QByteArray> before = fixture::tableBytes(dir.path());
    for (const QStringList& args :
         {QStringList{"restore", dir.filePath("backup/" + saved), dir.path()}, QStringList{"backup", dir.path()}}) {
        const ToolRun r = tables(args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.output.contains("grupa.dbf: the table is in use by another program"), qPrintable(r.output));
    }
    QCOMPARE(fixture::tableBytes(dir.path()), before);
    QCOMPARE(QDir(dir.filePath("backup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
}

void TestExchangeTool::exportOfGroupsAndReaders()
{
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    QCOMPARE(tables({"export", "groups", dir.path(), dir.filePath("g.csv")}).exitCode, 0);
    QCOMPARE(tables({"export", "readers", dir.path(), dir.filePath("r.csv")}).exitCode, 0);
    const QList<QByteArray> groups = readFile(dir.filePath("g.csv")).split('\n');
    QVERIFY(groups[0].startsWith("\xEF\xBB\xBFID_GRUPY,NAME,NOTES,P1,P2,"));
    QVERIFY(groups[0].endsWith(",P96\r"));
    // Księgowość may open readers 1 and 4.
    QVERIFY2(groups[2].startsWith(QStringLiteral("2,Księgowość,Biuro na pierwszym piętrze.,1,0,0,1,0,").toUtf8()),
             groups[2].constData());
    const QList<QByteArray> readers = readFile(dir.filePath("r.csv")).split('\n');
    QCOMPARE(readers[0], QByteArray("\xEF\xBB\xBFID_CZYT,NAME,TIME,MIEJSCE,PROX,EMULACJA\r"));
    QCOMPARE(readers[3], QStringLiteral("3,Serwerownia,3,\"Piwnica, pomieszczenie -1.04\",0,1\r").toUtf8());
    QCOMPARE(tables({"import", "groups", dir.path(), dir.filePath("g.csv")}).exitCode, 2);
}

// The window's questions as options: a file that reads two ways, groups the
// table lacks, persons it has (Kowalski Jan, beforehand).
void TestExchangeTool::staffListOptions_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("said");   // each somewhere in what it printed
    QTest::addColumn<QStringList>("stored"); // family names after Kowalski
    QTest::addColumn<int>("groups");
    const QByteArray semi1250 = cp1250::encode(QStringLiteral(
        "Nazwisko;Imię;Dział\r\nŻółkiewski;Łukasz;Zarząd\r\nNowak;Ewa;Księgowość\r\nKowalski;Jan;Zarząd\r\n"));
    const QByteArray tabUtf8 =
        "\xEF\xBB\xBF" + QStringLiteral("Příjmení\tJméno\tOddělení\tFunkce\r\nNowak\tEwa\tKsięgowość\tx\r\n"
                                        "Kowalski\tJan\tZarząd\t\r\n")
                             .toUtf8();
    const QByteArray both = "NAZWISKO,IMIE\r\n" + cp1250::encode(QStringLiteral("GÓŁKA,JAN\r\n"));
    QTest::newRow("new group refused") << semi1250 << QStringList{} << 1
                                       << QStringList{"--create-groups adds them, --without-groups"} << QStringList{}
                                       << 1;
    QTest::newRow("created, existing skipped")
        << semi1250 << QStringList{"--create-groups", "--skip-existing"} << 0
        << QStringList{"read as Windows-1250 text separated by semicolons", "imported 2 persons",
                       "skipped 1 persons already in the table", QStringLiteral("created the groups Księgowość")}
        << QStringList{QStringLiteral("Żółkiewski"), "Nowak"} << 2;
    QTest::newRow("without groups, imported again")
        << tabUtf8 << QStringList{"--without-groups"} << 0
        << QStringList{"these columns are not imported: Funkce", "imported 2 persons",
                       "1 of these 2 persons are already in the table with the same family and first name; "
                       "--skip-existing leaves them out"}
        << QStringList{"Nowak", "Kowalski"} << 1;
    QTest::newRow("Windows-1250 in the heading only")
        << cp1250::encode(QStringLiteral("Nazwisko;Dział\r\nNowak;Kadry\r\n")) << QStringList{"--create-groups"} << 0
        << QStringList{"created the groups Kadry"} << QStringList{"Nowak"} << 2;
    QTest::newRow("two readings, none chosen")
        << both << QStringList{} << 1 << QStringList{"Say which it is with --encoding utf-8 or --encoding"}
        << QStringList{} << 1;
    QTest::newRow("two readings, one chosen")
        << both << QStringList{"--encoding", "windows-1250"} << 0 << QStringList{"imported 1 persons"}
        << QStringList{QStringLiteral("GÓŁKA")} << 1;
}

void TestExchangeTool::staffListOptions()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, said);
    QFETCH(QStringList, stored);
    QFETCH(int, groups);
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), {QStringLiteral("Zarząd")});
    writeFile(dir.filePath("in.csv"), "NAME,SURNAME\r\nKowalski,Jan\r\n");
    QCOMPARE(tables({"import", "persons", dir.path(), dir.filePath("in.csv")}).exitCode, 0);
    writeFile(dir.filePath("in.csv"), file);
    const ToolRun r = tables(QStringList{"import", "persons", dir.path(), dir.filePath("in.csv")} + options);
    QCOMPARE(r.exitCode, exitCode);
    for (const QString& words : said)
        QVERIFY2(r.output.contains(words), qPrintable(r.output));
    Table persons;
    persons.openView(dir.filePath("osoby.dbf"));
    QStringList names;
    for (const QStringList& row : exchange::tableRows(persons, exchange::Kind::Persons).mid(2))
        names.append(row[1]);
    QCOMPARE(names, stored);
    Table groupsTable;
    groupsTable.openView(dir.filePath("grupa.dbf"));
    QCOMPARE(groupsTable.rowCount(), groups);
}

QTEST_GUILESS_MAIN(TestExchangeTool)
#include "test_exchange_tool.moc"
