#include "platform/Account.h"

#include <climits>
#include <pwd.h>
#include <unistd.h>

namespace platform {

QString accountName()
{
    const uid_t uid = ::geteuid();
    if (const passwd* pw = ::getpwuid(uid))
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(uid);
}

QString computerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

} // namespace platform
