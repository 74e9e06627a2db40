#pragma once

#include <QString>

// The two passwords of config.ini are kept as salted, slow hashes in the
// self-describing form of the system's crypt library ("$y$..." for yescrypt),
// so a copy of the file gives nobody a password. yescrypt is what Debian
// hashes its own account passwords with, and libcrypt is on every system
// already: no new library comes with it.
namespace password {

// How a stored value reads.
enum class Stored {
    Hash,      // "$id$...": checked by the crypt library
    Plain,     // from before passwords were hashed: compared as text
    Unreadable // looks like a hash but is none the library can check
};

// The longest password the hash takes, in UTF-8 bytes.
inline constexpr int MaxLength = 511;

// A new hash of the password's UTF-8 bytes with a fresh salt; empty when the
// system has no source of random salt (then nothing must be stored).
QString hash(const QString& password);

enum class Check { Match, NoMatch, Unreadable };

// Whether typed is the password a stored value stands for, comparing in time
// that does not depend on where the two differ.
Check check(const QString& typed, const QString& stored);

// Hash or Plain by the value's form alone (no hashing); Unreadable only for a
// hash form the library rejects outright.
Stored kindOf(const QString& stored);

} // namespace password
