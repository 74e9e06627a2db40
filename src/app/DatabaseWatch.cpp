#include "app/DatabaseWatch.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "pgstore/PgConnection.h"
#include "pgstore/PgProbe.h"
#include "pgstore/PgStore.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

DatabaseWatch::DatabaseWatch(const PgServer& server, const TextSlots& texts, std::function<void(const QString&)> say,
                             QObject* parent)
    : QObject(parent), m_server(server), m_texts(texts), m_say(std::move(say)), m_timer(new QTimer(this)),
      m_deadline(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("DatabaseTimer"));
    m_timer->setInterval(CheckIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &DatabaseWatch::check);
    m_deadline->setSingleShot(true);
    m_deadline->setInterval(AnswerWithinMs);
    connect(m_deadline, &QTimer::timeout, this,
            [this] { lost(m_texts[Text::DatabaseSilent].arg(AnswerWithinMs / 1000)); });
}

DatabaseWatch::~DatabaseWatch() = default;

void DatabaseWatch::watch(Table& table, PgStore& store)
{
    Watched& w = m_watched.emplace_back(Watched{&table, &store, &store.connection()});
    // The tables may outlive the watch, storing what is pending as they close.
    w.connection->onReconnected([watch = QPointer<DatabaseWatch>(this), &w] {
        if (watch)
            watch->reconnected(w);
    });
    connect(&table, &Table::stateChanged, this, [this] { QTimer::singleShot(0, this, &DatabaseWatch::rereadStale); });
    table.setCheckInterval(std::chrono::milliseconds(0)); // the probe looks at the table instead
    m_timer->start();
}

bool DatabaseWatch::ready(QString* message)
{
    for (Watched& w : m_watched) {
        if (w.connection->ready())
            continue;
        if (message)
            *message = m_texts[Text::DatabaseCardRefused].arg(w.connection->server(), w.connection->lastReason());
        return false;
    }
    return true;
}

void DatabaseWatch::check()
{
    if (!m_probe) {
        QStringList stamps;
        for (const Watched& w : m_watched)
            stamps.append(w.store->stampStatement());
        m_probe = new PgProbe(m_server, stamps, this);
    }
    // A question still out is waited for; its deadline tells a silent link.
    if (m_probe->ask([this](const PgProbe::Answer& a) { answered(a.answered, a.reason, a.stamps); }))
        m_deadline->start();
}

void DatabaseWatch::answered(bool inTime, const QString& reason, const std::vector<PgStore::Stamp>& stamps)
{
    m_deadline->stop();
    if (!inTime) {
        lost(reason);
        return;
    }
    for (size_t i = 0; i < m_watched.size(); ++i) {
        Watched& w = m_watched[i];
        if (w.connection->isLost()) {
            // The server answers again: the connection opens quickly, and its
            // table is read anew (reconnected()).
            if (!w.connection->reopen() && !w.toldLost) {
                m_say(m_texts[Text::DatabaseUnreachable].arg(w.connection->server(), w.connection->lastReason()));
                w.toldLost = true;
            }
        } else if (i < stamps.size()) {
            w.store->noticeStamp(stamps[i]);
        }
    }
}

void DatabaseWatch::lost(const QString& reason)
{
    for (Watched& w : m_watched) {
        w.connection->markLost(reason);
        if (!w.toldLost && w.connection->isLost())
            m_say(m_texts[Text::DatabaseUnreachable].arg(w.connection->server(), w.connection->lastReason()));
        w.toldLost = w.connection->isLost();
    }
}

// Runs inside the store's operation that opened the connection again: the
// table is read anew after it, never within.
void DatabaseWatch::reconnected(Watched& w)
{
    w.stale = true;
    w.toldLost = false;
    QTimer::singleShot(0, this, &DatabaseWatch::rereadStale);
}

void DatabaseWatch::rereadStale()
{
    for (Watched& w : m_watched) {
        if (!w.stale || w.table->state() != Table::State::Browsing)
            continue;
        w.stale = false;
        try {
            w.table->refresh();
            m_say(m_texts[Text::DatabaseBack].arg(w.connection->server()));
        } catch (const AppError& e) {
            m_say(e.message()); // lost again: the next check tells it
        }
    }
}

void askDatabasePassword(PgServer& server, const TextSlots& texts, QWidget* parent)
{
    const QString where = QStringLiteral("%1 on %2").arg(server.name, server.host);
    QString error;
    while (!PgConnection::canLogIn(server, &error)) {
        if (!PgConnection::passwordRefused(error))
            return; // the tables' opening tells the reason
        QInputDialog box(parent);
        box.setObjectName(QStringLiteral("DatabasePassword"));
        box.setWindowTitle(texts[Text::DatabasePasswordCaption]);
        box.setLabelText(texts[server.password.isEmpty() ? Text::DatabasePasswordAsk : Text::DatabasePasswordWrong].arg(
            where, server.user));
        box.setTextEchoMode(QLineEdit::Password);
        if (box.exec() != QDialog::Accepted)
            throw AppError(texts[Text::DatabasePasswordNone].arg(where, server.user));
        server.password = box.textValue();
    }
}
