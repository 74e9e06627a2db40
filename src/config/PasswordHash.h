#pragma once

#include <QString>

// The two passwords of config.ini (and of a site's database) are kept as
// salted, slow hashes, so a copy of the file gives nobody a password. New
// hashes are Argon2id in libsodium's self-describing form
// ("$argon2id$v=19$m=...,t=...,p=1$salt$hash"), which the Linux and the
// Windows build check alike, so a site folder moved between them keeps its
// logins. Values in the system crypt library's form ("$y$..." yescrypt, from
// the Linux builds before) are checked where that library is (Linux) and
// replaced by Argon2id at the next login they open.
namespace password {

// How a stored value reads.
enum class Stored {
    Hash,      // "$id$...": Argon2id, or a crypt-library form
    Plain,     // from before passwords were hashed: compared as text
    Unreadable // looks like a hash but is none that can be checked
};

// The longest password a new hash takes, in UTF-8 bytes.
inline constexpr int MaxLength = 511;

// A new Argon2id hash of the password's UTF-8 bytes with a fresh salt; empty
// when it cannot be made (no source of random salt, or no memory for it):
// then nothing must be stored.
QString hash(const QString& password);

enum class Check {
    Match,
    NoMatch,
    Unreadable,
    // A crypt-library hash on a system without that library (Windows): only
    // a login on Linux, or a reset, replaces it.
    NotOnThisSystem
};

// Whether typed is the password a stored value stands for, comparing in time
// that does not depend on where the two differ.
Check check(const QString& typed, const QString& stored);

// Hash or Plain by the value's form alone (no hashing); Unreadable only for a
// hash form that is rejected outright.
Stored kindOf(const QString& stored);

// Whether a hash is not in the form new hashes get (a crypt-library hash, or
// Argon2 at another cost): a login it opens replaces it. False for plain
// values (the start hashes those) and unreadable ones.
bool outdated(const QString& stored);

} // namespace password
