#include "config/SharedFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace shared {

QString accountName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::geteuid());
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

} // namespace

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

QString permissionAdvice(const QString& file, int error)
{
    if (error != EACCES && error != EPERM)
        return {};
    const QString folder = QFileInfo(file).absolutePath();
    const QString account = accountName();
    struct stat dir;
    if (statOf(folder, &dir) && (dir.st_mode & S_ISGID)) {
        const QString group = groupName(dir.st_gid);
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
