#pragma once

#include "cards/CardLimits.h"

#include <QByteArray>
#include <QString>

// Blocks 3..6 of a reader configuration card:
//
//   block 3: system number bits 15..8, bits 7..0, bits 19..16 << 4, check
//   block 4: access block (3..6), byte in that block (1..3), bit mask, check
//   block 5: relay time, option flags, 0, check
//   block 6: 00 00 00 00
//
// Block 4 tells the reader where its own bit sits in a user card's access
// blocks, so it must agree with userCardData() for the same reader number.
namespace cards {

// Blocks 3..5 end in a block check byte; block 6 holds none.
inline constexpr int LastCheckedConfigBlock = 5;

// Option flags byte of block 5.
enum ConfigOption : quint8 {
    OptionProx = 0x01,
    OptionEmulacja = 0x02,    // confirmation on the reader's RS232 port
    OptionResetMemory = 0x04, // reader forgets the lost cards it has learnt
};

struct ConfigCardParams
{
    int systemNumber = 0; // the installation's current system number
    int readerNumber = 0; // ID_CZYT, 1..96
    int relayTime = 0;    // TIME, seconds, 1..255
    bool prox = false;
    bool emulacja = false;
    bool resetMemory = false;
};

// Where reader n finds its bit on a user card.
struct ReaderPosition
{
    quint8 block = 0; // 3..6
    quint8 byte = 0;  // 1..3
    quint8 mask = 0;  // 0x80 for the lowest reader of the byte .. 0x01
};

bool readerPosition(int readerNumber, ReaderPosition* out, QString* error);

// The sixteen bytes of blocks 3..6. Refuses a system number outside
// 1..1048575, a reader number outside 1..96 and a relay time outside 1..255
// rather than writing a card the reader would misread.
bool configCardData(const ConfigCardParams& params, QByteArray* out, QString* error);

} // namespace cards
