#include "platform/Ports.h"

namespace platform {

QString defaultPortDevice(int number)
{
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

} // namespace platform
