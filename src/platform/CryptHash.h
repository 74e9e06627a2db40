#pragma once

#include <QByteArray>

// Password hashes in the self-describing form of the system's crypt library
// ("$y$..." for yescrypt), as the Linux builds stored them before Argon2id.
// Only a system with that library can check one; everywhere else such a value
// can only be replaced (a login on Linux, or a reset to the default).
namespace platform {

enum class CryptCheck {
    Match,
    NoMatch,
    Unreadable,     // a form the library rejects outright
    NotOnThisSystem // this system has no crypt library to check it with
};

// Whether typed (the password's UTF-8 bytes) is the password stored stands
// for, comparing in time that does not depend on where the two differ.
CryptCheck checkCryptHash(const QByteArray& typed, const QByteArray& stored);

// Whether the library rejects stored's form outright (no hashing); false
// where there is no library, as nothing can be told there.
bool cryptHashUnreadable(const QByteArray& stored);

} // namespace platform
