#pragma once

// What a card and a door reader can hold. Every page, tool and import asks
// here, so that nothing is accepted on screen that a card cannot carry.
namespace cards {

// Readers 1..96: one access bit each in blocks 3..6 of a user card.
inline constexpr int MinReaderNumber = 1;
inline constexpr int MaxReaderNumber = 96;
inline constexpr int ReaderCount = MaxReaderNumber;

// The 40-bit identifier: person number (16 bits), system code (20 bits),
// duplicate index (4 bits). Person 0 is the mark of a configuration card.
// A card read may carry any system code the 20 bits hold.
inline constexpr int MinPersonNumber = 1;
inline constexpr int MaxPersonNumber = 65535;
inline constexpr int MaxDuplicateIndex = 15;
inline constexpr int MinSystemCode = 1;
inline constexpr int MaxSystemCode = 1048575;

// An installation's system number, and so every system code this program
// writes (the current one, or the old one a reader still recognises): the
// settings page stores a larger number as the largest, a smaller one as 1.
inline constexpr int MinSystemNumber = MinSystemCode;
inline constexpr int MaxSystemNumber = 1000000;
static_assert(MaxSystemNumber <= MaxSystemCode);

// Relay time in seconds, one byte on a configuration card; 0 would never
// open the door.
inline constexpr int MinRelayTime = 1;
inline constexpr int MaxRelayTime = 255;

} // namespace cards
