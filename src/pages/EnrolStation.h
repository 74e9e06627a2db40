#pragma once

#include "link/ProgrammerLink.h"

#include <QObject>
#include <QSet>

#include <chrono>
#include <functional>
#include <optional>

class PersonCards;
class ProgramQueue;
class QTimer;
struct ProgramState;

// The enrolment station: writes the cards of a queue one after another while
// the operator only swaps cards. It asks the programmer for a card with the
// read command; when one answers it writes the queue's next person with the
// usual write and read-back, then waits until that card is taken off (no
// answer) before it looks for the next. Only a card that opens no door of
// this installation is written: a blank, a card of another system number or
// a withdrawn one; every other card is refused and waited off, and a card
// this station wrote in this run is never written again for somebody else.
class EnrolStation : public QObject
{
    Q_OBJECT

public:
    enum class Phase {
        Stopped, // not started, stopped, finished or stopped by a fault
        Paused,  // Start goes on where it was
        LookingForCard,
        WaitingForTakeOff,
    };
    // Milliseconds on a steady clock; tests give their own.
    using Clock = std::function<qint64()>;

    // How often the station looks at the line.
    static constexpr std::chrono::milliseconds Tick{10};
    // While no card lies there the read command is repeated at Find's tick,
    // so a card put on is seen at once rather than after a whole exchange.
    static constexpr std::chrono::milliseconds LookAgain = ProgrammerLink::ReadTickInterval;
    // Between reads while a card still answers.
    static constexpr std::chrono::milliseconds ReadGap{50};
    // Read-backs that fail in a row before the station stops.
    static constexpr int FailuresToStop = 3;

    EnrolStation(const ProgramState& state, ProgrammerLink& link, PersonCards& cards, ProgramQueue& queue,
                 QObject* parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Start (or go on after Pause); tells the operator when the link is
    // closed or nobody is left to write.
    void start();
    void pause();
    void stop();
    // Marks the next person to write as skipped.
    void skip();
    // One look at the line; the station's timer calls it every Tick.
    void tick();

    Phase phase() const { return m_phase; }
    // Why the card waited for to be taken off was not written on ("take
    // this card off: it is …'s card"); empty for a card just written.
    const QString& refusal() const { return m_refusal; }
    bool running() const { return m_phase == Phase::LookingForCard || m_phase == Phase::WaitingForTakeOff; }
    // The time the cards left take at this run's pace so far; nothing before
    // the first card of the run.
    std::optional<qint64> msLeft() const;

signals:
    // The phase or a person's state changed.
    void changed();

private:
    void setPhase(Phase phase);
    void cardAnswered(const cards::CardIdentity& card);
    void halt(int text, int caption);
    void halt(const QString& text, int caption);
    static qint64 key(const cards::CardIdentity& card);

    const ProgramState& m_state;
    ProgrammerLink& m_link;
    PersonCards& m_cards;
    ProgramQueue& m_queue;
    QTimer* m_timer;
    Clock m_clock;
    Phase m_phase = Phase::Stopped;
    std::optional<qint64> m_queryAt; // when the read now awaited was sent
    qint64 m_nextQueryAt = 0;
    int m_failuresInARow = 0;
    QString m_refusal;
    QSet<qint64> m_written; // every card this station wrote
    qint64 m_runStart = 0;
    int m_doneThisRun = 0;
};
