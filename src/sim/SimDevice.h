#pragma once

#include "cards/CardFrame.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The card programmer as the simulator plays it: it takes the frames the
// program sends, keeps the six blocks of the card being written, and answers
// CmdReadCard with the identifier of the card lying on it. No I/O here.
class SimDevice
{
public:
    // What one frame (or one run of unusable bytes) did.
    struct Event
    {
        QByteArray bytes;  // as received
        QString verdict;   // one line for the log
        QByteArray reply;  // to send back, possibly empty
        QStringList notes; // for the console (a completed card write)
    };

    // The card on the programmer: its identifier bytes D0..D4.
    void putCard(const cards::Identifier& id) { m_card = id; }
    void removeCard() { m_card.reset(); }
    const std::optional<cards::Identifier>& card() const { return m_card; }

    // The operator's hands. take() lifts the card off: nothing answers and a
    // write reaches no card until place() puts one on, a blank card (it
    // answers five zero bytes) unless its identifier is given.
    QString take();
    QString place(const std::optional<cards::Identifier>& id = std::nullopt);
    bool cardOff() const { return m_off; }

    // Swap mode: once a card written has been read back, it is taken off
    // takeMs later and a blank card is placed placeMs after that. A blank
    // card is placed now if none lies there.
    void setSwap(qint64 takeMs, qint64 placeMs);
    // Does what the swap has due by nowMs (ms on the caller's clock); the
    // console notes of what it did. nextDue() is when the next is due, -1
    // for nothing.
    QStringList advance(qint64 nowMs);
    // As advance(), but one hand at most (the take, or else the blank card)
    // and only between frames: for a swap played by the frames arriving.
    QStringList advanceOneHand(qint64 nowMs);
    qint64 nextDue() const;

    // Appends received bytes and returns an event for every complete frame
    // (and every run of bytes that cannot start one) now at the front;
    // nowMs is the caller's clock, for the swap.
    QList<Event> receive(const QByteArray& bytes, qint64 nowMs = 0);

    // "PERSON:SYSTEM:DUP" to identifier bytes; person 0 is a configuration card.
    static std::optional<cards::Identifier> parseCard(const QString& text, QString* error);
    static QString describe(const cards::Identifier& id);

private:
    Event handleFrame(quint8 command, const QByteArray& payload, const QByteArray& bytes, bool checkOk, qint64 nowMs);
    Event writeBlock(const QByteArray& payload, const QByteArray& bytes);
    Event writeEnd(const QByteArray& bytes);

    QByteArray m_input;
    std::array<std::optional<QByteArray>, 6> m_blocks;
    std::optional<cards::Identifier> m_card;
    bool m_off = false;
    bool m_swap = false;
    qint64 m_takeMs = 0;
    qint64 m_placeMs = 0;
    bool m_writtenUnread = false; // a card written and not yet read back
    qint64 m_takeAt = -1;
    qint64 m_placeAt = -1;
};
