// Every change of the tables survives a crash whole or not at all: each
// operation is run once to list its file steps, then again for every step,
// crashed there (a write also torn part-way), and the table is reopened as
// the program opens it: wholly as before or wholly as after, and the
// operator told what was mended.

#include "ExchangeFixture.h"
#include "KillPoints.h"
#include "dbf/DbfBytes.h"

#include "config/AppError.h"
#include "data/TableExchange.h"
#include "dbf/RollbackJournal.h"
#include "dbf/TableCheck.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <map>

using Operation = std::function<void(const QString& dir)>;
Q_DECLARE_METATYPE(Operation)

namespace {

using Files = std::map<QString, QByteArray>;
const QStringList Groups{QStringLiteral("Zarząd"), QStringLiteral("Magazyn")};
const QString Dbf = QStringLiteral("osoby.dbf");
const QString Dbt = QStringLiteral("osoby.dbt");

Files snapshot(const QString& dir)
{
    Files files;
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden); it.hasNext();) {
        it.next();
        // Who holds an open table is noted beside it, no part of its content.
        if (!it.fileName().endsWith(u".holder"))
            files[it.fileName()] = readFile(it.filePath());
    }
    return files;
}

void restore(const QString& dir, const Files& files)
{
    for (const auto& [name, bytes] : files)
        writeFile(QDir(dir).filePath(name), bytes);
}

// An installation with three persons, each with a note.
Files threePersons()
{
    QTemporaryDir dir;
    fixture::makeInstallation(dir.path(), Groups);
    Table t;
    t.open(dir.filePath(Dbf));
    for (int n = 1; n <= 3; ++n) {
        t.insert();
        t.setInteger(PersonField::Number, n);
        t.setText(PersonField::FirstName, QStringLiteral("Imię %1").arg(n));
        t.setText(PersonField::Group, Groups[0]);
        t.setText(PersonField::Info, QStringLiteral("Notatka %1 żółw").arg(n));
        t.post();
    }
    t.close();
    return snapshot(dir.path());
}

// What the program finds when it opens the persons: every field of every
// record, the count in the header, what it tells and warns.
struct Reopened
{
    QStringList records;
    QList<TableRepair> told;
    QStringList warnings;
};

Reopened reopen(const QString& dir)
{
    Reopened r;
    Table t;
    t.open(QDir(dir).filePath(Dbf));
    r.told = t.takeRepairs();
    r.warnings = t.warnings();
    for (t.first(); !t.atEnd(); t.next()) {
        QStringList fields;
        for (int position = 1; position <= t.fieldCount(); ++position)
            fields << t.textAt(position);
        r.records << fields.join(u'|');
    }
    r.records << QString::number(dbfbytes::readLe32(readFile(QDir(dir).filePath(Dbf)), 4));
    return r;
}

struct KillPoint
{
    int at;
    qint64 torn;
    QString step;
};

// The operation's steps, run to its end in this process: each a kill point;
// a write also torn after 1 byte, half and all but one, a whole record of
// the table at every byte.
QList<KillPoint> killPointsOf(const Operation& op, const QString& dir)
{
    QList<KillPoint> points;
    const quint32 recordLength = dbfbytes::readLe32(readFile(QDir(dir).filePath(Dbf)), 10) & 0xFFFF;
    const filesync::Hook previous = filesync::setHook([&](const filesync::Step& s) {
        const int at = points.isEmpty() ? 1 : points.last().at + 1;
        const QString step = killpoints::describe(s);
        points.append({at, -1, step});
        const qint64 size = s.kind == filesync::Step::Kind::Write ? s.bytes.size() : 0;
        const bool record = s.path.endsWith(Dbf) && size == recordLength;
        for (qint64 k = 1; k < size; ++k)
            if (record || k == 1 || k == size / 2 || k == size - 1)
                points.append({at, k, step});
        return 0;
    });
    op(dir);
    filesync::setHook(previous);
    return points;
}

QByteArray personsCsv()
{
    return QByteArray("NUMBER,NAME,SURNAME,GROUP,INDEX,INFO\r\n"
                      "10,Kowalska,Anna,Zarząd,0,Nowa osoba 10\r\n"
                      "11,Nowak,Jan,Magazyn,1,\"Dwie\r\nlinie\"\r\n"
                      "12,Wiśniewski,Piotr,,0,Nowa osoba 12\r\n");
}

std::unique_ptr<Table> openTable(const QString& dir, const QString& name)
{
    auto t = std::make_unique<Table>();
    t->open(QDir(dir).filePath(name));
    return t;
}

void importPersons(const QString& dir)
{
    const auto persons = openTable(dir, Dbf);
    const auto groups = openTable(dir, TableLayouts::GroupsFile);
    const exchange::ImportResult result = exchange::importPersons(*persons, *groups, personsCsv());
    if (!result.problems.isEmpty())
        throw AppError(exchange::problemText(result.problems));
}

void editPerson(const QString& dir)
{
    const auto t = openTable(dir, Dbf);
    t->moveToRow(1);
    t->edit();
    t->setText(PersonField::FirstName, QStringLiteral("Zmieniona"));
    t->setText(PersonField::Info, QStringLiteral("Nowa notatka"));
    t->post();
}

void removePerson(const QString& dir)
{
    const auto t = openTable(dir, Dbf);
    t->moveToRow(1);
    t->remove();
}

void renameGroup(const QString& dir)
{
    const auto t = openTable(dir, Dbf);
    Table::Batch batch(*t);
    for (t->first(); !t->atEnd(); t->next()) {
        t->edit();
        t->setText(PersonField::Group, Groups[1]);
        t->post();
    }
}

void appendPerson(const QString& dir)
{
    const auto t = openTable(dir, Dbf);
    t->insert();
    t->setInteger(PersonField::Number, 4);
    t->setText(PersonField::Info, QStringLiteral("Notatka 4"));
    t->post();
}

// A table's bytes after its count, as a kill between an append and its count leaves them.
void uncountedTail(const QString& dir)
{
    QFile dbf(QDir(dir).filePath(Dbf));
    if (!dbf.open(QIODevice::Append) || dbf.write(QByteArray(40, 'x')) != 40)
        throw AppError(QStringLiteral("cannot lengthen %1").arg(dbf.fileName()));
    dbf.close();
    openTable(dir, Dbf);
}

void createTable(const QString& dir)
{
    QFile::remove(QDir(dir).filePath(Dbf));
    QFile::remove(QDir(dir).filePath(Dbt));
    DbfFile::create(QDir(dir).filePath(Dbf), TableLayouts::personsFields());
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
    void importFailingToWriteLeavesTheFilesAsTheyWere_data();
    void importFailingToWriteLeavesTheFilesAsTheyWere();
    void tableIsCreatedWholeOrNotAtAll_data();
    void tableIsCreatedWholeOrNotAtAll();
    void notesWithoutTheirTableAreKept_data();
    void notesWithoutTheirTableAreKept();
    void nothingIsCommittedBeforeItIsDurable_data();
    void nothingIsCommittedBeforeItIsDurable();
    void storedImportIsToldStored();
    void createReplacesNothing_data();
    void createReplacesNothing();
};

void TestCrashSafety::initTestCase()
{
    // A crash here is a process that ends, not a power cut: what was written
    // stays, synced or not. Syncing would only make the many runs slow.
    filesync::setFunction([](int, const QString&, filesync::Kind) { return 0; });
}

void TestCrashSafety::notesShrunkByAnotherProgram_data()
{
    QTest::addColumn<qint64>("cut"); // bytes of the notes file left, from where the third note starts
    QTest::addColumn<QString>("error");
    QTest::newRow("cut to 1 MiB") << qint64(-1048576) << "(record 3) lies beyond the end of the file";
    QTest::newRow("cut to nothing") << qint64(-2097152) << "(record 3) lies beyond the end of the file";
    QTest::newRow("cut inside the note") << qint64(12) << "(record 3) claims a length of";
}

void TestCrashSafety::notesShrunkByAnotherProgram()
{
    QFETCH(qint64, cut);
    QFETCH(QString, error);
    QTemporaryDir dir;
    restore(dir.path(), threePersons());
    constexpr qint64 Far = 2097152; // the third note goes there
    QVERIFY(QFile(dir.filePath(Dbt)).resize(Far));
    Table t;
    t.open(dir.filePath(Dbf));
    t.moveToRow(2);
    t.edit();
    t.setText(PersonField::Info, QStringLiteral("Daleka notatka"));
    t.post();
    QVERIFY(QFile(dir.filePath(Dbt)).resize(Far + cut)); // by another program, while the table is open

    // Read in a child, so that a crash shows as a failure of this row.
    const killpoints::Outcome outcome = killpoints::run([&] { t.asText(PersonField::Info); });
    QVERIFY2(outcome.error.contains(error) && outcome.error.contains(Dbt), qPrintable(outcome.error));
    QVERIFY_THROWS_EXCEPTION(AppError, t.asText(PersonField::Info));
    QCOMPARE(t.asText(PersonField::FirstName), QStringLiteral("Imię 3")); // the rest still reads
}

void TestCrashSafety::changeIsWholeAfterACrash_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("tail"); // some crashes leave an append the count does not cover, else a journal
    QTest::newRow("edit SURNAME and note") << Operation(editPerson) << false;
    QTest::newRow("delete") << Operation(removePerson) << false;
    QTest::newRow("group of every person, one batch") << Operation(renameGroup) << false;
    QTest::newRow("append with a note") << Operation(appendPerson) << true;
    QTest::newRow("import of three persons") << Operation(importPersons) << false;
}

void TestCrashSafety::changeIsWholeAfterACrash()
{
    QFETCH(Operation, operation);
    QFETCH(bool, tail);
    const auto told = tail ? TableRepair::Kind::TailMoved : TableRepair::Kind::ChangeUndone;
    const Files before = threePersons();
    QTemporaryDir scratch;
    restore(scratch.path(), before);
    const Reopened old = reopen(scratch.path());
    const QList<KillPoint> points = killPointsOf(operation, scratch.path());
    const Reopened changed = reopen(scratch.path());
    const QByteArray changedTable = readFile(scratch.filePath(Dbf));
    QVERIFY(!points.isEmpty() && changed.records != old.records);

    int mended = 0;
    for (const KillPoint& point : points) {
        const QString at = QStringLiteral("crash at %1 (%2), torn %3").arg(point.at).arg(point.step).arg(point.torn);
        QTemporaryDir dir;
        restore(dir.path(), before);
        QVERIFY2(killpoints::run([&] { operation(dir.path()); }, point.at, point.torn).crashed, qPrintable(at));
        // A read-only look (the tool's check, a backup) changes nothing.
        const Files crashed = snapshot(dir.path());
        TableCheck::run(dir.filePath(Dbf));
        QVERIFY2(snapshot(dir.path()) == crashed, qPrintable(at));

        const Reopened now = reopen(dir.path());
        QVERIFY2(now.warnings.isEmpty(), qPrintable(at + ": " + now.warnings.join(u'\n')));
        const bool wasOld = now.records == old.records;
        QVERIFY2(wasOld || now.records == changed.records, qPrintable(at + ": " + now.records.join(u'\n')));
        // Old is the old table to the byte; the notes file may only have
        // notes no record points to after its own, and its next free block moved on.
        const QByteArray table = readFile(dir.filePath(Dbf));
        const QByteArray notes = readFile(dir.filePath(Dbt));
        QVERIFY2(wasOld ? table == before.at(Dbf) : table == changedTable, qPrintable(at));
        QVERIFY2(!wasOld || (notes.mid(4).startsWith(before.at(Dbt).mid(4)) &&
                             dbfbytes::readLe32(notes, 0) >= dbfbytes::readLe32(before.at(Dbt), 0)),
                 qPrintable(at));
        QVERIFY2(!QFileInfo::exists(RollbackJournal::pathFor(dir.filePath(Dbf))), qPrintable(at));
        // Told what was mended, once, and only when the table is as before.
        QVERIFY2(now.told.isEmpty() || (now.told.size() == 1 && now.told[0].kind == told && wasOld), qPrintable(at));
        mended += int(now.told.size());
        if (!now.told.isEmpty() && tail) {
            // Nothing is thrown away: the side file holds what followed the counted records.
            const QString side = now.told[0].sideFile;
            QCOMPARE(readFile(side), crashed.at(Dbf).mid(before.at(Dbf).size() - 1));
            QVERIFY(side.startsWith(dir.filePath(Dbf) + u'.') && side.endsWith(u".uncounted"));
        }
        QVERIFY2(reopen(dir.path()).told.isEmpty(), qPrintable(at));
        // Done again, the operation gives the same table.
        if (wasOld) {
            operation(dir.path());
            QVERIFY2(reopen(dir.path()).records == changed.records, qPrintable(at));
        }
    }
    QVERIFY(mended > 0);
    qInfo().noquote() << points.size() << "kill points," << mended << "mended at the reopening";
}

// The rollback of an import that fails while writing (a full disk at any of
// its steps): the files as before, to their sizes; the same file then imports.
void TestCrashSafety::importFailingToWriteLeavesTheFilesAsTheyWere_data()
{
    QTest::addColumn<bool>("newGroup"); // the file names a group the import creates
    QTest::newRow("persons") << false;
    QTest::newRow("persons and a new group") << true;
}

void TestCrashSafety::importFailingToWriteLeavesTheFilesAsTheyWere()
{
    QFETCH(bool, newGroup);
    const Files before = threePersons();
    QTemporaryDir scratch;
    restore(scratch.path(), before);
    const QByteArray csv =
        newGroup ? personsCsv() + QStringLiteral("13,Lis,Ola,Ochrona,0,\r\n").toUtf8() : personsCsv();
    const exchange::ImportPreview create = [](const exchange::ImportPlan&) {
        return exchange::ImportChoices{true, std::nullopt, exchange::NewGroups::Create, false};
    };
    const auto importPersons = [&](Table& persons, Table& groups) {
        return exchange::importPersons(persons, groups, csv, {}, create);
    };
    const qsizetype steps =
        killpoints::run([&] {
            importPersons(*openTable(scratch.path(), Dbf), *openTable(scratch.path(), TableLayouts::GroupsFile));
        }).steps.size();
    for (int at = 1; at <= int(steps); ++at) {
        QTemporaryDir dir;
        restore(dir.path(), before);
        const auto persons = openTable(dir.path(), Dbf);
        const auto groups = openTable(dir.path(), TableLayouts::GroupsFile);
        const QList<QStringList> groupRows = exchange::tableRows(*groups, exchange::Kind::Groups);
        int count = 0;
        const filesync::Hook previous = filesync::setHook([&](const filesync::Step&) {
            errno = ENOSPC;
            return ++count == at ? -1 : 0;
        });
        QString error;
        try {
            importPersons(*persons, *groups);
        } catch (const AppError& e) {
            error = e.message();
        }
        filesync::setHook(previous);
        QVERIFY2(error.contains(u"No space left on device") && error.endsWith(u"; nothing was imported"),
                 qPrintable(error));
        QCOMPARE(persons->rowCount(), 3);
        // New groups stored in a change of their own are taken out again: the
        // groups read as before, though grupa.dbf may keep the freed slot.
        QCOMPARE(exchange::tableRows(*groups, exchange::Kind::Groups), groupRows);
        Files now = snapshot(dir.path());
        if (newGroup)
            now["grupa.dbf"] = before.at("grupa.dbf"), now["grupa.dbt"] = before.at("grupa.dbt");
        QVERIFY2(now == before, qPrintable(QStringLiteral("failing step %1").arg(at)));
        QVERIFY(importPersons(*persons, *groups).problems.isEmpty());
        QCOMPARE(persons->rowCount(), newGroup ? 7 : 6);
    }
}

void TestCrashSafety::tableIsCreatedWholeOrNotAtAll_data()
{
    QTest::addColumn<QByteArray>("strayNotes"); // left beside no table by a create cut short
    QTest::newRow("empty folder") << QByteArray();
    QTest::newRow("a stray notes file") << QByteArray(100, 'x');
}

void TestCrashSafety::tableIsCreatedWholeOrNotAtAll()
{
    QFETCH(QByteArray, strayNotes);
    const Operation create = [](const QString& dir) {
        DbfFile::create(QDir(dir).filePath(Dbf), TableLayouts::personsFields());
    };
    QTemporaryDir scratch;
    const QStringList steps = killpoints::run([&] { create(scratch.path()); }).steps;
    // The notes come first; the table appears by a rename only.
    QCOMPARE(steps.first(), QStringLiteral("write osoby.dbt"));
    QVERIFY(steps.last().startsWith(u"rename ") && steps.last().endsWith(u" osoby.dbf"));

    for (int at = 1; at <= int(steps.size()); ++at) {
        for (qint64 torn : {qint64(-1), qint64(1)}) {
            QTemporaryDir dir;
            if (!strayNotes.isEmpty())
                writeFile(dir.filePath(Dbt), strayNotes);
            QVERIFY(killpoints::run([&] { create(dir.path()); }, at, torn).crashed);
            // No table, or a whole one; with none, creating it again succeeds.
            if (!QFileInfo::exists(dir.filePath(Dbf)))
                create(dir.path());
            const auto t = openTable(dir.path(), Dbf);
            QVERIFY(t->isEmpty() && t->warnings().isEmpty());
            t->insert();
            t->setText(PersonField::Info, QStringLiteral("pierwsza"));
            t->post();
            QCOMPARE(t->asText(PersonField::Info), QStringLiteral("pierwsza"));
        }
    }
}

// A lost table beside its notes is no leftover of a create: the notes stay.
void TestCrashSafety::notesWithoutTheirTableAreKept_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::newRow("one table") << Operation(
        [](const QString& dir) { DbfFile::create(QDir(dir).filePath(Dbf), TableLayouts::personsFields()); });
    QTest::newRow("the installation's three") << Operation([](const QString& dir) { TableLayouts::createAll(dir); });
}

void TestCrashSafety::notesWithoutTheirTableAreKept()
{
    QFETCH(Operation, operation);
    QTemporaryDir dir;
    const Files before = threePersons();
    writeFile(dir.filePath(Dbt), before.at(Dbt));
    QString error;
    try {
        operation(dir.path());
    } catch (const AppError& e) {
        error = e.message();
    }
    QVERIFY2(error.contains(QStringLiteral("holds notes without their table")), qPrintable(error));
    QCOMPARE(snapshot(dir.path()), (Files{{Dbt, before.at(Dbt)}}));
}

// A power cut loses what was written and not synced: every rename, removal
// and truncation (each one commits or undoes something) comes only once the
// files written before it are synced, and a folder whose names changed is
// synced before the operation ends.
void TestCrashSafety::nothingIsCommittedBeforeItIsDurable_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::newRow("create") << Operation(createTable);
    QTest::newRow("bytes after the count moved aside") << Operation(uncountedTail);
    QTest::newRow("edit with a note") << Operation(editPerson);
    QTest::newRow("delete") << Operation(removePerson);
    QTest::newRow("batch") << Operation(renameGroup);
    QTest::newRow("import") << Operation(importPersons);
}

void TestCrashSafety::nothingIsCommittedBeforeItIsDurable()
{
    QFETCH(Operation, operation);
    QTemporaryDir dir;
    restore(dir.path(), threePersons());
    const auto name = [](const QString& path) { return QFileInfo(path).fileName(); };
    QSet<QString> unsynced;
    QSet<QString> renamedIn; // folders
    QStringList early;
    const filesync::Hook hook = filesync::setHook([&](const filesync::Step& s) {
        if (s.kind == filesync::Step::Kind::Write) {
            unsynced.insert(name(s.path));
            return 0;
        }
        if (!unsynced.isEmpty())
            early << killpoints::describe(s) + QStringLiteral(" before ") + QStringList(unsynced.values()).join(u',');
        if (s.kind != filesync::Step::Kind::Truncate)
            renamedIn.insert(QFileInfo(s.path).absolutePath());
        return 0;
    });
    const filesync::Function sync = filesync::setFunction([&](int, const QString& path, filesync::Kind) {
        unsynced.remove(name(path));
        renamedIn.remove(QFileInfo(path).isDir() ? QFileInfo(path).absoluteFilePath() : QString());
        return 0;
    });
    operation(dir.path());
    filesync::setHook(hook);
    filesync::setFunction(sync);
    QVERIFY2(early.isEmpty(), qPrintable(early.join(u'\n')));
    QVERIFY2(unsynced.isEmpty(), qPrintable(QStringList(unsynced.values()).join(u',')));
    QVERIFY2(renamedIn.isEmpty(), qPrintable(QStringList(renamedIn.values()).join(u',')));
}

// A change whose journal is gone stays, also when the folder cannot be
// synced after: the import tells it stored, with a warning.
void TestCrashSafety::storedImportIsToldStored()
{
    QTemporaryDir dir;
    restore(dir.path(), threePersons());
    const QString journal = RollbackJournal::pathFor(dir.filePath(Dbf));
    const filesync::Function previous = filesync::setFunction([&](int, const QString& path, filesync::Kind) {
        const bool fails = QFileInfo(path).isDir() && !QFileInfo::exists(journal);
        errno = EIO;
        return fails ? -1 : 0;
    });
    const auto putBack = qScopeGuard([&] { filesync::setFunction(previous); });
    QStringList warnings;
    QVERIFY_THROWS_NO_EXCEPTION(warnings = exchange::importPersons(*openTable(dir.path(), Dbf),
                                                                   *openTable(dir.path(), TableLayouts::GroupsFile),
                                                                   personsCsv())
                                               .warnings);
    QVERIFY2(warnings.size() == 1 && warnings[0].contains(u"folder cannot be synced"), qPrintable(warnings.join(u' ')));
    QCOMPARE(reopen(dir.path()).records.size(), 7);
}

void TestCrashSafety::createReplacesNothing_data()
{
    QTest::addColumn<QString>("other"); // written by another creator just before the rename
    QTest::newRow("the table") << Dbf;
    QTest::newRow("a temporary file") << QStringLiteral(".osoby.dbf.partial");
}

void TestCrashSafety::createReplacesNothing()
{
    QFETCH(QString, other);
    QTemporaryDir dir;
    const filesync::Hook previous = filesync::setHook([&](const filesync::Step& s) {
        if (s.kind == filesync::Step::Kind::Rename)
            writeFile(dir.filePath(other), "another program's");
        return 0;
    });
    QString error;
    try {
        createTable(dir.path());
    } catch (const AppError& e) {
        error = e.message();
    }
    filesync::setHook(previous);
    QCOMPARE(readFile(dir.filePath(other)), QByteArray("another program's"));
    QCOMPARE(error.contains(u"made by another program meanwhile"), other == Dbf);
    QVERIFY(other == Dbf || openTable(dir.path(), Dbf)->isEmpty());
    QCOMPARE(QDir(dir.path()).entryList({"*.partial"}, QDir::Files | QDir::Hidden).size(), other == Dbf ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "test_crash_safety.moc"
