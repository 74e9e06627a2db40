#include "link/ProgrammerLink.h"

#include "cards/CardNumber.h"
#include "config/AppError.h"
#include "link/Frames.h"
#include "link/LinkView.h"
#include "serial/CommPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace {

const QString ConnectText = QStringLiteral("Connect: ");
const QString DisconnectText = QStringLiteral("Disconnect...");
constexpr int ReadResendTick = 2;
constexpr int ReadDecodeTick = 3;
constexpr int GaugeFull = 100;
// Where the udev rule example is installed, from the installation's prefix.
const QString UdevRuleExample = QStringLiteral("share/doc/pellaro/70-pellaro-programmer.rules");

// The example by its full path when it is there beside the program's
// installation (PREFIX/bin/pellaro), else by its place under the prefix.
QString udevRuleExample()
{
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../") + UdevRuleExample);
    return QFileInfo::exists(installed) ? installed : UdevRuleExample;
}

} // namespace

const std::array<QString, 5>& ProgrammerLink::AnimationFrames()
{
    static const std::array<QString, 5> frames{
        QStringLiteral("  [>   oo  oo  oo  oo <]"), QStringLiteral("  [>  oo  oo  oo  oo  <]"),
        QStringLiteral("  [> oo  oo  oo  oo   <]"), QStringLiteral("  [> o  oo  oo  oo   o<]"),
        QStringLiteral("  [>   oo  oo  oo   oo<]")};
    return frames;
}

ProgrammerLink::ProgrammerLink(LinkState state, CommPort& port, LinkView& view, Pause pause)
    : m_state(state), m_port(port), m_view(view), m_pause(pause ? std::move(pause) : Pause(&blockingPause))
{
    m_port.OnAfterReceive = [this](CommPort*, const QByteArray& bytes) { rsAfterReceive(bytes); };
    m_port.OnClose = [this](CommPort*) { rsClose(); };
}

ProgrammerLink::~ProgrammerLink()
{
    m_port.OnAfterReceive = nullptr;
    m_port.OnClose = nullptr;
}

void ProgrammerLink::blockingPause(std::chrono::milliseconds duration)
{
    // Deliberately no event processing: the programmer's frame timing must not
    // be stretched by the user interface.
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

void ProgrammerLink::OpenLink()
{
    QString error;
    if (!m_port.open(&error)) {
        // Which device the port is, and where that is set.
        if (const auto device = m_port.deviceOf(m_port.comPort()))
            error += u'\n' + m_view.text(device->configured ? Text::PortDeviceSet : Text::PortDeviceDefault)
                                  .arg(device->path, QStringLiteral("COM%1").arg(m_port.comPort()));
        // The system's "permission denied" alone does not say what to do.
        if (const auto refused = m_port.permissionRefusal())
            error += QStringLiteral("\n\n") +
                     m_view.text(Text::PortPermission).arg(refused->device, refused->account, udevRuleExample());
        throw AppError(error);
    }
    if (m_port.active()) {
        m_view.setStatusText(ConnectText + m_state.PortCaption);
        m_state.LinkOpen = 1;
    } else {
        m_view.setStatusText(DisconnectText);
        m_state.LinkOpen = 0;
    }
}

void ProgrammerLink::CloseLink()
{
    m_statusNote.clear();
    m_port.close();
    m_view.setStatusText(DisconnectText);
    m_state.LinkOpen = 0;
}

void ProgrammerLink::SelectPort(int n)
{
    if (n < 1 || n > 4)
        return;
    // The port refuses while open; the choice would then show and be saved
    // for a port the next connect does not open.
    if (!m_port.setComPort(n))
        throw AppError(QStringLiteral("Device \"COM%1\" Select Error !!!\rDevice \"COM%2\" is still open.")
                           .arg(n)
                           .arg(m_port.comPort()));
    m_state.PortCaption = QStringLiteral("COM%1 ").arg(n);
    m_state.PortNumber = n;
    m_view.SavePortToRegistry(n);
}

void ProgrammerLink::rsClose()
{
    m_state.LinkOpen = 0;
}

void ProgrammerLink::rsAfterReceive(const QByteArray& bytes)
{
    // Only the first five bytes after a read command matter; a device that
    // keeps talking between reads must not grow the buffer without end.
    const qsizetype room = ReceiveBufferLimit - m_receiveBuffer.size();
    if (room > 0)
        m_receiveBuffer.append(bytes.first(qMin(room, bytes.size())));
}

void ProgrammerLink::SendFrame(QByteArrayView frame)
{
    if (m_state.LinkOpen == 1)
        m_port.writeString(frame.toByteArray());
    m_view.appendTrace(frames::traceText(frame));
}

void ProgrammerLink::ConnectProgrammer()
{
    m_view.setTimer3Enabled(true);
    CloseLink();
    OpenLink();
    SendFrame(frames::connectFrame());
}

void ProgrammerLink::DisconnectProgrammer()
{
    SendFrame(frames::disconnectFrame());
    CloseLink();
    m_view.setTimer3Enabled(false);
}

bool ProgrammerLink::WriteCard(int systemNumber, int personNumber, int duplicateIndex, QByteArrayView blockData)
{
    // Everything is checked before the trace is cleared or a frame leaves:
    // a value cut down to fit would write a card for somebody else.
    QString error;
    const std::optional<cards::Identifier> id = cards::identifierOf(systemNumber, personNumber, duplicateIndex, &error);
    m_lastReadBack = ReadBack::Off;
    if (!id)
        throw AppError(error);
    const QList<QByteArray> sequence = frames::cardWriteFrames(cards::EncodeCardFrame(*id), blockData);
    if (sequence.size() != int(WritePauses.size()))
        throw AppError(QStringLiteral("Card data of %1 bytes instead of 16").arg(blockData.size()));

    // The note of the card before would now read as this card's.
    m_statusNote.clear();
    m_view.clearTrace();
    m_view.showTransmit();
    // Whatever ends the sequence, the dialog must not stay up over a card
    // that was never written.
    struct EndOfWrite
    {
        LinkView& view;
        ~EndOfWrite()
        {
            view.setGauge(0);
            // A card read still waiting for its ticks is abandoned.
            view.setTimer1Enabled(false);
            view.hideTransmit();
        }
    } end{m_view};
    m_view.setGauge(WriteGauge[0]);
    // A frame reached the programmer only if the port was open before and
    // after its write: a vanished device closes the port inside the write.
    bool written = true;
    for (int i = 0; i < int(sequence.size()); ++i) {
        const bool openBefore = m_state.LinkOpen == 1;
        SendFrame(sequence[i]);
        written = written && openBefore && m_state.LinkOpen == 1;
        m_pause(WritePauses[i]);
        if (i + 1 < int(WriteGauge.size()))
            m_view.setGauge(WriteGauge[i + 1]);
    }
    if (written && m_readBackOn)
        m_lastReadBack = readBack(cards::unpackIdentifier(*id));
    return written;
}

ProgrammerLink::ReadBack ProgrammerLink::readBack(const cards::CardIdentity& written)
{
    // Read in place, while the transmit dialog still shows. A Find waiting
    // for its ticks was abandoned with the write.
    m_view.setTimer1Enabled(false);
    const std::optional<cards::CardIdentity> card = queryCard();
    if (!card)
        return ReadBack::NoAnswer;
    const bool same = card->personNumber == written.personNumber && card->systemCode == written.systemCode &&
                      card->duplicateIndex == written.duplicateIndex;
    return same ? ReadBack::Verified : ReadBack::DifferentCard;
}

void ProgrammerLink::startCardQuery()
{
    // Answers to earlier frames must not pass for this card's.
    m_port.receivePending();
    m_receiveBuffer.clear();
    SendFrame(frames::readCardFrame());
}

std::optional<cards::CardIdentity> ProgrammerLink::cardAnswer()
{
    m_port.receivePending();
    return frames::decodeReadReply(m_receiveBuffer);
}

std::optional<cards::CardIdentity> ProgrammerLink::queryCard()
{
    // The card answers in a few milliseconds; Find's fixed ticks would make
    // every card written wait more than half a second for nothing.
    startCardQuery();
    std::optional<cards::CardIdentity> card;
    for (std::chrono::milliseconds waited{0}; !card && waited < ReadExchangeLength && m_state.LinkOpen == 1;
         waited += AnswerLookInterval) {
        m_pause(AnswerLookInterval);
        card = cardAnswer();
    }
    m_receiveBuffer.clear();
    return card;
}

void ProgrammerLink::Button2Click()
{
    if (m_state.LinkOpen == 0) {
        m_view.showMessage(Text::CheckConnection, Text::NoConnectivity);
        return;
    }
    m_statusNote.clear();
    m_view.showTransmit();
    SendFrame(frames::readCardFrame());
    m_pause(ReadStartPause);
    // A reply to the first command, held back by the pause, is delivered
    // after this and lands in the emptied buffer.
    m_receiveBuffer.clear();
    m_readTick = 0;
    m_view.setTimer1Enabled(true);
}

void ProgrammerLink::Timer1Timer()
{
    ++m_readTick;
    m_view.setGauge(qMin(GaugeFull, m_view.gauge() + ReadGaugeStep));
    if (m_readTick == ReadResendTick) {
        m_receiveBuffer.clear();
        SendFrame(frames::readCardFrame());
    }
    if (m_readTick == ReadDecodeTick) {
        m_view.setGauge(GaugeFull);
        m_view.setTimer1Enabled(false);
        const std::optional<cards::CardIdentity> card = frames::decodeReadReply(m_receiveBuffer);
        if (!card) {
            setStatusNote(m_view.text(Text::NoCardAnswered));
            finishRead();
            return;
        }
        m_view.setLabel22(QString::number(card->systemCode));
        // The evaluation may show messages or raise an error; the dialog
        // closes and the buffer empties either way.
        try {
            if (m_cardRead)
                m_cardRead(*card);
        } catch (...) {
            finishRead();
            throw;
        }
        finishRead();
    }
}

void ProgrammerLink::finishRead()
{
    m_receiveBuffer.clear();
    m_view.setGauge(0);
    m_view.hideTransmit();
}

void ProgrammerLink::setStatusNote(const QString& note)
{
    m_statusNote = note;
    if (m_state.LinkOpen == 1 && !note.isEmpty())
        m_view.setStatusText(note);
}

void ProgrammerLink::Timer3Timer()
{
    ++m_animationStep;
    if (m_animationStep >= 1 && m_animationStep <= int(AnimationFrames().size())) {
        if (m_state.LinkOpen == 1 && !m_statusNote.isEmpty())
            m_view.setStatusText(m_statusNote);
        else if (m_state.LinkOpen == 1)
            m_view.setStatusText(ConnectText + m_state.PortCaption + AnimationFrames()[m_animationStep - 1]);
        else
            m_view.setStatusText(DisconnectText);
    }
    if (m_animationStep == int(AnimationFrames().size()))
        m_animationStep = 0;
}
