#include "platform/Account.h"

#include <windows.h>

#include <lmcons.h>

namespace platform {

QString accountName()
{
    wchar_t name[UNLEN + 1];
    DWORD length = UNLEN + 1;
    if (!GetUserNameW(name, &length) || length == 0)
        return {};
    return QString::fromWCharArray(name, int(length - 1)); // the count holds the closing zero
}

QString computerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &length))
        return {};
    return QString::fromWCharArray(name, int(length)); // here without the closing zero
}

} // namespace platform
