#include "sim/SimDevice.h"

#include "cards/CardNumber.h"
#include "cards/ConfigCard.h"
#include "link/Frames.h"

namespace {

// Blocks 3..6 follow the two blocks of the identifier frame.
constexpr int FirstDataBlock = 3;

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

QString SimDevice::take()
{
    m_off = true;
    return QStringLiteral("Card taken off");
}

QString SimDevice::place(const std::optional<cards::Identifier>& id)
{
    m_off = false;
    m_card = id ? *id : cards::Identifier{};
    return QStringLiteral("Card placed: ") + (id ? describe(*id) : QStringLiteral("blank"));
}

void SimDevice::setSwap(qint64 takeMs, qint64 placeMs)
{
    m_swap = true;
    m_takeMs = takeMs;
    m_placeMs = placeMs;
    if (!m_card)
        place();
}

QStringList SimDevice::advance(qint64 nowMs)
{
    QStringList notes;
    if (m_takeAt >= 0 && nowMs >= m_takeAt) {
        m_takeAt = -1;
        notes.append(take());
    }
    if (m_placeAt >= 0 && m_takeAt < 0 && nowMs >= m_placeAt) {
        m_placeAt = -1;
        notes.append(place());
    }
    return notes;
}

QStringList SimDevice::advanceOneHand(qint64 nowMs)
{
    if (!m_input.isEmpty())
        return {};
    if (m_takeAt >= 0 && nowMs >= m_takeAt) {
        m_takeAt = -1;
        return {take()};
    }
    return advance(nowMs);
}

qint64 SimDevice::nextDue() const
{
    return m_takeAt >= 0 ? m_takeAt : m_placeAt;
}

QList<SimDevice::Event> SimDevice::receive(const QByteArray& bytes, qint64 nowMs)
{
    m_input.append(bytes);
    QList<Event> events;
    for (;;) {
        frames::ParsedFrame frame;
        qsizetype consumed = 0;
        const frames::ParseResult result = frames::parseFrame(m_input, &frame, &consumed);
        if (result == frames::ParseResult::NeedMore)
            break;
        if (result == frames::ParseResult::Garbage)
            events.append({m_input.left(consumed), QStringLiteral("not a frame, dropped"), {}, {}});
        else
            events.append(handleFrame(frame.command, frame.payload, frame.bytes, frame.checkOk, nowMs));
        m_input.remove(0, consumed);
    }
    return events;
}

SimDevice::Event SimDevice::handleFrame(quint8 command, const QByteArray& payload, const QByteArray& bytes,
                                        bool checkOk, qint64 nowMs)
{
    if (!checkOk)
        return {bytes, QStringLiteral("check byte wrong, ignored"), {}, {}};
    switch (command) {
    case frames::CmdConnect:
        return {bytes, QStringLiteral("connect"), {}, {}};
    case frames::CmdDisconnect:
        return {bytes, QStringLiteral("disconnect"), {}, {}};
    case frames::CmdReadCard:
        if (!m_card || m_off)
            return {bytes, QStringLiteral("read card: no card, no answer"), {}, {}};
        if (m_swap && m_writtenUnread) {
            // The operator lifts the card once the program has checked it.
            m_writtenUnread = false;
            m_takeAt = nowMs + m_takeMs;
            m_placeAt = m_takeAt + m_placeMs;
        }
        return {bytes,
                QStringLiteral("read card: answered ") + describe(*m_card),
                QByteArray(reinterpret_cast<const char*>(m_card->data()), int(m_card->size())),
                {}};
    case frames::CmdWriteBlock:
        return writeBlock(payload, bytes);
    case frames::CmdWriteEnd:
        return writeEnd(bytes);
    default:
        return {bytes, QStringLiteral("unknown command %1, ignored").arg(command, 2, 16, QLatin1Char('0')), {}, {}};
    }
}

SimDevice::Event SimDevice::writeBlock(const QByteArray& payload, const QByteArray& bytes)
{
    if (payload.size() != 10)
        return {bytes, QStringLiteral("block write with %1 payload bytes, ignored").arg(payload.size()), {}, {}};
    for (int i = 0; i < 4; ++i) {
        if (quint8(payload[i]) != frames::BlockWriteAccess[i])
            return {
                bytes, QStringLiteral("block write refused: wrong access field %1").arg(hex(payload.left(4))), {}, {}};
    }
    if (quint8(payload[4]) != frames::BlockWriteMarker)
        return {bytes, QStringLiteral("block write refused: marker %1").arg(hex(payload.mid(4, 1))), {}, {}};
    const int block = quint8(payload[9]);
    if (block < frames::FirstBlock || block > frames::LastBlock)
        return {bytes, QStringLiteral("block write refused: block number %1").arg(block), {}, {}};
    m_blocks[block - 1] = payload.mid(5, 4);
    return {bytes, QStringLiteral("block %1: %2").arg(block).arg(hex(payload.mid(5, 4))), {}, {}};
}

SimDevice::Event SimDevice::writeEnd(const QByteArray& bytes)
{
    Event event{bytes, {}, {}, {}};
    QStringList missing;
    QByteArray image;
    for (int i = 0; i < int(m_blocks.size()); ++i) {
        if (m_blocks[i])
            image.append(*m_blocks[i]);
        else
            missing.append(QString::number(i + 1));
    }
    m_blocks = {};
    if (!missing.isEmpty()) {
        event.verdict = QStringLiteral("write end: blocks %1 missing, card unchanged").arg(missing.join(u','));
        event.notes.append(event.verdict);
        return event;
    }
    if (m_off) {
        event.verdict = QStringLiteral("write end: no card on the programmer, nothing written");
        event.notes.append(event.verdict);
        return event;
    }
    const std::optional<cards::Identifier> id = cards::DecodeCardFrame(QByteArrayView(image).first(8));
    if (!id) {
        event.verdict = QStringLiteral("write end: identifier frame %1 refused").arg(hex(image.left(8)));
        event.notes.append(event.verdict);
        return event;
    }
    m_card = *id;
    m_writtenUnread = true;
    const QByteArray data = image.mid(8);
    // A configuration card's block 6 holds no check byte: four zeros.
    const bool configuration = cards::unpackIdentifier(*id).personNumber == 0;
    QStringList checks;
    for (int b = 0; b < 4; ++b) {
        const QByteArray block = data.mid(b * 4, 4);
        if (configuration && b + FirstDataBlock > cards::LastCheckedConfigBlock) {
            checks.append(block == QByteArray(4, '\0') ? QStringLiteral("none") : QStringLiteral("WRONG"));
            continue;
        }
        const bool ok = cards::BlockCheckByte(quint8(block[0]), quint8(block[1]), quint8(block[2])) == quint8(block[3]);
        checks.append(ok ? QStringLiteral("ok") : QStringLiteral("WRONG"));
    }
    event.verdict = QStringLiteral("card written: %1, blocks 3..6 %2").arg(describe(*id), hex(data));
    event.notes.append(QStringLiteral("Card written: %1").arg(describe(*id)));
    event.notes.append(QStringLiteral("  blocks 3..6: %1 (check bytes %2)").arg(hex(data), checks.join(u' ')));
    if (cards::unpackIdentifier(*id).personNumber > 0) {
        QStringList readers;
        for (int k = 0; k < 12; ++k) {
            const quint8 access = quint8(data[(k / 3) * 4 + k % 3]);
            for (int bit = 0; bit < 8; ++bit) {
                if (access & (0x80 >> bit))
                    readers.append(QString::number(k * 8 + bit + 1));
            }
        }
        event.notes.append(
            QStringLiteral("  readers: %1").arg(readers.isEmpty() ? QStringLiteral("none") : readers.join(u' ')));
    }
    return event;
}

std::optional<cards::Identifier> SimDevice::parseCard(const QString& text, QString* error)
{
    const QStringList parts = text.split(u':');
    bool ok[3] = {false, false, false};
    if (parts.size() == 3) {
        const int person = parts[0].toInt(&ok[0]);
        const int system = parts[1].toInt(&ok[1]);
        const int duplicate = parts[2].toInt(&ok[2]);
        if (ok[0] && ok[1] && ok[2])
            return cards::identifierOf(system, person, duplicate, error);
    }
    *error = QStringLiteral("expected PERSON:SYSTEM:DUP, got \"%1\"").arg(text);
    return std::nullopt;
}

QString SimDevice::describe(const cards::Identifier& id)
{
    const cards::CardIdentity c = cards::unpackIdentifier(id);
    return QStringLiteral("person %1, system %2, duplicate %3 (%4)")
        .arg(c.personNumber)
        .arg(c.systemCode)
        .arg(c.duplicateIndex)
        .arg(hex(QByteArray(reinterpret_cast<const char*>(id.data()), int(id.size()))));
}
