#pragma once

#include <QString>

#include <string>

#include <windows.h>

// What the Windows side of the platform calls shares: wide names, the
// descriptor's handle, and the error numbers callers test.
namespace platform::win32 {

// The name as the wide-character calls take it, with backslashes.
std::wstring wide(const QString& path);

// Sets errno to the C library's number for a Win32 error (GetLastError()).
void setErrno(DWORD error);

// Sets errno from GetLastError() and returns -1, for a failed call.
int failed();

// The handle behind a descriptor; INVALID_HANDLE_VALUE with errno EBADF.
HANDLE handleOf(int fd);

// A descriptor owning the handle (closed with it), or -1 with errno; the
// handle is closed when no descriptor can be made.
int descriptorOf(HANDLE handle, bool readOnly);

} // namespace platform::win32
