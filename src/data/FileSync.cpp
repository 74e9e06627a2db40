#include "data/FileSync.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace filesync {
namespace {

Function& installed()
{
    static Function f;
    return f;
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

} // namespace filesync
