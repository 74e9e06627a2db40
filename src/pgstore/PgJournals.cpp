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
// The lock every append to the audit trail takes ("PellAudt").
constexpr qint64 AuditAppendLock = 0x50656c6c41756474;

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
    // The trail only grows: a row stored is never changed or removed, by a
    // desk or by anyone who has not dropped the trigger first.
    return QStringList{table.arg(JournalTable, QStringLiteral(" CHECK (%1)").arg(PgStore::codePageCheck(QStringLiteral("line")))),
            table.arg(AuditTable, QString()),
            QStringLiteral("CREATE OR REPLACE FUNCTION %1_append_only() RETURNS trigger LANGUAGE plpgsql AS "
                           "$$BEGIN RAISE EXCEPTION '%1 only takes new rows: % refused', TG_OP; END$$")
                .arg(AuditTable),
            QStringLiteral("CREATE OR REPLACE TRIGGER %1_append_only BEFORE UPDATE OR DELETE ON %1 "
                           "FOR EACH ROW EXECUTE FUNCTION %1_append_only()")
                .arg(AuditTable),
            QStringLiteral("CREATE OR REPLACE TRIGGER %1_no_truncate BEFORE TRUNCATE ON %1 "
                           "FOR EACH STATEMENT EXECUTE FUNCTION %1_append_only()")
                .arg(AuditTable)} +
           headStatements();
}

QStringList headStatements()
{
    // A line's hash is its last field.
    const QString hashOfLine = QStringLiteral("regexp_replace(line, '^.*\\t', '')");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (one boolean PRIMARY KEY DEFAULT true CHECK (one), "
                       "lines bigint NOT NULL CHECK (lines >= 0), hash text NOT NULL)")
            .arg(AuditHeadTable),
        QStringLiteral("INSERT INTO %1 (lines, hash) SELECT count(*), coalesce((SELECT %3 FROM %2 ORDER BY id DESC "
                       "LIMIT 1), repeat('0', 64)) FROM %2 ON CONFLICT DO NOTHING")
            .arg(AuditHeadTable, AuditTable, hashOfLine),
        // Every statement that adds rows moves the head on, in its own
        // transaction: no desk can add a line and leave the head behind.
        QStringLiteral("CREATE OR REPLACE FUNCTION %1_follow() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                       "UPDATE %1 SET lines = lines + (SELECT count(*) FROM added), hash = (SELECT %2 FROM added "
                       "ORDER BY id DESC LIMIT 1) WHERE EXISTS (SELECT FROM added); RETURN NULL; END$$")
            .arg(AuditHeadTable, hashOfLine),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1_head AFTER INSERT ON %1 REFERENCING NEW TABLE AS added "
                       "FOR EACH STATEMENT EXECUTE FUNCTION %2_follow()")
            .arg(AuditTable, AuditHeadTable),
        // The head only moves forward: a head set back would hide the rows
        // cut from the trail's end.
        QStringLiteral("CREATE OR REPLACE FUNCTION %1_forward() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                       "IF TG_OP = 'UPDATE' AND NEW.lines >= OLD.lines THEN RETURN NEW; END IF; "
                       "RAISE EXCEPTION '%1 only moves forward: % refused', TG_OP; END$$")
            .arg(AuditHeadTable),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1_forward BEFORE UPDATE OR DELETE ON %1 "
                       "FOR EACH ROW EXECUTE FUNCTION %1_forward()")
            .arg(AuditHeadTable),
        QStringLiteral("CREATE OR REPLACE TRIGGER %1_no_truncate BEFORE TRUNCATE ON %1 "
                       "FOR EACH STATEMENT EXECUTE FUNCTION %1_forward()")
            .arg(AuditHeadTable)};
}

QStringList headResetStatements()
{
    return {QStringLiteral("ALTER TABLE %1 DISABLE TRIGGER %1_forward").arg(AuditHeadTable),
            QStringLiteral("UPDATE %1 SET lines = 0, hash = repeat('0', 64)").arg(AuditHeadTable),
            QStringLiteral("ALTER TABLE %1 ENABLE TRIGGER %1_forward").arg(AuditHeadTable)};
}

std::optional<audit::Head> trailHead(const QSqlDatabase& db, QString* error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT lines, hash FROM %1").arg(AuditHeadTable))) {
        *error = query.lastError().text();
        // A database of a schema before the head (db init adds it) has none.
        QSqlQuery table(db);
        if (table.exec(QStringLiteral("SELECT to_regclass('%1') IS NULL").arg(AuditHeadTable)) && table.next() &&
            table.value(0).toBool())
            return audit::Head{};
        return std::nullopt;
    }
    if (!query.next() || query.value(0).toLongLong() <= 0)
        return audit::Head{};
    return audit::Head{true, query.value(0).toLongLong(), query.value(1).toString().toLatin1()};
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
    QStringList statements;
    if (version < 3) {
        // Version 2 checked texts by the server's WIN1250 conversion, which
        // refuses five bytes of the table files' code page; version 3 by the
        // program's own table of it.
        statements = {PgStore::codePageFunction(),
                      QStringLiteral("DO $$ DECLARE c record; BEGIN FOR c IN SELECT conrelid::regclass AS t, "
                                     "conname FROM pg_constraint WHERE contype = 'c' AND "
                                     "pg_get_constraintdef(oid) LIKE '%WIN1250%' LOOP EXECUTE format('ALTER "
                                     "TABLE %s DROP CONSTRAINT %I', c.t, c.conname); END LOOP; END $$")};
        statements += PgStore::codePageChecks();
        // Version 1 had the persons, groups and readers only.
        if (version < 2) {
            statements += schemaStatements();
        } else {
            statements.append(QStringLiteral("ALTER TABLE %1 ADD CHECK (%2)")
                                  .arg(JournalTable, PgStore::codePageCheck(QStringLiteral("line"))));
            // From version 3 on the trail only grows: its trigger, after the
            // two tables (and the head, after the trigger).
            statements += schemaStatements().mid(2);
        }
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
    } else {
        // Version 4 keeps the trail's head; it starts from the rows there.
        statements = headStatements();
    }
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
    QSqlDatabase db = database(m_connection.name());
    // An id is taken when a row is inserted, and the row is seen when it is
    // committed: a desk whose insert commits late would leave a lower id
    // behind a higher one already read, and "id > cursor" would pass it
    // over for good. The share lock waits until every insert under way has
    // committed or rolled back (and holds new ones off while the rows are
    // read), so every id below the newest read is final.
    if (!db.transaction()) {
        m_connection.failed(db.lastError());
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    const auto failed = [&](const QSqlError& failure) {
        m_connection.failed(failure);
        *error = failure.text();
        db.rollback();
        return false;
    };
    if (!query.exec(QStringLiteral("SET LOCAL lock_timeout = '%1ms'").arg(ReadLockTimeout.count())) ||
        !query.exec(QStringLiteral("LOCK TABLE %1 IN SHARE MODE").arg(JournalTable)))
        return failed(query.lastError());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, desk, line FROM %1 WHERE id > ? ORDER BY id").arg(JournalTable));
    query.addBindValue(cursor.consumed);
    if (!query.exec())
        return failed(query.lastError());
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
        QSqlQuery newest(db);
        if (!newest.exec(QStringLiteral("SELECT coalesce(max(id), 0) FROM %1").arg(JournalTable)) || !newest.next())
            return failed(newest.lastError());
        restart = newest.value(0).toLongLong() < cursor.consumed;
    }
    query.finish();
    if (!db.commit())
        return failed(db.lastError());
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

bool AuditTrailTable::append(const Chain& chain, QString* error)
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
    // one is committed, and then chains to its last line. A lock of the
    // table would need a right to change its rows, which the desks do not
    // have: every appender takes this lock instead.
    if (!query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(AuditAppendLock))) {
        m_connection.failed(query.lastError());
        return failed(query.lastError().text());
    }
    QString reason;
    const QByteArray previous = newestTrailHash(db, &reason);
    if (previous.isEmpty())
        return failed(reason);
    // A trail that does not reach its head was cut or replaced: a line
    // chained on would hide that.
    const std::optional<audit::Head> kept = trailHead(db, &reason);
    if (!kept)
        return failed(reason);
    if (kept->present && kept->hash != previous)
        return failed(QStringLiteral("%1 does not reach its head %2 (%3 lines up to the hash %4); "
                                     "\"pellaro-tables audit verify\" says what is missing")
                          .arg(where(), headWhere())
                          .arg(kept->lines)
                          .arg(QString::fromLatin1(kept->hash)));
    // The server's clock, to the second as the line writes it: the row's
    // time is the one inside the line's hash.
    if (!query.exec(QStringLiteral("SELECT date_trunc('second', now())")) || !query.next())
        return failed(query.lastError().text());
    const Stamp stamp{m_connection.desk(), query.value(0).toDateTime()};
    query.prepare(QStringLiteral("INSERT INTO %1 (desk, written, line) VALUES (?, ?, ?)").arg(AuditTable));
    for (const QByteArray& line : chain(previous, stamp)) {
        query.addBindValue(stamp.desk);
        query.addBindValue(stamp.time);
        query.addBindValue(QString::fromUtf8(line));
        if (!query.exec())
            return failed(query.lastError().text());
    }
    if (!db.commit())
        return failed(db.lastError().text());
    return true;
}

std::optional<audit::Head> AuditTrailTable::head(QString* error) const
{
    if (!m_connection.reopenIfLost(error))
        return std::nullopt;
    return trailHead(database(m_connection.name()), error);
}

QString AuditTrailTable::headWhere() const
{
    return QStringLiteral("%1 (%2)").arg(AuditHeadTable, m_connection.where());
}

QByteArray AuditTrailTable::newestHash(QString* error) const
{
    if (!m_connection.reopenIfLost(error))
        return {};
    return newestTrailHash(database(m_connection.name()), error);
}

QByteArray newestTrailHash(const QSqlDatabase& db, QString* error)
{
    QSqlQuery query(db);
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
    return trailFile(database(m_connection.name()), bytes, error);
}

bool trailFile(const QSqlDatabase& db, QByteArray* bytes, QString* error)
{
    QSqlQuery query(db);
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

bool journalFile(const QSqlDatabase& db, QByteArray* bytes, QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT line FROM %1 ORDER BY id").arg(JournalTable))) {
        *error = query.lastError().text();
        return false;
    }
    *bytes = cp1250::encode(journal::Header) + "\r\n";
    while (query.next())
        *bytes += cp1250::encode(query.value(0).toString()) + "\r\n";
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
    QByteArray lines;
    if (!journalFile(database(journal.connectionName()), &lines, &error))
        throw unread(journal.where(), error);
    save(journal::FileName, lines);

    const AuditTrailTable trail(server);
    QByteArray trailLines;
    if (!trail.content(&trailLines, &error))
        throw unread(trail.where(), error);
    save(audit::FileName, trailLines);
}

} // namespace pgjournals
