#pragma once

#include "cards/CardFrame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// Frames to the card programmer: start byte 0x5A, length (bytes before the
// check byte, start byte included), command, payload, XOR check byte.
namespace frames {

inline constexpr quint8 StartByte = 0x5A;

enum Command : quint8 {
    CmdWriteBlock = 0x02,
    CmdWriteEnd = 0x06,
    CmdConnect = 0x07,
    CmdReadCard = 0x08,
    CmdDisconnect = 0x09,
};

// The programmer knows only these two length bytes.
inline constexpr quint8 ShortFrameLength = 0x03; // no payload
inline constexpr quint8 BlockFrameLength = 0x0D; // 10-byte block payload

// K0..K3 of every block write: the access key that the card programmer of this
// installation and the cards issued for it expect before a block is written.
// It is one fixed value, the same in every block of every card and from every
// caller; a programmer or card stock set up for another key is not ours.
inline constexpr std::array<quint8, 4> BlockWriteAccess{0x2F, 0x1D, 0x65, 0x88};

// Payload byte between the access field and the block data ("L").
inline constexpr quint8 BlockWriteMarker = 0x4C;

inline constexpr int FirstBlock = 1;
inline constexpr int LastBlock = 6;
inline constexpr int BlockSize = 4;
inline constexpr int ReadReplySize = 5;
inline constexpr int CardWriteFrameCount = 7;

// The bytes followed by their XOR (starting from 0).
QByteArray AddCheckByte(QByteArrayView bytes);

QByteArray connectFrame();    // 5A 03 07 5E
QByteArray readCardFrame();   // 5A 03 08 51
QByteArray disconnectFrame(); // 5A 03 09 50
QByteArray writeEndFrame();   // 5A 03 06 5F

// 5A 0D 02 K0 K1 K2 K3 4C D0 D1 D2 D3 block X. Empty when data is not four
// bytes or the block number is outside 1..6.
QByteArray writeBlockFrame(QByteArrayView data, int blockNumber);

// The seven frames of one card write, in sending order: blocks 1 and 2 from
// the 8-byte identifier frame, blocks 3..6 from the 16 data bytes, then
// CmdWriteEnd. Empty when either input has the wrong size.
QList<QByteArray> cardWriteFrames(QByteArrayView cardFrame, QByteArrayView cardData);

// Diagnostic echo of a frame: " 5A 03 07 5E" (a blank and two upper-case hex
// digits per byte, zero bytes included).
QString traceText(QByteArrayView frame);

// The programmer's answer to CmdReadCard: the five identifier bytes D0..D4 of
// the card, raw, with no frame around them. Fewer than five bytes means no
// card answered; bytes after the fifth are ignored.
std::optional<cards::CardIdentity> decodeReadReply(QByteArrayView reply);

// One frame recognised at the front of a byte stream (the programmer's side).
struct ParsedFrame
{
    quint8 command = 0;
    QByteArray payload;
    QByteArray bytes;     // the whole frame, check byte included
    bool checkOk = false; // the check byte matches the XOR of the bytes before it
};

enum class ParseResult {
    NeedMore, // the front of the buffer may be a frame still arriving
    Frame,    // *frame holds one frame; *consumed bytes belong to it
    Garbage,  // *consumed bytes at the front cannot start a frame; drop them
};

// Looks at the front of buffer only. A start byte followed by a length other
// than 03 or 0D is garbage of one byte, so a stream with a lost byte
// resynchronises on the next start byte.
ParseResult parseFrame(const QByteArray& buffer, ParsedFrame* frame, qsizetype* consumed);

} // namespace frames
