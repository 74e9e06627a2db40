#include "platform/Locks.h"

#include "platform/Files.h"

#include <cerrno>
#include <sys/file.h>

// Whole-file advisory locks (flock), which every copy of the program takes
// before it reads or writes a table.
namespace platform {

int tryLock(int fd, LockKind kind)
{
    return ::flock(fd, (kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
}

int unlock(int fd)
{
    return ::flock(fd, LOCK_UN);
}

bool heldElsewhere(int error)
{
    return error == EWOULDBLOCK;
}

int lockFolder(const QString& folder)
{
    const int fd = openDirectory(folder);
    if (fd < 0)
        return -1;
    if (tryLock(fd, LockKind::Exclusive) == 0)
        return fd;
    const int error = errno;
    closeFile(fd);
    errno = error;
    return -1;
}

} // namespace platform
