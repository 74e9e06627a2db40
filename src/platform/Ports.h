#pragma once

#include <QString>

namespace platform {

// The device of serial port number (1 for COM1) where config.ini names none.
QString defaultPortDevice(int number);

} // namespace platform
