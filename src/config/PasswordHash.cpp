#include "config/PasswordHash.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRegularExpression>

#include <crypt.h>

#include <memory>

namespace password {
namespace {

static_assert(MaxLength < CRYPT_MAX_PASSPHRASE_SIZE);

// yescrypt at the library's default cost.
constexpr const char* Method = "$y$";

// "$id$" with a method name the crypt family uses: anything else is a
// password of its own, even when it begins with a dollar sign.
bool hashForm(const QString& stored)
{
    static const QRegularExpression form(QStringLiteral("^\\$[0-9a-z]{1,8}\\$"));
    return form.match(stored).hasMatch();
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
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn(Method, 0, nullptr, 0, salt, sizeof salt))
        return {};
    auto data = std::make_unique<crypt_data>();
    const char* out = crypt_r(password.toUtf8().constData(), salt, data.get());
    if (!out || out[0] == '*')
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
    const QByteArray setting = stored.toLatin1();
    if (stored != QString::fromLatin1(setting))
        return Check::Unreadable;
    auto data = std::make_unique<crypt_data>();
    const char* out = crypt_r(typed.toUtf8().constData(), setting.constData(), data.get());
    if (!out || out[0] == '*')
        return Check::Unreadable;
    const QByteArray computed(out);
    // A hash cut short or lengthened can never match: say so instead of
    // refusing every password without a reason.
    if (computed.size() != setting.size())
        return Check::Unreadable;
    return sameBytes(computed, setting) ? Check::Match : Check::NoMatch;
}

Stored kindOf(const QString& stored)
{
    if (!hashForm(stored))
        return Stored::Plain;
    const QByteArray setting = stored.toLatin1();
    if (stored != QString::fromLatin1(setting) || crypt_checksalt(setting.constData()) == CRYPT_SALT_INVALID)
        return Stored::Unreadable;
    return Stored::Hash;
}

} // namespace password
