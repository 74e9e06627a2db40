#pragma once

#include "i18n/TextSlots.h"

#include <QObject>

#include <deque>
#include <functional>

class PgConnection;
class QTimer;
class QWidget;
class Table;
struct PgServer;

// The desk's connections to the shared database, one per table. They are
// checked every few seconds and opened again by themselves when they were
// lost; the status line tells the operator either way. A table whose
// connection came back is read anew as soon as no change of the operator's
// is pending in it, so that a pending edit is never dropped.
class DatabaseWatch : public QObject
{
public:
    static constexpr int CheckIntervalMs = 5000;

    DatabaseWatch(const TextSlots& texts, std::function<void(const QString&)> say, QObject* parent);

    void watch(Table& table, PgConnection& connection);
    // Asked before a card is written: whether every connection answers (a
    // lost one is opened again first); the operator's message when one does not.
    bool ready(QString* message);

private:
    struct Watched
    {
        Table* table;
        PgConnection* connection;
        bool stale = false;    // to be read anew
        bool toldLost = false; // the status line says it is lost
    };

    void check();
    void reconnected(Watched& w);
    void rereadStale();

    const TextSlots& m_texts;
    std::function<void(const QString&)> m_say;
    std::deque<Watched> m_watched; // stays in place as it grows: hooks point into it
    QTimer* m_timer;
};

// Before the tables open: while the server turns the login down for want of a
// password that the PostgreSQL password file does not give, the operator is
// asked for it in a masked box, once a run; a wrong one is told and asked
// again. Kept in server.password (in memory only). Cancelling ends the start
// with an AppError.
void askDatabasePassword(PgServer& server, const TextSlots& texts, QWidget* parent);
