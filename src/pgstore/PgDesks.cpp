// How the desks sharing one database keep up with each other: a change is
// announced on the table's channel (delivered by the server when its
// transaction commits, never when it is undone), a periodic check reads a
// stamp of the table for announcements that got lost, and adding records
// numbered from the stored ones takes a lock of the table's own.

#include "pgstore/PgStore.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

QString PgStore::channel() const
{
    return QStringLiteral("pellaro_") + m_table;
}

void PgStore::announce()
{
    if (m_inChange)
        m_announce = true;
    else
        announceNow();
}

// A notification that fails leaves the transaction failed, and its commit
// then says so; outside a change the change is stored already and the
// others' periodic check finds it.
void PgStore::announceNow()
{
    QSqlQuery query(db());
    query.prepare(QStringLiteral("SELECT pg_notify(?, ?)"));
    query.addBindValue(channel());
    query.addBindValue(m_desk);
    query.exec();
}

// The lock lasts to the end of the transaction. Only the desks adding
// numbered records take it: editing and reading go on beside it.
bool PgStore::holdOtherAppends()
{
    if (!m_inChange)
        fail(QStringLiteral("other desks' additions are held off only inside a change"));
    QSqlQuery query(db());
    query.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
    query.addBindValue(channel());
    run(QStringLiteral("the table cannot be held for adding"), query);
    return changedElsewhere();
}

void PgStore::watchOtherDesks(std::function<void()> changed)
{
    const bool first = !m_othersChanged;
    m_othersChanged = std::move(changed);
    if (!first)
        return;
    QSqlDriver* driver = QSqlDatabase::database(m_connection, false).driver();
    QObject::connect(driver, &QSqlDriver::notification, driver,
                     [this](const QString& name, QSqlDriver::NotificationSource source, const QVariant&) {
                         if (source == QSqlDriver::OtherSource && name == channel() && m_othersChanged)
                             m_othersChanged();
                     });
    listen();
    // A LISTEN lives on its connection: a reopened one listens again, and
    // what was told meanwhile is found by a look at the table.
    m_link->onReconnected([this] {
        try {
            listen();
        } catch (const AppError&) {
            // The periodic look at the table still finds the other desks' changes.
        }
        if (m_othersChanged)
            m_othersChanged();
    });
}

void PgStore::listen()
{
    QSqlDriver* driver = QSqlDatabase::database(m_connection, false).driver();
    if (!driver->subscribedToNotifications().contains(channel()) && !driver->subscribeToNotification(channel()))
        fail(QStringLiteral("changes made at other desks cannot be followed"));
}

// Any stored change moves a row's version or the rows' count or ids: the
// server's sums are held against those of the rows read here, which follow
// this desk's own changes.
QString PgStore::stampStatement() const
{
    return QStringLiteral("SELECT count(*), coalesce(sum(version), 0)::bigint, coalesce(sum(id), 0)::bigint FROM %1")
        .arg(m_table);
}

bool PgStore::differsFrom(const Stamp& stamp) const
{
    Stamp here;
    for (const Row& row : m_rows) {
        if (row.image.at(0) == '*')
            continue;
        ++here.count;
        here.versions += row.version;
        here.ids += row.id;
    }
    return stamp.count != here.count || stamp.versions != here.versions || stamp.ids != here.ids;
}

bool PgStore::changedElsewhere()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(stampStatement());
    run(QStringLiteral("the table's state cannot be read"), query);
    if (!query.next())
        return true;
    return differsFrom({query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toLongLong()});
}

// A change of this desk under way moves the rows read here first; its end
// re-reads what others changed meanwhile.
void PgStore::noticeStamp(const Stamp& stamp)
{
    if (!m_inChange && m_othersChanged && differsFrom(stamp))
        m_othersChanged();
}

int PgStore::recordOfKey(qint64 key) const
{
    for (size_t r = 0; r < m_rows.size(); ++r)
        if (m_rows[r].id == key)
            return int(r);
    return -1;
}
