#pragma once

#include "i18n/TextSlots.h"
#include "pgstore/PgStore.h"

#include <QObject>

#include <deque>
#include <functional>

class PgConnection;
class PgProbe;
class QTimer;
class QWidget;
class Table;

// The desk's connections to the shared database, one per table. Every few
// seconds a probe asks the server, on a thread and a connection of its own,
// whether it answers and how each table stands, so that a silent network
// never holds the window: a question not answered in time, or a server that
// cannot be reached, is told on the status line and the tables' connections
// count as lost, so that nothing more waits on them; an answer opens them
// again. A table whose connection came back, or that another desk changed
// without its notice arriving, is read anew as soon as no change of the
// operator's is pending in it, so that a pending edit is never dropped.
class DatabaseWatch : public QObject
{
public:
    static constexpr int CheckIntervalMs = 3000;
    // A question unanswered this long counts as a cut link: with the
    // interval, a cut is told within ten seconds.
    static constexpr int AnswerWithinMs = 5000;

    DatabaseWatch(const PgServer& server, const TextSlots& texts, std::function<void(const QString&)> say,
                  QObject* parent);
    ~DatabaseWatch() override;

    // The table, opened on the store already; its own periodic look at the
    // store is left to this watch.
    void watch(Table& table, PgStore& store);
    // Asked before a card is written: whether every connection answers (a
    // lost one is opened again first); the operator's message when one does not.
    bool ready(QString* message);

private:
    struct Watched
    {
        Table* table;
        PgStore* store;
        PgConnection* connection;
        bool stale = false;    // to be read anew
        bool toldLost = false; // the status line says it is lost
    };

    void check();
    void answered(bool inTime, const QString& reason, const std::vector<PgStore::Stamp>& stamps);
    void lost(const QString& reason);
    void reconnected(Watched& w);
    void rereadStale();

    PgServer m_server;
    const TextSlots& m_texts;
    std::function<void(const QString&)> m_say;
    std::deque<Watched> m_watched; // stays in place as it grows: hooks point into it
    QTimer* m_timer;
    QTimer* m_deadline;         // runs while a question is out
    PgProbe* m_probe = nullptr; // made at the first check, for the tables watched by then
};

// Before the tables open: while the server turns the login down for want of a
// password that the PostgreSQL password file does not give, the operator is
// asked for it in a masked box, once a run; a wrong one is told and asked
// again. Kept in server.password (in memory only). Cancelling ends the start
// with an AppError.
void askDatabasePassword(PgServer& server, const TextSlots& texts, QWidget* parent);
