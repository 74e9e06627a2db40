#include "platform/Files.h"

#include "platform/windows/Win32.h"

#include <QDir>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <io.h>
#include <limits>

// Every descriptor here owns a handle made by CreateFileW, which lets other
// programs read, write, rename and remove the file as POSIX does; the tables
// are guarded by locks (Locks.cpp), not by sharing modes.
namespace platform {
namespace {

using win32::failed;
using win32::handleOf;
using win32::wide;

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// One call moves at most this much; the callers repeat short transfers.
constexpr qint64 MaxTransfer = 1 << 30;

DWORD lengthOf(qint64 length)
{
    return DWORD(std::clamp<qint64>(length, 0, MaxTransfer));
}

OVERLAPPED at(qint64 offset)
{
    OVERLAPPED o = {};
    o.Offset = DWORD(quint64(offset) & 0xFFFFFFFFu);
    o.OffsetHigh = DWORD(quint64(offset) >> 32);
    return o;
}

bool isDirectory(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

int openFile(const QString& path, Access access, Create create, unsigned /*mode*/)
{
    // A new file takes the access rules of its folder: Windows keeps no
    // mode bits, and a working folder is private or shared by its rules.
    DWORD rights = 0;
    switch (access) {
    case Access::Read: rights = GENERIC_READ; break;
    case Access::Write: rights = GENERIC_WRITE; break;
    case Access::ReadWrite: rights = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD disposition = OPEN_EXISTING;
    switch (create) {
    case Create::Never: disposition = OPEN_EXISTING; break;
    case Create::IfMissing:
    case Create::Truncate: disposition = OPEN_ALWAYS; break; // emptied below, keeping its attributes
    case Create::New: disposition = CREATE_NEW; break;
    }
    const HANDLE handle =
        CreateFileW(wide(path).c_str(), rights, ShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    const int fd = win32::descriptorOf(handle, access == Access::Read);
    if (fd >= 0 && create == Create::Truncate && truncateFile(fd, 0) != 0) {
        const int error = errno;
        closeFile(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int openDirectory(const QString& path)
{
    // Only a handle opened for backup semantics names a folder.
    const HANDLE handle = CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return win32::descriptorOf(handle, true);
}

int memoryFile(const QString& /*name*/)
{
    // A temporary file the system keeps in its cache while it can and
    // removes when the handle closes.
    wchar_t folder[MAX_PATH + 1];
    wchar_t file[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return failed();
    if (GetTempFileNameW(folder, L"pel", 0, file) == 0)
        return failed();
    const HANDLE handle =
        CreateFileW(file, GENERIC_READ | GENERIC_WRITE, ShareAll, nullptr, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const int result = failed();
        DeleteFileW(file);
        return result;
    }
    return win32::descriptorOf(handle, false);
}

int createUnique(QString* path)
{
    // Made inside the folder, the file takes the folder's access rules, as
    // every file made there does.
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString candidate = *path + u'.';
        for (int i = 0; i < 6; ++i)
            candidate += QLatin1Char(Letters[QRandomGenerator::system()->bounded(int(sizeof Letters - 1))]);
        const HANDLE handle = CreateFileW(wide(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, ShareAll, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            win32::setErrno(error);
            return -1;
        }
        const int fd = win32::descriptorOf(handle, false);
        if (fd >= 0)
            *path = candidate;
        return fd;
    }
    errno = EEXIST;
    return -1;
}

int closeFile(int fd)
{
    return _close(fd);
}

qint64 readAt(int fd, qint64 offset, char* out, qint64 length)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED where = at(offset);
    DWORD done = 0;
    if (!ReadFile(handle, out, lengthOf(length), &done, &where)) {
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        return failed();
    }
    return done;
}

qint64 writeAt(int fd, qint64 offset, const char* bytes, qint64 length)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED where = at(offset);
    DWORD done = 0;
    if (!WriteFile(handle, bytes, lengthOf(length), &done, &where))
        return failed();
    return done;
}

qint64 readNext(int fd, char* out, qint64 length)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    DWORD done = 0;
    if (!ReadFile(handle, out, lengthOf(length), &done, nullptr))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : failed();
    return done;
}

qint64 writeNext(int fd, const char* bytes, qint64 length)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    DWORD done = 0;
    if (!WriteFile(handle, bytes, lengthOf(length), &done, nullptr))
        return failed();
    return done;
}

int truncateFile(int fd, qint64 size)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = size;
    return SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end) ? 0 : failed();
}

qint64 fileSize(int fd)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size))
        return failed();
    return size.QuadPart;
}

int syncData(int fd)
{
    return syncFull(fd);
}

int syncFull(int fd)
{
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    // A folder's names are in the file system's own log, and every rename
    // here is written through (MOVEFILE_WRITE_THROUGH): there is nothing
    // more to flush on a folder, and Windows has no call for it.
    if (isDirectory(handle))
        return 0;
    return FlushFileBuffers(handle) ? 0 : failed();
}

int replaceFile(const QString& from, const QString& to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : failed();
}

int renameNoReplace(const QString& from, const QString& to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : failed();
}

int removeFile(const QString& path)
{
    return DeleteFileW(wide(path).c_str()) ? 0 : failed();
}

int mayCreateIn(const QString& folder)
{
    const DWORD attributes = GetFileAttributesW(wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return failed();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = ENOTDIR;
        return -1;
    }
    return _waccess(wide(folder).c_str(), 2);
}

int mayWrite(const QString& path)
{
    return _waccess(wide(path).c_str(), 2);
}

qint64 freeSpace(const QString& folder)
{
    // Also right for a folder on a server's share, and the user's quota.
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(wide(QDir(folder).absolutePath() + u'/').c_str(), &available, nullptr, nullptr))
        return -1;
    return qint64(std::min<quint64>(available.QuadPart, quint64(std::numeric_limits<qint64>::max())));
}

QString errorText(int error)
{
    return QString::fromWCharArray(_wcserror(error));
}

} // namespace platform
