// Backups and spreadsheet files through the pellaro-tables command.

#include "ExchangeFixture.h"
#include "TablesTool.h"

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

QTEST_GUILESS_MAIN(TestExchangeTool)
#include "test_exchange_tool.moc"
