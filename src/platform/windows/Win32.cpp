#include "platform/windows/Win32.h"

#include <QDir>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace platform::win32 {

std::wstring wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

void setErrno(DWORD error)
{
    switch (error) {
    case ERROR_SUCCESS: errno = 0; break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_ACCESS:
    case ERROR_NETWORK_ACCESS_DENIED: errno = EACCES; break;
    case ERROR_PRIVILEGE_NOT_HELD: errno = EPERM; break;
    case ERROR_WRITE_PROTECT: errno = EROFS; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_INVALID_HANDLE: errno = EBADF; break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: errno = ENOMEM; break;
    case ERROR_DIRECTORY: errno = ENOTDIR; break;
    case ERROR_DIR_NOT_EMPTY: errno = ENOTEMPTY; break;
    case ERROR_NOT_SAME_DEVICE: errno = EXDEV; break;
    case ERROR_FILENAME_EXCED_RANGE: errno = ENAMETOOLONG; break;
    case ERROR_TOO_MANY_OPEN_FILES: errno = EMFILE; break;
    // Another program holds a lock on the range, or opened the file
    // without letting others share it.
    case ERROR_LOCK_VIOLATION: errno = EWOULDBLOCK; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: errno = EBUSY; break;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED: errno = EINVAL; break;
    default: errno = EIO; break;
    }
}

int failed()
{
    setErrno(GetLastError());
    return -1;
}

HANDLE handleOf(int fd)
{
    const auto handle = HANDLE(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        errno = EBADF;
    return handle;
}

int descriptorOf(HANDLE handle, bool readOnly)
{
    if (handle == INVALID_HANDLE_VALUE)
        return failed();
    const int fd = _open_osfhandle(intptr_t(handle), readOnly ? _O_RDONLY : 0);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

} // namespace platform::win32
