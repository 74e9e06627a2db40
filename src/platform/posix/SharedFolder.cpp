#include "platform/SharedFolder.h"

#include "config/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <algorithm>
#include <vector>

namespace shared {

QString ownerName(uid_t uid)
{
    if (const passwd* pw = ::getpwuid(uid))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(uid);
}

namespace {

bool statOf(const QString& path, struct stat* st)
{
    return ::stat(QFile::encodeName(path).constData(), st) == 0;
}

QString groupName(gid_t gid)
{
    if (const group* gr = ::getgrgid(gid))
        return QString::fromLocal8Bit(gr->gr_name);
    return QString::number(gid);
}

bool inGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[size_t(i)] == gid)
            return true;
    }
    return false;
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// A file descriptor closed on every path.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

constexpr mode_t FolderBits = S_IRWXU | S_IRWXG | S_ISGID;
constexpr mode_t FileBits = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP;
constexpr int OpenFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Opening a file only to change its owner and mode must not act on it:
// nothing blocks, no terminal is taken.
constexpr int OpenFile = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

[[noreturn]] void failed(const QString& what, const QString& path)
{
    throw AppError(QStringLiteral("%1 %2: %3")
                       .arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))));
}

bool trustedOwner(uid_t uid)
{
    return uid == 0 || uid == ::geteuid();
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whoever may change a folder above the shared one may put a link in its
// place between a check and a change. A sticky folder (like /tmp) lets
// others make names in it but not move one they do not own, so it is safe
// above a folder of a trusted owner.
void checkAbove(const struct stat& above, const QString& abovePath, const struct stat& below, const QString& dir)
{
    if (!trustedOwner(above.st_uid))
        throw AppError(
            QStringLiteral("%1, a folder above %2, belongs to the account \"%3\": a shared folder goes where "
                           "only root may change the folders above it")
                .arg(QDir::toNativeSeparators(abovePath), QDir::toNativeSeparators(dir), ownerName(above.st_uid)));
    const bool othersWrite = above.st_mode & (S_IWGRP | S_IWOTH);
    if (othersWrite && !((above.st_mode & S_ISVTX) && trustedOwner(below.st_uid)))
        throw AppError(QStringLiteral("%1, a folder above %2, may be changed by other accounts than root (mode %3): a "
                                      "shared folder goes where only root may change the folders above it")
                           .arg(QDir::toNativeSeparators(abovePath), QDir::toNativeSeparators(dir))
                           .arg(above.st_mode & 07777, 4, 8, QLatin1Char('0')));
}

// The names in a folder, read through a descriptor of its own.
std::vector<QByteArray> namesIn(int folder, const QString& path)
{
    const int copy = ::dup(folder);
    DIR* d = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!d) {
        if (copy >= 0)
            ::close(copy);
        failed(QStringLiteral("cannot read the folder"), path);
    }
    ::rewinddir(d);
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(d)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(d);
    return names;
}

void giveToGroup(int fd, const struct stat& st, mode_t bits, gid_t gid, const QString& path)
{
    if (st.st_gid != gid && ::fchown(fd, uid_t(-1), gid) != 0)
        failed(QStringLiteral("cannot give the group"), path);
    const mode_t mode = (st.st_mode & 07777) | bits;
    if (mode != (st.st_mode & 07777) && ::fchmod(fd, mode) != 0)
        failed(QStringLiteral("cannot change the mode of"), path);
}

// Every folder and file below an opened folder: each is opened without
// following a link and checked to be what was listed before it is changed.
void mendInside(int folder, const QString& path, gid_t gid, QStringList* notes)
{
    for (const QByteArray& name : namesIn(folder, path)) {
        const QString entryPath = path + u'/' + QFile::decodeName(name);
        struct stat listed;
        if (::fstatat(folder, name.constData(), &listed, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone meanwhile
        if (!S_ISDIR(listed.st_mode) && !S_ISREG(listed.st_mode)) {
            // A link keeps its target; only the link itself joins the group.
            if (listed.st_gid != gid && ::fchownat(folder, name.constData(), uid_t(-1), gid, AT_SYMLINK_NOFOLLOW) != 0)
                failed(QStringLiteral("cannot give the group"), entryPath);
            continue;
        }
        if (S_ISREG(listed.st_mode) && listed.st_nlink > 1) {
            *notes << QStringLiteral("left alone: %1 has other names (hard links), which may be outside the folder")
                          .arg(QDir::toNativeSeparators(entryPath));
            continue;
        }
        Fd fd(::openat(folder, name.constData(), S_ISDIR(listed.st_mode) ? OpenFolder : OpenFile));
        struct stat opened;
        if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 || !sameFile(listed, opened) ||
            (opened.st_mode & S_IFMT) != (listed.st_mode & S_IFMT) ||
            (S_ISREG(opened.st_mode) && opened.st_nlink > 1)) {
            *notes << QStringLiteral("left alone: %1 changed while it was checked")
                          .arg(QDir::toNativeSeparators(entryPath));
            continue;
        }
        if (S_ISDIR(opened.st_mode)) {
            giveToGroup(fd.get(), opened, FolderBits, gid, entryPath);
            mendInside(fd.get(), entryPath, gid, notes);
        } else {
            giveToGroup(fd.get(), opened, FileBits, gid, entryPath);
        }
    }
}

} // namespace

QStringList share(const QString& dir, const QString& group, const std::function<void(const QString&)>& makeTables)
{
    const struct group* gr = ::getgrnam(QFile::encodeName(group).constData());
    if (!gr)
        throw AppError(QStringLiteral("there is no group \"%1\"").arg(group));
    const gid_t gid = gr->gr_gid;
    // A relative name starts at the working directory's real path, which
    // holds no link.
    QString path = dir;
    if (!dir.startsWith(u'/')) {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd))
            failed(QStringLiteral("cannot tell the working directory of"), dir);
        path = QFile::decodeName(cwd) + u'/' + dir;
    }
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        throw AppError(QStringLiteral("the root folder cannot be a shared folder"));
    if (parts.contains(QStringLiteral(".")) || parts.contains(QStringLiteral("..")))
        throw AppError(QStringLiteral("%1: name the shared folder without \".\" or \"..\"").arg(dir));

    Fd current(::open("/", OpenFolder));
    struct stat currentStat;
    if (current.get() < 0 || ::fstat(current.get(), &currentStat) != 0)
        failed(QStringLiteral("cannot open"), QStringLiteral("/"));
    QString currentPath;
    bool made = false;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray name = QFile::encodeName(parts[i]);
        const bool last = i == parts.size() - 1;
        const QString abovePath = currentPath.isEmpty() ? QStringLiteral("/") : currentPath;
        currentPath += u'/' + parts[i];
        struct stat listed;
        if (::fstatat(current.get(), name.constData(), &listed, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                failed(QStringLiteral("cannot look at"), currentPath);
            struct stat ours = {};
            ours.st_uid = ::geteuid();
            checkAbove(currentStat, abovePath, ours, dir);
            // Made private; the group gets it once it is set up.
            if (::mkdirat(current.get(), name.constData(),
                          last ? S_IRWXU : S_IRWXU | S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH) != 0 ||
                ::fstatat(current.get(), name.constData(), &listed, AT_SYMLINK_NOFOLLOW) != 0)
                failed(QStringLiteral("cannot make the folder"), currentPath);
            made = last;
        }
        if (S_ISLNK(listed.st_mode))
            throw AppError(last ? QStringLiteral("%1 is a symbolic link: name the shared folder by its own path")
                                      .arg(QDir::toNativeSeparators(currentPath))
                                : QStringLiteral("%1, a folder above %2, is a symbolic link: name the shared folder by "
                                                 "its real path")
                                      .arg(QDir::toNativeSeparators(currentPath), dir));
        if (!S_ISDIR(listed.st_mode))
            throw AppError(QStringLiteral("%1 is not a folder").arg(QDir::toNativeSeparators(currentPath)));
        checkAbove(currentStat, abovePath, listed, dir);
        Fd next(::openat(current.get(), name.constData(), OpenFolder));
        struct stat opened;
        if (next.get() < 0 || ::fstat(next.get(), &opened) != 0)
            failed(QStringLiteral("cannot open"), currentPath);
        if (!sameFile(listed, opened))
            throw AppError(QStringLiteral("%1 changed while it was checked; nothing was changed")
                               .arg(QDir::toNativeSeparators(currentPath)));
        current = std::move(next);
        currentStat = opened;
    }
    // Tables are made only where nobody else may yet put a name.
    const bool privateFolder = trustedOwner(currentStat.st_uid) && !(currentStat.st_mode & (S_IWGRP | S_IWOTH));
    if (makeTables && (made || privateFolder))
        makeTables(currentPath);
    if (::fstat(current.get(), &currentStat) != 0)
        failed(QStringLiteral("cannot look at"), currentPath);
    // The folder itself is closed to others as well.
    if (currentStat.st_gid != gid && ::fchown(current.get(), uid_t(-1), gid) != 0)
        failed(QStringLiteral("cannot give the group"), currentPath);
    if (::fchmod(current.get(), ((currentStat.st_mode & 07777) | FolderBits) & ~S_IRWXO) != 0)
        failed(QStringLiteral("cannot change the mode of"), currentPath);
    QStringList notes;
    mendInside(current.get(), currentPath, gid, &notes);
    return notes;
}

bool isShared(const QString& folder)
{
    struct stat st;
    return statOf(folder, &st) && S_ISDIR(st.st_mode) && (st.st_mode & S_ISGID);
}

void keepGroupAccess(const QString& folder)
{
    if (!isShared(folder))
        return;
    const mode_t mask = ::umask(0);
    ::umask(mask & ~mode_t(S_IRGRP | S_IWGRP | S_IXGRP));
}

unsigned privateFileMode(const QString& folder)
{
    return isShared(folder) ? (S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP) : (S_IRUSR | S_IWUSR);
}

namespace {

bool holds(const std::vector<unsigned>& groups, unsigned group)
{
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// The groups of this process, and those the system's group list gives the
// account: the calls the judgement needs, in one place.
FolderFacts factsOf(const struct stat& dir)
{
    FolderFacts facts;
    facts.mode = dir.st_mode & 07777;
    facts.owner = dir.st_uid;
    facts.group = dir.st_gid;
    facts.account = ::geteuid();
    facts.processGroups.push_back(::getegid());
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        facts.processGroups.push_back(groups[size_t(i)]);
    if (const passwd* pw = ::getpwuid(::geteuid())) {
        const QByteArray name(pw->pw_name);
        const gid_t primary = pw->pw_gid;
        int listed = 64;
        std::vector<gid_t> listedGroups(static_cast<size_t>(listed));
        if (::getgrouplist(name.constData(), primary, listedGroups.data(), &listed) < 0) {
            listedGroups.resize(static_cast<size_t>(listed));
            ::getgrouplist(name.constData(), primary, listedGroups.data(), &listed);
        }
        for (int i = 0; i < listed && i < int(listedGroups.size()); ++i)
            facts.accountGroups.push_back(listedGroups[size_t(i)]);
    }
    return facts;
}

QString accessAdvice(FolderAccess access, const QString& folder, const FolderFacts& facts)
{
    const QString account = accountName();
    const QString group = groupName(facts.group);
    switch (access) {
    case FolderAccess::Granted:
        return {};
    case FolderAccess::GroupNotActive:
        return QStringLiteral("The account \"%1\" is in the group \"%3\" that shares %2, but this session began "
                              "before it joined: log out and log in again, then start Pellaro.")
            .arg(account, native(folder), group);
    case FolderAccess::NotInGroup:
        return QStringLiteral("The account \"%1\" may not work in %2: the folder is shared by the group \"%3\", "
                              "which the account is not in. An administrator adds it: sudo adduser %1 %3 "
                              "(then log out and log in again).")
            .arg(account, native(folder), group);
    case FolderAccess::Refused:
        break;
    }
    return QStringLiteral("The account \"%1\" may not work in %2 (the folder of \"%3\", group \"%4\", mode %5). "
                          "For a folder several accounts use, an administrator makes it shared by their group: "
                          "sudo pellaro-start --shared %2 GROUP")
        .arg(account, native(folder), ownerName(facts.owner), group)
        .arg(facts.mode, 4, 8, QLatin1Char('0'));
}

} // namespace

QString folderAdvice(const QString& folder)
{
    struct stat dir;
    if (!statOf(folder, &dir) || !S_ISDIR(dir.st_mode))
        return {};
    const FolderFacts facts = factsOf(dir);
    return accessAdvice(judgeAccess(facts), folder, facts);
}

QString permissionAdvice(const QString& file, int error)
{
    if (error != EACCES && error != EPERM)
        return {};
    const QString folder = QFileInfo(file).absolutePath();
    const QString account = accountName();
    struct stat dir;
    if (statOf(folder, &dir) && (dir.st_mode & S_ISGID)) {
        const QString group = groupName(dir.st_gid);
        if (const FolderFacts facts = factsOf(dir);
            !inGroup(dir.st_gid) && holds(facts.accountGroups, dir.st_gid))
            return accessAdvice(FolderAccess::GroupNotActive, folder, facts);
        if (!inGroup(dir.st_gid))
            return QStringLiteral("The account \"%1\" may not open or write %2: the folder is shared by the group \"%3\", "
                                  "which the account is not in. An administrator adds it: sudo adduser %1 %3 "
                                  "(then log out and in again).")
                .arg(account, native(file), group);
        return QStringLiteral("The account \"%1\" may not open or write %2, although it is in the group \"%3\" that "
                              "shares the folder: the file has lost the group's access. An administrator mends "
                              "the folder: sudo pellaro-start --shared %4 %3")
            .arg(account, native(file), group, native(folder));
    }
    return QStringLiteral("The account \"%1\" may not open or write %2. For a folder several accounts use, an "
                          "administrator makes it shared by their group: sudo pellaro-start --shared %3 GROUP "
                          "(see README.Debian); for this account alone: sudo chown -R %1 %3")
        .arg(account, native(file), native(folder));
}

} // namespace shared
