#include "platform/FileModes.h"

#include "platform/windows/Win32.h"

#include <cerrno>

// Windows keeps one mark of these bits, the read-only attribute: a file
// with it reads as 0444, one without as 0666 (folders also 0111). Who else
// may read a file is a matter of its folder's access rules.
namespace platform {
namespace {

unsigned modeFromAttributes(DWORD attributes)
{
    unsigned mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        mode |= 0111;
    return mode;
}

// A second handle to the descriptor's file with the right to read and set
// its attributes, which a handle opened for writing only lacks; closed
// when it goes.
class AttributesHandle
{
public:
    explicit AttributesHandle(int fd)
    {
        const HANDLE file = win32::handleOf(fd);
        if (file == INVALID_HANDLE_VALUE)
            return;
        m_handle = ReOpenFile(file, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
        if (m_handle == INVALID_HANDLE_VALUE)
            win32::failed();
    }
    ~AttributesHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    AttributesHandle(const AttributesHandle&) = delete;
    AttributesHandle& operator=(const AttributesHandle&) = delete;
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

} // namespace

int modeOf(int fd, unsigned* mode)
{
    const AttributesHandle handle(fd);
    if (handle.get() == INVALID_HANDLE_VALUE)
        return -1;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info))
        return win32::failed();
    *mode = modeFromAttributes(info.dwFileAttributes);
    return 0;
}

int modeOf(const QString& path, unsigned* mode)
{
    const DWORD attributes = GetFileAttributesW(win32::wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return win32::failed();
    *mode = modeFromAttributes(attributes);
    return 0;
}

int setMode(int fd, unsigned mode)
{
    // Only the owner's write bit has a mark to set; the handle keeps the
    // right to write it was opened with.
    const AttributesHandle attributes(fd);
    const HANDLE handle = attributes.get();
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    FILE_BASIC_INFO basic = {};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        return win32::failed();
    const DWORD wanted = (mode & 0200) ? (basic.FileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY))
                                       : (basic.FileAttributes | FILE_ATTRIBUTE_READONLY);
    if (wanted == basic.FileAttributes)
        return 0;
    basic.FileAttributes = wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted;
    // Zero times are left as they are.
    basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = 0;
    basic.LastWriteTime.QuadPart = basic.ChangeTime.QuadPart = 0;
    return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) ? 0 : win32::failed();
}

int keepOwner(int /*fd*/, const QString& /*like*/)
{
    // A file made in a folder takes the folder's owner rules; there is no
    // group to hand on.
    return 0;
}

bool markedReadOnly(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(win32::wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool accessByMode()
{
    return false;
}

bool modeRefusesReading()
{
    return false;
}

} // namespace platform
