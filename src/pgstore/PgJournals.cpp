#include "pgstore/PgJournals.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "journal/JournalFormat.h"

#include <QAtomicInt>
#include <QDir>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace pgjournals {
namespace {

const QByteArray StartHash(64, '0');

QSqlDatabase database(const QString& connection)
{
    return QSqlDatabase::database(connection, false);
}

// The last field of an audit line: its hash.
QByteArray hashOf(const QString& line)
{
    return line.sliced(line.lastIndexOf(u'\t') + 1).toLatin1();
}

} // namespace

QStringList schemaStatements()
{
    const QString table = QStringLiteral("CREATE TABLE %1 (id bigserial PRIMARY KEY, desk text NOT NULL, "
                                         "written timestamptz NOT NULL DEFAULT now(), line text NOT NULL%2)");
    return {table.arg(JournalTable, QStringLiteral(" CHECK (convert_to(line, 'WIN1250') IS NOT NULL)")),
            table.arg(AuditTable, QString())};
}

Connection::Connection(const PgServer& server)
    : m_desk(PgConnection::deskOf(server)), m_where(QStringLiteral("database %1 on %2").arg(server.name, server.host))
{
    static QAtomicInt count;
    m_name = QStringLiteral("pellaro-journal-%1").arg(count.fetchAndAddRelaxed(1));
    PgConnection::open(server, m_name, QStringLiteral("pellaro:") + m_desk);
    m_link = std::make_unique<PgConnection>(m_name, m_where);
}

bool Connection::ready(QString* error) const
{
    return m_link->ready(error);
}

bool Connection::reopenIfLost(QString* error) const
{
    return !m_link->isLost() || m_link->reopen(error);
}

Connection::~Connection()
{
    m_link.reset();
    database(m_name).close();
    QSqlDatabase::removeDatabase(m_name);
}

bool upgradeSchema(const PgServer& server)
{
    const Connection connection(server);
    QSqlDatabase db = database(connection.name());
    QSqlQuery query(db);
    const auto failed = [&](const QString& reason) {
        db.rollback();
        return AppError(QStringLiteral("The %1 cannot be brought up to date: %2").arg(connection.where(), reason));
    };
    if (!query.exec(QStringLiteral("SELECT to_regclass('pellaro_schema') IS NOT NULL")) || !query.next())
        throw failed(query.lastError().text());
    if (!query.value(0).toBool())
        return false;
    if (!db.transaction())
        throw failed(db.lastError().text());
    if (!query.exec(QStringLiteral("SELECT version FROM pellaro_schema FOR UPDATE")) || !query.next())
        throw failed(query.lastError().text());
    const int version = query.value(0).toInt();
    if (version >= PgStore::SchemaVersion) {
        db.rollback();
        if (version == PgStore::SchemaVersion)
            throw AppError(QStringLiteral("The %1 holds the tables of version %2 already and is left as it is")
                               .arg(connection.where())
                               .arg(version));
        throw AppError(QStringLiteral("The %1 holds tables of version %2, newer than this program's %3")
                           .arg(connection.where())
                           .arg(version)
                           .arg(PgStore::SchemaVersion));
    }
    // Version 1 had the persons, groups and readers only.
    QStringList statements = version < 2 ? schemaStatements() : QStringList();
    // Version 2 did not keep a number from being given twice: one given
    // twice is the installer's to settle before the rule can hold.
    for (PgStore::Kind kind : {PgStore::Kind::Persons, PgStore::Kind::Groups, PgStore::Kind::Readers}) {
        const QStringList duplicates = PgStore::duplicateNumbers(db, kind);
        if (!duplicates.isEmpty()) {
            db.rollback();
            throw AppError(PgStore::duplicatesMessage(server, kind, duplicates));
        }
    }
    statements += PgStore::uniqueNumberStatements();
    for (const QString& statement : statements) {
        if (!query.exec(statement))
            throw failed(query.lastError().text());
    }
    if (!query.exec(QStringLiteral("UPDATE pellaro_schema SET version = %1").arg(PgStore::SchemaVersion)))
        throw failed(query.lastError().text());
    if (!db.commit())
        throw failed(db.lastError().text());
    return true;
}

QString CardJournalTable::where() const
{
    return QStringLiteral("%1 (%2)").arg(JournalTable, m_connection.where());
}

bool CardJournalTable::writable(QString* error) const
{
    return m_connection.ready(error);
}

bool CardJournalTable::append(const QByteArray& line, qint64* position, QString* error)
{
    if (!m_connection.reopenIfLost(error))
        return false;
    QSqlQuery query(database(m_connection.name()));
    query.prepare(QStringLiteral("INSERT INTO %1 (desk, line) VALUES (?, ?) RETURNING id").arg(JournalTable));
    query.addBindValue(m_connection.desk());
    query.addBindValue(cp1250::decode(line));
    if (!query.exec() || !query.next()) {
        m_connection.failed(query.lastError());
        *error = query.lastError().text();
        return false;
    }
    *position = query.value(0).toLongLong();
    return true;
}

bool CardJournalTable::readNew(JournalCursor& cursor, std::vector<JournalEvent>& events, QString* error) const
{
    if (!m_connection.reopenIfLost(error))
        return false;
    QSqlQuery query(database(m_connection.name()));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, desk, line FROM %1 WHERE id > ? ORDER BY id").arg(JournalTable));
    query.addBindValue(cursor.consumed);
    if (!query.exec()) {
        m_connection.failed(query.lastError());
        *error = query.lastError().text();
        return false;
    }
    std::vector<JournalEvent> fresh;
    qint64 last = cursor.consumed;
    bool restart = false;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        JournalEvent e = JournalReader::parseLine(cp1250::encode(query.value(2).toString()), int(id), false);
        e.desk = query.value(1).toString();
        fresh.push_back(std::move(e));
        last = id;
    }
    // A journal put back from a backup holds fewer rows than were read.
    if (fresh.empty() && cursor.consumed > 0) {
        QSqlQuery newest(database(m_connection.name()));
        if (!newest.exec(QStringLiteral("SELECT coalesce(max(id), 0) FROM %1").arg(JournalTable)) || !newest.next()) {
            *error = newest.lastError().text();
            return false;
        }
        restart = newest.value(0).toLongLong() < cursor.consumed;
    }
    if (restart) {
        cursor = {};
        events.clear();
        return readNew(cursor, events, error);
    }
    events.insert(events.end(), std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    cursor.consumed = last;
    return true;
}

QString AuditTrailTable::where() const
{
    return QStringLiteral("%1 (%2)").arg(AuditTable, m_connection.where());
}

bool AuditTrailTable::writable(QString* error) const
{
    return m_connection.ready(error);
}

bool AuditTrailTable::append(const std::function<QByteArrayList(const QByteArray& previous)>& chain, QString* error)
{
    if (!m_connection.reopenIfLost(error))
        return false;
    QSqlDatabase db = database(m_connection.name());
    QSqlQuery query(db);
    const auto failed = [&](const QString& reason) {
        *error = reason;
        db.rollback();
        return false;
    };
    if (!db.transaction()) {
        m_connection.failed(db.lastError());
        return failed(db.lastError().text());
    }
    // Readers go on reading; a second desk's append waits here until this
    // one is committed, and then chains to its last line.
    if (!query.exec(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(AuditTable)) ||
        !query.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id DESC LIMIT 1").arg(AuditTable))) {
        m_connection.failed(query.lastError());
        return failed(query.lastError().text());
    }
    const QByteArray previous = query.next() ? hashOf(query.value(0).toString()) : StartHash;
    query.prepare(QStringLiteral("INSERT INTO %1 (desk, line) VALUES (?, ?)").arg(AuditTable));
    for (const QByteArray& line : chain(previous)) {
        query.addBindValue(m_connection.desk());
        query.addBindValue(QString::fromUtf8(line));
        if (!query.exec())
            return failed(query.lastError().text());
    }
    if (!db.commit())
        return failed(db.lastError().text());
    return true;
}

QByteArray AuditTrailTable::newestHash(QString* error) const
{
    if (!m_connection.reopenIfLost(error))
        return {};
    QSqlQuery query(database(m_connection.name()));
    if (!query.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id DESC LIMIT 1").arg(AuditTable))) {
        *error = query.lastError().text();
        return {};
    }
    return query.next() ? hashOf(query.value(0).toString()) : StartHash;
}

bool AuditTrailTable::content(QByteArray* bytes, QString* error) const
{
    if (!m_connection.reopenIfLost(error))
        return false;
    QSqlQuery query(database(m_connection.name()));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id").arg(AuditTable))) {
        *error = query.lastError().text();
        return false;
    }
    bytes->clear();
    while (query.next())
        *bytes += query.value(0).toString().toUtf8() + '\n';
    return true;
}

void writeFiles(const PgServer& server, const QString& folder)
{
    const auto save = [&folder](const QString& name, const QByteArray& bytes) {
        QSaveFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    };
    const auto unread = [](const QString& where, const QString& error) {
        return AppError(QStringLiteral("%1 cannot be read: %2").arg(where, error));
    };
    QString error;
    const CardJournalTable journal(server);
    JournalCursor cursor;
    std::vector<JournalEvent> events;
    if (!journal.readNew(cursor, events, &error))
        throw unread(journal.where(), error);
    QByteArray lines = cp1250::encode(journal::Header) + "\r\n";
    for (const JournalEvent& e : events)
        lines += e.text + "\r\n";
    save(journal::FileName, lines);

    const AuditTrailTable trail(server);
    QByteArray trailLines;
    if (!trail.content(&trailLines, &error))
        throw unread(trail.where(), error);
    save(audit::FileName, trailLines);
}

} // namespace pgjournals
