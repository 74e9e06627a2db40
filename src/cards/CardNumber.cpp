#include "cards/CardNumber.h"

#include <algorithm>
#include <limits>

namespace cards {

namespace {

QString digits(quint64 value, int width, int base = 10)
{
    return QStringLiteral("%1").arg(value, width, base, QLatin1Char('0')).toUpper();
}

} // namespace

PrintedNumber printedNumber(const Identifier& id)
{
    quint64 all = 0;
    for (quint8 byte : id)
        all = all << 8 | byte;
    constexpr int HexDigits = 10;
    constexpr int Decimal32Digits = 10;
    constexpr int Decimal24Digits = 8;
    constexpr int FacilityDigits = 3;
    constexpr int CardDigits = 5;
    return {digits(all, HexDigits, 16), digits(all & 0xFFFFFFFFu, Decimal32Digits),
            digits(all & 0xFFFFFFu, Decimal24Digits),
            digits(id[2], FacilityDigits) + u',' + digits(quint64(id[3]) << 8 | id[4], CardDigits)};
}

std::optional<Identifier> identifierOf(qint64 systemCode, qint64 personNumber, qint64 duplicateIndex, QString* error)
{
    // A value beyond int is beyond every range a card has; the checks below
    // refuse it as they refuse the nearest int.
    const auto narrow = [](qint64 v) {
        return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    Identifier id{};
    bool packed = false;
    if (personNumber != 0) {
        packed = packIdentifier(narrow(systemCode), narrow(personNumber), narrow(duplicateIndex), &id, error);
    } else if (duplicateIndex != 0) {
        if (error)
            *error = QStringLiteral("Duplicate index %1 on a configuration card").arg(duplicateIndex);
    } else {
        packed = packConfigIdentifier(narrow(systemCode), &id, error);
    }
    if (!packed)
        return std::nullopt;
    return id;
}

} // namespace cards
