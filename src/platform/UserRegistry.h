#pragma once

#include <QString>

namespace platform {

// The outcome of writing a value to the current user's registry.
enum class RegistryWrite {
    Written,
    KeyMissing, // the key does not exist; it is never created here
    Failed,     // the key could not be opened for writing, or the value not set
};

// Writes value as the 32-bit value name under key, a key directly below the
// current user's root that must exist already. On Linux the user's own
// settings store (~/.config) stands in for the registry and the key is made
// as needed there.
RegistryWrite writeUserDword(const QString& key, const QString& name, quint32 value);

} // namespace platform
