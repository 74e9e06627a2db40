#include "app/DatabaseWatch.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "pgstore/PgConnection.h"
#include "pgstore/PgStore.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

DatabaseWatch::DatabaseWatch(const TextSlots& texts, std::function<void(const QString&)> say, QObject* parent)
    : QObject(parent), m_texts(texts), m_say(std::move(say)), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("DatabaseTimer"));
    m_timer->setInterval(CheckIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &DatabaseWatch::check);
}

void DatabaseWatch::watch(Table& table, PgConnection& connection)
{
    Watched& w = m_watched.emplace_back(Watched{&table, &connection});
    // The tables may outlive the watch, storing what is pending as they close.
    connection.onReconnected([watch = QPointer<DatabaseWatch>(this), &w] {
        if (watch)
            watch->reconnected(w);
    });
    connect(&table, &Table::stateChanged, this, [this] { QTimer::singleShot(0, this, &DatabaseWatch::rereadStale); });
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
    for (Watched& w : m_watched) {
        if (w.connection->ready())
            continue;
        if (!w.toldLost)
            m_say(m_texts[Text::DatabaseUnreachable].arg(w.connection->server(), w.connection->lastReason()));
        w.toldLost = true;
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
