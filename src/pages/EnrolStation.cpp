#include "pages/EnrolStation.h"

#include "i18n/Text.h"
#include "pages/PersonCards.h"
#include "pages/ProgramQueue.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

EnrolStation::EnrolStation(const ProgramState& state, ProgrammerLink& link, PersonCards& cards, ProgramQueue& queue,
                           QObject* parent)
    : QObject(parent), m_state(state), m_link(link), m_cards(cards), m_queue(queue), m_timer(new QTimer(this))
{
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    m_clock = [steady] { return steady->elapsed(); };
    m_timer->setInterval(Tick);
    connect(m_timer, &QTimer::timeout, this, [this] { MessageBox::guarded([this] { tick(); }); });
}

void EnrolStation::setPhase(Phase phase)
{
    m_phase = phase;
    if (phase != Phase::WaitingForTakeOff)
        m_refusal.clear();
    if (running())
        m_timer->start();
    else
        m_timer->stop();
    emit changed();
}

void EnrolStation::start()
{
    const TextSlots& t = m_state.TextSlots;
    if (m_state.LinkOpen == 0) {
        MessageBox::show(t[Text::CheckConnection], t[Text::NoConnectivity]);
        return;
    }
    if (m_queue.nextRow() < 0) {
        MessageBox::show(t[Text::ProgramListDone], t[Text::ProgramListTitle]);
        return;
    }
    if (running())
        return;
    m_queryAt.reset();
    m_nextQueryAt = 0;
    m_failuresInARow = 0;
    m_runStart = m_clock();
    m_doneThisRun = 0;
    setPhase(Phase::LookingForCard);
}

void EnrolStation::pause()
{
    if (running())
        setPhase(Phase::Paused);
}

void EnrolStation::stop()
{
    setPhase(Phase::Stopped);
}

void EnrolStation::skip()
{
    const int row = m_queue.nextRow();
    if (row >= 0)
        m_queue.setState(row, ProgramQueue::State::Skipped);
    if (m_queue.nextRow() < 0)
        setPhase(Phase::Stopped);
    else
        emit changed();
}

std::optional<qint64> EnrolStation::msLeft() const
{
    if (m_doneThisRun == 0)
        return std::nullopt;
    return (m_clock() - m_runStart) / m_doneThisRun * m_queue.leftCount();
}

qint64 EnrolStation::key(const cards::CardIdentity& card)
{
    return (qint64(card.personNumber) << 40) | (qint64(card.systemCode) << 4) | card.duplicateIndex;
}

void EnrolStation::halt(int text, int caption)
{
    halt(m_state.TextSlots[text], caption);
}

void EnrolStation::halt(const QString& text, int caption)
{
    setPhase(Phase::Stopped);
    MessageBox::show(text, m_state.TextSlots[caption]);
}

void EnrolStation::tick()
{
    if (!running())
        return;
    if (m_state.LinkOpen == 0) {
        halt(Text::ProgramListLinkLost, Text::NoConnectivity);
        return;
    }
    const qint64 now = m_clock();
    if (!m_queryAt) {
        if (now >= m_nextQueryAt) {
            m_link.startCardQuery();
            m_queryAt = now;
        }
        return;
    }
    if (const std::optional<cards::CardIdentity> card = m_link.cardAnswer()) {
        m_queryAt.reset();
        if (m_phase == Phase::WaitingForTakeOff)
            m_nextQueryAt = now + ReadGap.count();
        else
            cardAnswered(*card);
        return;
    }
    // Silence for a whole exchange of Find is what says the card is off.
    const auto limit = m_phase == Phase::LookingForCard ? LookAgain : ProgrammerLink::ReadExchangeLength;
    if (now - *m_queryAt >= limit.count()) {
        m_queryAt.reset();
        if (m_phase == Phase::WaitingForTakeOff)
            setPhase(Phase::LookingForCard);
    }
}

void EnrolStation::cardAnswered(const cards::CardIdentity& card)
{
    // A card written in this run may have no line in the journal yet (kept
    // in the spool): it is waited off as just written, without a word.
    if (m_written.contains(key(card))) {
        setPhase(Phase::WaitingForTakeOff);
        return;
    }
    m_timer->stop();
    const PersonCards::CardOnProgrammer onProgrammer = m_cards.cardOnProgrammer(card);
    if (onProgrammer.journalUnread) {
        halt(onProgrammer.refusal, Text::CardJournal);
        return;
    }
    if (!onProgrammer.free) {
        // Somebody's card, or a reader's: told on the station's window until
        // it is taken off, and nothing is written on it.
        setPhase(Phase::WaitingForTakeOff);
        m_refusal = onProgrammer.refusal;
        emit changed();
        return;
    }
    int row = -1;
    PersonCards::QueuedWrite result;
    for (;;) {
        row = m_queue.nextRow();
        if (row < 0) {
            setPhase(Phase::Stopped);
            return;
        }
        const ProgramQueue::Person& p = m_queue.persons()[size_t(row)];
        result = m_cards.programQueued({p.number, p.familyName, p.firstName, p.group});
        if (result.outcome != PersonCards::QueuedWrite::Skipped)
            break;
        // The card stays on for the next person of the list.
        m_queue.setState(row, ProgramQueue::State::Skipped, result.skipText, result.skipArgs);
    }
    switch (result.outcome) {
    case PersonCards::QueuedWrite::Refused:
    case PersonCards::QueuedWrite::Skipped:
        setPhase(Phase::Stopped);
        return;
    case PersonCards::QueuedWrite::NotWritten:
        // The person stays as they were: nothing is taken as written.
        halt(Text::ProgramListLinkLost, Text::NoConnectivity);
        return;
    case PersonCards::QueuedWrite::Written:
        break;
    }
    m_queue.setCard(row, result.id);
    const int note = result.spooledIn.isEmpty() ? -1 : int(Text::StationRowSpooled);
    const QStringList noteArgs{QDir::toNativeSeparators(result.spooledIn)};
    using R = ProgrammerLink::ReadBack;
    if (result.readBack == R::Verified || result.readBack == R::Off) {
        m_queue.setState(row,
                         result.readBack == R::Verified ? ProgramQueue::State::Verified : ProgramQueue::State::Written,
                         note, noteArgs);
        m_written.insert(key(cards::unpackIdentifier(result.id)));
        m_failuresInARow = 0;
        ++m_doneThisRun;
    } else {
        // Kept in the queue: the next card placed is tried for them again.
        m_queue.setState(row, ProgramQueue::State::Failed, note, noteArgs);
        ++m_failuresInARow;
    }
    m_queryAt.reset();
    m_nextQueryAt = m_clock();
    if (m_failuresInARow >= FailuresToStop)
        halt(Text::ProgramListFailures, Text::ReadBackCaption);
    else if (m_queue.nextRow() < 0)
        setPhase(Phase::Stopped);
    else
        setPhase(Phase::WaitingForTakeOff);
}
