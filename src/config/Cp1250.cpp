#include "config/Cp1250.h"

#include <array>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define CP1250_WIDE_LOOKUP 1
#endif

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

#if defined(CP1250_WIDE_LOOKUP)
// The high half split into the low and the high bytes of its characters, for
// the 128-entry byte lookups below.
template <int Shift>
constexpr std::array<unsigned char, 128> highHalfBytes()
{
    std::array<unsigned char, 128> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(HighHalf[i] >> Shift);
    return bytes;
}
alignas(64) constexpr std::array<unsigned char, 128> HighHalfLow = highHalfBytes<0>();
alignas(64) constexpr std::array<unsigned char, 128> HighHalfHigh = highHalfBytes<8>();

// Where the processor has 128-entry byte lookups (AVX-512 VBMI), 64 bytes
// are decoded at once, letters and all: a note with Polish letters in every
// few bytes would otherwise take a table lookup for each of them. Returns how
// many bytes it decoded, a multiple of 64; the rest is left to the caller.
__attribute__((target("avx512bw,avx512vbmi"))) qsizetype decodeWide(const unsigned char* in, qsizetype size,
                                                                      char16_t* out)
{
    const __m512i low0 = _mm512_load_si512(HighHalfLow.data());
    const __m512i low1 = _mm512_load_si512(HighHalfLow.data() + 64);
    const __m512i high0 = _mm512_load_si512(HighHalfHigh.data());
    const __m512i high1 = _mm512_load_si512(HighHalfHigh.data() + 64);
    const __m512i InOrderLower = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
    const __m512i InOrderUpper = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
    qsizetype at = 0;
    for (; at + 64 <= size; at += 64) {
        const __m512i chunk = _mm512_loadu_si512(in + at);
        const __mmask64 letters = _mm512_movepi8_mask(chunk);
        // The lookups index by the low seven bits: byte 0x80 + i is entry i.
        const __m512i lows = _mm512_mask_blend_epi8(letters, chunk, _mm512_permutex2var_epi8(low0, chunk, low1));
        const __m512i highs = _mm512_maskz_permutex2var_epi8(letters, high0, chunk, high1);
        // Interleaving pairs the bytes into characters within each 16-byte
        // lane: first holds characters 0-7, 16-23, 32-39, 48-55 and second
        // 8-15, 24-31, 40-47, 56-63; the lanes are then put in order.
        const __m512i first = _mm512_unpacklo_epi8(lows, highs);
        const __m512i second = _mm512_unpackhi_epi8(lows, highs);
        _mm512_storeu_si512(out + at, _mm512_permutex2var_epi64(first, InOrderLower, second));
        _mm512_storeu_si512(out + at + 32, _mm512_permutex2var_epi64(first, InOrderUpper, second));
    }
    return at;
}

bool wideLookupUsable()
{
    __builtin_cpu_init(); // asked while static objects are made
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
}

bool useWideLookup = wideLookupUsable();
#endif

} // namespace

namespace detail {

bool wideLookupAvailable()
{
#if defined(CP1250_WIDE_LOOKUP)
    return wideLookupUsable();
#else
    return false;
#endif
}

void setWideLookup(bool on)
{
#if defined(CP1250_WIDE_LOOKUP)
    useWideLookup = on && wideLookupUsable();
#else
    Q_UNUSED(on);
#endif
}

} // namespace detail

QString decode(QByteArrayView bytes)
{
    // Table texts are mostly ASCII, and a full read of the persons decodes
    // every field and note, so this is where its time goes. Long texts go
    // through the wide lookup where there is one. Otherwise sixteen bytes at a
    // time are widened as they are; then only the bytes from 0x80 up, found
    // by their top bits, are looked up in the table. One pass into an
    // unfilled string.
    const qsizetype size = bytes.size();
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    qsizetype at = 0;
#if defined(CP1250_WIDE_LOOKUP)
    if (size >= 64 && useWideLookup)
        at = decodeWide(in, size, out);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; at + 16 <= size; at += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(chunk, zero));
        for (unsigned high = unsigned(_mm_movemask_epi8(chunk)); high != 0; high &= high - 1) {
            const qsizetype i = at + std::countr_zero(high);
            out[i] = HighHalf[size_t(in[i] - 0x80)];
        }
    }
#endif
    for (; at < size; ++at)
        out[at] = AllBytes[in[at]];
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
