#include "platform/UserRegistry.h"

#include <windows.h>

namespace platform {

RegistryWrite writeUserDword(const QString& key, const QString& name, quint32 value)
{
    HKEY handle = nullptr;
    // Opened, never created: the installer makes the key for its user.
    const LONG opened =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(key.utf16()), 0, KEY_SET_VALUE, &handle);
    if (opened == ERROR_FILE_NOT_FOUND)
        return RegistryWrite::KeyMissing;
    if (opened != ERROR_SUCCESS)
        return RegistryWrite::Failed;
    const DWORD data = DWORD(value);
    const LONG set = ::RegSetValueExW(handle, reinterpret_cast<const wchar_t*>(name.utf16()), 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&data), sizeof data);
    ::RegCloseKey(handle);
    return set == ERROR_SUCCESS ? RegistryWrite::Written : RegistryWrite::Failed;
}

} // namespace platform
