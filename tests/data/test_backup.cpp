// Backups of the tables and config.ini, and putting one back.

#include "ExchangeFixture.h"
#include "KillPoints.h"

#include "config/AppError.h"
#include "data/Backup.h"
#include "platform/FileModes.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QDateTime Start(QDate(2024, 3, 5), QTime(8, 15, 0));

struct Installation
{
    QTemporaryDir dir;
    int clock = 0;
    QStringList steps;
    backup::Options options;

    Installation()
    {
        fixture::makeInstallation(dir.path(), {QStringLiteral("Zarząd")});
        writeFile(path("config.ini"), "[Language]\r\nLanguage=Polski\r\n");
        writeFile(path("cards.log"), "time\trole\r\n");
        options.now = [this] { return Start.addSecs(clock++); };
        options.trace = [this](const QString& step) { steps.append(step); };
    }
    QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
    // Person 1, with one field filled.
    void addPerson(const QString& field, const QString& text) const
    {
        Table persons;
        persons.open(path("osoby.dbf"));
        persons.insert();
        persons.setInteger("NUMBER", 1);
        persons.setText(field, text);
        persons.post();
    }
    QStringList backups() const
    {
        QStringList names;
        for (const QString& folder : backup::list(dir.path()))
            names.append(QFileInfo(folder).fileName());
        return names;
    }
};

const QStringList AllFiles{"osoby.dbf",  "osoby.dbt",  "grupa.dbf",  "grupa.dbt",
                           "sprzet.dbf", "sprzet.dbt", "config.ini", "cards.log"};

// Each file in whatever letter case; "twins" where two names differ in it alone.
QList<QByteArray> allBytes(const QString& dir)
{
    QList<QByteArray> all;
    for (const QString& name : AllFiles) {
        const QStringList found = QDir(dir).entryList({name}, QDir::Files);
        all.append(found.size() > 1  ? "twins"
                   : found.isEmpty() ? QByteArray()
                                     : readFile(QDir(dir).filePath(found[0])));
    }
    return all;
}

// A backup to restore, and then tables that differ from it in every file.
// With oldest, the backup is the oldest of a full set, so the backup a
// restore makes of what it replaces prunes one.
QString prepareRestore(Installation& inst, bool oldest)
{
    const int count = oldest ? backup::KeptBackups : 1;
    for (int n = 0; n < count; ++n) {
        writeFile(inst.path("config.ini"), QByteArray("[PASSWORD]\r\nsys_nr=") + QByteArray::number(n) + "\r\n");
        backup::make(inst.dir.path(), inst.options);
    }
    const QString saved = backup::list(inst.dir.path()).first();
    const std::pair<QString, QString> notes[] = {{TableLayouts::PersonsFile, PersonField::Info},
                                                 {TableLayouts::GroupsFile, GroupField::Notes},
                                                 {TableLayouts::ReadersFile, ReaderField::Place}};
    for (const auto& [table, field] : notes) {
        Table t;
        t.open(inst.path(table));
        t.insert();
        t.setText(field, QStringLiteral("Notatka po kopii"));
        t.post();
    }
    writeFile(inst.path("config.ini"), "[Language]\r\nLanguage=English\r\n");
    writeFile(inst.path("cards.log"), readFile(inst.path("cards.log")) + "a card written after the backup\r\n");
    QFile::rename(inst.path("osoby.dbt"), inst.path("osoby.DBT")); // as another dBase program may name it
    return saved;
}

const QString CommitStep = QStringLiteral("rename .restore-commit-partial .restore-commit");

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    void backupIsSyncedBeforeItGetsItsName();
    void unchangedTablesMakeNoBackup_data();
    void unchangedTablesMakeNoBackup();
    void newestTenAreKept();
    void restorePutsBackAndKeepsWhatItReplaced();
    void restoreRefuses_data();
    void restoreRefuses();
    void restoreAcrossAKill_data();
    void restoreAcrossAKill();
    void recoveryAcrossAKill_data();
    void recoveryAcrossAKill();
    void aChangeCutShortIsUndoneBeforeACopy_data();
    void aChangeCutShortIsUndoneBeforeACopy();
    void copiesNeverWidenAMode_data();
    void copiesNeverWidenAMode();
    void cleanup() { filesync::setFunction({}); }
};

void TestBackup::backupIsSyncedBeforeItGetsItsName()
{
    Installation inst;
    // What a backup that died half-way left behind is not a backup.
    QVERIFY(QDir(inst.dir.path()).mkpath("backup/.partial-2024-03-05_08-00-00"));
    const backup::Made made = backup::make(inst.dir.path(), inst.options);
    QVERIFY(made.made);
    QCOMPARE(QFileInfo(made.folder).fileName(), QStringLiteral("2024-03-05_08-15-00"));
    QStringList expected;
    for (const QString& name : AllFiles)
        expected.append("sync " + name);
    expected << "sync .partial-2024-03-05_08-15-00"
             << "rename 2024-03-05_08-15-00"
             << "sync backup";
    QCOMPARE(inst.steps, expected);
    for (const QString& name : AllFiles)
        QCOMPARE(readFile(QDir(made.folder).filePath(name)), readFile(inst.path(name)));
    QCOMPARE(QDir(inst.path("backup")).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"2024-03-05_08-15-00"});
}

void TestBackup::unchangedTablesMakeNoBackup_data()
{
    QTest::addColumn<QString>("changedFile");
    QTest::addColumn<bool>("made");
    QTest::newRow("nothing changed") << QString() << false;
    QTest::newRow("a note") << "osoby.dbt" << true;
    QTest::newRow("config.ini") << "config.ini" << true;
    QTest::newRow("the card journal") << "cards.log" << true;
}

void TestBackup::unchangedTablesMakeNoBackup()
{
    QFETCH(QString, changedFile);
    QFETCH(bool, made);
    Installation inst;
    const backup::Made first = backup::make(inst.dir.path(), inst.options);
    if (!changedFile.isEmpty()) {
        QByteArray bytes = readFile(inst.path(changedFile));
        bytes[bytes.size() - 1] = char(bytes.back() ^ 1); // same size, other content
        writeFile(inst.path(changedFile), bytes);
    }
    const backup::Made second = backup::make(inst.dir.path(), inst.options);
    QCOMPARE(second.made, made);
    QCOMPARE(second.folder == first.folder, !made);
    QCOMPARE(inst.backups().size(), made ? 2 : 1);
}

void TestBackup::newestTenAreKept()
{
    Installation inst;
    for (int n = 0; n < 12; ++n) {
        writeFile(inst.path("config.ini"), QByteArray("[PASSWORD]\r\nsys_nr=") + QByteArray::number(n) + "\r\n");
        QVERIFY(backup::make(inst.dir.path(), inst.options).made);
    }
    const QStringList kept = inst.backups();
    QCOMPARE(kept.size(), backup::KeptBackups);
    QCOMPARE(kept.first(), QStringLiteral("2024-03-05_08-15-02"));
    QCOMPARE(kept.last(), QStringLiteral("2024-03-05_08-15-11"));
    // Two backups in one second both keep their copy.
    inst.clock = 11;
    writeFile(inst.path("config.ini"), "changed");
    QCOMPARE(QFileInfo(backup::make(inst.dir.path(), inst.options).folder).fileName(),
             QStringLiteral("2024-03-05_08-15-11_2"));
}

void TestBackup::copiesNeverWidenAMode_data()
{
    QTest::addColumn<int>("atBackup");  // config.ini's mode when the backup is made
    QTest::addColumn<int>("atRestore"); // and when it is put back
    QTest::addColumn<int>("restored");
    if (!platform::accessByMode())
        QSKIP("Files here keep only the read-only mark; a folder's access rules say who else may read them.");
    QTest::newRow("private throughout") << 0600 << 0600 << 0600;
    QTest::newRow("wider backup over a private file") << 0644 << 0600 << 0600;
    QTest::newRow("private backup over a wider file") << 0600 << 0644 << 0600;
    QTest::newRow("group bits of each") << 0640 << 0660 << 0640;
}

// A copy is readable by no more than its source, and a file put back by no
// more than the file it replaces.
void TestBackup::copiesNeverWidenAMode()
{
    QFETCH(int, atBackup);
    QFETCH(int, atRestore);
    QFETCH(int, restored);
    Installation inst;
    const QByteArray config = inst.path("config.ini").toLocal8Bit();
    QCOMPARE(::chmod(config.constData(), mode_t(atBackup)), 0);
    const QString saved = backup::make(inst.dir.path(), inst.options).folder;
    const auto modeOf = [](const QString& path) {
        struct stat st;
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    };
    QCOMPARE(modeOf(QDir(saved).filePath("config.ini")), atBackup);
    inst.addPerson("INFO", QStringLiteral("changed"));
    QCOMPARE(::chmod(config.constData(), mode_t(atRestore)), 0);
    const backup::Restored done = backup::restore(saved, inst.dir.path(), inst.options);
    QCOMPARE(modeOf(inst.path("config.ini")), restored);
    QCOMPARE(modeOf(QDir(done.replacedBackup).filePath("config.ini")), atRestore);
}

void TestBackup::restorePutsBackAndKeepsWhatItReplaced()
{
    Installation inst;
    const QString saved = backup::make(inst.dir.path(), inst.options).folder;
    const QList<QByteArray> original = fixture::tableBytes(inst.dir.path());
    inst.addPerson("INFO", QStringLiteral("Notatka, \"cytat\"\r\nłamana"));
    const QList<QByteArray> changed = fixture::tableBytes(inst.dir.path());
    QVERIFY(changed != original);

    const backup::Restored restored = backup::restore(saved, inst.dir.path(), inst.options);
    QCOMPARE(fixture::tableBytes(inst.dir.path()), original);
    QCOMPARE(restored.files, AllFiles);
    QVERIFY(restored.replacedBackup != saved);
    QCOMPARE(fixture::tableBytes(restored.replacedBackup), changed);
    QCOMPARE(restored.checks.size(), 3);
    for (const auto& [table, check] : restored.checks)
        QVERIFY2(check.problems.isEmpty(), qPrintable(table));
    // The replaced files were safe in their backup before the first rename.
    const qsizetype safe = inst.steps.indexOf("rename " + QFileInfo(restored.replacedBackup).fileName());
    QVERIFY(safe >= 0 && safe < inst.steps.indexOf("rename osoby.dbf"));
    QVERIFY(!QFileInfo::exists(inst.path(".restore-partial")));
}

void TestBackup::restoreRefuses_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("reason");
    QTest::newRow("tables open") << "locked"
                                 << "in use by another program";
    QTest::newRow("damaged table") << "damaged"
                                   << "nothing was restored";
    QTest::newRow("missing table") << "missing"
                                   << "holds no grupa.dbf";
    QTest::newRow("unfinished") << "partial"
                                << "never finished";
}

void TestBackup::restoreRefuses()
{
    QFETCH(QString, situation);
    QFETCH(QString, reason);
    Installation inst;
    QString saved = backup::make(inst.dir.path(), inst.options).folder;
    writeFile(inst.path("config.ini"), "changed");
    Table persons;
    if (situation == "locked")
        persons.open(inst.path("osoby.dbf"));
    else if (situation == "damaged")
        writeFile(QDir(saved).filePath("sprzet.dbf"), readFile(QDir(saved).filePath("sprzet.dbf")).left(40));
    else if (situation == "missing")
        QVERIFY(QFile::remove(QDir(saved).filePath("grupa.dbf")));
    else if (situation == "partial") {
        const QString partial = inst.path("backup/.partial-x");
        QVERIFY(QDir().rename(saved, partial));
        saved = partial;
    }
    const QList<QByteArray> before = fixture::tableBytes(inst.dir.path());
    const QStringList backupsBefore = inst.backups();
    try {
        backup::restore(saved, inst.dir.path(), inst.options);
        QFAIL("restored");
    } catch (const AppError& e) {
        QVERIFY2(e.message().contains(reason), qPrintable(e.message()));
    }
    persons.close();
    QCOMPARE(fixture::tableBytes(inst.dir.path()), before);
    QCOMPARE(readFile(inst.path("config.ini")), QByteArray("changed"));
    QCOMPARE(inst.backups(), backupsBefore);
    QVERIFY(!QFileInfo::exists(inst.path(".restore-partial")));
}

// A kill, not a power cut: what reached the file system stays, so the many
// fixtures need no syncs.
int noSync(int, const QString&, filesync::Kind)
{
    return 0;
}

void TestBackup::restoreAcrossAKill_data()
{
    filesync::setFunction(noSync);
    QTest::addColumn<bool>("oldest");
    QTest::addColumn<int>("at");
    QTest::addColumn<qint64>("torn");
    for (const bool oldest : {false, true}) {
        const char* scenario = oldest ? "oldest of ten" : "newest";
        QStringList steps;
        {
            Installation inst;
            const QString saved = prepareRestore(inst, oldest);
            steps = killpoints::run([&] { backup::restore(saved, inst.dir.path(), inst.options); }).steps;
        }
        for (int at = 1; at <= steps.size(); ++at) {
            QTest::addRow("%s, killed at %d: %s", scenario, at, qPrintable(steps[at - 1]))
                << oldest << at << qint64(-1);
            // A staged file or the marker cut short.
            if (at == 1 || steps[at - 1].startsWith(u"write .restore-commit"))
                QTest::addRow("%s, torn at %d: %s", scenario, at, qPrintable(steps[at - 1]))
                    << oldest << at << qint64(3);
        }
        // Pruning keeps the backup being read; notes go in before tables.
        QTest::addRow("%s, not killed", scenario) << oldest << 0 << qint64(-1);
    }
}

// A restore killed at each of its steps, then the next start: the seven files
// are wholly the old set or wholly the backup's, and the start tells which.
void TestBackup::restoreAcrossAKill()
{
    QFETCH(bool, oldest);
    QFETCH(int, at);
    QFETCH(qint64, torn);
    filesync::setFunction(noSync);
    Installation inst;
    const QString saved = prepareRestore(inst, oldest);
    const QList<QByteArray> old = allBytes(inst.dir.path());
    const QList<QByteArray> restored = allBytes(saved);
    for (qsizetype n = 0; n < AllFiles.size(); ++n)
        QVERIFY2(old[n] != restored[n], qPrintable(AllFiles[n]));

    const killpoints::Outcome outcome =
        killpoints::run([&] { backup::restore(saved, inst.dir.path(), inst.options); }, at, torn);
    QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
    QCOMPARE(outcome.crashed, at != 0);
    const qsizetype commit = outcome.steps.indexOf(CommitStep) + 1;
    using Outcome = backup::Recovered::Outcome;
    const Outcome expected = at == 0                     ? Outcome::Nothing
                             : commit > 0 && at > commit ? Outcome::Finished
                                                         : Outcome::Undone;

    const QStringList backupsBefore = inst.backups();
    if (expected == Outcome::Finished) {
        // A half-restored set is never backed up.
        QVERIFY_THROWS_EXCEPTION(AppError, backup::make(inst.dir.path(), inst.options));
        QCOMPARE(inst.backups(), backupsBefore);
    }
    const backup::Recovered recovered = backup::recover(inst.dir.path(), inst.options);
    QCOMPARE(recovered.outcome, expected);
    QCOMPARE(recovered.backupFolder, expected == Outcome::Finished ? saved : QString());
    QCOMPARE(allBytes(inst.dir.path()), expected == Outcome::Undone ? old : restored);
    for (const char* leftover : {".restore-partial", ".restore-commit", ".restore-commit-partial"})
        QVERIFY2(!QFileInfo::exists(inst.path(leftover)), leftover);
    QCOMPARE(backup::recover(inst.dir.path(), inst.options).outcome, Outcome::Nothing);

    // The backup read is still there and whole, and so is every backup listed.
    QCOMPARE(allBytes(saved), restored);
    for (const QString& folder : backup::list(inst.dir.path()))
        QVERIFY2(!allBytes(folder).contains(QByteArray()), qPrintable(folder));
    if (at == 0) {
        for (const QString base : {"osoby", "grupa", "sprzet"}) {
            const QString notes = QStringLiteral("rename %1.dbt %1.dbt").arg(base);
            const QString table = QStringLiteral("rename %1.dbf %1.dbf").arg(base);
            QVERIFY2(outcome.steps.indexOf(notes) >= 0 && outcome.steps.indexOf(notes) < outcome.steps.indexOf(table),
                     qPrintable(outcome.steps.join(u'\n')));
        }
    }
}

void TestBackup::aChangeCutShortIsUndoneBeforeACopy_data()
{
    QTest::addColumn<bool>("restoring");
    QTest::newRow("the tool's backup") << false;
    QTest::newRow("a restore and the backup of what it replaces") << true;
}

void TestBackup::recoveryAcrossAKill_data()
{
    filesync::setFunction(noSync);
    QTest::addColumn<bool>("committed"); // the restore was killed after its commit, else before
    QTest::addColumn<int>("restoreAt");
    QTest::addColumn<int>("at"); // the recovery's step it is killed at
    Installation listed;
    const QString saved = prepareRestore(listed, false);
    const QStringList steps = killpoints::run([&] { backup::restore(saved, listed.dir.path(), listed.options); }).steps;
    for (const bool committed : {false, true}) {
        const int restoreAt = committed ? int(steps.indexOf(CommitStep)) + 2 : 2;
        Installation inst;
        const QString saved = prepareRestore(inst, false);
        killpoints::run([&] { backup::restore(saved, inst.dir.path(), inst.options); }, restoreAt);
        const QStringList recovery = killpoints::run([&] { backup::recover(inst.dir.path(), inst.options); }).steps;
        for (int at = 1; at <= recovery.size(); ++at)
            QTest::addRow("%s, recovery killed at %d: %s", committed ? "committed" : "not committed", at,
                          qPrintable(recovery[at - 1]))
                << committed << restoreAt << at;
    }
}

// The recovery is itself killed at each of its steps: the start after it
// still ends with the whole old set or the whole backup's.
void TestBackup::recoveryAcrossAKill()
{
    QFETCH(bool, committed);
    QFETCH(int, restoreAt);
    QFETCH(int, at);
    filesync::setFunction(noSync);
    Installation inst;
    const QString saved = prepareRestore(inst, false);
    const QList<QByteArray> old = allBytes(inst.dir.path());
    QVERIFY(killpoints::run([&] { backup::restore(saved, inst.dir.path(), inst.options); }, restoreAt).crashed);
    QVERIFY(killpoints::run([&] { backup::recover(inst.dir.path(), inst.options); }, at).crashed);

    using Outcome = backup::Recovered::Outcome;
    const Outcome outcome = backup::recover(inst.dir.path(), inst.options).outcome;
    QVERIFY(outcome == Outcome::Nothing || outcome == (committed ? Outcome::Finished : Outcome::Undone));
    QCOMPARE(allBytes(inst.dir.path()), committed ? allBytes(saved) : old);
    for (const char* leftover : {".restore-partial", ".restore-commit", ".restore-commit-partial"})
        QVERIFY2(!QFileInfo::exists(inst.path(leftover)), leftover);
}

// A crash in the middle of an edit leaves the table half changed beside the
// journal that undoes it. A copy must never take the half-changed table (nor
// change it: the copy is undone, not the table), and
// a restored table must never get the old journal played onto it.
void TestBackup::aChangeCutShortIsUndoneBeforeACopy()
{
    QFETCH(bool, restoring);
    Installation inst;
    const QString saved = backup::make(inst.dir.path(), inst.options).folder;
    const QList<QByteArray> original = fixture::tableBytes(inst.dir.path());
    inst.addPerson("NAME", QStringLiteral("Przed"));
    const QList<QByteArray> beforeEdit = fixture::tableBytes(inst.dir.path());
    const auto edit = [&] {
        Table persons;
        persons.open(inst.path("osoby.dbf"));
        persons.edit();
        persons.setText("NAME", QStringLiteral("Po zmianie"));
        persons.setText("INFO", QStringLiteral("Nowa notatka"));
        persons.post();
    };
    const QStringList steps = killpoints::run(edit).steps; // the edit done whole, to list its steps
    const char* const tables[] = {"osoby.dbf", "osoby.dbt"};
    for (int n = 0; n < 2; ++n)
        writeFile(inst.path(tables[n]), beforeEdit[n]);
    const qsizetype overwrite = steps.indexOf("write osoby.dbf", steps.indexOf("write osoby.jnl"));
    QVERIFY(overwrite > 0);
    QVERIFY(killpoints::run(edit, int(overwrite) + 1, 12).crashed);
    QVERIFY(QFileInfo::exists(inst.path("osoby.jnl")));

    backup::Options tool = inst.options;
    tool.lockTables = true;
    if (restoring) {
        const backup::Restored restored = backup::restore(saved, inst.dir.path(), tool);
        QCOMPARE(fixture::tableBytes(restored.replacedBackup), beforeEdit);
        QCOMPARE(fixture::tableBytes(inst.dir.path()), original);
    } else {
        const backup::Made made = backup::make(inst.dir.path(), tool);
        QCOMPARE(fixture::tableBytes(made.folder), beforeEdit);
    }
    // A backup only reads: the table and its journal stay for the next opening.
    QCOMPARE(QFileInfo::exists(inst.path("osoby.jnl")), !restoring);
    Table persons;
    persons.open(inst.path("osoby.dbf"));
    QCOMPARE(persons.takeRepairs().isEmpty(), restoring);
    QCOMPARE(persons.rowCount(), restoring ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestBackup)
#include "test_backup.moc"
