#include "data/FileSync.h"

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

Function setFunction(Function function)
{
    return std::exchange(installed(), std::move(function));
}

} // namespace filesync
