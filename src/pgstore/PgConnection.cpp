#include "pgstore/PgConnection.h"

#include "config/AppError.h"
#include "platform/SharedFolder.h"
#include "pgstore/PgStore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

#include <utility>

namespace {

QString& lostText()
{
    static QString text =
        QStringLiteral("The database at %1 cannot be reached: %2. Nothing was stored; what you typed is still here.");
    return text;
}

// What the server or libpq said, on one line.
QString reasonOf(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.simplified();
}

// A statement refused inside a transaction leaves the transaction refusing
// all but its end; the connection itself is sound.
const QString InFailedTransaction = QStringLiteral("25P02");

const QString RequiredEncoding = QStringLiteral("UTF8");

// A connection of that name to the server, not opened yet.
QSqlDatabase addConnection(const PgServer& server, const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.name);
    db.setUserName(server.user);
    if (!server.password.isEmpty())
        db.setPassword(server.password);
    return db;
}

// How long a desk waits for a silent network. The client gives up on a
// server that does not answer its opening (connect_timeout, seconds), asks an
// idle link whether the other end is still there (keepalives) and drops a
// link whose sent data stays unacknowledged (tcp_user_timeout, ms), so that
// a cut link fails a statement in seconds, not when the system's own TCP
// time-outs end some minutes later. The server is asked the same of its end
// (options), and to end a transaction that a vanished desk left open, which
// would hold the other desks' additions.
const QString LinkOptions =
    QStringLiteral("connect_timeout=5;keepalives=1;keepalives_idle=3;keepalives_interval=2;keepalives_count=2;"
                   "tcp_user_timeout=8000;options='-c tcp_keepalives_idle=3 -c tcp_keepalives_interval=2 "
                   "-c tcp_keepalives_count=2 -c tcp_user_timeout=8000 -c idle_in_transaction_session_timeout=60000'");

// A value of libpq's connection options, quoted.
QString quotedOption(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

} // namespace

QString PgConnection::makeCommand(const QString& database)
{
    return QStringLiteral("createdb --encoding=UTF8 --template=template0 %1").arg(database);
}

PgConnection::PgConnection(QString connectionName, QString server)
    : m_name(std::move(connectionName)), m_server(std::move(server))
{
}

bool PgConnection::probe()
{
    if (m_lost)
        return false;
    QSqlDatabase db = database();
    if (db.isOpen()) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT 1")) || query.lastError().nativeErrorCode() == InFailedTransaction)
            return true;
        m_reason = reasonOf(query.lastError());
    }
    m_lost = true;
    return false;
}

bool PgConnection::failedForLoss(const QSqlError& failure)
{
    const QString reason = reasonOf(failure);
    if (probe())
        return false;
    // The first failure says why (the backend was ended, the server went
    // away); the probe after it only that nothing is there any more.
    if (!reason.isEmpty())
        m_reason = reason;
    return true;
}

bool PgConnection::reopen(QString* reason)
{
    if (!m_lost)
        return true;
    if (!m_inTransaction) {
        QSqlDatabase db = database();
        db.close();
        if (db.open()) {
            m_lost = false;
            for (const auto& hook : m_reconnected)
                hook();
            return true;
        }
        m_reason = reasonOf(db.lastError());
    }
    if (reason)
        *reason = m_reason;
    return false;
}

bool PgConnection::ready(QString* reason)
{
    return probe() || reopen(reason);
}

static PgConnection::CommitTexts& commitTextsHeld()
{
    static PgConnection::CommitTexts texts{
        QStringLiteral("The database at %1 could not be reached while the change was being stored: %2. It may have "
                       "been stored or not; the next change first looks which."),
        QStringLiteral("The change that could not be confirmed was stored in the database at %1 after all. Nothing "
                       "more was changed; the table shows it now."),
        QStringLiteral("The database at %1 has not yet finished the change that could not be confirmed. Nothing more "
                       "was changed; try again in a moment.")};
    return texts;
}

void PgConnection::setCommitTexts(const CommitTexts& texts)
{
    commitTextsHeld() = texts;
}

const PgConnection::CommitTexts& PgConnection::commitTexts()
{
    return commitTextsHeld();
}

QString PgConnection::uncertainMessage() const
{
    return commitTextsHeld().uncertain.arg(m_server, m_reason);
}

void PgConnection::markLost(const QString& reason)
{
    // A transaction under way is this thread's own: its statements tell.
    if (m_lost || m_inTransaction)
        return;
    m_lost = true;
    m_reason = reason;
}

void PgConnection::setLostText(const QString& text)
{
    lostText() = text;
}

QString PgConnection::lostMessage() const
{
    return lostText().arg(m_server, m_reason);
}

bool PgConnection::passwordRefused(const QString& error)
{
    // libpq's own words when it has no password to give, the server's (or
    // its SQLSTATE 28P01) when the one given is wrong.
    return error.contains(QLatin1String("no password supplied")) ||
           error.contains(QLatin1String("password authentication failed")) || error.contains(QLatin1String("28P01"));
}

QString PgConnection::deskOf(const PgServer& server)
{
    return server.desk.isEmpty() ? QSysInfo::machineHostName() : server.desk;
}

QSqlDatabase PgConnection::open(const PgServer& server, const QString& name, const QString& application)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw AppError(QStringLiteral(
            "config.ini names a shared database ([DATABASE]), but the PostgreSQL driver of Qt is not installed. "
            "On Debian it is the package libqt6sql6-psql. The Windows build has none: several desks on one "
            "database are a feature of the Linux build; on Windows the tables stay in the working folder "
            "(without [DATABASE] in config.ini)."));
    QSqlDatabase db = addConnection(server, name);
    db.setConnectOptions(QStringLiteral("application_name=%1;%2").arg(quotedOption(application), LinkOptions));
    if (!db.open()) {
        QString reason = db.lastError().text();
        // libpq's "fe_sendauth: no password supplied" tells an operator nothing
        // of where the password goes.
        if (server.password.isEmpty() && reason.contains(QLatin1String("no password supplied")))
            reason = QStringLiteral("the server asks for the password of the user %1: put it in ~/.pgpass (see README)")
                         .arg(server.user.isEmpty() ? shared::accountName() : server.user);
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw AppError(
            QStringLiteral("The database %1 on %2 cannot be opened: %3").arg(server.name, server.host, reason));
    }
    // In any other encoding the server neither checks what a text holds nor
    // counts a field's length in letters: a Polish name that fits the table
    // file would be refused, and bytes no desk can read stored.
    QString encoding;
    {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SHOW server_encoding")) && query.next())
            encoding = query.value(0).toString();
    }
    if (encoding != RequiredEncoding) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw DatabaseRefused(DatabaseRefused::Why::Encoding,
                              QStringLiteral("The database %1 on %2 is of the encoding %3; the program works only on "
                                             "a database of the encoding UTF8. Make one with: %4")
                                  .arg(server.name, server.host, encoding.isEmpty() ? QStringLiteral("?") : encoding,
                                       makeCommand(server.name)),
                              server.name, server.host, encoding);
    }
    return db;
}

bool PgConnection::canLogIn(const PgServer& server, QString* error)
{
    const QString name = QStringLiteral("pellaro-login");
    bool open = false;
    {
        QSqlDatabase db = addConnection(server, name);
        db.setConnectOptions(LinkOptions);
        open = db.open();
        if (!open && error)
            *error = db.lastError().text().simplified();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return open;
}
