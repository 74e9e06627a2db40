// What comes back from the programmer and from a card: the read reply, the
// identifier frame, and frames at the front of a byte stream. Each decoding
// that succeeds must encode back to the same bytes.

#include "FuzzSupport.h"

#include "cards/CardFrame.h"
#include "link/Frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    if (const auto card = frames::decodeReadReply(bytes)) {
        fuzz::check(card->personNumber >= 0 && card->personNumber <= cards::MaxPersonNumber, "person on the card");
        fuzz::check(card->duplicateIndex >= 0 && card->duplicateIndex <= cards::MaxDuplicateIndex, "duplicate");
        cards::Identifier id{};
        QString error;
        if (card->personNumber >= cards::MinPersonNumber && card->systemCode >= cards::MinSystemCode &&
            cards::packIdentifier(card->systemCode, card->personNumber, card->duplicateIndex, &id, &error))
            fuzz::check(QByteArray(reinterpret_cast<const char*>(id.data()), qsizetype(id.size())) == bytes.left(5),
                        "an identifier read packs back to the same bytes");
    }

    if (const auto id = cards::DecodeCardFrame(bytes.left(cards::CardFrameSize)))
        fuzz::check(cards::EncodeCardFrame(*id) == bytes.left(cards::CardFrameSize), "a frame decodes both ways");

    // The stream is consumed from the front until it needs more bytes.
    QByteArray stream = bytes;
    while (true) {
        frames::ParsedFrame frame;
        qsizetype consumed = 0;
        const frames::ParseResult result = frames::parseFrame(stream, &frame, &consumed);
        if (result == frames::ParseResult::NeedMore)
            break;
        fuzz::check(consumed > 0 && consumed <= stream.size(), "every frame or garbage consumes bytes");
        if (result == frames::ParseResult::Frame)
            fuzz::check(frame.bytes == stream.left(consumed), "a frame is the bytes it consumed");
        stream.remove(0, consumed);
    }
    return 0;
}
