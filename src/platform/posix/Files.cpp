#include "platform/Files.h"

#include <QFile>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

QByteArray name(const QString& path)
{
    return QFile::encodeName(path);
}

int flagsOf(Access access, Create create)
{
    int flags = O_CLOEXEC;
    switch (access) {
    case Access::Read: flags |= O_RDONLY; break;
    case Access::Write: flags |= O_WRONLY; break;
    case Access::ReadWrite: flags |= O_RDWR; break;
    }
    switch (create) {
    case Create::Never: break;
    case Create::IfMissing: flags |= O_CREAT; break;
    case Create::Truncate: flags |= O_CREAT | O_TRUNC; break;
    case Create::New: flags |= O_CREAT | O_EXCL; break;
    }
    return flags;
}

} // namespace

int openFile(const QString& path, Access access, Create create, unsigned mode)
{
    return ::open(name(path).constData(), flagsOf(access, create), mode_t(mode));
}

int openDirectory(const QString& path)
{
    return ::open(name(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int memoryFile(const QString& fileName)
{
    return ::memfd_create(name(fileName).constData(), MFD_CLOEXEC);
}

int createUnique(QString* path)
{
    QByteArray pattern = name(*path) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0)
        *path = QFile::decodeName(pattern);
    return fd;
}

int closeFile(int fd)
{
    return ::close(fd);
}

qint64 readAt(int fd, qint64 offset, char* out, qint64 length)
{
    return ::pread(fd, out, size_t(length), off_t(offset));
}

qint64 writeAt(int fd, qint64 offset, const char* bytes, qint64 length)
{
    return ::pwrite(fd, bytes, size_t(length), off_t(offset));
}

qint64 readNext(int fd, char* out, qint64 length)
{
    return ::read(fd, out, size_t(length));
}

qint64 writeNext(int fd, const char* bytes, qint64 length)
{
    return ::write(fd, bytes, size_t(length));
}

int truncateFile(int fd, qint64 size)
{
    return ::ftruncate(fd, off_t(size));
}

qint64 fileSize(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return -1;
    return st.st_size;
}

int syncData(int fd)
{
    return ::fdatasync(fd);
}

int syncFull(int fd)
{
    return ::fsync(fd);
}

int replaceFile(const QString& from, const QString& to)
{
    return ::rename(name(from).constData(), name(to).constData());
}

int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray f = name(from);
    const QByteArray t = name(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return -1;
    if (::link(f.constData(), t.constData()) != 0)
        return -1;
    ::unlink(f.constData()); // left behind, the old name is only a second name of the same file
    return 0;
}

int removeFile(const QString& path)
{
    return ::unlink(name(path).constData());
}

int mayCreateIn(const QString& folder)
{
    return ::access(name(folder).constData(), W_OK | X_OK);
}

int mayWrite(const QString& path)
{
    return ::access(name(path).constData(), W_OK);
}

qint64 freeSpace(const QString& folder)
{
    return QStorageInfo(folder).bytesAvailable();
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace platform
