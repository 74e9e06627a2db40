#include "data/Backup.h"

#include "config/DeskHold.h"
#include "config/AppError.h"
#include "config/FileSync.h"
#include "config/Settings.h"
#include "platform/SharedFolder.h"
#include "journal/JournalFormat.h"
#include "data/TableLayouts.h"
#include "dbf/DbfFile.h"
#include "dbf/RollbackJournal.h"
#include "platform/FileModes.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/Locks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

#include <map>
#include <vector>

namespace backup {

namespace {

const QString PartialPrefix = QStringLiteral(".partial-");
// A restore stages the backup's files here, beside the tables.
const QString RestoreStage = QStringLiteral(".restore-partial");
// Its commit point: once this file exists the staged files are to be put in
// place. It holds the backup's folder, for the operator's message.
const QString RestoreMarker = QStringLiteral(".restore-commit");
const QString RestoreMarkerPartial = QStringLiteral(".restore-commit-partial");
const QRegularExpression BackupName(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_\\d+)?$"));
constexpr qint64 CopyChunk = 1 << 20;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

using filesync::errnoText;

QStringList tableFiles()
{
    return {TableLayouts::PersonsFile, TableLayouts::GroupsFile, TableLayouts::ReadersFile};
}

// The audit of operator actions: in every backup, never put back by a
// restore (a restore must not erase the trace of what happened since).
const QString AuditFile = QStringLiteral("audit.log");

// The files of an installation that exist in dir: each table, its memo file
// (in either letter case, as the engine finds it), config.ini and the card
// journal, the only record of which cards are in the field.
QStringList presentFiles(const QDir& dir)
{
    QStringList names;
    for (const QString& table : tableFiles()) {
        if (dir.exists(table))
            names.append(table);
        const QString base = QFileInfo(table).completeBaseName();
        for (const QString& memo : {base + QStringLiteral(".dbt"), base + QStringLiteral(".DBT")}) {
            if (dir.exists(memo)) {
                names.append(memo);
                break;
            }
        }
    }
    for (const QString& name : {settings::FileName, journal::FileName, AuditFile}) {
        if (dir.exists(name))
            names.append(name);
    }
    return names;
}

// Advisory locks like the table engine's, held while files are copied or replaced.
class Locks
{
public:
    Locks() = default;
    ~Locks()
    {
        for (int fd : m_fds)
            platform::closeFile(fd);
    }
    Locks(const Locks&) = delete;
    Locks& operator=(const Locks&) = delete;

    void take(const QString& path, bool exclusive)
    {
        const int fd = platform::openFile(path, platform::Access::Read);
        if (fd < 0)
            throw AppError(QStringLiteral("%1: cannot be opened: %2").arg(native(path), errnoText()));
        m_fds.push_back(fd);
        if (platform::tryLock(fd, exclusive ? platform::LockKind::Exclusive : platform::LockKind::Shared) == 0)
            return;
        if (platform::heldElsewhere(errno))
            throw TableHeld(path, deskhold::holderOf(path));
        throw AppError(QStringLiteral("%1: the table cannot be locked: %2").arg(native(path), errnoText()));
    }

    // Every table and memo file of dir.
    void takeTables(const QDir& dir, bool exclusive)
    {
        for (const QString& name : presentFiles(dir))
            if (name != settings::FileName && name != journal::FileName)
                take(dir.filePath(name), exclusive);
    }

private:
    std::vector<int> m_fds;
};

class Writer
{
public:
    explicit Writer(const Options& options) : m_options(options) {}

    void note(const QString& step) const
    {
        if (m_options.trace)
            m_options.trace(step);
    }

    void syncFolder(const QString& path) const
    {
        if (filesync::syncDirectory(path) != 0)
            throw AppError(QStringLiteral("%1: the folder cannot be synced: %2").arg(native(path), errnoText()));
        note(QStringLiteral("sync %1").arg(QFileInfo(path).fileName()));
    }

    // A new file with the bytes of from, on disk when this returns. It is
    // never readable by more than from is (config.ini holds the passwords'
    // hashes), nor by more than limit allows.
    void copy(const QString& from, const QString& to, unsigned limit = platform::AnyMode) const
    {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("%1: cannot be read: %2").arg(native(from), in.errorString()));
        unsigned mode = 0;
        if (platform::modeOf(in.handle(), &mode) != 0)
            throw AppError(QStringLiteral("%1: cannot be read: %2").arg(native(from), errnoText()));
        QFile out(to);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw AppError(QStringLiteral("%1: cannot be written: %2").arg(native(to), out.errorString()));
        restrict(out, to, platform::narrowedMode(mode, limit));
        qint64 offset = 0;
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(CopyChunk);
            if (chunk.isEmpty() && in.error() != QFile::NoError)
                throw AppError(QStringLiteral("%1: cannot be read: %2").arg(native(from), in.errorString()));
            write(out, to, offset, chunk);
            offset += chunk.size();
        }
        syncFile(out, to);
    }

    // A new file holding bytes, on disk when this returns; with a mode, no
    // more readable than that.
    void create(const QString& path, const QByteArray& bytes, unsigned mode = platform::AnyMode) const
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw AppError(QStringLiteral("%1: cannot be written: %2").arg(native(path), out.errorString()));
        restrict(out, path, mode);
        write(out, path, 0, bytes);
        syncFile(out, path);
    }

    void remove(const QString& path) const
    {
        if (filesync::remove(path) != 0)
            throw AppError(QStringLiteral("%1: cannot be removed: %2").arg(native(path), errnoText()));
        note(QStringLiteral("remove %1").arg(QFileInfo(path).fileName()));
    }

    void rename(const QString& from, const QString& to) const
    {
        if (filesync::rename(from, to) != 0)
            throw AppError(
                QStringLiteral("%1: cannot be renamed to %2: %3").arg(native(from), native(to), errnoText()));
        note(QStringLiteral("rename %1").arg(QFileInfo(to).fileName()));
    }

private:
    // Gives a new file the mode, before a byte is written; AnyMode leaves
    // the mode a new file gets.
    static void restrict(QFile& out, const QString& path, unsigned mode)
    {
        using platform::AnyMode;
        if ((mode & AnyMode) != AnyMode && platform::setMode(out.handle(), mode & AnyMode) != 0)
            throw AppError(QStringLiteral("%1: its mode cannot be set: %2").arg(native(path), errnoText()));
    }

    static void write(QFile& out, const QString& path, qint64 offset, const QByteArray& bytes)
    {
        if (filesync::write(out.handle(), path, offset, bytes) != 0)
            throw AppError(QStringLiteral("%1: cannot be written: %2").arg(native(path), errnoText()));
    }

    void syncFile(QFile& out, const QString& path) const
    {
        if (filesync::sync(out.handle(), path, filesync::Kind::Full) != 0)
            throw AppError(QStringLiteral("%1: cannot be synced: %2").arg(native(path), errnoText()));
        note(QStringLiteral("sync %1").arg(QFileInfo(path).fileName()));
    }

    const Options& m_options;
};

// Held by a restore and by recovery for as long as they work on a directory,
// so that a start never finishes or undoes a restore that is still running.
class DirectoryLock
{
public:
    explicit DirectoryLock(const QString& dir)
        : m_fd(platform::lockFolder(dir))
    {
        if (m_fd >= 0)
            return;
        const QString reason = platform::heldElsewhere(errno)
                                   ? QStringLiteral("a restore is running in another program")
                                   : QStringLiteral("cannot be locked: %1").arg(errnoText());
        throw AppError(QStringLiteral("%1: %2").arg(native(dir), reason));
    }
    ~DirectoryLock() { platform::closeFile(m_fd); }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    int m_fd;
};

bool sameContent(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(CopyChunk) != fb.read(CopyChunk))
            return false;
    return true;
}

bool holdsSame(const QDir& backup, const QDir& work, QStringList names)
{
    // The audit grows with every action, a start's backup included: the
    // tables and config.ini alone decide whether a new backup is due.
    QStringList held = presentFiles(backup);
    held.removeAll(AuditFile);
    names.removeAll(AuditFile);
    if (held != names)
        return false;
    for (const QString& name : names)
        if (!sameContent(backup.filePath(name), work.filePath(name)))
            return false;
    return true;
}

// A backup or a stage holds files only.
void removeFolder(const QString& path)
{
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (filesync::remove(dir.filePath(name)) != 0)
            throw AppError(QStringLiteral("%1: cannot be removed: %2").arg(native(dir.filePath(name)), errnoText()));
    if (!QDir().rmdir(path))
        throw AppError(QStringLiteral("%1: the folder cannot be removed").arg(native(path)));
}

// A backup pruned by a kill half-way must not look complete: it loses its
// date name first, and a hidden partial folder is cleared at the next backup.
void discardBackup(const QString& folder)
{
    const QString doomed = QFileInfo(folder).dir().filePath(PartialPrefix + QFileInfo(folder).fileName());
    if (filesync::rename(folder, doomed) != 0)
        throw AppError(
            QStringLiteral("%1: cannot be renamed to %2: %3").arg(native(folder), native(doomed), errnoText()));
    removeFolder(doomed);
}

void removeIfPresent(const QString& path)
{
    if (QFileInfo::exists(path) && filesync::remove(path) != 0)
        throw AppError(QStringLiteral("%1: cannot be removed: %2").arg(native(path), errnoText()));
}

// Notes before tables, as the engine writes them: a table never points into
// notes older than itself.
QStringList putOrder(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return !a.endsWith(u"dbf", Qt::CaseInsensitive) && b.endsWith(u"dbf", Qt::CaseInsensitive);
    });
    return names;
}

// The files of dir whose names differ from name in letter case alone: the
// engine would find one of them (osoby.dbt or osoby.DBT) and not know which.
QStringList twinsOf(const QDir& dir, const QString& name)
{
    QStringList twins;
    for (const QString& other : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!platform::sameFileName(other, name) && other.compare(name, Qt::CaseInsensitive) == 0)
            twins.append(other);
    return twins;
}

// After the commit: the staged files still in the stage go into place, each
// after its twins in another letter case have gone, then the stage and the
// marker go. Repeating it after a kill at any step ends the same way.
void putInPlace(const Writer& writer, const QDir& work)
{
    const QDir stage(work.filePath(RestoreStage));
    if (stage.exists()) {
        for (const QString& name : putOrder(presentFiles(stage))) {
            for (const QString& twin : twinsOf(work, name))
                writer.remove(work.filePath(twin));
            writer.rename(stage.filePath(name), work.filePath(name));
        }
        writer.syncFolder(work.absolutePath());
        removeFolder(stage.path());
    }
    removeIfPresent(work.filePath(RestoreMarkerPartial));
    removeIfPresent(work.filePath(RestoreMarker));
    writer.syncFolder(work.absolutePath());
}

// Before the commit nothing was replaced: the stage goes.
void dropStage(const QDir& work)
{
    removeIfPresent(work.filePath(RestoreMarkerPartial));
    if (QFileInfo::exists(work.filePath(RestoreStage)))
        removeFolder(work.filePath(RestoreStage));
}

// A table whose change a crash cut short is copied as it was before that
// change: its opening for writing plays the journal back, as the program's
// own opening would, before anything copies it.
void undoInterruptedChanges(const QDir& work)
{
    for (const QString& table : tableFiles()) {
        const QString path = work.filePath(table);
        if (QFileInfo::exists(path) && RollbackJournal::inspect(path) != RollbackJournal::Found::None)
            DbfFile::open(path);
    }
}

// A backup copies a table whose change a crash cut short as it was before
// that change, undone in the copy only: making a backup changes no table.
// The copies by file name, of the tables with a journal and their notes.
std::map<QString, QByteArray> undoneCopies(const QDir& work)
{
    std::map<QString, QByteArray> copies;
    for (const QString& table : tableFiles()) {
        const QString path = work.filePath(table);
        if (!QFileInfo::exists(path) || RollbackJournal::inspect(path) == RollbackJournal::Found::None)
            continue;
        const DbfFile::Bytes bytes = DbfFile::viewBytes(path);
        copies[table] = bytes.table;
        if (bytes.hasMemo)
            copies[QFileInfo(bytes.memoPath).fileName()] = bytes.memo;
    }
    return copies;
}

// A file's permission bits; every bit for a file that is not there.
unsigned modeOf(const QString& path)
{
    unsigned mode = 0;
    if (platform::modeOf(path, &mode) != 0)
        return platform::AnyMode;
    return mode & platform::AnyMode;
}

bool restorePending(const QDir& work)
{
    return QFileInfo::exists(work.filePath(RestoreMarker)) || QFileInfo::exists(work.filePath(RestoreStage)) ||
           QFileInfo::exists(work.filePath(RestoreMarkerPartial));
}

QString canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

} // namespace

QStringList list(const QString& workDir)
{
    QDir root(QDir(workDir).filePath(FolderName));
    QStringList result;
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names)
        if (BackupName.match(name).hasMatch())
            result.append(root.filePath(name));
    return result;
}

Made make(const QString& workDir, const Options& options)
{
    const QDir work(workDir);
    if (!work.exists())
        throw AppError(QStringLiteral("%1: no such directory").arg(native(workDir)));
    // A folder this account may not write is said to be so, and why.
    for (const QString& folder : {workDir, work.filePath(FolderName)})
        if (const QString advice = shared::folderAdvice(folder); !advice.isEmpty())
            throw AppError(advice);
    // A half-restored set is no backup.
    if (QFileInfo::exists(work.filePath(RestoreMarker)))
        throw AppError(QStringLiteral("%1: a restore was interrupted and is not finished yet; no backup was made")
                           .arg(native(workDir)));
    const QDir from(options.source.isEmpty() ? workDir : options.source);
    Locks locks;
    if (options.lockTables)
        locks.takeTables(from, false);
    const std::map<QString, QByteArray> undone =
        options.source.isEmpty() ? undoneCopies(work) : std::map<QString, QByteArray>();
    const QStringList names = presentFiles(from);
    if (std::none_of(names.begin(), names.end(), [](const QString& n) { return tableFiles().contains(n); }))
        throw AppError(QStringLiteral("%1: there are no tables to back up").arg(native(workDir)));

    const QString rootPath = work.filePath(FolderName);
    if (!work.mkpath(FolderName))
        throw AppError(QStringLiteral("%1: the folder cannot be made").arg(native(rootPath)));
    QDir root(rootPath);
    // What a backup that died half-way left behind.
    for (const QString& name : root.entryList({PartialPrefix + u'*'}, QDir::Dirs | QDir::Hidden))
        removeFolder(root.filePath(name));

    QStringList existing = list(workDir);
    if (undone.empty() && !existing.isEmpty() && holdsSame(QDir(existing.last()), from, names))
        return {existing.last(), false};

    const QDateTime now = options.now ? options.now() : QDateTime::currentDateTime();
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString name = stamp;
    for (int n = 2; root.exists(name); ++n)
        name = QStringLiteral("%1_%2").arg(stamp).arg(n);

    Writer writer(options);
    const QString partial = root.filePath(PartialPrefix + name);
    if (!root.mkdir(PartialPrefix + name))
        throw AppError(QStringLiteral("%1: the folder cannot be made").arg(native(partial)));
    for (const QString& file : names) {
        const auto copy = undone.find(file);
        if (copy != undone.end())
            writer.create(QDir(partial).filePath(file), copy->second, modeOf(from.filePath(file)));
        else
            writer.copy(from.filePath(file), QDir(partial).filePath(file));
    }
    writer.syncFolder(partial);
    const QString folder = root.filePath(name);
    writer.rename(partial, folder);
    writer.syncFolder(rootPath);

    existing = list(workDir);
    const QString keep = options.keep.isEmpty() ? QString() : canonical(options.keep);
    qsizetype surplus = existing.size() - KeptBackups;
    for (const QString& old : existing) {
        if (surplus <= 0)
            break;
        if (canonical(old) == keep)
            continue;
        discardBackup(old);
        --surplus;
    }
    return {folder, true};
}

Restored restore(const QString& backupFolder, const QString& workDir, const Options& options)
{
    const QDir source(backupFolder);
    const QDir work(workDir);
    if (!source.exists())
        throw AppError(QStringLiteral("%1: no such backup").arg(native(backupFolder)));
    if (!work.exists())
        throw AppError(QStringLiteral("%1: no such directory").arg(native(workDir)));
    if (source.dirName().startsWith(PartialPrefix))
        throw AppError(
            QStringLiteral("%1: the backup was never finished; nothing was restored").arg(native(backupFolder)));
    QStringList names = presentFiles(source);
    names.removeAll(AuditFile);
    for (const QString& table : tableFiles())
        if (!names.contains(table))
            throw AppError(
                QStringLiteral("%1: the backup holds no %2; nothing was restored").arg(native(backupFolder), table));

    DirectoryLock directoryLock(workDir);
    if (restorePending(work))
        throw AppError(QStringLiteral("%1: an interrupted restore was never finished or undone; start Pellaro or "
                                      "pellaro-tables once to clear it up; nothing was restored")
                           .arg(native(workDir)));
    Locks locks;
    try {
        undoInterruptedChanges(work);
        locks.takeTables(work, true);
    } catch (const AppError& e) {
        throw AppError(QStringLiteral("%1; nothing was restored").arg(e.message()));
    }

    // The backup's files go next to the tables first, so that replacing is a
    // rename within one file system and a damaged backup replaces nothing.
    Writer writer(options);
    const QString stagePath = work.filePath(RestoreStage);
    if (!work.mkdir(RestoreStage))
        throw AppError(QStringLiteral("%1: the folder cannot be made").arg(native(stagePath)));
    const QDir stage(stagePath);
    Restored result;
    try {
        // A file put back is no more readable than the one it replaces.
        for (const QString& name : names)
            writer.copy(source.filePath(name), stage.filePath(name), modeOf(work.filePath(name)));
        writer.syncFolder(stagePath);
        for (const QString& table : tableFiles()) {
            const TableCheck check = TableCheck::run(stage.filePath(table));
            if (!check.problems.isEmpty())
                throw AppError(QStringLiteral("%1: %2; nothing was restored")
                                   .arg(native(source.filePath(table)), check.problems.join(QStringLiteral("; "))));
        }
        const QStringList current = presentFiles(work);
        if (std::any_of(current.begin(), current.end(), [](const QString& n) { return tableFiles().contains(n); })) {
            Options safety = options;
            safety.lockTables = false; // held above
            safety.keep = backupFolder;
            result.replacedBackup = make(workDir, safety).folder;
        }
        // The commit point.
        writer.create(work.filePath(RestoreMarkerPartial), QDir::cleanPath(source.absolutePath()).toUtf8());
        writer.rename(work.filePath(RestoreMarkerPartial), work.filePath(RestoreMarker));
        writer.syncFolder(work.absolutePath());
    } catch (const AppError&) {
        // Nothing was replaced. Should the marker itself not go, the next
        // start finishes the restore instead, which also leaves a whole set.
        if (!QFileInfo::exists(work.filePath(RestoreMarker)) || filesync::remove(work.filePath(RestoreMarker)) == 0) {
            try {
                dropStage(work);
            } catch (const AppError&) {
                // Left for the next start to clear; the first error is the one to tell.
            }
        }
        throw;
    }
    try {
        putInPlace(writer, work);
    } catch (const AppError& e) {
        throw AppError(QStringLiteral("%1; the restore is under way and is finished at the next start of Pellaro or "
                                      "pellaro-tables")
                           .arg(e.message()));
    }
    result.files = names;
    for (const QString& table : tableFiles())
        result.checks.append({table, TableCheck::run(work.filePath(table))});
    return result;
}

Recovered recover(const QString& workDir, const Options& options)
{
    const QDir work(workDir);
    if (!work.exists() || !restorePending(work))
        return {};
    const DirectoryLock directoryLock(workDir);
    const auto failed = [&workDir](const QString& reason) {
        return AppError(
            QStringLiteral("%1: a restore that was interrupted cannot be cleared up (%2); the tables are left closed")
                .arg(native(workDir), reason));
    };
    try {
        Locks locks;
        locks.takeTables(work, true);
        Writer writer(options);
        Recovered result;
        const QString marker = work.filePath(RestoreMarker);
        if (QFileInfo::exists(marker)) {
            QFile file(marker);
            if (file.open(QIODevice::ReadOnly))
                result.backupFolder = QString::fromUtf8(file.readAll());
            // Closed before the marker goes: Windows removes no file that is open.
            file.close();
            putInPlace(writer, work);
            result.outcome = Recovered::Outcome::Finished;
        } else {
            dropStage(work);
            result.outcome = Recovered::Outcome::Undone;
        }
        return result;
    } catch (const AppError& e) {
        throw failed(e.message());
    }
}

} // namespace backup
