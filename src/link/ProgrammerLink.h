#pragma once

#include "cards/CardFrame.h"
#include "i18n/Text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <optional>

class CommPort;
class LinkView;

// The program-wide link state, owned by the application's state; the link
// holds references so there is one place of truth.
struct LinkState
{
    int& LinkOpen;        // 1 while the port is open
    int& PortNumber;      // 1..4
    QString& PortCaption; // "COM1 ".."COM4 ", empty until chosen
};

// The programmer link: the port's open and close with their status texts, the
// one send path with its trace, connect and disconnect, the card write, the
// receive buffer, the card read exchange and the status animation. Runs on
// the main thread. The pauses block it, as the programmer's timing expects:
// no event, timer tick or received byte is handled until a sequence ends.
//
// Wiring in the main window: Timer1's timeout calls Timer1Timer, Timer3's
// Timer3Timer; Port > Connect calls ConnectProgrammer, Disconnect calls
// DisconnectProgrammer, COM1..COM4 call DisconnectProgrammer then SelectPort;
// Button2 calls Button2Click. AppError raised here is the operator's message.
// At start-up the window itself gives rs the devices behind COM1..COM4 and,
// for a PortNumber of 1..4, that port (SelectPort would save it again).
class ProgrammerLink
{
public:
    using Pause = std::function<void(std::chrono::milliseconds)>;
    // The Find evaluation of a card read (person, system code, duplicate).
    using CardReadHandler = std::function<void(const cards::CardIdentity&)>;

    // Pauses after blocks 1..6 and after CmdWriteEnd: 1300 ms per card.
    static constexpr std::array<std::chrono::milliseconds, 7> WritePauses{
        std::chrono::milliseconds{150}, std::chrono::milliseconds{150}, std::chrono::milliseconds{200},
        std::chrono::milliseconds{200}, std::chrono::milliseconds{200}, std::chrono::milliseconds{200},
        std::chrono::milliseconds{200}};
    // Gauge after the dialog opens, then after the pauses of blocks 1..5.
    static constexpr std::array<int, 6> WriteGauge{10, 20, 30, 40, 50, 100};
    // Between the first CmdReadCard and the start of Timer1.
    static constexpr std::chrono::milliseconds ReadStartPause{250};
    // Timer1's interval: the ticks of a card read.
    static constexpr std::chrono::milliseconds ReadTickInterval{100};
    static constexpr int ReadGaugeStep = 10;
    // Find's whole exchange, from its first command to its decode: the
    // longest a card is given to answer when the program asks on its own.
    static constexpr std::chrono::milliseconds ReadExchangeLength = ReadStartPause + ReadTickInterval * 3;
    // How often a read of our own looks whether the answer is in.
    static constexpr std::chrono::milliseconds AnswerLookInterval{2};
    // The receive buffer keeps this many bytes; a read needs only five.
    static constexpr qsizetype ReceiveBufferLimit = 8192;

    // The five 24-character frames of the status animation.
    static const std::array<QString, 5>& AnimationFrames();

    // Installs rsAfterReceive and rsClose as the port's OnAfterReceive and
    // OnClose; the destructor removes them again, so the port may outlive the
    // link. pause defaults to a blocking sleep of the main thread.
    ProgrammerLink(LinkState state, CommPort& port, LinkView& view, Pause pause = {});
    ~ProgrammerLink();
    ProgrammerLink(const ProgrammerLink&) = delete;
    ProgrammerLink& operator=(const ProgrammerLink&) = delete;

    // Called in the third read tick with the decoded reply (Find, persons page).
    void setCardReadHandler(CardReadHandler handler) { m_cardRead = std::move(handler); }

    // What reading a card back after its write found.
    enum class ReadBack {
        Off,           // the read-back is turned off: the card write is as it always was
        Verified,      // the card answered with the person, system code and duplicate written
        DifferentCard, // the card answered with other values
        NoAnswer,      // no card answered
    };
    // With it on, every card written is read back at once (config.ini can
    // turn it off; off until the window sets it).
    void setReadBack(bool on) { m_readBackOn = on; }
    // What the last WriteCard's read-back found; Off when it did not run.
    ReadBack lastReadBack() const { return m_lastReadBack; }

    // Opens the port: "Connect: " + PortCaption and LinkOpen 1. A port that
    // does not open raises AppError with the port's open error text, followed
    // by what to do when this account may not open the device; LinkOpen and
    // the status text are then left as they were.
    void OpenLink();
    // Closes the port (rsClose if it was open), "Disconnect...", LinkOpen 0.
    void CloseLink();
    // Port n (1..4) for the next OpenLink, with its caption; saves it at once
    // through the view. Other numbers are ignored. A port that refuses the
    // choice raises AppError and nothing changes.
    void SelectPort(int n);

    // The port's notifications.
    void rsClose();
    void rsAfterReceive(const QByteArray& bytes);

    // Sends a complete frame while LinkOpen is 1 and traces it in any case.
    void SendFrame(QByteArrayView frame);

    // Port menu: Connect (may raise the open error as AppError) and Disconnect.
    void ConnectProgrammer();
    void DisconnectProgrammer();

    // Writes one card: identifier frame from the first three values (person 0
    // makes a configuration card, duplicate index 0), then the 16 data bytes of
    // blocks 3..6. Callers check LinkOpen first. Values that do not fit the
    // card, or data that is not 16 bytes, raise AppError before anything is
    // sent or shown. Returns false when the link was lost before the last
    // frame left: the card is then not written, and the caller must not store
    // anything as if it were. The dialog closes and the gauge returns to 0 on
    // every path. With the read-back on, a written card is then read with
    // Find's exchange and compared (lastReadBack()).
    bool WriteCard(int systemNumber, int personNumber, int duplicateIndex, QByteArrayView blockData);

    // A card read of our own (the read-back, the enrolment station), not
    // Find's: what has arrived so far is dropped and one CmdReadCard is sent.
    // Nothing is sent while the link is closed.
    void startCardQuery();
    // The answer to the query once its five identifier bytes are in; takes
    // from the port what has arrived, without waiting.
    std::optional<cards::CardIdentity> cardAnswer();
    // startCardQuery(), then waits only until the card has answered, at most
    // ReadExchangeLength; nothing when no card answered in that time.
    std::optional<cards::CardIdentity> queryCard();

    // Find: starts the read exchange (CheckConnection/NoConnectivity when the link is closed).
    void Button2Click();
    // Timer1 (100 ms): the three ticks of a card read.
    void Timer1Timer();
    // Timer3 (50 ms): the animated link status.
    void Timer3Timer();
    // What the last card operation came to, on the status line instead of
    // the animation (shown at once) until the next Find, card write, connect
    // or disconnect; an empty note gives the line back to the animation.
    void setStatusNote(const QString& note);
    const QString& statusNote() const { return m_statusNote; }

    const QByteArray& ReceiveBuffer() const { return m_receiveBuffer; }
    int ReadTick() const { return m_readTick; }

    static void blockingPause(std::chrono::milliseconds duration);

private:
    void finishRead();
    // The status line while it is set: Find's design shows no message when
    // no card answers, so the status line says what to check instead of
    // the animation; a card written says what came of it the same way.
    QString m_statusNote;
    ReadBack readBack(const cards::CardIdentity& written);

    LinkState m_state;
    CommPort& m_port;
    LinkView& m_view;
    Pause m_pause;
    CardReadHandler m_cardRead;
    QByteArray m_receiveBuffer;
    int m_readTick = 0;
    int m_animationStep = 0;
    bool m_readBackOn = false;
    ReadBack m_lastReadBack = ReadBack::Off;
};
