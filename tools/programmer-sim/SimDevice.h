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

    // Appends received bytes and returns an event for every complete frame
    // (and every run of bytes that cannot start one) now at the front.
    QList<Event> receive(const QByteArray& bytes);

    // "PERSON:SYSTEM:DUP" to identifier bytes; person 0 is a configuration card.
    static std::optional<cards::Identifier> parseCard(const QString& text, QString* error);
    static QString describe(const cards::Identifier& id);

private:
    Event handleFrame(quint8 command, const QByteArray& payload, const QByteArray& bytes, bool checkOk);
    Event writeBlock(const QByteArray& payload, const QByteArray& bytes);
    Event writeEnd(const QByteArray& bytes);

    QByteArray m_input;
    std::array<std::optional<QByteArray>, 6> m_blocks;
    std::optional<cards::Identifier> m_card;
};
