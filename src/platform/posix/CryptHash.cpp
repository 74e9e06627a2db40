#include "platform/CryptHash.h"

#include <crypt.h>

#include <memory>

namespace platform {

CryptCheck checkCryptHash(const QByteArray& typed, const QByteArray& stored)
{
    // The library refuses a longer passphrase; no stored hash can be of one.
    if (typed.size() >= CRYPT_MAX_PASSPHRASE_SIZE)
        return cryptHashUnreadable(stored) ? CryptCheck::Unreadable : CryptCheck::NoMatch;
    auto data = std::make_unique<crypt_data>();
    const char* out = crypt_r(typed.constData(), stored.constData(), data.get());
    if (!out || out[0] == '*')
        return CryptCheck::Unreadable;
    const QByteArray computed(out);
    // A hash cut short or lengthened can never match: say so instead of
    // refusing every password without a reason.
    if (computed.size() != stored.size())
        return CryptCheck::Unreadable;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < computed.size(); ++i)
        diff |= static_cast<unsigned char>(computed[i] ^ stored[i]);
    return diff == 0 ? CryptCheck::Match : CryptCheck::NoMatch;
}

bool cryptHashUnreadable(const QByteArray& stored)
{
    return crypt_checksalt(stored.constData()) == CRYPT_SALT_INVALID;
}

} // namespace platform
