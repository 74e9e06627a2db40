// Every change of the tables survives a crash whole or not at all: each
// operation is run once to list its file steps, then again for every step,
// crashed there (and for writes, torn part-way), and the table is reopened as
// the program opens it. It must be wholly as before or wholly as after, and
// the operator told what was mended.

#include "ExchangeFixture.h"
#include "KillPoints.h"

#include "config/AppError.h"
#include "data/DbfFile.h"
#include "data/FileSync.h"
#include "data/RollbackJournal.h"
#include "data/TableCheck.h"
#include "data/TableExchange.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <map>

using Operation = std::function<void(const QString& dir)>;
Q_DECLARE_METATYPE(Operation)

namespace {

const QStringList Groups{QStringLiteral("Zarząd"), QStringLiteral("Magazyn")};

QString persons(const QString& dir)
{
    return QDir(dir).filePath(TableLayouts::PersonsFile);
}

QString personsNotes(const QString& dir)
{
    return QDir(dir).filePath(QStringLiteral("osoby.dbt"));
}

// The notes file starts with the number of its next free block (an append
// moves it on before the record is counted).
constexpr int NextFreeBlockSize = 4;

quint32 nextFreeBlock(const QByteArray& notes)
{
    return quint32(quint8(notes[0])) | quint32(quint8(notes[1])) << 8 | quint32(quint8(notes[2])) << 16 |
           quint32(quint8(notes[3])) << 24;
}

// Every file of a folder by name.
std::map<QString, QByteArray> snapshot(const QString& dir)
{
    std::map<QString, QByteArray> files;
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden); it.hasNext();) {
        it.next();
        files[it.fileName()] = readFile(it.filePath());
    }
    return files;
}

void restore(const QString& dir, const std::map<QString, QByteArray>& files)
{
    for (const auto& [name, bytes] : files)
        writeFile(QDir(dir).filePath(name), bytes);
}

// An installation with three persons, each with a note.
void makePersons(const QString& dir)
{
    fixture::makeInstallation(dir, Groups);
    Table t;
    t.open(persons(dir));
    for (int n = 1; n <= 3; ++n) {
        t.insert();
        t.setInteger(PersonField::Number, n);
        t.setText(PersonField::FirstName, QStringLiteral("Imię %1").arg(n));
        t.setText(PersonField::FamilyName, QStringLiteral("Nazwisko %1").arg(n));
        t.setText(PersonField::Group, Groups[0]);
        t.setText(PersonField::Info, QStringLiteral("Notatka %1 żółw").arg(n));
        t.post();
    }
}

// What a reopening finds: the records with their notes, the count in the
// header, and what the operator is told.
struct Reopened
{
    QStringList records;
    quint32 count = 0;
    QList<TableRepair> told;
    QStringList warnings;
};

Reopened reopen(const QString& dir)
{
    Reopened r;
    Table t;
    t.open(persons(dir));
    r.told = t.takeRepairs();
    r.warnings = t.warnings();
    for (t.first(); !t.atEnd(); t.next()) {
        QStringList fields;
        for (int position = 1; position <= t.fieldCount(); ++position)
            fields << t.textAt(position);
        r.records << fields.join(u'|');
    }
    const QByteArray dbf = readFile(persons(dir));
    r.count = quint32(quint8(dbf[4])) | quint32(quint8(dbf[5])) << 8 | quint32(quint8(dbf[6])) << 16 |
              quint32(quint8(dbf[7])) << 24;
    return r;
}

struct Step
{
    QString text; // as killpoints describes it
    bool write = false;
    bool tableRecord = false; // a write of one whole record of osoby.dbf
    qint64 size = 0;
};

// The steps of an operation run to its end, in this process.
QList<Step> stepsOf(const Operation& op, const QString& dir, int recordLength)
{
    QList<Step> steps;
    const filesync::Hook previous = filesync::setHook([&](const filesync::Step& s) {
        const bool write = s.kind == filesync::Step::Kind::Write;
        steps.append({killpoints::describe(s), write,
                      write && s.path.endsWith(TableLayouts::PersonsFile) && s.bytes.size() == recordLength,
                      s.bytes.size()});
        return 0;
    });
    op(dir);
    filesync::setHook(previous);
    return steps;
}

struct KillPoint
{
    int at;
    qint64 torn;
};

// Each step; a write also torn after 1 byte, half of it and all but one, and
// a record of the table torn at every byte.
QList<KillPoint> killPointsOf(const QList<Step>& steps)
{
    QList<KillPoint> points;
    for (int i = 0; i < steps.size(); ++i) {
        points.append({i + 1, -1});
        const qint64 size = steps[i].size;
        if (!steps[i].write || size < 2)
            continue;
        if (steps[i].tableRecord) {
            for (qint64 k = 1; k < size; ++k)
                points.append({i + 1, k});
        } else {
            for (qint64 k : {qint64(1), size / 2, size - 1})
                points.append({i + 1, k});
        }
    }
    return points;
}

int personsRecordLength(const QString& dir)
{
    return DbfFile::open(persons(dir), DbfFile::Access::ReadOnly)->recordLength();
}

QString where(const KillPoint& point, const QList<Step>& steps)
{
    return QStringLiteral("crash at step %1 (%2), torn %3").arg(point.at).arg(steps[point.at - 1].text).arg(point.torn);
}

QByteArray personsCsv()
{
    return QByteArray("NUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n"
                      "10,Kowalska,Anna,Zarząd,0,Nowa osoba 10\r\n"
                      "11,Nowak,Jan,Magazyn,1,\"Dwie\r\nlinie\"\r\n"
                      "12,Wiśniewski,Piotr,,0,Nowa osoba 12\r\n");
}

void importPersons(const QString& dir)
{
    Table personsTable;
    personsTable.open(persons(dir));
    Table groups;
    groups.open(QDir(dir).filePath(TableLayouts::GroupsFile));
    const exchange::ImportResult result = exchange::importPersons(personsTable, groups, personsCsv());
    if (!result.problems.isEmpty())
        throw AppError(exchange::problemText(result.problems));
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void notesShrunkByAnotherProgram_data();
    void notesShrunkByAnotherProgram();
    void changeIsWholeAfterACrash_data();
    void changeIsWholeAfterACrash();
    void importFailingToWriteLeavesTheFilesAsTheyWere();
    void tableIsCreatedWholeOrNotAtAll_data();
    void tableIsCreatedWholeOrNotAtAll();
};

void TestCrashSafety::initTestCase()
{
    // A crash here is a process that ends, not a power cut: what was written
    // stays written, synced or not. Syncing would only make the many runs slow.
    filesync::setFunction([](int, const QString&, filesync::Kind) { return 0; });
}

void TestCrashSafety::notesShrunkByAnotherProgram_data()
{
    QTest::addColumn<qint64>("size"); // of the notes file after the other program; -1: into the third note
    QTest::addColumn<QString>("error");
    QTest::newRow("cut to 1 MiB") << qint64(1048576) << "(record 3) lies beyond the end of the file";
    QTest::newRow("cut to nothing") << qint64(0) << "(record 3) lies beyond the end of the file";
    QTest::newRow("cut inside the note") << qint64(-1) << "(record 3) claims a length of";
}

void TestCrashSafety::notesShrunkByAnotherProgram()
{
    QFETCH(qint64, size);
    QFETCH(QString, error);
    QTemporaryDir dir;
    makePersons(dir.path());
    // The third note goes past 2 MiB of notes.
    {
        QFile notes(personsNotes(dir.path()));
        QVERIFY(notes.resize(2 * 1048576));
        Table t;
        t.open(persons(dir.path()));
        t.moveToRow(t.rowCount() - 1);
        t.edit();
        t.setText(PersonField::Info, QStringLiteral("Daleka notatka"));
        t.post();
    }
    Table t;
    t.open(persons(dir.path()));
    t.moveToRow(t.rowCount() - 1);
    QCOMPARE(t.asText(PersonField::Info), QStringLiteral("Daleka notatka"));
    QVERIFY(QFile(personsNotes(dir.path())).resize(size >= 0 ? size : 2 * 1048576 + 12));

    // Read in a child, so that a crash shows as a failure of this row.
    const killpoints::Outcome outcome = killpoints::run([&] { t.asText(PersonField::Info); });
    QVERIFY2(outcome.error.contains(error), qPrintable(outcome.error));
    QVERIFY(outcome.error.contains(QStringLiteral("osoby.dbt")));
    QVERIFY_THROWS_EXCEPTION(AppError, t.asText(PersonField::Info));
    t.first();
    QCOMPARE(t.asText(PersonField::FirstName), QStringLiteral("Imię 1")); // the records still read
}

void TestCrashSafety::changeIsWholeAfterACrash_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("journaled"); // some crash leaves a journal to play back
    QTest::addColumn<bool>("tail");      // some crash leaves a record the count does not cover
    QTest::newRow("edit SURNAME and note") << Operation([](const QString& dir) {
        Table t;
        t.open(persons(dir));
        t.locate(PersonField::Number, 2);
        t.edit();
        t.setText(PersonField::FirstName, QStringLiteral("Zmieniona"));
        t.setText(PersonField::Info, QStringLiteral("Nowa notatka"));
        t.post();
    }) << true << false;
    QTest::newRow("delete") << Operation([](const QString& dir) {
        Table t;
        t.open(persons(dir));
        t.locate(PersonField::Number, 2);
        t.remove();
    }) << true << false;
    QTest::newRow("group of every person, one batch") << Operation([](const QString& dir) {
        Table t;
        t.open(persons(dir));
        Table::Batch batch(t);
        for (t.first(); !t.atEnd(); t.next()) {
            t.edit();
            t.setText(PersonField::Group, Groups[1]);
            t.post();
        }
    }) << true << false;
    QTest::newRow("append with a note") << Operation([](const QString& dir) {
        Table t;
        t.open(persons(dir));
        t.insert();
        t.setInteger(PersonField::Number, 4);
        t.setText(PersonField::FamilyName, QStringLiteral("Dodana"));
        t.setText(PersonField::Info, QStringLiteral("Notatka 4"));
        t.post();
    }) << false << true;
    QTest::newRow("import of three persons") << Operation(importPersons) << true << false;
}

void TestCrashSafety::changeIsWholeAfterACrash()
{
    QFETCH(Operation, operation);
    QFETCH(bool, journaled);
    QFETCH(bool, tail);
    QTemporaryDir model;
    makePersons(model.path());
    const std::map<QString, QByteArray> before = snapshot(model.path());
    const Reopened old = reopen(model.path());
    const int recordLength = personsRecordLength(model.path());

    QTemporaryDir scratch;
    restore(scratch.path(), before);
    const QList<Step> steps = stepsOf(operation, scratch.path(), recordLength);
    QVERIFY(!steps.isEmpty());
    const Reopened changed = reopen(scratch.path());
    const QByteArray changedTable = readFile(persons(scratch.path()));
    QVERIFY(changed.records != old.records || changed.count != old.count);

    int undone = 0;
    int moved = 0;
    const QList<KillPoint> points = killPointsOf(steps);
    for (const KillPoint& point : points) {
        QTemporaryDir dir;
        restore(dir.path(), before);
        const killpoints::Outcome outcome = killpoints::run([&] { operation(dir.path()); }, point.at, point.torn);
        const QString at = where(point, steps);
        QVERIFY2(outcome.crashed, qPrintable(at + ": " + outcome.error));

        // A read-only look (the tool's check, a backup) changes nothing.
        const std::map<QString, QByteArray> crashed = snapshot(dir.path());
        TableCheck::run(persons(dir.path()));
        QVERIFY2(snapshot(dir.path()) == crashed, qPrintable(at));

        const Reopened now = reopen(dir.path());
        QVERIFY2(now.warnings.isEmpty(), qPrintable(at + ": " + now.warnings.join(u'\n')));
        const bool wasOld = now.records == old.records && now.count == old.count;
        const bool isNew = now.records == changed.records && now.count == changed.count;
        QVERIFY2(wasOld || isNew, qPrintable(at + ": " + now.records.join(u'\n')));
        const QByteArray table = readFile(persons(dir.path()));
        // Old is the old table file to the byte; the notes file may only have
        // notes no record points to added at its end.
        if (wasOld) {
            QVERIFY2(table == before.at(TableLayouts::PersonsFile), qPrintable(at));
            const QByteArray notes = readFile(personsNotes(dir.path()));
            const QByteArray oldNotes = before.at(QStringLiteral("osoby.dbt"));
            QVERIFY2(notes.mid(NextFreeBlockSize).startsWith(oldNotes.mid(NextFreeBlockSize)), qPrintable(at));
            QVERIFY2(nextFreeBlock(notes) >= nextFreeBlock(oldNotes), qPrintable(at));
        } else {
            QVERIFY2(table == changedTable, qPrintable(at));
        }
        QVERIFY2(!QFileInfo::exists(RollbackJournal::pathFor(persons(dir.path()))), qPrintable(at));
        QVERIFY2(now.told.size() <= 1 && (now.told.isEmpty() || wasOld), qPrintable(at));
        for (const TableRepair& repair : now.told) {
            if (repair.kind == TableRepair::Kind::ChangeUndone) {
                ++undone;
                continue;
            }
            // Nothing is thrown away: the side file holds what followed the counted records.
            ++moved;
            const QByteArray crashedTable = crashed.at(TableLayouts::PersonsFile);
            QCOMPARE(readFile(repair.sideFile), crashedTable.mid(before.at(TableLayouts::PersonsFile).size() - 1));
            QCOMPARE(QFileInfo(repair.sideFile).dir(), QDir(dir.path()));
            QVERIFY(QFileInfo(repair.sideFile).fileName().startsWith(QStringLiteral("osoby.dbf.")));
            QVERIFY(repair.sideFile.endsWith(QStringLiteral(".uncounted")));
        }
        // Told once: the next opening finds nothing to mend.
        QVERIFY2(reopen(dir.path()).told.isEmpty(), qPrintable(at));
        // The operation can be done again, and gives the same table.
        if (wasOld) {
            operation(dir.path());
            QVERIFY2(reopen(dir.path()).records == changed.records, qPrintable(at));
        }
    }
    QVERIFY(!journaled || undone > 0);
    QVERIFY(!tail || moved > 0);
    qInfo().noquote() << points.size() << "kill points," << undone << "changes undone," << moved << "tails moved";
}

// The rollback of an import that fails while writing (a full disk at any of
// its writes): the files are as before, to their sizes.
void TestCrashSafety::importFailingToWriteLeavesTheFilesAsTheyWere()
{
    QTemporaryDir model;
    makePersons(model.path());
    const std::map<QString, QByteArray> before = snapshot(model.path());
    QTemporaryDir scratch;
    restore(scratch.path(), before);
    const QList<Step> steps = stepsOf(importPersons, scratch.path(), 0);

    int failures = 0;
    for (int at = 1; at <= steps.size(); ++at) {
        QTemporaryDir dir;
        restore(dir.path(), before);
        Table personsTable;
        personsTable.open(persons(dir.path()));
        Table groups;
        groups.open(QDir(dir.path()).filePath(TableLayouts::GroupsFile));
        int count = 0;
        const filesync::Hook previous = filesync::setHook([&](const filesync::Step&) {
            if (++count != at)
                return 0;
            errno = ENOSPC;
            return -1;
        });
        QString error;
        try {
            exchange::importPersons(personsTable, groups, personsCsv());
        } catch (const AppError& e) {
            error = e.message();
        }
        filesync::setHook(previous);
        const QString where = QStringLiteral("failing step %1 (%2)").arg(at).arg(steps[at - 1].text);
        QVERIFY2(error.contains(QStringLiteral("No space left on device")), qPrintable(where + ": " + error));
        QVERIFY2(error.endsWith(QStringLiteral("nothing was imported")), qPrintable(where + ": " + error));
        QCOMPARE(personsTable.rowCount(), 3);
        QVERIFY2(snapshot(dir.path()) == before, qPrintable(where));
        ++failures;

        // The same file then imports.
        QVERIFY(exchange::importPersons(personsTable, groups, personsCsv()).problems.isEmpty());
        QCOMPARE(personsTable.rowCount(), 6);
    }
    QVERIFY(failures > 3);
}

void TestCrashSafety::tableIsCreatedWholeOrNotAtAll_data()
{
    QTest::addColumn<QByteArray>("strayNotes"); // left beside no table by an earlier create
    QTest::newRow("empty folder") << QByteArray();
    QTest::newRow("a stray notes file") << QByteArray(100, 'x');
}

void TestCrashSafety::tableIsCreatedWholeOrNotAtAll()
{
    QFETCH(QByteArray, strayNotes);
    const Operation create = [](const QString& dir) {
        DbfFile::create(persons(dir), TableLayouts::personsFields());
    };
    const auto prepare = [&](const QString& dir) {
        if (!strayNotes.isEmpty())
            writeFile(personsNotes(dir), strayNotes);
    };
    QTemporaryDir scratch;
    prepare(scratch.path());
    const QList<Step> steps = stepsOf(create, scratch.path(), 0);
    // The notes come first; the table appears by a rename only.
    QVERIFY(steps.size() >= 2);
    QCOMPARE(steps.first().text, QStringLiteral("write osoby.dbt"));
    QVERIFY(steps.last().text.startsWith(QStringLiteral("rename ")));
    QVERIFY(steps.last().text.endsWith(QStringLiteral(" osoby.dbf")));

    for (const KillPoint& point : killPointsOf(steps)) {
        QTemporaryDir dir;
        prepare(dir.path());
        const killpoints::Outcome outcome = killpoints::run([&] { create(dir.path()); }, point.at, point.torn);
        const QString at = where(point, steps);
        QVERIFY2(outcome.crashed, qPrintable(at + ": " + outcome.error));
        // No table, or a whole one; with none, creating it again succeeds.
        if (!QFileInfo::exists(persons(dir.path())))
            create(dir.path());
        const Reopened created = reopen(dir.path());
        QVERIFY2(created.records.isEmpty() && created.count == 0 && created.warnings.isEmpty(), qPrintable(at));
        Table t;
        t.open(persons(dir.path()));
        t.insert();
        t.setInteger(PersonField::Number, 1);
        t.setText(PersonField::Info, QStringLiteral("pierwsza"));
        t.post();
        QCOMPARE(t.asText(PersonField::Info), QStringLiteral("pierwsza"));
    }
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "test_crash_safety.moc"
