#include "link/Frames.h"

namespace frames {

namespace {

QByteArray shortFrame(Command command)
{
    const char prefix[] = {char(StartByte), char(ShortFrameLength), char(command)};
    return AddCheckByte(QByteArrayView(prefix, sizeof prefix));
}

quint8 xorOf(QByteArrayView bytes)
{
    quint8 x = 0;
    for (char c : bytes)
        x ^= quint8(c);
    return x;
}

} // namespace

QByteArray AddCheckByte(QByteArrayView bytes)
{
    QByteArray frame = bytes.toByteArray();
    frame.append(char(xorOf(bytes)));
    return frame;
}

QByteArray connectFrame()
{
    return shortFrame(CmdConnect);
}

QByteArray readCardFrame()
{
    return shortFrame(CmdReadCard);
}

QByteArray disconnectFrame()
{
    return shortFrame(CmdDisconnect);
}

QByteArray writeEndFrame()
{
    return shortFrame(CmdWriteEnd);
}

QByteArray writeBlockFrame(QByteArrayView data, int blockNumber)
{
    if (data.size() != BlockSize || blockNumber < FirstBlock || blockNumber > LastBlock)
        return {};
    QByteArray frame;
    frame.reserve(BlockFrameLength + 1);
    frame.append(char(StartByte));
    frame.append(char(BlockFrameLength));
    frame.append(char(CmdWriteBlock));
    for (quint8 k : BlockWriteAccess)
        frame.append(char(k));
    frame.append(char(BlockWriteMarker));
    frame.append(data);
    frame.append(char(blockNumber));
    return AddCheckByte(frame);
}

QList<QByteArray> cardWriteFrames(QByteArrayView cardFrame, QByteArrayView cardData)
{
    if (cardFrame.size() != 2 * BlockSize || cardData.size() != 4 * BlockSize)
        return {};
    QList<QByteArray> list;
    list.reserve(CardWriteFrameCount);
    for (int block = FirstBlock; block <= LastBlock; ++block) {
        const QByteArrayView data = block <= 2 ? cardFrame.sliced((block - 1) * BlockSize, BlockSize)
                                               : cardData.sliced((block - 3) * BlockSize, BlockSize);
        list.append(writeBlockFrame(data, block));
    }
    list.append(writeEndFrame());
    return list;
}

QString traceText(QByteArrayView frame)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(frame.size() * 3);
    for (char c : frame) {
        const quint8 b = quint8(c);
        text.append(QLatin1Char(' '));
        text.append(QLatin1Char(digits[b >> 4]));
        text.append(QLatin1Char(digits[b & 0x0F]));
    }
    return text;
}

std::optional<cards::CardIdentity> decodeReadReply(QByteArrayView reply)
{
    if (reply.size() < ReadReplySize)
        return std::nullopt;
    cards::Identifier id{};
    for (int i = 0; i < ReadReplySize; ++i)
        id[i] = quint8(reply[i]);
    return cards::unpackIdentifier(id);
}

ParseResult parseFrame(const QByteArray& buffer, ParsedFrame* frame, qsizetype* consumed)
{
    *consumed = 0;
    if (buffer.isEmpty())
        return ParseResult::NeedMore;
    if (quint8(buffer[0]) != StartByte) {
        const qsizetype next = buffer.indexOf(char(StartByte));
        *consumed = next < 0 ? buffer.size() : next;
        return ParseResult::Garbage;
    }
    if (buffer.size() < 2)
        return ParseResult::NeedMore;
    const quint8 length = quint8(buffer[1]);
    if (length != ShortFrameLength && length != BlockFrameLength) {
        *consumed = 1;
        return ParseResult::Garbage;
    }
    const qsizetype total = length + 1;
    if (buffer.size() < total)
        return ParseResult::NeedMore;

    frame->bytes = buffer.left(total);
    frame->command = quint8(buffer[2]);
    frame->payload = buffer.mid(3, length - 3);
    frame->checkOk = xorOf(QByteArrayView(buffer).first(length)) == quint8(buffer[length]);
    *consumed = total;
    return ParseResult::Frame;
}

} // namespace frames
