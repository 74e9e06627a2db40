#include "pgstore/PgProbe.h"

#include "config/AppError.h"
#include "pgstore/PgConnection.h"

#include <QAtomicInt>
#include <QMutex>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <chrono>

namespace {

// How long the window's end waits for a question still out before it leaves
// its thread to end by itself.
constexpr std::chrono::milliseconds EndWait{2000};

QString probeName()
{
    static QAtomicInt count;
    return QStringLiteral("pellaro-probe-%1").arg(count.fetchAndAddRelaxed(1));
}

} // namespace

// Where an answer goes: the probe while it lives, nowhere once it is gone.
struct PgProbe::Mailbox
{
    QMutex mutex;
    PgProbe* probe = nullptr;

    void deliver(const Answer& answer)
    {
        const QMutexLocker lock(&mutex);
        if (!probe)
            return;
        QMetaObject::invokeMethod(
            probe,
            [probe = probe, answer] {
                probe->m_waiting = false;
                if (probe->m_done)
                    std::exchange(probe->m_done, {})(answer);
            },
            Qt::QueuedConnection);
    }
};

// Lives on the probe's thread with the connection it opened there.
class PgProbe::Asker : public QObject
{
public:
    Asker(PgServer server, QStringList tables, std::shared_ptr<Mailbox> mailbox)
        : m_server(std::move(server)), m_tables(std::move(tables)), m_mailbox(std::move(mailbox)), m_name(probeName())
    {
    }

    // A connection that went (its server session ended) is opened anew at
    // once: only a server that cannot be reached through a new one counts.
    void ask()
    {
        const bool wasOpen = QSqlDatabase::contains(m_name);
        Answer answer = tryLook();
        if (!answer.answered && wasOpen)
            answer = tryLook();
        m_mailbox->deliver(answer);
    }

    // Ends on the probe's own thread, where the connection belongs.
    void end()
    {
        drop();
        thread()->quit();
    }

private:
    Answer tryLook()
    {
        Answer answer;
        try {
            answer = look();
        } catch (const AppError& e) {
            answer.reason = e.message();
        }
        if (!answer.answered)
            drop();
        return answer;
    }

    Answer look()
    {
        if (!QSqlDatabase::contains(m_name))
            PgConnection::open(m_server, m_name, QStringLiteral("pellaro-probe:") + PgConnection::deskOf(m_server));
        Answer answer;
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        query.setForwardOnly(true);
        const auto failed = [&] {
            answer.reason = query.lastError().databaseText().isEmpty() ? query.lastError().text()
                                                                       : query.lastError().databaseText();
            answer.reason = answer.reason.simplified();
            return answer;
        };
        if (!query.exec(QStringLiteral("SELECT 1")))
            return failed();
        for (const QString& table : m_tables) {
            if (!query.exec(table) || !query.next())
                return failed();
            answer.stamps.push_back(
                {query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toLongLong()});
        }
        answer.answered = true;
        return answer;
    }

    void drop()
    {
        if (!QSqlDatabase::contains(m_name))
            return;
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    PgServer m_server;
    QStringList m_tables;
    std::shared_ptr<Mailbox> m_mailbox;
    QString m_name;
};

PgProbe::PgProbe(const PgServer& server, QStringList tables, QObject* parent)
    : QObject(parent), m_mailbox(std::make_shared<Mailbox>()), m_thread(new QThread),
      m_asker(new Asker(server, std::move(tables), m_mailbox))
{
    m_mailbox->probe = this;
    m_asker->moveToThread(m_thread);
    m_thread->start();
}

PgProbe::~PgProbe()
{
    {
        const QMutexLocker lock(&m_mailbox->mutex);
        m_mailbox->probe = nullptr;
    }
    QMetaObject::invokeMethod(m_asker, &Asker::end, Qt::QueuedConnection);
    if (m_thread->wait(QDeadlineTimer(EndWait))) {
        delete m_asker;
        delete m_thread;
        return;
    }
    // Stuck on a silent network: the thread ends when the system gives up
    // on the link (the connection's user time-out), then frees itself.
    QObject::connect(m_thread, &QThread::finished, m_asker, &QObject::deleteLater);
    QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
}

bool PgProbe::ask(std::function<void(const Answer&)> done)
{
    if (m_waiting)
        return false;
    m_waiting = true;
    m_done = std::move(done);
    QMetaObject::invokeMethod(m_asker, &Asker::ask, Qt::QueuedConnection);
    return true;
}
