#pragma once

#include "cards/CardLimits.h"

#include <QByteArray>

#include <bitset>

// Blocks 3..6 of a user card: the holder's access to readers 1..96.
//
//   block 3: A1  A2  A3  C1     (readers  1..24)
//   block 4: A4  A5  A6  C2     (readers 25..48)
//   block 5: A7  A8  A9  C3     (readers 49..72)
//   block 6: A10 A11 A12 C4     (readers 73..96)
//
// Reader n is bit 7 - ((n - 1) mod 8) of byte A((n - 1) div 8 + 1), the lowest
// reader of each byte in its top bit; Cm is the block check byte.
namespace cards {

inline constexpr int CardDataSize = 16;

// flags[n - 1] is the group's flag Pn: reader n opens for this card.
using AccessFlags = std::bitset<ReaderCount>;

// The sixteen data bytes A1 A2 A3 C1 A4 .. A12 C4.
QByteArray userCardData(const AccessFlags& flags);

// A card that opens no door: 00 00 00 A5 in each of the four blocks.
QByteArray noAccessData();

} // namespace cards
