#include "pgstore/PgStore.h"
#include "pgstore/PgSiteSettings.h"

#include "cards/CardLimits.h"
#include "config/AppError.h"
#include "config/Cp1250.h"
#include "data/TableLayouts.h"
#include "pgstore/PgJournals.h"

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <utility>

namespace {

QString tableName(PgStore::Kind kind)
{
    switch (kind) {
    case PgStore::Kind::Persons:
        return QStringLiteral("persons");
    case PgStore::Kind::Groups:
        return QStringLiteral("groups");
    case PgStore::Kind::Readers:
        break;
    }
    return QStringLiteral("readers");
}

std::vector<DbfFile::FieldSpec> fieldsOf(PgStore::Kind kind)
{
    switch (kind) {
    case PgStore::Kind::Persons:
        return TableLayouts::personsFields();
    case PgStore::Kind::Groups:
        return TableLayouts::groupsFields();
    case PgStore::Kind::Readers:
        break;
    }
    return TableLayouts::readersFields();
}

// Columns carry the dBase fields' names; GROUP and INDEX are SQL words, so
// every name is quoted.
QString column(const QString& field)
{
    return QLatin1Char('"') + field.toUpper() + QLatin1Char('"');
}

// A column with the limits its dBase field has: texts of code page 1250 no
// longer than the field, numbers no wider than it.
QString columnDefinition(const DbfFile::FieldSpec& f)
{
    const QString name = column(f.name);
    switch (f.type) {
    case 'C':
        return QStringLiteral("%1 varchar(%2) CHECK (%3)").arg(name).arg(f.width).arg(PgStore::codePageCheck(name));
    case 'M':
        return QStringLiteral("%1 text CHECK (%2)").arg(name, PgStore::codePageCheck(name));
    case 'L':
        return QStringLiteral("%1 boolean").arg(name);
    default:
        return QStringLiteral("%1 numeric(%2, %3) CHECK (length(%1::text) <= %2)").arg(name).arg(f.width).arg(f.decimals);
    }
}

// The field that numbers a table's records: a person's card number, a
// group's id, a reader's number.
QString numberField(PgStore::Kind kind)
{
    switch (kind) {
    case PgStore::Kind::Persons:
        return PersonField::Number;
    case PgStore::Kind::Groups:
        return GroupField::Id;
    case PgStore::Kind::Readers:
        break;
    }
    return ReaderField::Number;
}

// Named, so that bringing an older database up to date can tell whether it is there.
QString uniqueNumber(PgStore::Kind kind)
{
    return QStringLiteral("CONSTRAINT %1_number_unique UNIQUE (%2)").arg(tableName(kind), column(numberField(kind)));
}

// The server refuses a second record under a number itself: the desks give
// numbers out under a lock, and this holds against any other writer.
const QString UniqueViolation = QStringLiteral("23505");

QStringList extraChecks(PgStore::Kind kind)
{
    if (kind != PgStore::Kind::Readers)
        return {uniqueNumber(kind)};
    return {uniqueNumber(kind),
            QStringLiteral("CHECK (%1 BETWEEN %2 AND %3)")
                .arg(column(ReaderField::Number))
                .arg(cards::MinReaderNumber)
                .arg(cards::MaxReaderNumber),
            QStringLiteral("CHECK (%1 BETWEEN %2 AND %3)")
                .arg(column(ReaderField::Time))
                .arg(cards::MinRelayTime)
                .arg(cards::MaxRelayTime)};
}

QString connectionName()
{
    static QAtomicInt count;
    return QStringLiteral("pellaro-pg-%1").arg(count.fetchAndAddRelaxed(1));
}

// Opens a connection of its own to the server; AppError naming the server when it cannot.
QSqlDatabase connectTo(const PgServer& server, const QString& name)
{
    return PgConnection::open(server, name, QStringLiteral("pellaro:") + PgConnection::deskOf(server));
}

void dropConnection(const QString& name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QString PgStore::codePageFunction()
{
    // Every character the table has a byte for (NUL aside, which no text
    // holds); translate() drops them, and what is left has none.
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        bytes += char(b);
    QString characters = cp1250::decode(bytes);
    characters.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION pellaro_cp1250(text) RETURNS boolean LANGUAGE sql IMMUTABLE STRICT "
               "AS $pellaro$ SELECT translate($1, '%1', '') = '' $pellaro$")
        .arg(characters);
}

QString PgStore::codePageCheck(const QString& column)
{
    return QStringLiteral("%1 IS NULL OR pellaro_cp1250(%1)").arg(column);
}

QStringList PgStore::codePageChecks()
{
    QStringList statements;
    for (Kind kind : {Kind::Persons, Kind::Groups, Kind::Readers}) {
        for (const DbfFile::FieldSpec& f : fieldsOf(kind)) {
            if (f.type == 'C' || f.type == 'M')
                statements.append(QStringLiteral("ALTER TABLE %1 ADD CHECK (%2)")
                                      .arg(tableName(kind), codePageCheck(column(f.name))));
        }
    }
    return statements;
}

void PgStore::createSchema(const PgServer& server)
{
    const QString name = connectionName();
    QSqlDatabase db = connectTo(server, name);
    QString failure;
    {
        QSqlQuery query(db);
        const auto exec = [&](const QString& sql) {
            if (failure.isEmpty() && !query.exec(sql))
                failure = query.lastError().text();
        };
        exec(QStringLiteral("SELECT to_regclass('pellaro_schema') IS NOT NULL"));
        if (failure.isEmpty() && query.next() && query.value(0).toBool())
            failure = QStringLiteral("it holds the tables already and is left as it is");
        if (failure.isEmpty() && !db.transaction())
            failure = db.lastError().text();
        exec(QStringLiteral("CREATE TABLE pellaro_schema (version integer NOT NULL)"));
        exec(QStringLiteral("INSERT INTO pellaro_schema VALUES (%1)").arg(SchemaVersion));
        exec(codePageFunction());
        for (Kind kind : {Kind::Persons, Kind::Groups, Kind::Readers}) {
            QStringList columns{QStringLiteral("id bigserial PRIMARY KEY"),
                                QStringLiteral("version bigint NOT NULL DEFAULT 1"),
                                QStringLiteral("desk text NOT NULL DEFAULT ''")};
            for (const DbfFile::FieldSpec& f : fieldsOf(kind))
                columns.append(columnDefinition(f));
            columns += extraChecks(kind);
            exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(tableName(kind), columns.join(QStringLiteral(", "))));
        }
        for (const QString& statement : pgjournals::schemaStatements())
            exec(statement);
        exec(pgsite::settingsSchema());
        if (failure.isEmpty() && !db.commit())
            failure = db.lastError().text();
        if (!failure.isEmpty())
            db.rollback();
    }
    db = QSqlDatabase();
    dropConnection(name);
    if (!failure.isEmpty())
        throw AppError(QStringLiteral("The tables cannot be made in the database %1 on %2: %3")
                           .arg(server.name, server.host, failure));
}

QStringList PgStore::uniqueNumberStatements()
{
    QStringList statements;
    for (Kind kind : {Kind::Persons, Kind::Groups, Kind::Readers})
        statements.append(QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT IF EXISTS %1_number_unique, ADD %2")
                              .arg(tableName(kind), uniqueNumber(kind)));
    return statements;
}

QStringList PgStore::duplicateNumbers(const QSqlDatabase& db, Kind kind)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT n::text, count(*) FROM (SELECT %1 AS n FROM %2) AS numbers "
                                   "WHERE n IS NOT NULL GROUP BY n HAVING count(*) > 1 ORDER BY n")
                        .arg(column(numberField(kind)), tableName(kind))))
        throw AppError(
            QStringLiteral("%1: the numbers cannot be read: %2").arg(tableName(kind), query.lastError().text()));
    QStringList duplicates;
    while (query.next())
        duplicates.append(QStringLiteral("%1 %2 (%3 records)")
                              .arg(numberField(kind), query.value(0).toString())
                              .arg(query.value(1).toLongLong()));
    return duplicates;
}

QString PgStore::duplicatesMessage(const PgServer& server, Kind kind, const QStringList& duplicates)
{
    constexpr qsizetype Listed = 20;
    QString list = duplicates.first(qMin(Listed, duplicates.size())).join(QStringLiteral(", "));
    if (duplicates.size() > Listed)
        list += QStringLiteral(" and %1 more").arg(duplicates.size() - Listed);
    const QString table = tableName(kind);
    const QString number = column(numberField(kind));
    const QString show = QStringLiteral("psql -h %1 -p %2 -U %3 -d %4 -c 'SELECT id, desk, %5, \"NAME\" FROM %6 "
                                        "WHERE %5 IN (SELECT %5 FROM %6 GROUP BY %5 HAVING count(*) > 1) ORDER BY %5'")
                             .arg(server.host)
                             .arg(server.port)
                             .arg(server.user, server.name, number, table);
    return QStringLiteral("%1 (database %2 on %3) gives one number to more than one record: %4. A card carries the "
                          "number, so each must be given once before any desk works on the database; this shows "
                          "those records:\n%5\nThen \"pellaro-tables db init WORKDIR\" makes each number unique.")
        .arg(table, server.name, server.host, list, show);
}

PgStore::PgStore(const PgServer& server, Kind kind)
    : m_connection(connectionName()),
      m_table(tableName(kind)),
      m_name(QStringLiteral("%1 (database %2 on %3)").arg(m_table, server.name, server.host)),
      m_desk(PgConnection::deskOf(server)),
      m_codec(DbfFile::layout(m_name, fieldsOf(kind)))
{
    for (const DbfFile::Field& f : m_codec->fields())
        m_fields.push_back({f.name, f.type, f.width, f.decimals});
    connectTo(server, m_connection);
    m_link = std::make_unique<PgConnection>(m_connection, QStringLiteral("%1 on %2").arg(server.name, server.host));
    try {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        // Asked first: the server's answer to reading a table that is not
        // there says nothing to whoever set up the desk.
        query.prepare(QStringLiteral("SELECT to_regclass('pellaro_schema') IS NOT NULL"));
        run(QStringLiteral("the schema cannot be read"), query);
        if (!query.next() || !query.value(0).toBool())
            throw DatabaseRefused(DatabaseRefused::Why::NoTables,
                                  QStringLiteral("%1: the database holds none of the program's tables; "
                                                 "\"pellaro-tables db init WORKDIR\" makes them")
                                      .arg(m_name),
                                  server.name, server.host);
        query.prepare(QStringLiteral("SELECT version FROM pellaro_schema"));
        run(QStringLiteral("the schema version cannot be read"), query);
        const int version = query.next() ? query.value(0).toInt() : 0;
        if (version < SchemaVersion) {
            // Brought up to date only once each number is held once.
            const QStringList duplicates = duplicateNumbers(QSqlDatabase::database(m_connection, false), kind);
            if (!duplicates.isEmpty())
                throw AppError(duplicatesMessage(server, kind, duplicates));
        }
        if (version < SchemaVersion)
            fail(QStringLiteral("the database's tables are of version %1, this program knows version %2; "
                                "\"pellaro-tables db init WORKDIR\" brings them up to date")
                     .arg(version)
                     .arg(SchemaVersion));
        if (version != SchemaVersion)
            fail(QStringLiteral("the database's tables are of version %1, this program knows version %2")
                     .arg(version)
                     .arg(SchemaVersion));
        reload();
    } catch (const AppError&) {
        dropConnection(m_connection);
        throw;
    }
}

PgStore::~PgStore()
{
    if (m_inChange || m_host || !m_guests.empty())
        rollback();
    dropConnection(m_connection);
}

void PgStore::fail(const QString& reason) const
{
    throw AppError(QStringLiteral("%1: %2").arg(m_name, reason));
}

void PgStore::run(const QString& what, QSqlQuery& query) const
{
    if (query.exec())
        return;
    const QString reason = query.lastError().text();
    if (query.lastError().nativeErrorCode() == UniqueViolation)
        fail(QStringLiteral("%1: another record holds its number already (%2)").arg(what, reason));
    if (link().failedForLoss(query.lastError()))
        throw AppError(link().lostMessage());
    fail(QStringLiteral("%1: %2").arg(what, reason));
}

// Outside a change a connection found lost before is opened again first; a
// change under way went with it and is refused by its next statement.
void PgStore::reconnectIfLost()
{
    if (!m_inChange && m_link->isLost() && !m_link->reopen())
        throw AppError(m_link->lostMessage());
}

void PgStore::failChanged(const Row& row) const
{
    QSqlQuery query(db());
    query.prepare(QStringLiteral("SELECT desk FROM %1 WHERE id = ?").arg(m_table));
    query.addBindValue(row.id);
    if (query.exec() && query.next()) {
        const QString desk = query.value(0).toString();
        throw RecordChangedElsewhere(
            QStringLiteral("%1: the record was changed at the desk \"%2\" after it was read here; nothing was "
                           "stored. Refresh to see it as it is now.")
                .arg(m_name, desk),
            desk, false);
    }
    throw RecordChangedElsewhere(
        QStringLiteral("%1: the record was removed at another desk after it was read here; nothing was stored.")
            .arg(m_name),
        QString(), true);
}

// Inside a change the rows are read as the change sees them; undoing it
// still puts back the rows of its start.
void PgStore::reload()
{
    reconnectIfLost();
    QStringList columns{QStringLiteral("id"), QStringLiteral("version")};
    for (const Field& f : m_fields)
        columns.append(f.numeric() ? column(f.name) + QStringLiteral("::text") : column(f.name));
    QSqlQuery query(db());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(columns.join(QStringLiteral(", ")), m_table));
    run(QStringLiteral("the records cannot be read"), query);
    std::vector<Row> rows;
    if (!m_inChange) // the rows of the change's start point at the notes held
        m_notes.resize(1);
    while (query.next()) {
        Row row{query.value(0).toLongLong(), query.value(1).toLongLong(), blankRecord()};
        for (int field = 0; field < int(m_fields.size()); ++field)
            putStored(row.image, field, query.value(field + 2));
        rows.push_back(std::move(row));
    }
    m_rows = std::move(rows);
}

void PgStore::putStored(QByteArray& image, int field, const QVariant& value)
{
    if (value.isNull())
        return;
    const Field& f = m_fields[size_t(field)];
    if (f.type == 'M')
        putMemo(image, field, value.toString());
    else if (f.type == 'L')
        m_codec->putLogical(image, field, value.toBool());
    else
        m_codec->putText(image, field, value.toString());
}

qint64 PgStore::integerValue(const char* image, int field) const
{
    return m_codec->integerValue(image, field);
}

QString PgStore::textValue(const char* image, int field, int recordNumber) const
{
    if (!isNote(field))
        return m_codec->textValue(image, field, recordNumber);
    const quint32 note = m_codec->memoBlock(image, field);
    return note < m_notes.size() ? m_notes[note] : QString();
}

bool PgStore::logicalValue(const char* image, int field) const
{
    return m_codec->logicalValue(image, field);
}

bool PgStore::isBlank(const char* image, int field) const
{
    return m_codec->isBlank(image, field);
}

QVariant PgStore::value(int record, int field) const
{
    const Field& desc = m_fields[size_t(field)];
    const char* image = this->record(record);
    if (desc.numeric()) {
        if (isBlank(image, field))
            return {};
        if (desc.decimals > 0)
            return textValue(image, field, record).toDouble();
        return integerValue(image, field);
    }
    if (desc.type == 'L')
        return isBlank(image, field) ? QVariant() : QVariant(logicalValue(image, field));
    return textValue(image, field, record);
}

QList<QVariantList> PgStore::storedRecords(const QList<int>& fields) const
{
    QList<QVariantList> records;
    for (int r = 0; r < recordCount(); ++r) {
        if (isDeleted(r))
            continue;
        QVariantList values;
        for (int field : fields)
            values.append(value(r, field));
        records.append(values);
    }
    return records;
}

void PgStore::putInteger(QByteArray& image, int field, qint64 value) const
{
    m_codec->putInteger(image, field, value);
}

void PgStore::putText(QByteArray& image, int field, const QString& value) const
{
    m_codec->putText(image, field, value);
}

void PgStore::putLogical(QByteArray& image, int field, bool value) const
{
    m_codec->putLogical(image, field, value);
}

void PgStore::putMemo(QByteArray& image, int field, const QString& value)
{
    const DbfFile::Field& f = m_codec->fields()[size_t(field)];
    QByteArray index;
    if (!value.isEmpty()) {
        index = QByteArray::number(qulonglong(m_notes.size()));
        m_notes.push_back(value);
    }
    image.replace(f.offset, f.width, index.rightJustified(f.width, ' '));
}

QVariant PgStore::sqlValue(const QByteArray& image, int field) const
{
    const Field& f = m_fields[size_t(field)];
    const char* p = image.constData();
    if (f.type == 'M') {
        const QString text = textValue(p, field, -1);
        return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
    }
    if (isBlank(p, field))
        return f.type == 'L' ? QVariant(QMetaType::fromType<bool>()) : QVariant(QMetaType::fromType<QString>());
    if (f.type == 'L')
        return logicalValue(p, field);
    return textValue(p, field, -1);
}

void PgStore::writeRecord(int record, const QByteArray& image)
{
    reconnectIfLost();
    settleUncertainCommit();
    Row& row = m_rows[size_t(record)];
    QStringList sets;
    for (const Field& f : m_fields)
        sets.append(column(f.name) + QStringLiteral(" = ?"));
    QSqlQuery query(db());
    query.prepare(QStringLiteral("UPDATE %1 SET %2, version = version + 1, desk = ? WHERE id = ? AND version = ? "
                                 "RETURNING version")
                      .arg(m_table, sets.join(QStringLiteral(", "))));
    for (int field = 0; field < int(m_fields.size()); ++field)
        query.addBindValue(sqlValue(image, field));
    query.addBindValue(m_desk);
    query.addBindValue(row.id);
    query.addBindValue(row.version);
    run(QStringLiteral("record %1 cannot be stored").arg(record + 1), query);
    if (!query.next())
        failChanged(row);
    row.version = query.value(0).toLongLong();
    row.image = image;
    announce();
}

void PgStore::markDeleted(int record)
{
    reconnectIfLost();
    settleUncertainCommit();
    Row& row = m_rows[size_t(record)];
    QSqlQuery query(db());
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE id = ? AND version = ?").arg(m_table));
    query.addBindValue(row.id);
    query.addBindValue(row.version);
    run(QStringLiteral("record %1 cannot be removed").arg(record + 1), query);
    if (query.numRowsAffected() != 1)
        failChanged(row);
    row.image[0] = '*';
    announce();
}

int PgStore::appendRecord(const QByteArray& image)
{
    reconnectIfLost();
    settleUncertainCommit();
    QStringList names;
    QStringList marks;
    for (const Field& f : m_fields) {
        names.append(column(f.name));
        marks.append(QStringLiteral("?"));
    }
    QSqlQuery query(db());
    query.prepare(QStringLiteral("INSERT INTO %1 (%2, desk) VALUES (%3, ?) RETURNING id, version")
                      .arg(m_table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    for (int field = 0; field < int(m_fields.size()); ++field)
        query.addBindValue(sqlValue(image, field));
    query.addBindValue(m_desk);
    run(QStringLiteral("the new record cannot be stored"), query);
    if (!query.next())
        fail(QStringLiteral("the server did not confirm the new record"));
    m_rows.push_back({query.value(0).toLongLong(), query.value(1).toLongLong(), image});
    announce();
    return int(m_rows.size()) - 1;
}

QSqlDatabase PgStore::db() const
{
    return QSqlDatabase::database(m_host ? m_host->m_connection : m_connection, false);
}

bool PgStore::sameDatabase(const PgStore& other) const
{
    const QSqlDatabase mine = QSqlDatabase::database(m_connection, false);
    const QSqlDatabase theirs = QSqlDatabase::database(other.m_connection, false);
    return mine.hostName() == theirs.hostName() && mine.port() == theirs.port() &&
           mine.databaseName() == theirs.databaseName() && mine.userName() == theirs.userName();
}

// A guest's statements run on its host's connection, inside the host's
// transaction: both land at its commit or neither does.
bool PgStore::beginWithin(RecordStore& host)
{
    auto* h = dynamic_cast<PgStore*>(&host);
    if (!h || h == this || !h->m_inChange || h->m_host || m_inChange || !sameDatabase(*h))
        return false;
    m_host = h;
    h->m_guests.push_back(this);
    m_before = m_rows;
    m_inChange = true;
    m_announce = false;
    return true;
}

void PgStore::settle(bool stored)
{
    m_host = nullptr;
    m_inChange = false;
    if (!stored) {
        m_rows = std::move(m_before);
        // The rows shown may hold what was undone: the table reads them anew.
        if (m_othersChanged)
            m_othersChanged();
    }
    m_before.clear();
}

void PgStore::begin()
{
    if (m_inChange)
        fail(QStringLiteral("a change is under way already"));
    reconnectIfLost();
    settleUncertainCommit();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        const QString reason = db.lastError().text();
        if (m_link->failedForLoss(db.lastError()))
            throw AppError(m_link->lostMessage());
        fail(QStringLiteral("a change cannot be begun: %1").arg(reason));
    }
    m_link->setInTransaction(true);
    m_guestUndone = false;
    m_before = m_rows;
    m_inChange = true;
    m_announce = false;
}

void PgStore::commit()
{
    if (m_host) {
        // A guest's part is stored by its host's commit; the others hear of
        // it then.
        if (std::exchange(m_announce, false))
            announceNow();
        m_inChange = false;
        return;
    }
    if (!m_inChange)
        return;
    if (m_guestUndone) {
        rollback();
        fail(QStringLiteral("the change was not stored, nothing of it: a part of it was undone"));
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // A change that stored something is named by its server transaction, so
    // that a commit whose answer never came can be looked up later. Told
    // inside the transaction, the other desks hear of it at its commit.
    qint64 xid = 0;
    if (std::exchange(m_announce, false)) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT txid_current()")) && query.next())
            xid = query.value(0).toLongLong();
        announceNow();
    }
    if (db.commit()) {
        m_inChange = false;
        m_link->setInTransaction(false);
        m_before.clear();
        for (PgStore* guest : std::exchange(m_guests, {}))
            guest->settle(true);
        return;
    }
    const QSqlError error = db.lastError();
    const QString reason = error.text();
    rollback();
    if (m_link->failedForLoss(error)) {
        if (xid == 0)
            throw AppError(m_link->lostMessage());
        m_uncertainXid = xid; // the server may have stored it before the link went
        throw AppError(m_link->uncertainMessage());
    }
    fail(QStringLiteral("the change was not stored, nothing of it: %1").arg(reason));
}

void PgStore::settleUncertainCommit()
{
    if (m_uncertainXid == 0 || m_inChange)
        return;
    reconnectIfLost();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT txid_status(?)"));
    query.addBindValue(m_uncertainXid);
    run(QStringLiteral("the change that could not be confirmed cannot be looked up"), query);
    const QString status = query.next() ? query.value(0).toString() : QString();
    if (status == u"in progress")
        throw AppError(PgConnection::commitTexts().undecided.arg(m_link->server()));
    m_uncertainXid = 0;
    if (status != u"committed")
        return; // undone by the server: nothing of it was stored
    // The rows shown are those of before that change; the table reads them anew.
    if (m_othersChanged)
        m_othersChanged();
    throw AppError(PgConnection::commitTexts().storedAfterAll.arg(m_link->server()));
}

// A transaction the server could not be told to roll back (a lost
// connection) ends undone on the server all the same.
void PgStore::rollback()
{
    if (m_host) {
        // What it wrote is in the host's transaction, which now cannot be stored.
        m_host->m_guestUndone = true;
        std::erase(m_host->m_guests, this);
        settle(false);
        return;
    }
    for (PgStore* guest : std::exchange(m_guests, {}))
        guest->settle(false);
    m_guestUndone = false;
    if (!m_inChange)
        return;
    m_inChange = false;
    m_link->setInTransaction(false);
    m_rows = std::exchange(m_before, {});
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (db.isOpen())
        db.rollback();
}

void PgStore::abandon(const AppError& cause)
{
    rollback();
    throw AppError(cause.message());
}
