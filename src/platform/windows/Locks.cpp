#include "platform/Locks.h"

#include "platform/Files.h"
#include "platform/windows/Win32.h"

#include <QDir>

#include <cerrno>

// Byte-range locks (LockFileEx). dBase programs lock records and whole
// tables in ranges at a thousand million bytes and beyond, past the end of
// any real table, where a lock keeps out other lockers and not readers.
// Pellaro locks that whole range: its exclusive lock excludes theirs, a lock
// of theirs makes Pellaro's fail, and nobody's lock stops a reading of the
// records (Windows locks are mandatory inside their range).
namespace platform {
namespace {

constexpr quint64 LockStart = 1000000000ull;
constexpr quint64 LockEnd = 0x100000000ull;

OVERLAPPED lockRange()
{
    OVERLAPPED o = {};
    o.Offset = DWORD(LockStart);
    o.OffsetHigh = DWORD(LockStart >> 32);
    return o;
}

constexpr DWORD LengthLow = DWORD((LockEnd - LockStart) & 0xFFFFFFFFu);
constexpr DWORD LengthHigh = DWORD((LockEnd - LockStart) >> 32);

// Where the folder's own lock is taken: a folder cannot be locked on Windows.
constexpr auto FolderLockName = u".pellaro-folder.lock";

} // namespace

int tryLock(int fd, LockKind kind)
{
    const HANDLE handle = win32::handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (kind == LockKind::Exclusive)
        flags |= LOCKFILE_EXCLUSIVE_LOCK;
    OVERLAPPED range = lockRange();
    return LockFileEx(handle, flags, 0, LengthLow, LengthHigh, &range) ? 0 : win32::failed();
}

int unlock(int fd)
{
    const HANDLE handle = win32::handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED range = lockRange();
    return UnlockFileEx(handle, 0, LengthLow, LengthHigh, &range) ? 0 : win32::failed();
}

bool heldElsewhere(int error)
{
    // A program that opened the file for itself alone holds it as well.
    return error == EWOULDBLOCK || error == EBUSY;
}

int lockFolder(const QString& folder)
{
    const QString path = QDir(folder).filePath(QString::fromUtf16(FolderLockName));
    const HANDLE handle =
        CreateFileW(win32::wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_HIDDEN, nullptr);
    const int fd = win32::descriptorOf(handle, false);
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
