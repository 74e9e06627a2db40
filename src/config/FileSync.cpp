#include "config/FileSync.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace filesync {
namespace {

Function& installed()
{
    static Function f;
    return f;
}

Hook& hook()
{
    static Hook h;
    return h;
}

int pass(const Step& step)
{
    const Hook& h = hook();
    return h ? h(step) : 0;
}

} // namespace

int sync(int fd, const QString& path, Kind kind)
{
    if (const Function& f = installed())
        return f(fd, path, kind);
    return kind == Kind::Data ? ::fdatasync(fd) : ::fsync(fd);
}

int syncDirectory(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int result = sync(fd, dir, Kind::Full);
    const int error = errno;
    ::close(fd);
    errno = error;
    return result;
}

Function setFunction(Function function)
{
    return std::exchange(installed(), std::move(function));
}

Hook setHook(Hook h)
{
    return std::exchange(hook(), std::move(h));
}

int write(int fd, const QString& path, qint64 offset, QByteArrayView bytes)
{
    if (pass({Step::Kind::Write, path, {}, offset, bytes, fd}) != 0)
        return -1;
    const char* p = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, p, size_t(left), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0) {
            errno = EIO;
            return -1;
        }
        p += n;
        offset += n;
        left -= n;
    }
    return 0;
}

int truncate(int fd, const QString& path, qint64 size)
{
    if (pass({Step::Kind::Truncate, path, {}, size, {}, fd}) != 0)
        return -1;
    return ::ftruncate(fd, off_t(size));
}

int rename(const QString& from, const QString& to)
{
    if (pass({Step::Kind::Rename, from, to, 0, {}, -1}) != 0)
        return -1;
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
}

int renameNoReplace(const QString& from, const QString& to)
{
    if (pass({Step::Kind::Rename, from, to, 0, {}, -1}) != 0)
        return -1;
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return -1;
    if (::link(f.constData(), t.constData()) != 0)
        return -1;
    ::unlink(f.constData()); // left behind, the old name is only a second name of the same file
    return 0;
}

int remove(const QString& path)
{
    if (pass({Step::Kind::Remove, path, {}, 0, {}, -1}) != 0)
        return -1;
    return ::unlink(QFile::encodeName(path).constData());
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace filesync
