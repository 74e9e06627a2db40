#include "cards/ConfigCard.h"

#include "cards/CardFrame.h"

namespace cards {

namespace {

constexpr int ReadersPerBlock = 24;
constexpr int ReadersPerByte = 8;
constexpr int FirstAccessBlock = 3;

void appendBlock(QByteArray* data, quint8 b0, quint8 b1, quint8 b2)
{
    data->append(char(b0));
    data->append(char(b1));
    data->append(char(b2));
    data->append(char(BlockCheckByte(b0, b1, b2)));
}

} // namespace

bool readerPosition(int readerNumber, ReaderPosition* out, QString* error)
{
    if (!checkRange(readerNumber, MinReaderNumber, MaxReaderNumber, "Reader number", error))
        return false;
    const int n = readerNumber - 1;
    out->block = quint8(FirstAccessBlock + n / ReadersPerBlock);
    out->byte = quint8(n % ReadersPerBlock / ReadersPerByte + 1);
    out->mask = quint8(0x80 >> (n % ReadersPerByte));
    return true;
}

bool configCardData(const ConfigCardParams& params, QByteArray* out, QString* error)
{
    ReaderPosition pos;
    if (!checkRange(params.systemNumber, MinSystemCode, MaxSystemCode, "System number", error) ||
        !readerPosition(params.readerNumber, &pos, error) ||
        !checkRange(params.relayTime, MinRelayTime, MaxRelayTime, "Relay time", error))
        return false;

    quint8 options = 0;
    if (params.prox)
        options |= OptionProx;
    if (params.emulacja)
        options |= OptionEmulacja;
    if (params.resetMemory)
        options |= OptionResetMemory;

    const int sys = params.systemNumber;
    QByteArray data;
    data.reserve(16);
    // Same byte order as identifier bytes D2, D3, D4 (without the duplicate nibble).
    appendBlock(&data, quint8(sys >> 8), quint8(sys), quint8((sys >> 16 & 0x0F) << 4));
    appendBlock(&data, pos.block, pos.byte, pos.mask);
    appendBlock(&data, quint8(params.relayTime), options, 0);
    data.append(4, '\0'); // block 6 is unused and carries no check byte
    *out = data;
    return true;
}

} // namespace cards
