#include "platform/FileModes.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int modeOf(int fd, unsigned* mode)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return -1;
    *mode = st.st_mode & 07777;
    return 0;
}

int modeOf(const QString& path, unsigned* mode)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    *mode = st.st_mode & 07777;
    return 0;
}

int setMode(int fd, unsigned mode)
{
    return ::fchmod(fd, mode_t(mode));
}

int keepOwner(int fd, const QString& like)
{
    struct stat st;
    if (::stat(QFile::encodeName(like).constData(), &st) != 0)
        return -1;
    return ::fchown(fd, st.st_uid, st.st_gid) == 0 || errno == EPERM ? 0 : -1;
}

bool markedReadOnly(const QString& path)
{
    unsigned mode = 0;
    return modeOf(path, &mode) == 0 && (mode & S_IWUSR) == 0;
}

bool accessByMode()
{
    return true;
}

bool modeRefusesReading()
{
    return ::geteuid() != 0;
}

} // namespace platform
