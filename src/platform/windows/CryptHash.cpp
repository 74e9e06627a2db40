#include "platform/CryptHash.h"

// Windows has no crypt library: a "$y$" value written by a Linux build
// cannot be checked here, and the login says what replaces it.
namespace platform {

CryptCheck checkCryptHash(const QByteArray&, const QByteArray&)
{
    return CryptCheck::NotOnThisSystem;
}

bool cryptHashUnreadable(const QByteArray&)
{
    return false;
}

} // namespace platform
