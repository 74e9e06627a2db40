// pellaro-tables on a site kept in the shared database, against a real
// server: the results of the files, and sets moved in all or nothing.

#include "PgCluster.h"
#include "TablesTool.h"
#include "TestFiles.h"

#include "config/Cp1250.h"
#include "config/Settings.h"
#include "data/Backup.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "journal/JournalFormat.h"
#include "pgstore/PgJournals.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The records of a dBase set as Perl's XBase module, standing in for other dBase tools, reads them.
QByteArray xbaseDump(const QString& folder)
{
    QByteArray dump;
    for (const QString& file : {TableLayouts::PersonsFile, TableLayouts::GroupsFile, TableLayouts::ReadersFile}) {
        QProcess perl;
        perl.start(QStringLiteral("perl"),
                   {QStringLiteral("-MXBase"), QStringLiteral("-e"),
                    QStringLiteral("my $t = XBase->new($ARGV[0]) or die XBase->errstr; for (0 .. $t->last_record) "
                                   "{ print join('|', map { $_ // '-' } $t->get_record($_)), qq(\\n) }"),
                    QDir(folder).filePath(file)});
        perl.waitForFinished(60000);
        dump += perl.readAllStandardOutput() + perl.readAllStandardError();
    }
    return dump;
}

// Each backup of a site: its tables, its card journal and whether it holds the audit.
QByteArray backupsOf(const QString& site)
{
    QByteArray all;
    for (const QString& made : backup::list(site))
        all += xbaseDump(made) + readFile(made + QStringLiteral("/cards.log")) +
               QByteArray::number(QFile::exists(made + QStringLiteral("/audit.log")));
    return all;
}

// A working directory whose config.ini names the test database.
void makeDatabaseSite(const QString& dir, const PgServer& server)
{
    QVERIFY(QDir().mkpath(dir));
    writeFile(dir + QStringLiteral("/config.ini"),
              QStringLiteral("[DATABASE]\nDriver=PostgreSQL\nHost=%1\nName=%2\nUser=%3\n")
                  .arg(server.host, server.name, server.user)
                  .toUtf8());
}

// A line of cards.log: a card written for a person, with the columns of the layout it was written in.
QByteArray cardLine(int person, bool olderLayout, const QByteArray& group = "Brama")
{
    const QByteArray line = "2026-03-02 09:15:00\tadministrator\tProgram\t" + QByteArray::number(person) + '\t' +
                            QByteArray::number(settings::DefaultSystemNumber) + "\t0\t" + group + '\t' +
                            QByteArray(32, 'a');
    return olderLayout ? line : line + "\tverified\t\t\t\t";
}

// The newest hash audit verify reports for a site.
QString newestHash(const QString& site)
{
    const QString output = tables({"audit", "verify", site}).output;
    return output.sliced(output.indexOf(QStringLiteral("newest hash: ")) + 13).trimmed();
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
    void restoreKeepsWhatItReplaces();
    void siteMovesWithItsJournals_data();
    void siteMovesWithItsJournals();
    void textsKeptAsTheFilesHoldThem_data();
    void textsKeptAsTheFilesHoldThem();
    void otherEncodingRefused();

private:
    PgCluster m_cluster;
};

void TestPgTool::init()
{
    QVERIFY2(m_cluster.isValid(), "no test server: run through ctest, which starts one");
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_tool_test")));
}

// The same commands on a site of files and on one of the database, both
// holding the demo set and a card journal, end alike, leave the same
// records, write the same files and make the same backups. %w is the site,
// %o a folder for output, %i a persons file, %b the oldest backup.
void TestPgTool::sameResultsAsFiles_data()
{
    QTest::addColumn<QList<QStringList>>("runs");
    const QStringList importing{"import", "persons", "%w", "%i"};
    QTest::newRow("export persons") << QList<QStringList>{{"export", "persons", "%w", "%o/persons.csv"}};
    QTest::newRow("export readers") << QList<QStringList>{{"export", "readers", "%w", "%o/readers.csv"}};
    QTest::newRow("import persons") << QList<QStringList>{importing, {"export", "persons", "%w", "%o/persons.csv"}};
    QTest::newRow("import refused") << QList<QStringList>{importing, importing};
    QTest::newRow("import creating a group") << QList<QStringList>{
        {"import", "persons", "%w", "%n", "--create-groups"}, {"export", "groups", "%w", "%o/groups.csv"}};
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
    makeDatabaseSite(base, m_cluster.server({}));
    QCOMPARE(tables({"db", "import", base, files}).exitCode, 0);
    writeFile(dir.filePath(QStringLiteral("in.csv")), "\xEF\xBB\xBFNUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n"
                                                      "601,Żak,Ola,Magazyn,1,\r\n602,Łoś,Jan,Ochrona,2,\"a\r\nb\"\r\n");
    writeFile(dir.filePath(QStringLiteral("new.csv")), "Nazwisko;Dzia\xb3\r\nLis;Recepcja\r\n"); // Windows-1250
    // The same card journal at both sites: in the database, and as the file it is written out to.
    QVERIFY(m_cluster.exec(QStringLiteral("INSERT INTO card_journal (desk, line) VALUES ('gate', 'the site''s card journal')")));
    pgjournals::writeFiles(m_cluster.server({}), files);
    for (const QString& site : {files, base})
        QVERIFY(QDir().mkpath(site + QStringLiteral("-out")));
    for (const QStringList& run : runs) {
        QList<ToolRun> done;
        for (const QString& site : {files, base}) {
            QStringList args = run;
            done.append(tables(args.replaceInStrings(QStringLiteral("%w"), site)
                                   .replaceInStrings(QStringLiteral("%o"), site + QStringLiteral("-out"))
                                   .replaceInStrings(QStringLiteral("%i"), dir.filePath(QStringLiteral("in.csv")))
                                   .replaceInStrings(QStringLiteral("%n"), dir.filePath(QStringLiteral("new.csv")))
                                   .replaceInStrings(QStringLiteral("%b"), backup::list(site).value(0))));
        }
        QVERIFY2(done[0].exitCode == done[1].exitCode, qPrintable(done[0].output + done[1].output));
    }
    // What db export writes reads in other dBase tools as the files do.
    QCOMPARE(tables({"db", "export", base, dir.filePath(QStringLiteral("now"))}).exitCode, 0);
    const QByteArray now = xbaseDump(dir.filePath(QStringLiteral("now")));
    QVERIFY2(now.count("\n0|") > 3, now.constData());
    QCOMPARE(now, xbaseDump(files));
    for (const QString& name : QDir(files + QStringLiteral("-out")).entryList(QDir::Files))
        QCOMPARE(readFile(base + QStringLiteral("-out/") + name), readFile(files + QStringLiteral("-out/") + name));
    QCOMPARE(backupsOf(base), backupsOf(files));
}

// A set moved in stores nothing in any table when a record of its last
// table breaks the database's checks, or when the server ends the
// connection as that table's first record goes in.
void TestPgTool::importAllOrNothing_data()
{
    QTest::addColumn<bool>("badRecord");
    QTest::addColumn<QString>("onServer");
    QTest::addColumn<QString>("named");
    QTest::newRow("a relay time of 0 in sprzet.dbf")
        << true << QString() << QStringLiteral("the record of sprzet.dbf with ID_CZYT 9 cannot be stored");
    QTest::newRow("connection ended at sprzet.dbf")
        << false
        << "CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN PERFORM pg_terminate_backend("
           "pg_backend_pid()); RETURN NEW; END $$; CREATE TRIGGER cut BEFORE INSERT ON readers EXECUTE FUNCTION cut()"
        << QString();
}

void TestPgTool::importAllOrNothing()
{
    QFETCH(bool, badRecord);
    QFETCH(QString, onServer);
    QFETCH(QString, named);
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    if (badRecord) {
        Table readers;
        readers.open(dir.filePath(TableLayouts::ReadersFile));
        readers.insert();
        readers.setInteger(ReaderField::Number, 9);
        readers.setInteger(ReaderField::Time, 0);
        readers.post();
    }
    QString error;
    QVERIFY2(onServer.isEmpty() || m_cluster.exec(onServer, &error), qPrintable(error));
    makeDatabaseSite(dir.filePath(QStringLiteral("site")), m_cluster.server({}));
    const ToolRun done = tables({"db", "import", dir.filePath(QStringLiteral("site")), dir.path()});
    QCOMPARE(done.exitCode, 1);
    QVERIFY2(done.output.contains(QStringLiteral("nothing was imported")), qPrintable(done.output));
    QVERIFY2(done.output.contains(named), qPrintable(done.output));
    for (PgStore::Kind kind : {PgStore::Kind::Persons, PgStore::Kind::Groups, PgStore::Kind::Readers})
        QCOMPARE(PgStore(m_cluster.server({}), kind).recordCount(), 0);
}

// A desk's change not yet stored when a restore begins is neither lost nor
// put back: the restore waits for it, and its backup of the records it
// replaces holds it.
void TestPgTool::restoreKeepsWhatItReplaces()
{
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    const QString site = dir.filePath(QStringLiteral("site"));
    makeDatabaseSite(site, m_cluster.server({}));
    QCOMPARE(tables({"db", "import", site, dir.path()}).exitCode, 0);
    const PgServer server = m_cluster.server({});
    {
        QSqlDatabase desk = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("desk"));
        desk.setHostName(server.host);
        desk.setDatabaseName(server.name);
        desk.setUserName(server.user);
        QVERIFY(desk.open() && desk.transaction());
        QSqlQuery change(desk);
        QVERIFY(change.exec(
            QStringLiteral("UPDATE persons SET \"NAME\" = 'Zmieniony' WHERE id = (SELECT min(id) FROM persons)")));
        QProcess restore;
        restore.setProcessChannelMode(QProcess::MergedChannels);
        restore.start(QStringLiteral(PELLARO_TABLES_EXE), {QStringLiteral("restore"), dir.path(), site});
        QTRY_VERIFY_WITH_TIMEOUT(
            change.exec(QStringLiteral("SELECT 1 FROM pg_locks WHERE NOT granted AND database = "
                                       "(SELECT oid FROM pg_database WHERE datname = current_database())")) &&
                change.next(),
            30000);
        QVERIFY(desk.commit());
        QVERIFY(restore.waitForFinished(60000));
        const QString told = QString::fromUtf8(restore.readAll());
        QVERIFY2(restore.exitCode() == 0, qPrintable(told));
        const QString kept = told.section(QStringLiteral("the records replaced are kept in "), 1).section(u'\n', 0, 0);
        QVERIFY2(xbaseDump(kept).contains("Zmieniony"), qPrintable(told));
        QVERIFY(change.exec(QStringLiteral("SELECT 1 FROM persons WHERE \"NAME\" = 'Zmieniony'")) && !change.next());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("desk"));
}

// A site moved into the database and back out keeps the cards it has in
// the field, in a journal of either layout: a newcomer gets the number the
// files would give (not that of a card still in the field), and the audit
// trail goes on from the site's own newest line, with a line for each move.
void TestPgTool::siteMovesWithItsJournals_data()
{
    QTest::addColumn<bool>("olderLayout");
    QTest::newRow("cards.log of the current layout") << false;
    QTest::newRow("cards.log of the older layout") << true;
}

void TestPgTool::siteMovesWithItsJournals()
{
    QFETCH(bool, olderLayout);
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_tool_test"), false));
    QTemporaryDir dir;
    const QString files = dir.filePath(QStringLiteral("files"));
    const QString base = dir.filePath(QStringLiteral("base"));
    const QString back = dir.filePath(QStringLiteral("back"));
    const QString csv = dir.filePath(QStringLiteral("in.csv"));
    QVERIFY(QDir().mkpath(files));
    QCOMPARE(tables({"create", files}).exitCode, 0);
    const QByteArray header = "NUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n";
    writeFile(csv, header + "1,A,B,,0,\r\n2,C,D,,0,\r\n3,E,F,,0,\r\n7,G,H,,0,\r\n");
    QCOMPARE(tables({"import", "persons", files, csv}).exitCode, 0);
    // The persons of numbers 8 and 9 are gone; their cards still open doors.
    writeFile(files + QStringLiteral("/cards.log"), (olderLayout ? journal::OldHeader : journal::Header).toLatin1() +
                                                        "\r\n" + cardLine(8, olderLayout) + "\r\n" +
                                                        cardLine(9, olderLayout) + "\r\n");
    const QByteArray trail = readFile(files + QStringLiteral("/audit.log"));
    const QString trailHash = newestHash(files);

    makeDatabaseSite(base, m_cluster.server({}));
    QCOMPARE(tables({"db", "init", base}).exitCode, 0);
    const ToolRun moved = tables({"db", "import", base, files});
    QVERIFY2(moved.exitCode == 0, qPrintable(moved.output));

    writeFile(csv, header + ",Nowak,Ewa,,0,\r\n");
    for (const QString& site : {files, base}) {
        QCOMPARE(tables({"import", "persons", site, csv}).exitCode, 0);
        QCOMPARE(tables({"export", "persons", site, site + QStringLiteral(".csv")}).exitCode, 0);
        QByteArray number;
        for (const QByteArray& line : readFile(site + QStringLiteral(".csv")).split('\n'))
            number += line.contains("Nowak") ? line.left(line.indexOf(',')) : QByteArray();
        QCOMPARE(number, QByteArray("10"));
    }
    QVERIFY2(moved.output.contains(QStringLiteral("imported 2 lines of cards.log")), qPrintable(moved.output));
    QCOMPARE(tables({"cards", base}).output, tables({"cards", files}).output);

    QCOMPARE(tables({"db", "export", base, back}).exitCode, 0);
    QCOMPARE(tables({"cards", back}).output, tables({"cards", files}).output);
    // The site's lines as they were, then db init, db import and the newcomer's import.
    const QByteArray backTrail = readFile(back + QStringLiteral("/audit.log"));
    QVERIFY(backTrail.startsWith(trail));
    QStringList actions;
    for (const QByteArray& line : backTrail.sliced(trail.size()).split('\n'))
        actions.append(QString::fromUtf8(line).section(u'\t', 4, 4));
    QCOMPARE(actions, (QStringList{"db init", "db import", "import", ""}));
    QCOMPARE(tables({"audit", "verify", back, "--from", trailHash}).exitCode, 0);
    // db export left its line on the database, after what it wrote out.
    const ToolRun siteTrail = tables({"audit", "verify", base, "--from", newestHash(back)});
    QVERIFY2(siteTrail.exitCode == 0 &&
                 siteTrail.output.contains(QStringLiteral("events: %1\n").arg(trail.count('\n') + 4)),
             qPrintable(siteTrail.output));
}

// Texts go in and come out as the table files hold them: the five bytes of
// code page 1250 that the server's own WIN1250 conversion has no character
// for, and a name of the field's full width in Polish letters.
void TestPgTool::textsKeptAsTheFilesHoldThem_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char byte : {'\x81', '\x83', '\x88', '\x90', '\x98'})
        QTest::addRow("byte %02X", int(uchar(byte))) << ("Kowal" + QByteArray(1, byte) + "ski");
    QTest::newRow("40 Polish letters") << cp1250::encode(QString(40, u'Ż'));
}

void TestPgTool::textsKeptAsTheFilesHoldThem()
{
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    {
        Table persons;
        persons.open(dir.filePath(TableLayouts::PersonsFile));
        persons.insert();
        persons.setInteger(PersonField::Number, 77);
        persons.setText(PersonField::FamilyName, cp1250::decode(name));
        persons.post();
    }
    writeFile(dir.filePath(QStringLiteral("cards.log")),
              journal::Header.toLatin1() + "\r\n" + cardLine(77, false, name) + "\r\n");
    const QString site = dir.filePath(QStringLiteral("site"));
    makeDatabaseSite(site, m_cluster.server({}));
    const ToolRun moved = tables({"db", "import", site, dir.path()});
    QVERIFY2(moved.exitCode == 0, qPrintable(moved.output));
    const QString back = dir.filePath(QStringLiteral("back"));
    QCOMPARE(tables({"db", "export", site, back}).exitCode, 0);
    QCOMPARE(xbaseDump(back), xbaseDump(dir.path()));
    QVERIFY(readFile(back + QStringLiteral("/cards.log")).contains("\t" + name + "\t"));
}

// db init refuses a database it cannot keep the texts in, with the command that makes one it can.
void TestPgTool::otherEncodingRefused()
{
    QVERIFY(m_cluster.freshDatabase(QStringLiteral("pellaro_tool_other"), false, QStringLiteral("SQL_ASCII")));
    QTemporaryDir dir;
    makeDatabaseSite(dir.path(), m_cluster.server({}));
    const ToolRun done = tables({"db", "init", dir.path()});
    QCOMPARE(done.exitCode, 1);
    QVERIFY2(done.output.contains(QStringLiteral("createdb --encoding=UTF8 --template=template0 pellaro_tool_other")),
             qPrintable(done.output));
}

QTEST_GUILESS_MAIN(TestPgTool)
#include "test_pgtool.moc"
