// The pellaro-tables command, run as the installer runs it.

#include "KillPoints.h"
#include "TablesTool.h"
#include "dbf/DbfBytes.h"

#include "config/AppError.h"
#include "data/Backup.h"
#include "data/Table.h"
#include "dbf/RollbackJournal.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestPellaroTables : public QObject
{
    Q_OBJECT

private slots:
    void createMakesEmptyTablesOnce();
    void demoFillsTablesThatCheckFindsSound();
    void checkReportsDamageAndTablesInUse();
    void cardsListsEveryPersonsCard();
    void interruptedRestoreIsClearedUp_data();
    void interruptedRestoreIsClearedUp();
    void readingChangesNoTable_data();
    void readingChangesNoTable();
    void craftedJournalIsDamageNotACrash_data();
    void craftedJournalIsDamageNotACrash();
    void usage();
};

void TestPellaroTables::createMakesEmptyTablesOnce()
{
    QTemporaryDir dir;
    ToolRun r = tables({"create", dir.path()});
    QCOMPARE(r.exitCode, 0);
    for (const char* name : {"osoby.dbf", "osoby.dbt", "grupa.dbf", "grupa.dbt", "sprzet.dbf", "sprzet.dbt"})
        QVERIFY2(QFileInfo::exists(dir.filePath(name)), name);
    Table persons;
    persons.open(dir.filePath("osoby.dbf"));
    QVERIFY(persons.isEmpty());
    persons.close();

    const QByteArray before = dbfbytes::read(dir.filePath("grupa.dbf"));
    r = tables({"create", dir.path()});
    QVERIFY(r.exitCode != 0);
    QVERIFY2(r.output.contains("exists"), qPrintable(r.output));
    QCOMPARE(dbfbytes::read(dir.filePath("grupa.dbf")), before);
    QVERIFY(tables({"create", dir.filePath("nonexistent")}).exitCode != 0);
}

void TestPellaroTables::demoFillsTablesThatCheckFindsSound()
{
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    Table persons;
    persons.open(dir.filePath("osoby.dbf"));
    QVERIFY(persons.rowCount() >= 3);
    QVERIFY(persons.locate("NAME", QStringLiteral("żółkiewski"), Qt::CaseInsensitive));
    QVERIFY(persons.asInteger("NUMBER") > 0);
    Table groups;
    groups.open(dir.filePath("grupa.dbf"));
    // Every person's group exists, or carries the no-group marker.
    for (persons.first(); !persons.atEnd(); persons.next()) {
        const QString group = persons.asText("GROUP");
        QVERIFY2(group == u"Lack of assignment!" || groups.locate("NAME", group, Qt::CaseSensitive), qPrintable(group));
    }
    persons.close();
    groups.close();
    const ToolRun r =
        tables({"check", dir.filePath("osoby.dbf"), dir.filePath("grupa.dbf"), dir.filePath("sprzet.dbf")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.output.count("no problems found"), 3);
}

void TestPellaroTables::checkReportsDamageAndTablesInUse()
{
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    const QString path = dir.filePath("sprzet.dbf");

    {
        // Another program has the table open: check says so and does not read it.
        Table open;
        open.open(path);
        const ToolRun r = tables({"check", path});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.output.contains("in use") && r.output.contains("sprzet.dbf"), qPrintable(r.output));
    }

    QByteArray dbf = dbfbytes::read(path);
    const int headerLength = quint8(dbf[8]) | quint8(dbf[9]) << 8;
    const int recordLength = quint8(dbf[10]) | quint8(dbf[11]) << 8;
    dbf.chop(1 + recordLength / 2);             // a cut-short last record
    dbf[headerLength + recordLength - 1] = 'X'; // EMULACJA of record 1
    dbfbytes::write(path, dbf);
    const ToolRun r = tables({"check", path, dir.filePath("osoby.dbf")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.output.contains("record 1: field EMULACJA"), qPrintable(r.output));
    QVERIFY2(r.output.contains("complete records"), qPrintable(r.output));
    QVERIFY2(r.output.contains("osoby.dbf: no problems found"), qPrintable(r.output));
    QCOMPARE(dbfbytes::read(path), dbf); // check changes nothing
}

void TestPellaroTables::cardsListsEveryPersonsCard()
{
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    QFile config(dir.filePath("config.ini"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("[PASSWORD]\r\nsys_nr=7\r\n");
    config.close();
    // Person 1's card opens what Zarząd (readers 1..5) opened; person 2's
    // Księgowość card carries readers 1 and 4, an old system number; person
    // 9 is no longer in the table but his card still opens reader 1; line 5
    // is damaged. The first line is from before the read-back columns.
    QFile journal(dir.filePath("cards.log"));
    QVERIFY(journal.open(QIODevice::WriteOnly));
    journal.write("time\trole\toperation\tperson\tsystem\tduplicate\tgroup\tdata\r\n"
                  "2024-03-05 14:07:09\tuser\tProgram\t1\t7\t0\tZarz\xB9"
                  "d\tF800005D000000A5000000A5000000A5\r\n"
                  "2024-03-05 14:07:10\tuser\tProgram\t2\t6\t1\tKsi\xEAgowo\x9C\xE6\t90000035000000A5000000A5000000A5"
                  "\tverified\t\t\t\t\r\n"
                  "2024-03-05 14:07:11\tuser\tProgram\t9\t7\t0\tMagazyn\t80000025000000A5000000A5000000A5\r\n"
                  "2024-03-05 14:0\r\n"
                  "2024-03-05 14:07:12\tuser\tRemove permissions\t5\t7\t0\tOchrona\t000000A5000000A5000000A5000000A5"
                  "\tverified\t\t\t\t\r\n");
    journal.close();

    // The program has the tables open: the tool reads them all the same.
    Table persons;
    persons.open(dir.filePath("osoby.dbf"));
    const ToolRun r = tables({"cards", dir.path()});
    QCOMPARE(r.exitCode, 0);
    QStringList lines = r.output.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.takeFirst(), QDir::toNativeSeparators(journal.fileName()).prepend("pellaro-tables: ") +
                                    QStringLiteral(": line 5 is damaged and counts for no card"));
    QCOMPARE(lines, (QStringList{
                        QStringLiteral("1\tŻółkiewski\tŁukasz\tup to date\t2024-03-05 14:07:09\t0001000700"),
                        QStringLiteral("2\tWiśniewska\tMałgorzata\tto rewrite\t2024-03-05 14:07:10\t0002000601"),
                        QStringLiteral("3\tBrzęczyszczykiewicz\tGrzegorz\tno card yet\t\t"),
                        QStringLiteral("4\tNałkowska\tZofia\tno card yet\t\t"),
                        QStringLiteral("5\tĆwikła\tJózef\twithdrawn\t2024-03-05 14:07:12\t0005000700"),
                        QStringLiteral("6\tŚwiątek\tEwa\tno card yet\t\t"),
                        QStringLiteral("7\tDąbrowska\tBożena\tno card yet\t\t"),
                        QStringLiteral("9\t\t\tto rewrite\t2024-03-05 14:07:11\t0009000700"),
                    }));

    // New numbers pass over person 9's card, still out; a name a spreadsheet
    // would run as a formula is listed guarded.
    persons.close();
    QFile in(dir.filePath("in.csv"));
    QVERIFY(in.open(QIODevice::WriteOnly) && in.write("NAME\n=Nowak\nLis\n") > 0);
    in.close();
    QCOMPARE(tables({"import", "persons", dir.path(), in.fileName()}).exitCode, 0);
    lines = tables({"cards", dir.path()}).output.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(8), (QStringList{"8\t'=Nowak\t\tno card yet\t\t", "10\tLis\t\tno card yet\t\t",
                                        "9\t\t\tto rewrite\t2024-03-05 14:07:11\t0009000700"}));
}

void TestPellaroTables::interruptedRestoreIsClearedUp_data()
{
    QTest::addColumn<QString>("diesAt");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<QString>("told");
    QTest::newRow("before the commit")
        << "rename .restore-commit-partial .restore-commit" << false
        << "pellaro-tables: an interrupted restore was undone; it had replaced nothing\n";
    QTest::newRow("between two renames") << "rename grupa.dbf grupa.dbf" << true
                                         << "pellaro-tables: an interrupted restore of %1 was finished; the tables are "
                                            "those of the backup\n";
}

// The next command on the working directory finishes or undoes a restore
// that was killed, before it reads the tables, and says which on stderr.
void TestPellaroTables::interruptedRestoreIsClearedUp()
{
    QFETCH(QString, diesAt);
    QFETCH(bool, finished);
    QFETCH(QString, told);
    // A backup of the demo, then one person fewer.
    const auto prepare = [](const QTemporaryDir& dir) -> QString {
        if (tables({"demo", dir.path()}).exitCode != 0)
            return {};
        const QString saved = backup::make(dir.path()).folder;
        Table persons;
        persons.open(dir.filePath("osoby.dbf"));
        persons.remove();
        return saved;
    };
    QTemporaryDir rehearsal;
    const QString rehearsed = prepare(rehearsal);
    const int at =
        int(killpoints::run([&] { backup::restore(rehearsed, rehearsal.path()); }).steps.indexOf(diesAt)) + 1;
    QVERIFY(at > 0);

    QTemporaryDir dir;
    const QString saved = prepare(dir);
    const QByteArray savedPersons = dbfbytes::read(QDir(saved).filePath("osoby.dbf"));
    const QByteArray oldPersons = dbfbytes::read(dir.filePath("osoby.dbf"));
    QVERIFY(killpoints::run([&] { backup::restore(saved, dir.path()); }, at).crashed);

    ToolRun r = tables({"export", "persons", dir.path(), dir.filePath("persons.csv")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.output.startsWith(finished ? told.arg(QDir::toNativeSeparators(saved)) : told), qPrintable(r.output));
    QCOMPARE(dbfbytes::read(dir.filePath("osoby.dbf")), finished ? savedPersons : oldPersons);
    r = tables({"backup", dir.path()});
    QVERIFY2(!r.output.contains("interrupted"), qPrintable(r.output));
    QVERIFY(dbfbytes::read(dir.filePath("audit.log"))
                .contains(finished ? "\trestore finished\t" : "\trestore undone\t"));
}

void TestPellaroTables::readingChangesNoTable_data()
{
    QTest::addColumn<QStringList>("command"); // %1: the working directory
    QTest::addColumn<QString>("left");        // in osoby.dbf: "uncounted" record, "count" far below, "journal"
    const QStringList exportAll{"export", "persons", "%1", "%1/out.csv"};
    QTest::newRow("export, a record not counted") << exportAll << "uncounted";
    QTest::newRow("export, a count far below") << exportAll << "count";
    QTest::newRow("export, a change cut short") << exportAll << "journal";
    QTest::newRow("backup, a change cut short") << QStringList{"backup", "%1"} << "journal";
    QTest::newRow("cards, a change cut short") << QStringList{"cards", "%1"} << "journal";
}

// Export, cards and backup read a consistent view (so they work beside the
// running program) and leave every table file as it was; what they give
// holds no change cut short.
void TestPellaroTables::readingChangesNoTable()
{
    QFETCH(QStringList, command);
    QFETCH(QString, left);
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    const QString dbf = dir.filePath("osoby.dbf");
    QByteArray bytes = dbfbytes::read(dbf);
    const int recordLength = quint8(bytes[10]) | quint8(bytes[11]) << 8;
    if (left == "count")
        bytes.replace(4, 4, dbfbytes::le32(1));
    if (left == "uncounted") // the last record once more, as a crash before its count leaves it
        bytes.insert(bytes.size() - 1, bytes.mid(bytes.size() - 1 - recordLength, recordLength));
    if (left == "journal") {
        const qsizetype at = bytes.indexOf("\xAF\xF3\xB3kiewski"); // Żółkiewski, person 1
        RollbackJournal(dbf).start(bytes.size(), -1, {{false, at, bytes.mid(at, 10)}});
        bytes.replace(at, 10, "Zmieniony ");
    }
    dbfbytes::write(dbf, bytes);
    const auto tableFiles = [&] {
        QStringList files;
        for (const QString& name : QDir(dir.path()).entryList({"osoby.*"}, QDir::Files | QDir::Hidden))
            files << name + ' ' + QString::number(qHash(dbfbytes::read(dir.filePath(name))));
        return files;
    };
    const QStringList before = tableFiles();
    QStringList args;
    for (const QString& arg : command)
        args << arg.arg(dir.path());
    const ToolRun r = tables(args);
    QVERIFY2(r.exitCode == 0 && !r.output.contains("Zmieniony"), qPrintable(r.output));
    QCOMPARE(tableFiles(), before);
    for (QDirIterator it(dir.path(), {"out.csv", "osoby.dbf"}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        QVERIFY(it.next() == dbf || !dbfbytes::read(it.filePath()).contains("Zmieniony"));
}

void TestPellaroTables::craftedJournalIsDamageNotACrash_data()
{
    QTest::addColumn<qint64>("tableSize"); // the journal's claims; -1: the table's true size
    QTest::addColumn<bool>("memo");
    QTest::addColumn<qint64>("offset");
    constexpr qint64 Far = qint64(1) << 40;
    QTest::newRow("an image far past the end") << qint64(-1) << false << Far;
    QTest::newRow("a size far past the end") << Far << false << qint64(0);
    QTest::newRow("a note far past the end") << qint64(-1) << true << Far;
    QTest::newRow("an image across the end") << qint64(-1) << false << qint64(-4);
}

// A rollback journal whose checksums hold but whose offsets or sizes lie
// outside the files: every command that reads the table, the check, and the
// program's opening for writing report the table damaged and change no file.
void TestPellaroTables::craftedJournalIsDamageNotACrash()
{
    QFETCH(qint64, tableSize);
    QFETCH(bool, memo);
    QFETCH(qint64, offset);
    QTemporaryDir dir;
    QCOMPARE(tables({"demo", dir.path()}).exitCode, 0);
    const QString dbf = dir.filePath("osoby.dbf");
    const qint64 size = dbfbytes::read(dbf).size();
    const qint64 notes = dbfbytes::read(dir.filePath("osoby.dbt")).size();
    RollbackJournal(dbf).start(tableSize < 0 ? size : tableSize, memo ? notes : -1,
                               {{memo, offset < 0 ? size + offset : offset, QByteArray(8, 'X')}});
    QStringList before;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
        before << name + ' ' + QString::number(qHash(dbfbytes::read(dir.filePath(name))));
    const QString journal = QDir::toNativeSeparators(RollbackJournal::pathFor(dbf));
    for (const QStringList& command : {QStringList{"export", "persons", dir.path(), dir.filePath("out.csv")},
                                       QStringList{"cards", dir.path()}, QStringList{"check", dbf}}) {
        const ToolRun r = tables(command);
        QVERIFY2(r.exitCode == 1 && r.output.contains(journal + ": the journal does not fit the table (damaged"),
                 qPrintable(command.first() + ": " + r.output));
    }
    Table t;
    QVERIFY_THROWS_EXCEPTION(AppError, t.open(dbf));
    QStringList after;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
        after << name + ' ' + QString::number(qHash(dbfbytes::read(dir.filePath(name))));
    QCOMPARE(after, before);
}

void TestPellaroTables::usage()
{
    QCOMPARE(tables({}).exitCode, 2);
    QCOMPARE(tables({"check"}).exitCode, 2);
    QCOMPARE(tables({"pack", "x.dbf"}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestPellaroTables)
#include "test_pellaro_tables.moc"
