#pragma once

#include "pgstore/PgStore.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QThread;

// Asks the shared database, on a thread and a connection of its own, whether
// it answers and how each table stands (PgStore::Stamp), so that a network
// gone silent holds that thread and never the window's. The answer comes
// back on the thread that asked, through the event loop.
class PgProbe : public QObject
{
public:
    struct Answer
    {
        bool answered = false;
        QString reason;                     // why not
        std::vector<PgStore::Stamp> stamps; // in the order of the tables asked about
    };

    // tables: the stamp statements of the tables to look at (PgStore::stampStatement()).
    PgProbe(const PgServer& server, QStringList tables, QObject* parent = nullptr);
    // A question still out on a silent network is not waited for long: its
    // thread is left to end by itself.
    ~PgProbe() override;
    PgProbe(const PgProbe&) = delete;
    PgProbe& operator=(const PgProbe&) = delete;

    // Sends the question; done runs with the answer. False, and nothing
    // sent, while the previous question is still out.
    bool ask(std::function<void(const Answer&)> done);
    bool waiting() const { return m_waiting; }

private:
    class Asker;
    struct Mailbox;

    std::shared_ptr<Mailbox> m_mailbox;
    QThread* m_thread;
    Asker* m_asker;
    bool m_waiting = false;
    std::function<void(const Answer&)> m_done;
};
