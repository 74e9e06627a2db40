#include "cards/UserCard.h"

#include "cards/CardFrame.h"

namespace cards {

namespace {
constexpr int AccessBytesPerBlock = 3;
constexpr int ReadersPerByte = 8;
} // namespace

QByteArray userCardData(const AccessFlags& flags)
{
    QByteArray data;
    data.reserve(CardDataSize);
    for (int block = 0; block < 4; ++block) {
        quint8 bytes[AccessBytesPerBlock] = {};
        for (int k = 0; k < AccessBytesPerBlock; ++k) {
            const int firstReader = (block * AccessBytesPerBlock + k) * ReadersPerByte; // zero-based
            for (int bit = 0; bit < ReadersPerByte; ++bit) {
                if (flags[firstReader + bit])
                    bytes[k] |= quint8(0x80 >> bit);
            }
            data.append(char(bytes[k]));
        }
        data.append(char(BlockCheckByte(bytes[0], bytes[1], bytes[2])));
    }
    return data;
}

QByteArray noAccessData()
{
    return userCardData(AccessFlags{});
}

} // namespace cards
