#pragma once

#include <QString>

// Who this process works as, and where, from the system's own records and
// never from variables of the caller's environment.
namespace platform {

// The effective user's account name (its number where it has none).
QString accountName();

// This computer's name on the network.
QString computerName();

} // namespace platform
