// pellaro-tables on a site kept in the shared database, against a real
// server: the same results as on the dBase files, and whole sets moved in
// and out in one piece.

#include "PgCluster.h"
#include "TablesTool.h"
#include "TestFiles.h"

#include "data/Backup.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "pgstore/PgTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList SetFiles{TableLayouts::PersonsFile, TableLayouts::GroupsFile, TableLayouts::ReadersFile};

// Every stored record of the three tables of a dBase set.
QList<QList<QVariantList>> setRecords(const QString& folder)
{
    QList<QList<QVariantList>> all;
    for (const QString& file : SetFiles) {
        Table table;
        table.openView(QDir(folder).filePath(file));
        QList<int> positions;
        for (int position = 1; position <= table.fieldCount(); ++position)
            positions.append(position);
        all.append(table.storedRecords(positions));
    }
    return all;
}

// Each record as Perl's XBase module, standing in for other dBase tools, reads it.
QByteArray xbaseDump(const QString& file)
{
    QProcess perl;
    perl.start(QStringLiteral("perl"),
               {QStringLiteral("-MXBase"), QStringLiteral("-e"),
                QStringLiteral("my $t = XBase->new($ARGV[0]) or die XBase->errstr; for my $i (0 .. $t->last_record) "
                               "{ my ($d, @v) = $t->get_record($i); print join('|', $d, map { defined $_ ? $_ : '-' } "
                               "@v), qq(\\n) }"),
                file});
    perl.waitForFinished(60000);
    if (perl.exitCode() != 0)
        qWarning().noquote() << "perl (and libdbd-xbase-perl) needed:" << perl.readAllStandardError();
    return perl.exitCode() == 0 ? perl.readAllStandardOutput() : QByteArray();
}

} // namespace

class TestPgTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sameResultsAsFiles_data();
    void sameResultsAsFiles();
    void importAllOrNothing_data();
    void importAllOrNothing();
    void exportReadByOtherTools();

private:
    // A working directory whose config.ini names the test database.
    void makeDatabaseSite(const QString& dir);
    PgCluster m_cluster;
};

void TestPgTool::init()
{
    QVERIFY2(m_cluster.isValid(), "no test server: run through ctest, which starts one");
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_tool_test")));
}

void TestPgTool::makeDatabaseSite(const QString& dir)
{
    const PgServer server = m_cluster.server({});
    QVERIFY(QDir().mkpath(dir));
    writeFile(QDir(dir).filePath(QStringLiteral("config.ini")),
              QStringLiteral("[DATABASE]\nDriver=PostgreSQL\nHost=%1\nPort=%2\nName=%3\nUser=%4\n")
                  .arg(server.host)
                  .arg(server.port)
                  .arg(server.name, server.user)
                  .toUtf8());
}

// The same commands on a site of files and on one of the database, both
// holding the demo set and a card journal, leave the same records, write
// the same files and make the same backups (journals included). %w is the
// site, %o a folder for output, %i a persons file, %b the oldest backup.
void TestPgTool::sameResultsAsFiles_data()
{
    QTest::addColumn<QList<QStringList>>("runs");

    const QStringList importing{"import", "persons", "%w", "%i"};
    QTest::newRow("export persons") << QList<QStringList>{{"export", "persons", "%w", "%o/persons.csv"}};
    QTest::newRow("export readers") << QList<QStringList>{{"export", "readers", "%w", "%o/readers.csv"}};
    QTest::newRow("import persons") << QList<QStringList>{importing, {"export", "persons", "%w", "%o/persons.csv"}};
    QTest::newRow("import refused") << QList<QStringList>{importing, importing};
    QTest::newRow("backup twice") << QList<QStringList>{{"backup", "%w"}, {"backup", "%w"}};
    QTest::newRow("backup, import, restore")
        << QList<QStringList>{{"backup", "%w"}, importing, {"restore", "%b", "%w"}};
}

void TestPgTool::sameResultsAsFiles()
{
    QFETCH(QList<QStringList>, runs);
    QTemporaryDir dir;
    const QString files = dir.filePath(QStringLiteral("files"));
    const QString base = dir.filePath(QStringLiteral("base"));
    QVERIFY(QDir().mkpath(files));
    QCOMPARE(tables({"demo", files}).exitCode, 0);
    makeDatabaseSite(base);
    QCOMPARE(tables({"db", "import", base, files}).exitCode, 0);
    writeFile(QDir(dir.path()).filePath(QStringLiteral("in.csv")),
              "\xEF\xBB\xBFNUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n601,Żak,Ola,Magazyn,1,\r\n"
              "602,Łoś,Jan,Ochrona,2,\"nocna\r\nzmiana\"\r\n");
    for (const QString& site : {files, base})
        writeFile(QDir(site).filePath(QStringLiteral("cards.log")), "a card journal of the site\n");

    for (const QStringList& run : runs) {
        QList<ToolRun> done;
        for (const QString& site : {files, base}) {
            QStringList args = run;
            args.replaceInStrings(QStringLiteral("%w"), site)
                .replaceInStrings(QStringLiteral("%o"), site + QStringLiteral("-out"))
                .replaceInStrings(QStringLiteral("%i"), dir.filePath(QStringLiteral("in.csv")))
                .replaceInStrings(QStringLiteral("%b"), backup::list(site).value(0));
            QDir().mkpath(site + QStringLiteral("-out"));
            done.append(tables(args));
        }
        QVERIFY2(done[0].exitCode == done[1].exitCode, qPrintable(done[0].output + done[1].output));
    }

    pgsite::exportSet(m_cluster.server({}), dir.filePath(QStringLiteral("now")));
    QCOMPARE(setRecords(dir.filePath(QStringLiteral("now"))), setRecords(files));
    for (const QString& name : QDir(files + QStringLiteral("-out")).entryList(QDir::Files))
        QCOMPARE(readFile(base + QStringLiteral("-out/") + name), readFile(files + QStringLiteral("-out/") + name));
    const QStringList backups = backup::list(base);
    QCOMPARE(backups.size(), backup::list(files).size());
    for (qsizetype k = 0; k < backups.size(); ++k) {
        const QString made = backup::list(files)[k];
        QCOMPARE(setRecords(backups[k]), setRecords(made));
        QCOMPARE(readFile(QDir(backups[k]).filePath(QStringLiteral("cards.log"))),
                 readFile(QDir(made).filePath(QStringLiteral("cards.log"))));
        QCOMPARE(QFileInfo::exists(QDir(backups[k]).filePath(QStringLiteral("audit.log"))),
                 QFileInfo::exists(QDir(made).filePath(QStringLiteral("audit.log"))));
    }
}

// A set moved in stores nothing in any table when a record of its last
// table breaks the database's checks, or when the server ends the
// connection after the first tables went in.
void TestPgTool::importAllOrNothing_data()
{
    QTest::addColumn<bool>("connectionEnded");
    QTest::newRow("a relay time of 0 in sprzet.dbf") << false;
    QTest::newRow("connection ended half-way") << true;
}

void TestPgTool::importAllOrNothing()
{
    QFETCH(bool, connectionEnded);
    QTemporaryDir dir;
    const QString set = dir.filePath(QStringLiteral("set"));
    QVERIFY(QDir().mkpath(set));
    QCOMPARE(tables({"demo", set}).exitCode, 0);
    makeDatabaseSite(dir.filePath(QStringLiteral("site")));
    const QStringList args{"db", "import", dir.filePath(QStringLiteral("site")), set};

    ToolRun done{0, {}};
    if (!connectionEnded) {
        Table readers;
        readers.open(QDir(set).filePath(TableLayouts::ReadersFile));
        readers.insert();
        readers.setInteger(ReaderField::Number, 9);
        readers.setInteger(ReaderField::Time, 0);
        readers.post();
        readers.close();
        done = tables(args);
    } else {
        // The readers are held back until the tool waits for them with the
        // persons and groups in; then its connection is ended.
        const PgServer server = m_cluster.server({});
        QSqlDatabase lock = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("lock"));
        lock.setHostName(server.host);
        lock.setDatabaseName(server.name);
        lock.setUserName(server.user);
        QVERIFY(lock.open() && lock.transaction());
        QVERIFY(QSqlQuery(lock).exec(QStringLiteral("LOCK TABLE readers IN ACCESS EXCLUSIVE MODE")));
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(QStringLiteral(PELLARO_TABLES_EXE), args);
        const QString waiting = QStringLiteral("SELECT pid FROM pg_stat_activity WHERE application_name = "
                                               "'pellaro-tables' AND wait_event_type = 'Lock' AND query LIKE "
                                               "'LOCK TABLE readers%'");
        QSqlQuery query(lock);
        // Inside a transaction the server's activity view is read once unless its snapshot is cleared.
        QTRY_VERIFY_WITH_TIMEOUT(
            query.exec(QStringLiteral("SELECT pg_stat_clear_snapshot()")) && query.exec(waiting) && query.next(), 20000);
        QVERIFY(m_cluster.adminExec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(query.value(0).toInt())));
        QVERIFY(tool.waitForFinished(20000));
        lock.rollback();
        lock = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("lock"));
        done = {tool.exitCode(), QString::fromUtf8(tool.readAll())};
    }
    QCOMPARE(done.exitCode, 1);
    QVERIFY2(done.output.contains(QStringLiteral("nothing was imported")), qPrintable(done.output));
    for (PgStore::Kind kind : {PgStore::Kind::Persons, PgStore::Kind::Groups, PgStore::Kind::Readers})
        QCOMPARE(PgStore(m_cluster.server({}), kind).recordCount(), 0);
}

// Other dBase tools read the set "db export" writes as they read the set it came from.
void TestPgTool::exportReadByOtherTools()
{
    QTemporaryDir dir;
    const QString set = dir.filePath(QStringLiteral("set"));
    const QString back = dir.filePath(QStringLiteral("back"));
    QVERIFY(QDir().mkpath(set));
    QCOMPARE(tables({"demo", set}).exitCode, 0);
    makeDatabaseSite(dir.filePath(QStringLiteral("site")));
    QCOMPARE(tables({"db", "import", dir.filePath(QStringLiteral("site")), set}).exitCode, 0);
    const ToolRun done = tables({"db", "export", dir.filePath(QStringLiteral("site")), back});
    QVERIFY2(done.exitCode == 0, qPrintable(done.output));
    for (const QString& file : SetFiles) {
        const QByteArray read = xbaseDump(QDir(back).filePath(file));
        QVERIFY2(read.count('\n') > 1, qPrintable(file));
        QCOMPARE(read, xbaseDump(QDir(set).filePath(file)));
    }
}

QTEST_GUILESS_MAIN(TestPgTool)
#include "test_pgtool.moc"
