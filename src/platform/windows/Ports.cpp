#include "platform/Ports.h"

namespace platform {

QString defaultPortDevice(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

} // namespace platform
