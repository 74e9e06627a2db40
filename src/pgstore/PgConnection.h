#pragma once

#include "config/AppError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <functional>
#include <vector>

struct PgServer;

// A database this program does not work on, with what to do about it: one
// whose encoding is not UTF8 (texts would be kept as bytes, and their lengths
// counted in bytes), or one that holds none of its tables yet.
class DatabaseRefused : public AppError
{
public:
    enum class Why { Encoding, NoTables };
    DatabaseRefused(Why why, const QString& message, QString database, QString host, QString encoding = {})
        : AppError(message), m_why(why), m_database(std::move(database)), m_host(std::move(host)),
          m_encoding(std::move(encoding))
    {
    }
    Why why() const { return m_why; }
    const QString& database() const { return m_database; }
    const QString& host() const { return m_host; }
    const QString& encoding() const { return m_encoding; } // the database's, for Why::Encoding

private:
    Why m_why;
    QString m_database;
    QString m_host;
    QString m_encoding;
};

// One named connection of a desk to the shared database (a QSqlDatabase by
// its name), watched for being lost: a server restarted, a network cut, a
// backend ended by the server's administrator. A lost connection is opened
// again on the next operation that asks for it, or by whoever checks it
// periodically; the hooks added with onReconnected() run after each reopening,
// so that what lived on the old connection (a LISTEN) can be set up again.
//
// Nothing is retried here: a statement cut by the loss failed, and its
// caller tells the operator that nothing of it was stored.
class PgConnection
{
public:
    // Watches the connection of that name, opened already.
    PgConnection(QString connectionName, QString server);
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    const QString& name() const { return m_name; }
    // "database on host", as messages name the server.
    const QString& server() const { return m_server; }

    bool isLost() const { return m_lost; }
    // Asked after a statement failed: whether the connection went with it.
    // A connection that no longer answers counts as lost from then on.
    bool failedForLoss(const QSqlError& failure);
    // Asks the server (one round trip) whether the connection still answers.
    bool probe();
    // Opens a lost connection again. False with the reason when the server
    // cannot be reached yet; a connection that is not lost is left alone.
    bool reopen(QString* reason = nullptr);
    // probe() and, when that fails, reopen(): the connection is usable.
    bool ready(QString* reason = nullptr);
    // While a server transaction is open nothing is reopened: the
    // transaction went with the old connection, and its owner must learn so.
    void setInTransaction(bool open) { m_inTransaction = open; }

    void onReconnected(std::function<void()> hook) { m_reconnected.push_back(std::move(hook)); }
    const QString& lastReason() const { return m_reason; }

    // The operator's message for a change refused on a lost connection: %1
    // the server, %2 the reason. Set from the chosen language.
    static void setLostText(const QString& text);
    QString lostMessage() const;
    // A connection lost while its change was being committed: the server
    // may have stored the change or not (%1 the server, %2 the reason); the
    // next change found it stored after all (%1 the server) and did nothing
    // else; the server has not decided yet (%1 the server).
    struct CommitTexts
    {
        QString uncertain;
        QString storedAfterAll;
        QString undecided;
    };
    static void setCommitTexts(const CommitTexts& texts);
    static const CommitTexts& commitTexts();
    QString uncertainMessage() const;
    // Found lost by a check elsewhere (a probe that got no answer in time):
    // nothing more is sent on it until it has been opened again.
    void markLost(const QString& reason);

    // The name the desk goes by: the one it is given, else the machine's.
    static QString deskOf(const PgServer& server);
    // Adds a connection of that name to the server and opens it; AppError
    // naming the database and its server when it cannot, the connection
    // removed again. application is how the server's list of sessions
    // names it. A database whose encoding is not UTF8 is refused
    // (DatabaseRefused) with the command that makes one.
    static QSqlDatabase open(const PgServer& server, const QString& name, const QString& application);
    // The command that makes a database of that name the program works on.
    static QString makeCommand(const QString& database);

    // Whether the server (or the password file) turned the login down for
    // want of the right password, from the error of an opening.
    static bool passwordRefused(const QString& error);
    // Tries to log in to the server with what it holds (the password, or
    // the password file); the error when that fails.
    static bool canLogIn(const PgServer& server, QString* error);

private:
    QString m_name;
    QString m_server;
    QString m_reason;
    bool m_lost = false;
    bool m_inTransaction = false;
    std::vector<std::function<void()>> m_reconnected;
};
