#include "config/FileSync.h"

#include "platform/Files.h"

#include <cerrno>

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
    return kind == Kind::Data ? platform::syncData(fd) : platform::syncFull(fd);
}

int syncDirectory(const QString& dir)
{
    const int fd = platform::openDirectory(dir);
    if (fd < 0)
        return -1;
    const int result = sync(fd, dir, Kind::Full);
    const int error = errno;
    platform::closeFile(fd);
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
        const qint64 n = platform::writeAt(fd, offset, p, left);
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
    return platform::truncateFile(fd, size);
}

int rename(const QString& from, const QString& to)
{
    if (pass({Step::Kind::Rename, from, to, 0, {}, -1}) != 0)
        return -1;
    return platform::replaceFile(from, to);
}

int renameNoReplace(const QString& from, const QString& to)
{
    if (pass({Step::Kind::Rename, from, to, 0, {}, -1}) != 0)
        return -1;
    return platform::renameNoReplace(from, to);
}

int remove(const QString& path)
{
    if (pass({Step::Kind::Remove, path, {}, 0, {}, -1}) != 0)
        return -1;
    return platform::removeFile(path);
}

QString errnoText()
{
    return platform::errorText(errno);
}

} // namespace filesync
