#include "data/Table.h"

#include "config/AppError.h"
#include "dbf/RecordStore.h"

#include <QTimer>

#include <algorithm>

#include <utility>

// Keeping up with the other desks of a shared database: their changes are
// re-read as the store hears of them, never over a change the operator has
// pending here.

void Table::watchOtherDesks()
{
    m_othersChanged = false;
    if (!m_store->shared()) {
        delete std::exchange(m_check, nullptr);
        return;
    }
    try {
        m_store->watchOtherDesks([this] { otherDeskChanged(); });
    } catch (const AppError&) {
        // Without notices the periodic check still finds the others' changes.
    }
    if (!m_check) {
        m_check = new QTimer(this);
        m_check->setInterval(DefaultCheckInterval);
        connect(m_check, &QTimer::timeout, this, &Table::checkForChanges);
    }
    m_check->start();
}

void Table::setCheckInterval(std::chrono::milliseconds interval)
{
    if (!m_check)
        return;
    m_check->setInterval(interval);
    if (interval.count() > 0)
        m_check->start();
    else
        m_check->stop();
}

void Table::otherDeskChanged()
{
    m_othersChanged = true;
    rereadWhenFree();
}

// Queued: a notice arrives between the operator's steps, never inside one.
void Table::rereadWhenFree()
{
    if (!m_othersChanged || m_rereadQueued)
        return;
    m_rereadQueued = true;
    QMetaObject::invokeMethod(this, &Table::rereadNow, Qt::QueuedConnection);
}

void Table::setRereadPace(PaceClock clock, PaceLater later)
{
    m_paceClock = std::move(clock);
    m_paceLater = std::move(later);
}

void Table::rereadNow()
{
    m_rereadQueued = false;
    if (!m_othersChanged || !m_store || m_pending || m_batch > 0 || m_suspend > 0 || m_store->inChange())
        return; // the end of the change or scan asks again
    if (m_rereadDeferred)
        return; // one is on its way
    // Every desk hears every other's changes: re-reading on each notice
    // would keep a busy site's desks reading the tables all the time.
    const auto now = m_paceClock ? m_paceClock() : std::chrono::steady_clock::now();
    if (m_lastReread && now - *m_lastReread < RereadPace) {
        m_rereadDeferred = true;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(RereadPace - (now - *m_lastReread));
        auto reread = [this] {
            m_rereadDeferred = false;
            rereadWhenFree();
        };
        if (m_paceLater)
            m_paceLater(wait, std::move(reread));
        else
            QTimer::singleShot(wait, this, std::move(reread));
        return;
    }
    m_lastReread = now;
    m_othersChanged = false;
    try {
        reload(false);
    } catch (const AppError&) {
        // The rows shown stay as they were; the next notice or check tries again.
        m_othersChanged = true;
    }
}

void Table::holdOtherAppends()
{
    if (m_batch == 0)
        throw AppError(QStringLiteral("%1: other desks' additions are held off only inside a batch").arg(fileName()));
    postIfPending();
    if (m_store->holdOtherAppends())
        reread();
}

void Table::checkForChanges()
{
    if (!m_store)
        return;
    try {
        if (m_othersChanged || !m_store->changedElsewhere())
            return; // a re-read is on its way already, or none is needed
    } catch (const AppError&) {
        return; // asked again at the next check
    }
    m_othersChanged = true;
    rereadNow();
}

Table::NamedRecord Table::named() const
{
    const int record = currentRecord();
    if (!m_store || record < 0)
        return {};
    return {m_store->recordKey(record), m_store->recordVersion(record)};
}

void Table::returnTo(const NamedRecord& named)
{
    const RecordStore& f = store();
    const int record = named.key >= 0 ? f.recordOfKey(named.key) : -1;
    if (record < 0 || f.isDeleted(record))
        throw RecordChangedElsewhere(
            QStringLiteral("%1: the record was removed at another desk after it was named here").arg(f.name()), {},
            true);
    const auto row = std::find(m_rows.begin(), m_rows.end(), record);
    if (f.recordVersion(record) != named.version || row == m_rows.end())
        throw RecordChangedElsewhere(
            QStringLiteral("%1: the record was changed at another desk after it was named here").arg(f.name()), {},
            false);
    const int target = int(row - m_rows.begin());
    if (target != m_row || m_eof)
        moveToRow(target);
}
