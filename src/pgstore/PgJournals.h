#pragma once

#include <memory>

#include "pgstore/PgConnection.h"

#include "audit/AuditLog.h"
#include "journal/JournalStore.h"
#include "pgstore/PgStore.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The site's card journal and audit trail in the shared database: every
// desk appends to the same two tables, each row naming its desk.
//
//   card_journal  id, desk, written, line: a line of cards.log as it is there
//   audit_trail   id, desk, written, line: a line of audit.log with its hash
//                 (the line's host and time are the row's desk and written);
//                 a trigger refuses every UPDATE, DELETE and TRUNCATE of it
//   audit_head    one row: lines, hash: the trail's number of rows and its
//                 newest hash, moved on by a trigger in the transaction of
//                 every insert into audit_trail; it only moves forward
//
// The head shows what the chain alone cannot: rows cut from the end of the
// trail, or the trail replaced by a fresh chain (by whoever may drop the
// trigger), as the head file beside audit.log does for the file.
//
// Each store keeps a connection of its own.
namespace pgjournals {

inline const QString JournalTable = QStringLiteral("card_journal");
inline const QString AuditTable = QStringLiteral("audit_trail");
inline const QString AuditHeadTable = QStringLiteral("audit_head");

// The statements that make the two tables and the trail's head (part of
// the schema).
QStringList schemaStatements();
// The statements that make the trail's head, set from the rows the trail
// holds already; a head there already is kept.
QStringList headStatements();
// The statements that set the head back to no line, inside a transaction
// of the owner's that has taken the trail's rows out to chain them again.
QStringList headResetStatements();
// The trail's head as read on db; nullopt with *error when it cannot be read.
std::optional<audit::Head> trailHead(const QSqlDatabase& db, QString* error);

// Brings a database of an older schema version up to this one, adding what
// is missing. False when the database holds no tables of this program yet;
// AppError when it cannot be read or changed, or is of a newer version.
bool upgradeSchema(const PgServer& server);

// Writes the site's card journal and audit trail as cards.log and audit.log
// into folder, in the files' own formats, each replacing its file whole.
// AppError when the server cannot be read or a file written.
void writeFiles(const PgServer& server, const QString& folder);

// cards.log and audit.log as the site's journal and trail stand, read on
// the connection db (in the snapshot of its transaction): the journal in
// code page 1250 under its column names, the trail as its lines. False with
// *error when they cannot be read.
bool journalFile(const QSqlDatabase& db, QByteArray* bytes, QString* error);
bool trailFile(const QSqlDatabase& db, QByteArray* bytes, QString* error);
// The hash of the trail's newest line (64 zeros for none), read on db;
// empty with *error when it cannot be read.
QByteArray newestTrailHash(const QSqlDatabase& db, QString* error);

class Connection
{
public:
    explicit Connection(const PgServer& server);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& name() const { return m_name; }
    const QString& desk() const { return m_desk; }
    // The database and its server, for messages.
    const QString& where() const { return m_where; }
    // Whether the server answers, a lost connection opened again first;
    // *error says why not.
    bool ready(QString* error) const;
    // Before a statement: a connection found lost is opened again.
    bool reopenIfLost(QString* error) const;
    // After a statement failed: whether the connection went with it.
    void failed(const QSqlError& failure) const { m_link->failedForLoss(failure); }

private:
    std::unique_ptr<PgConnection> m_link;
    QString m_name;
    QString m_desk;
    QString m_where;
};

// The card journal in the table card_journal.
class CardJournalTable final : public JournalStore
{
public:
    // How long a read waits for a desk's line still being stored before it
    // fails (and is tried again at the next read).
    static constexpr std::chrono::milliseconds ReadLockTimeout{5000};

    explicit CardJournalTable(const PgServer& server) : m_connection(server) {}

    QString where() const override;
    QString name() const override { return JournalTable; }
    const QString& connectionName() const { return m_connection.name(); }
    bool writable(QString* error) const override;
    // One INSERT, durable when the server confirms it.
    bool append(const QByteArray& line, qint64* position, QString* error) override;
    bool readNew(JournalCursor& cursor, std::vector<JournalEvent>& events, QString* error) const override;

private:
    Connection m_connection;
};

// The audit trail in the table audit_trail: one chain however many desks
// append, each append taking the newest hash under a lock of the table.
class AuditTrailTable final : public audit::Store
{
public:
    explicit AuditTrailTable(const PgServer& server) : m_connection(server) {}

    QString where() const override;
    bool writable(QString* error) const override;
    // The rows take the server's time of the append and the desk's name,
    // which the lines carry as their time and host.
    bool append(const Chain& chain, QString* error) override;
    QByteArray newestHash(QString* error) const override;
    bool content(QByteArray* bytes, QString* error) const override;
    std::optional<audit::Head> head(QString* error) const override;
    QString headWhere() const override;

private:
    Connection m_connection;
};

} // namespace pgjournals
