#include "cards/CardNumber.h"

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

std::optional<Identifier> identifierOf(int systemCode, int personNumber, int duplicateIndex)
{
    Identifier id{};
    const bool packed = personNumber == 0 && duplicateIndex == 0
                            ? packConfigIdentifier(systemCode, &id, nullptr)
                            : packIdentifier(systemCode, personNumber, duplicateIndex, &id, nullptr);
    if (!packed)
        return std::nullopt;
    return id;
}

} // namespace cards
