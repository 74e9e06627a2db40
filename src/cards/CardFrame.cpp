#include "cards/CardFrame.h"

#include <bit>

namespace cards {

namespace {

// Row layout: data bit 3..0 in bits 4..1, even parity in bit 0.
constexpr int RowCount = 10;
constexpr quint8 RowDataMask = 0x1E;
constexpr quint8 HeaderByte = 0xFF;
constexpr quint8 HeaderBitOfF1 = 0x80;

std::array<quint8, RowCount> rowsOf(const Identifier& id)
{
    std::array<quint8, RowCount> rows{};
    for (int i = 0; i < 5; ++i) {
        const quint8 d = id[i];
        rows[2 * i] = quint8(((d & 0xF0) >> 3) | ParityBit(d & 0xF0));
        rows[2 * i + 1] = quint8(((d & 0x0F) << 1) | ParityBit(d & 0x0F));
    }
    return rows;
}

quint8 columnParity(const std::array<quint8, RowCount>& rows)
{
    quint8 x = 0;
    for (quint8 r : rows)
        x ^= r;
    // Bit 0 of the XOR would be the parity of the row parities; the frame has
    // no place for it.
    return x & RowDataMask;
}

Identifier pack(int systemCode, int personNumber, int duplicateIndex)
{
    return Identifier{
        quint8(personNumber >> 8),
        quint8(personNumber),
        quint8(systemCode >> 8),
        quint8(systemCode),
        quint8(((systemCode >> 16) & 0x0F) << 4 | duplicateIndex),
    };
}

} // namespace

bool checkRange(int value, int low, int high, const char* what, QString* error)
{
    if (value >= low && value <= high)
        return true;
    if (error)
        *error = QStringLiteral("%1 %2 is outside %3..%4").arg(QLatin1String(what)).arg(value).arg(low).arg(high);
    return false;
}

quint8 ParityBit(quint8 value)
{
    return quint8(std::popcount(value) & 1);
}

bool packIdentifier(int systemCode, int personNumber, int duplicateIndex, Identifier* out, QString* error)
{
    if (!checkRange(personNumber, MinPersonNumber, MaxPersonNumber, "Person number", error) ||
        !checkRange(systemCode, MinSystemCode, MaxSystemCode, "System code", error) ||
        !checkRange(duplicateIndex, 0, MaxDuplicateIndex, "Duplicate index", error))
        return false;
    *out = pack(systemCode, personNumber, duplicateIndex);
    return true;
}

bool packConfigIdentifier(int readerCode, Identifier* out, QString* error)
{
    if (!checkRange(readerCode, MinSystemCode, MaxSystemCode, "Reader system code", error))
        return false;
    *out = pack(readerCode, 0, 0);
    return true;
}

CardIdentity unpackIdentifier(const Identifier& id)
{
    CardIdentity c;
    c.personNumber = id[0] << 8 | id[1];
    c.systemCode = id[2] << 8 | id[3] | (id[4] >> 4 & 0x0F) << 16;
    c.duplicateIndex = id[4] & 0x0F;
    return c;
}

QByteArray EncodeCardFrame(const Identifier& id)
{
    const auto r = rowsOf(id);
    const quint8 cols = columnParity(r);
    const quint8 f[CardFrameSize] = {
        HeaderByte,
        quint8(HeaderBitOfF1 | r[0] << 2 | r[1] >> 3),
        quint8(r[1] << 5 | r[2]),
        quint8(r[3] << 3 | r[4] >> 2),
        quint8(r[4] << 6 | r[5] << 1 | r[6] >> 4),
        quint8(r[6] << 4 | r[7] >> 1),
        quint8(r[7] << 7 | r[8] << 2 | r[9] >> 3),
        quint8(r[9] << 5 | cols), // stop bit 0 stays clear
    };
    return QByteArray(reinterpret_cast<const char*>(f), CardFrameSize);
}

std::optional<Identifier> DecodeCardFrame(QByteArrayView frame)
{
    if (frame.size() != CardFrameSize)
        return std::nullopt;
    quint64 bits = 0;
    for (char c : frame)
        bits = bits << 8 | quint8(c);

    // Bit 0 of the frame is the top bit of the 64-bit word.
    auto field = [bits](int first, int width) { return quint32((bits >> (64 - first - width)) & ((1u << width) - 1)); };

    if (field(0, 9) != 0x1FF || field(63, 1) != 0)
        return std::nullopt;

    std::array<quint8, RowCount> rows{};
    quint8 columns = 0;
    for (int i = 0; i < RowCount; ++i) {
        rows[i] = quint8(field(9 + 5 * i, 5));
        if (ParityBit(rows[i] & RowDataMask) != (rows[i] & 1))
            return std::nullopt;
        columns ^= rows[i];
    }
    if ((columns & RowDataMask) != (field(59, 4) << 1))
        return std::nullopt;

    Identifier id{};
    for (int i = 0; i < 5; ++i)
        id[i] = quint8((rows[2 * i] & RowDataMask) << 3 | (rows[2 * i + 1] & RowDataMask) >> 1);
    return id;
}

quint8 BlockCheckByte(quint8 b0, quint8 b1, quint8 b2)
{
    return b0 ^ b1 ^ b2 ^ BlockCheckSeed;
}

} // namespace cards
