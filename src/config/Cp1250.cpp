#include "config/Cp1250.h"

#include <array>
#include <cstring>

namespace cp1250 {
namespace {

// Unicode code points of bytes 0x80..0xFF; bytes below 0x80 are ASCII.
constexpr std::array<char16_t, 128> HighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

constexpr std::array<char16_t, 256> AllBytes = [] {
    std::array<char16_t, 256> all{};
    for (int b = 0; b < 256; ++b)
        all[size_t(b)] = b < 0x80 ? char16_t(b) : HighHalf[size_t(b - 0x80)];
    return all;
}();

int byteFor(char16_t c)
{
    if (c < 0x80)
        return c;
    for (int i = 0; i < int(HighHalf.size()); ++i) {
        if (HighHalf[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    // Table texts are mostly ASCII: those are widened as they are, eight
    // bytes at a time while no byte from 0x80 up is among them; the rest is
    // looked up byte by byte.
    const qsizetype size = bytes.size();
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    constexpr quint64 HighBits = 0x8080808080808080ULL;
    qsizetype at = 0;
    while (at < size) {
        quint64 word = HighBits; // a rest shorter than a word goes byte by byte
        if (size - at >= qsizetype(sizeof word))
            std::memcpy(&word, in + at, sizeof word);
        if ((word & HighBits) == 0) {
            for (size_t i = 0; i < sizeof word; ++i)
                out[at + qsizetype(i)] = char16_t(in[at + qsizetype(i)]);
            at += qsizetype(sizeof word);
        } else {
            out[at] = AllBytes[in[at]];
            ++at;
        }
    }
    return text;
}

QByteArray encode(QStringView text, bool* ok)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool all = true;
    for (QChar c : text) {
        const int b = byteFor(c.unicode());
        if (b < 0) {
            all = false;
            bytes.append('?');
        } else {
            bytes.append(static_cast<char>(b));
        }
    }
    if (ok)
        *ok = all;
    return bytes;
}

bool representable(QStringView text)
{
    for (QChar c : text) {
        if (byteFor(c.unicode()) < 0)
            return false;
    }
    return true;
}

QString firstUnrepresentable(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = text.mid(i, length);
        if (!representable(character))
            return character.toString();
        i += length - 1;
    }
    return {};
}

} // namespace cp1250
