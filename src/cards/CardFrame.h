#pragma once

#include "cards/CardLimits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// The first eight bytes of every card we write: a 64-bit identifier frame in
// the EM4100 layout that the door readers decode (nine header ones, ten rows of
// four data bits each with an even row parity bit, four even column parity
// bits, stop bit 0). It carries 40 bits: person number, system code and
// duplicate index, packed into five bytes D0..D4.
namespace cards {

// D0..D4: person number (16 bits), system code (20 bits), duplicate index (4 bits).
using Identifier = std::array<quint8, 5>;

inline constexpr int CardFrameSize = 8;
inline constexpr quint8 BlockCheckSeed = 0xA5;

// The three values a card identifies itself by, as unpacked from D0..D4.
struct CardIdentity
{
    int personNumber = 0;
    int systemCode = 0;
    int duplicateIndex = 0;
};

// True when value lies in low..high; otherwise *error, when given, names the
// value and the range.
bool checkRange(int value, int low, int high, const char* what, QString* error);

// 1 when the byte holds an odd number of one bits, else 0, for any byte (seven
// ones included). The frame encoder only ever passes a nibble (value & 0xF0 or
// value & 0x0F), where it is the even-parity bit of the row.
quint8 ParityBit(quint8 value);

// Identifier of a user card. Refuses, with *error naming the value, a person
// number outside 1..65535, a system code outside 1..1048575 and a duplicate
// index outside 0..15: none of them fits the card, and truncating would write
// somebody else's card.
bool packIdentifier(int systemCode, int personNumber, int duplicateIndex, Identifier* out, QString* error);

// Identifier of a reader configuration card: person 0, duplicate 0 and the
// code the reader currently recognises (1..1048575).
bool packConfigIdentifier(int readerCode, Identifier* out, QString* error);

CardIdentity unpackIdentifier(const Identifier& id);

// Five identifier bytes to the eight frame bytes F0..F7 (F0 first).
QByteArray EncodeCardFrame(const Identifier& id);

// The reverse: the identifier bytes of an 8-byte frame, or nothing when the
// size, the header, a row parity, a column parity or the stop bit is wrong.
std::optional<Identifier> DecodeCardFrame(QByteArrayView frame);

// Last byte of a data block: XOR of its first three bytes, XOR 0xA5, so a block
// of zeros still carries a non-zero check the reader can verify.
quint8 BlockCheckByte(quint8 b0, quint8 b1, quint8 b2);

} // namespace cards
