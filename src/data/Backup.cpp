#include "data/Backup.h"

#include "config/AppError.h"
#include "data/FileSync.h"
#include "data/TableLayouts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <vector>

namespace backup {

namespace {

const QString PartialPrefix = QStringLiteral(".partial-");
const QString RestoreStage = QStringLiteral(".restore-partial");
const QString ConfigFile = QStringLiteral("config.ini");
const QRegularExpression BackupName(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_\\d+)?$"));
constexpr qint64 CopyChunk = 1 << 20;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QStringList tableFiles()
{
    return {TableLayouts::PersonsFile, TableLayouts::GroupsFile, TableLayouts::ReadersFile};
}

// The files of an installation that exist in dir: each table, its memo file
// (in either letter case, as the engine finds it) and config.ini.
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
    if (dir.exists(ConfigFile))
        names.append(ConfigFile);
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
            ::close(fd);
    }
    Locks(const Locks&) = delete;
    Locks& operator=(const Locks&) = delete;

    void take(const QString& path, bool exclusive)
    {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw AppError(QStringLiteral("%1: cannot be opened: %2").arg(native(path), errnoText()));
        m_fds.push_back(fd);
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
            return;
        if (errno == EWOULDBLOCK)
            throw AppError(
                QStringLiteral("%1: the table is in use by another program (is Pellaro running?)").arg(native(path)));
        throw AppError(QStringLiteral("%1: the table cannot be locked: %2").arg(native(path), errnoText()));
    }

    // Every table and memo file of dir.
    void takeTables(const QDir& dir, bool exclusive)
    {
        for (const QString& name : presentFiles(dir))
            if (name != ConfigFile)
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

    // A new file with the bytes of from, on disk when this returns.
    void copy(const QString& from, const QString& to) const
    {
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral("%1: cannot be read: %2").arg(native(from), in.errorString()));
        QFile out(to);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw AppError(QStringLiteral("%1: cannot be written: %2").arg(native(to), out.errorString()));
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(CopyChunk);
            if (chunk.isEmpty() && in.error() != QFile::NoError)
                throw AppError(QStringLiteral("%1: cannot be read: %2").arg(native(from), in.errorString()));
            if (out.write(chunk) != chunk.size())
                throw AppError(QStringLiteral("%1: cannot be written: %2").arg(native(to), out.errorString()));
        }
        if (!out.flush() || filesync::sync(out.handle(), to, filesync::Kind::Full) != 0)
            throw AppError(QStringLiteral("%1: cannot be synced: %2").arg(native(to), errnoText()));
        note(QStringLiteral("sync %1").arg(QFileInfo(to).fileName()));
    }

    void rename(const QString& from, const QString& to) const
    {
        if (filesync::rename(from, to) != 0)
            throw AppError(
                QStringLiteral("%1: cannot be renamed to %2: %3").arg(native(from), native(to), errnoText()));
        note(QStringLiteral("rename %1").arg(QFileInfo(to).fileName()));
    }

private:
    const Options& m_options;
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

bool holdsSame(const QDir& backup, const QDir& work, const QStringList& names)
{
    if (presentFiles(backup) != names)
        return false;
    for (const QString& name : names)
        if (!sameContent(backup.filePath(name), work.filePath(name)))
            return false;
    return true;
}

void removeFolder(const QString& path)
{
    if (!QDir(path).removeRecursively())
        throw AppError(QStringLiteral("%1: the folder cannot be removed").arg(native(path)));
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
    Locks locks;
    if (options.lockTables)
        locks.takeTables(work, false);
    const QStringList names = presentFiles(work);
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
    if (!existing.isEmpty() && holdsSame(QDir(existing.last()), work, names))
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
    for (const QString& file : names)
        writer.copy(work.filePath(file), QDir(partial).filePath(file));
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
        removeFolder(old);
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
    const QStringList names = presentFiles(source);
    for (const QString& table : tableFiles())
        if (!names.contains(table))
            throw AppError(
                QStringLiteral("%1: the backup holds no %2; nothing was restored").arg(native(backupFolder), table));

    Locks locks;
    try {
        locks.takeTables(work, true);
    } catch (const AppError& e) {
        throw AppError(QStringLiteral("%1; nothing was restored").arg(e.message()));
    }

    // The backup's files go next to the tables first, so that replacing is a
    // rename within one file system and a damaged backup replaces nothing.
    Writer writer(options);
    const QString stagePath = work.filePath(RestoreStage);
    if (QFileInfo::exists(stagePath))
        removeFolder(stagePath);
    if (!work.mkdir(RestoreStage))
        throw AppError(QStringLiteral("%1: the folder cannot be made").arg(native(stagePath)));
    const QDir stage(stagePath);
    Restored result;
    try {
        for (const QString& name : names)
            writer.copy(source.filePath(name), stage.filePath(name));
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
        // Notes before tables, as the engine writes them.
        QStringList order = names;
        std::stable_sort(order.begin(), order.end(), [](const QString& a, const QString& b) {
            return !a.endsWith(u"dbf", Qt::CaseInsensitive) && b.endsWith(u"dbf", Qt::CaseInsensitive);
        });
        for (const QString& name : order)
            writer.rename(stage.filePath(name), work.filePath(name));
        writer.syncFolder(work.absolutePath());
    } catch (const AppError&) {
        QDir(stagePath).removeRecursively();
        throw;
    }
    removeFolder(stagePath);
    result.files = names;
    for (const QString& table : tableFiles())
        result.checks.append({table, TableCheck::run(work.filePath(table))});
    return result;
}

} // namespace backup
