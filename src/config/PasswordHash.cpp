#include "config/PasswordHash.h"

#include "platform/CryptHash.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRegularExpression>

#include <sodium.h>

#include <cstring>

namespace password {
namespace {

// Argon2id at libsodium's interactive cost: 2 passes over 64 MiB, about a
// tenth of a second on an office PC. A login checks both roles' values (and
// the start checks both against the default passwords), so a stronger cost
// would make every login wait for seconds; guessing at the login box is held
// back by the wait after wrong passwords, and a copied config.ini still costs
// 64 MiB of memory for every guess.
constexpr unsigned long long OpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t MemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// The dearest stored value checked: libsodium's "sensitive" memory (1 GiB)
// and a few times its passes. A value asking for more (typed by hand, or
// damaged) would hold the login for minutes or exhaust the memory.
constexpr qint64 MaxMemoryKiB = crypto_pwhash_MEMLIMIT_SENSITIVE / 1024;
constexpr qint64 MaxPasses = 4 * crypto_pwhash_OPSLIMIT_SENSITIVE;

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// "$id$" with a method name the crypt family uses: anything else is a
// password of its own, even when it begins with a dollar sign.
bool hashForm(const QString& stored)
{
    static const QRegularExpression form(QStringLiteral("^\\$[0-9a-z]{1,8}\\$"));
    return form.match(stored).hasMatch();
}

bool argon2Form(const QString& stored)
{
    return stored.startsWith(QLatin1String("$argon2"));
}

// An Argon2 value libsodium reads, at a cost within bounds, copied into the
// fixed-size buffer libsodium's calls read from; false for anything else.
struct Argon2Value
{
    char text[crypto_pwhash_STRBYTES] = {};
    qint64 memoryKiB = 0;
    qint64 passes = 0;
    bool id = false; // Argon2id, not Argon2i
};

bool readArgon2(const QString& stored, Argon2Value* value)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\$argon2(id|i)\\$v=19\\$m=([0-9]{1,10}),t=([0-9]{1,10}),p=1\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    const QRegularExpressionMatch m = form.match(stored);
    if (!m.hasMatch())
        return false;
    const QByteArray bytes = stored.toLatin1();
    if (bytes.size() >= qsizetype(sizeof value->text))
        return false;
    std::memcpy(value->text, bytes.constData(), size_t(bytes.size()));
    value->id = m.captured(1) == QLatin1String("id");
    value->memoryKiB = m.captured(2).toLongLong();
    value->passes = m.captured(3).toLongLong();
    if (value->memoryKiB > MaxMemoryKiB || value->passes > MaxPasses || !sodiumReady())
        return false;
    // libsodium's own reading of the parameters, salt and hash lengths.
    const int rehash = value->id ? crypto_pwhash_argon2id_str_needs_rehash(value->text, OpsLimit, MemLimit)
                                 : crypto_pwhash_argon2i_str_needs_rehash(value->text, OpsLimit, MemLimit);
    return rehash != -1;
}

// Equal lengths and bytes, in time that depends on the length only.
bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

QString hash(const QString& password)
{
    if (!sodiumReady())
        return {};
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, bytes.constData(), quint64(bytes.size()), OpsLimit, MemLimit) != 0)
        return {};
    return QString::fromLatin1(out);
}

Check check(const QString& typed, const QString& stored)
{
    if (!hashForm(stored)) {
        // A plain value: compare digests, so that the time does not tell how
        // long a matching start is.
        const auto digest = [](const QString& s) {
            return QCryptographicHash::hash(s.toUtf8(), QCryptographicHash::Sha256);
        };
        return sameBytes(digest(typed), digest(stored)) ? Check::Match : Check::NoMatch;
    }
    const QByteArray bytes = typed.toUtf8();
    if (argon2Form(stored)) {
        Argon2Value value;
        if (!readArgon2(stored, &value))
            return Check::Unreadable;
        const int verified =
            value.id ? crypto_pwhash_argon2id_str_verify(value.text, bytes.constData(), quint64(bytes.size()))
                     : crypto_pwhash_argon2i_str_verify(value.text, bytes.constData(), quint64(bytes.size()));
        return verified == 0 ? Check::Match : Check::NoMatch;
    }
    const QByteArray setting = stored.toLatin1();
    if (stored != QString::fromLatin1(setting))
        return Check::Unreadable;
    switch (platform::checkCryptHash(bytes, setting)) {
    case platform::CryptCheck::Match:
        return Check::Match;
    case platform::CryptCheck::NoMatch:
        return Check::NoMatch;
    case platform::CryptCheck::Unreadable:
        return Check::Unreadable;
    case platform::CryptCheck::NotOnThisSystem:
        break;
    }
    return Check::NotOnThisSystem;
}

Stored kindOf(const QString& stored)
{
    if (!hashForm(stored))
        return Stored::Plain;
    if (argon2Form(stored)) {
        Argon2Value value;
        return readArgon2(stored, &value) ? Stored::Hash : Stored::Unreadable;
    }
    const QByteArray setting = stored.toLatin1();
    if (stored != QString::fromLatin1(setting) || platform::cryptHashUnreadable(setting))
        return Stored::Unreadable;
    return Stored::Hash;
}

bool outdated(const QString& stored)
{
    if (kindOf(stored) != Stored::Hash)
        return false;
    Argon2Value value;
    if (!readArgon2(stored, &value))
        return true; // a crypt-library hash
    return !value.id || crypto_pwhash_argon2id_str_needs_rehash(value.text, OpsLimit, MemLimit) != 0;
}

} // namespace password
