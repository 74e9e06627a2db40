#include "pgstore/PgTransfer.h"

#include "audit/AuditLog.h"
#include "config/AppError.h"
#include "config/Cp1250.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "dbf/RecordStore.h"
#include "journal/JournalFormat.h"
#include "journal/JournalReader.h"
#include "pgstore/PgConnection.h"
#include "pgstore/PgJournals.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

#include <algorithm>
#include <functional>

namespace pgsite {

namespace {

constexpr qsizetype RowsPerStatement = 500;

struct SetTable
{
    QString table; // in the database
    QString file;  // in a dBase set
    std::vector<DbfFile::FieldSpec> fields;
};

// Persons first: a set is moved in the order the program fills it.
std::vector<SetTable> setTables()
{
    return {{QStringLiteral("persons"), TableLayouts::PersonsFile, TableLayouts::personsFields()},
            {QStringLiteral("groups"), TableLayouts::GroupsFile, TableLayouts::groupsFields()},
            {QStringLiteral("readers"), TableLayouts::ReadersFile, TableLayouts::readersFields()}};
}

// The columns carry the dBase fields' names, quoted (GROUP and INDEX are SQL words).
QString column(const QString& field)
{
    return QLatin1Char('"') + field.toUpper() + QLatin1Char('"');
}

bool numeric(const DbfFile::FieldSpec& f)
{
    return RecordStore::Field{f.name, f.type, f.width, f.decimals}.numeric();
}

// One connection for the whole set, so that one transaction holds it.
class Connection
{
public:
    explicit Connection(const PgServer& server)
        : m_name(QStringLiteral("pellaro-transfer-%1").arg(counter().fetchAndAddRelaxed(1))), m_server(server)
    {
        PgConnection::open(server, m_name, QStringLiteral("pellaro-tables"));
    }
    ~Connection()
    {
        {
            QSqlDatabase db = database();
            if (m_inTransaction && db.isOpen())
                db.rollback();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

    // Rolls back at once, so that the statements still prepared are freed on a live transaction.
    [[noreturn]] void fail(const QString& what, const QString& reason)
    {
        if (m_inTransaction && database().isOpen())
            database().rollback();
        m_inTransaction = false;
        throw AppError(QStringLiteral("The database %1 on %2: %3: %4").arg(m_server.name, m_server.host, what, reason));
    }

    void run(QSqlQuery& query, const QString& what)
    {
        if (!query.exec())
            fail(what, query.lastError().text());
    }

    void exec(const QString& sql, const QString& what)
    {
        QSqlQuery query(database());
        if (!query.exec(sql))
            fail(what, query.lastError().text());
    }

    void begin()
    {
        QSqlDatabase db = database();
        if (!db.transaction())
            fail(QStringLiteral("a transaction cannot be begun"), db.lastError().text());
        m_inTransaction = true;
    }

    void commit()
    {
        QSqlDatabase db = database();
        if (!db.commit())
            fail(QStringLiteral("the transaction was not stored"), db.lastError().text());
        m_inTransaction = false;
    }

private:
    static QAtomicInt& counter()
    {
        static QAtomicInt count;
        return count;
    }

    QString m_name;
    PgServer m_server;
    bool m_inTransaction = false;
};

// Rows into table, many a statement: a round trip per row would make a
// large set take minutes. columns are the columns' names, marks the value
// each takes its bound value by ("?" or an expression around it). When the
// server refuses a statement, its rows go in one by one until the one it
// refuses is found: the message names it (rowName) and says why.
void insertRows(Connection& connection, const QString& table, const QStringList& columns, const QStringList& marks,
                const QList<QVariantList>& rows, const std::function<QString(qsizetype)>& rowName)
{
    const QString rowMarks = QStringLiteral("(%1)").arg(marks.join(QStringLiteral(", ")));
    const auto statement = [&](qsizetype count) {
        return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
            .arg(table, columns.join(QStringLiteral(", ")), QStringList(count, rowMarks).join(QStringLiteral(", ")));
    };
    for (qsizetype first = 0; first < rows.size(); first += RowsPerStatement) {
        const qsizetype count = std::min<qsizetype>(RowsPerStatement, rows.size() - first);
        connection.exec(QStringLiteral("SAVEPOINT rows"), QStringLiteral("%1 cannot be written").arg(table));
        QSqlQuery insert(connection.database());
        insert.prepare(statement(count));
        int place = 0;
        for (qsizetype r = first; r < first + count; ++r) {
            for (const QVariant& value : rows[r])
                insert.bindValue(place++, value);
        }
        if (insert.exec()) {
            connection.exec(QStringLiteral("RELEASE SAVEPOINT rows"),
                            QStringLiteral("%1 cannot be written").arg(table));
            continue;
        }
        const QString reason = insert.lastError().text();
        const QString what = QStringLiteral("%1 (and %2 more) cannot be stored").arg(rowName(first)).arg(count - 1);
        QSqlQuery back(connection.database());
        if (!back.exec(QStringLiteral("ROLLBACK TO SAVEPOINT rows")))
            connection.fail(what, reason); // the connection went: which row is not known
        for (qsizetype r = first; r < first + count; ++r) {
            QSqlQuery single(connection.database());
            single.prepare(statement(1));
            for (int k = 0; k < rows[r].size(); ++k)
                single.bindValue(k, rows[r].at(k));
            if (!single.exec())
                connection.fail(QStringLiteral("%1 cannot be stored").arg(rowName(r)), single.lastError().text());
        }
        connection.fail(what, reason);
    }
}

// A stored value as the database takes it: numbers as their text, so that
// the server's own checks see exactly what the file held.
QVariant boundValue(const DbfFile::FieldSpec& f, const QVariant& value)
{
    if (value.isNull())
        return f.type == 'L' ? QVariant(QMetaType::fromType<bool>()) : QVariant(QMetaType::fromType<QString>());
    if (f.type == 'L')
        return value.toBool();
    return value.toString();
}

int importTable(Connection& connection, const SetTable& t, const QString& folder, Fill fill)
{
    const QString path = QDir(folder).filePath(t.file);
    if (!QFileInfo::exists(path))
        throw AppError(QStringLiteral("%1: no such table").arg(QDir::toNativeSeparators(path)));
    Table source;
    source.openView(path);
    QList<int> positions;
    QStringList names;
    QStringList marks;
    std::vector<DbfFile::FieldSpec> fields;
    for (const DbfFile::FieldSpec& f : t.fields) {
        const int position = source.fieldPosition(f.name);
        if (position <= 0)
            continue;
        positions.append(position);
        names.append(column(f.name));
        marks.append(QStringLiteral("?"));
        fields.push_back(f);
    }
    const QList<QVariantList> records = source.storedRecords(positions);

    // Desks that would change the table wait until the set is in.
    connection.exec(QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(t.table),
                    QStringLiteral("%1 cannot be locked").arg(t.table));
    if (fill == Fill::IntoEmpty) {
        QSqlQuery query(connection.database());
        query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(t.table));
        connection.run(query, QStringLiteral("%1 cannot be read").arg(t.table));
        if (query.next() && query.value(0).toBool())
            throw AppError(QStringLiteral("%1 holds records already").arg(t.table));
    } else {
        connection.exec(QStringLiteral("DELETE FROM %1").arg(t.table),
                        QStringLiteral("the records of %1 cannot be removed").arg(t.table));
    }
    const QString desk = QSysInfo::machineHostName();
    QList<QVariantList> rows;
    rows.reserve(records.size());
    for (const QVariantList& record : records) {
        QVariantList row;
        for (qsizetype k = 0; k < positions.size(); ++k)
            row.append(boundValue(fields[size_t(k)], record.at(k)));
        row.append(desk);
        rows.append(row);
    }
    // A record is named by its number, the first field of each table, as the operator finds it on its page.
    const QString key = fields.empty() ? QString() : fields.front().name;
    insertRows(
        connection, t.table, names << QStringLiteral("desk"), marks << QStringLiteral("?"), rows, [&](qsizetype r) {
            return QStringLiteral("the record of %1 with %2 %3").arg(t.file, key, records[r].value(0).toString());
        });
    return int(records.size());
}

// A journal file of the set, as it is; nothing when the site never wrote one.
QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return bytes;
}

// A time of a line as the server takes it (UTC), or a null value for the server's own now().
QVariant timeValue(const QDateTime& time)
{
    return time.isValid() ? QVariant(time.toUTC().toString(Qt::ISODate)) : QVariant(QMetaType::fromType<QString>());
}

// The lines a table holds, oldest first, read under a lock that holds off
// the desks' appends until the transaction ends.
QStringList lockedLines(Connection& connection, const QString& table)
{
    connection.exec(QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(table),
                    QStringLiteral("%1 cannot be locked").arg(table));
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT line FROM %1 ORDER BY id").arg(table));
    connection.run(query, QStringLiteral("%1 cannot be read").arg(table));
    QStringList lines;
    while (query.next())
        lines.append(query.value(0).toString());
    return lines;
}

const QStringList LineColumns{QStringLiteral("desk"), QStringLiteral("written"), QStringLiteral("line")};
const QStringList LineMarks{QStringLiteral("?"), QStringLiteral("coalesce(CAST(? AS timestamptz), now())"),
                            QStringLiteral("?")};

int importJournal(Connection& connection, const QString& folder, const QString& desk)
{
    const QString path = QDir(folder).filePath(journal::FileName);
    const QByteArray bytes = fileBytes(path);
    bool oldLayout = false;
    const std::vector<JournalEvent> events = JournalReader::parse(bytes, 1, &oldLayout);
    if (!lockedLines(connection, pgjournals::JournalTable).isEmpty())
        throw AppError(QStringLiteral("%1 holds lines already").arg(pgjournals::JournalTable));
    QList<QVariantList> rows;
    for (const JournalEvent& e : events) {
        QByteArray line = e.text;
        // The table holds lines of the current layout only: one of the older
        // layout gets the columns it lacks, empty, and reads as it did.
        if (oldLayout && line.count('\t') == journal::OldColumnCount - 1)
            line += QByteArray(journal::ColumnCount - journal::OldColumnCount, '\t');
        rows.append({desk,
                     timeValue(QDateTime::fromString(e.field(journal::Time), QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
                     cp1250::decode(line)});
    }
    insertRows(connection, pgjournals::JournalTable, LineColumns, LineMarks, rows, [&](qsizetype r) {
        return QStringLiteral("line %1 of %2").arg(events[size_t(r)].line).arg(journal::FileName);
    });
    return int(rows.size());
}

// The trail's lines on the transfer's connection, inside its transaction,
// so that lines chained on here go with the set or not at all.
class TransferTrail final : public audit::Store
{
public:
    TransferTrail(Connection& connection, QString desk) : m_connection(connection), m_desk(std::move(desk)) {}

    // Who wrote the next line and when, as its own line said: a line
    // chained on again keeps its desk and time, inside its hash too.
    void setStamp(const Stamp& stamp) { m_stamp = stamp; }

    QString where() const override { return pgjournals::AuditTable; }
    bool writable(QString*) const override { return true; }
    bool append(const Chain& chain, QString* error) override
    {
        const QByteArray previous = newestHash(error);
        if (previous.isEmpty())
            return false;
        const Stamp stamp{m_stamp.desk.isEmpty() ? m_desk : m_stamp.desk, m_stamp.time};
        QSqlQuery insert(m_connection.database());
        insert.prepare(
            QStringLiteral(
                "INSERT INTO %1 (desk, written, line) VALUES (?, COALESCE(CAST(? AS timestamptz), now()), ?)")
                .arg(pgjournals::AuditTable));
        for (const QByteArray& line : chain(previous, stamp)) {
            insert.addBindValue(stamp.desk);
            insert.addBindValue(timeValue(stamp.time));
            insert.addBindValue(QString::fromUtf8(line));
            if (!insert.exec()) {
                *error = insert.lastError().text();
                return false;
            }
        }
        return true;
    }
    QByteArray newestHash(QString* error) const override
    {
        return pgjournals::newestTrailHash(m_connection.database(), error);
    }
    bool content(QByteArray* bytes, QString* error) const override
    {
        return pgjournals::trailFile(m_connection.database(), bytes, error);
    }

private:
    Connection& m_connection;
    Stamp m_stamp;
    QString m_desk;
};

const QString ToolRole = QStringLiteral("tool");

int importTrail(Connection& connection, const QString& folder, const QString& desk)
{
    const QString path = QDir(folder).filePath(audit::FileName);
    const QByteArray bytes = fileBytes(path);
    const QString file = QDir::toNativeSeparators(path);
    // Only the program's next line ends a line a crash cut short; moved as
    // it is, it would read as a line that breaks the chain.
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        throw AppError(QStringLiteral("%1: its last line was cut short by a crash; the next line written there ends "
                                      "it (a login to the program in that folder writes one)")
                           .arg(file));
    QByteArrayList lines = bytes.split('\n');
    lines.removeLast();
    QList<QVariantList> rows;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines[n]);
        if (line.toUtf8() != lines[n])
            throw AppError(QStringLiteral("%1: line %2 is no UTF-8 text; the database cannot keep it as it is")
                               .arg(file)
                               .arg(n + 1));
        const QStringList fields = audit::fields(lines[n]);
        const bool whole = fields.size() == audit::FieldCount;
        rows.append({whole ? fields[3] : desk,
                     timeValue(whole ? QDateTime::fromString(fields[0], Qt::ISODate) : QDateTime()), line});
    }

    // What the trail holds before the site's lines: this tool's own, from
    // the making of the tables on; they are chained on after the site's.
    const QStringList before = lockedLines(connection, pgjournals::AuditTable);
    for (const QString& line : before) {
        const QStringList fields = audit::fields(line.toUtf8());
        if (fields.size() != audit::FieldCount || fields[1] != ToolRole)
            throw AppError(QStringLiteral("%1 holds lines of desks' work already").arg(pgjournals::AuditTable));
    }
    if (rows.isEmpty())
        return 0;
    // The trail refuses every removal; the tool's own lines, and nothing
    // else, are taken out by its owner for the length of this transaction,
    // to be chained on again below.
    if (!before.isEmpty()) {
        for (const QString& statement :
             {QStringLiteral("ALTER TABLE %1 DISABLE TRIGGER %1_append_only"), QStringLiteral("DELETE FROM %1"),
              QStringLiteral("ALTER TABLE %1 ENABLE TRIGGER %1_append_only")})
            connection.exec(statement.arg(pgjournals::AuditTable),
                            QStringLiteral("%1 cannot be written").arg(pgjournals::AuditTable));
        // The head counts the rows from here on, the site's first.
        for (const QString& statement : pgjournals::headResetStatements())
            connection.exec(statement, QStringLiteral("%1 cannot be written").arg(pgjournals::AuditHeadTable));
    }
    insertRows(connection, pgjournals::AuditTable, LineColumns, LineMarks, rows,
               [&](qsizetype r) { return QStringLiteral("line %1 of %2").arg(r + 1).arg(audit::FileName); });
    audit::Log log;
    auto trail = std::make_shared<TransferTrail>(connection, desk);
    log.setStore(trail);
    for (const QString& line : before) {
        const QStringList fields = audit::fields(line.toUtf8());
        const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODate);
        trail->setStamp({fields[3], time});
        log.setRole(fields[1]);
        log.setIdentity(fields[2], fields[3]);
        log.setClock([time] { return time; });
        QString error;
        if (!log.append({fields[4], fields[5], fields[6], fields[7], audit::decodeDetails(fields[8])}, &error))
            connection.fail(QStringLiteral("%1 cannot be written").arg(pgjournals::AuditTable), error);
    }
    return int(rows.size());
}

// Writes a journal file of the set; it is new, so nothing is replaced.
void writeNew(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

int exportTable(Connection& connection, const SetTable& t, const QString& folder)
{
    QStringList columns;
    for (const DbfFile::FieldSpec& f : t.fields)
        columns.append(numeric(f) ? column(f.name) + QStringLiteral("::text") : column(f.name));
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY id").arg(columns.join(QStringLiteral(", ")), t.table));
    connection.run(query, QStringLiteral("%1 cannot be read").arg(t.table));

    Table target;
    target.open(QDir(folder).filePath(t.file));
    QList<int> positions;
    for (const DbfFile::FieldSpec& f : t.fields)
        positions.append(target.fieldPosition(f.name));
    int count = 0;
    Table::Batch batch(target);
    while (query.next()) {
        target.insert();
        for (qsizetype k = 0; k < positions.size(); ++k) {
            const QVariant value = query.value(int(k));
            if (value.isNull() || positions[k] <= 0)
                continue;
            if (t.fields[size_t(k)].type == 'L')
                target.setLogicalAt(positions[k], value.toBool());
            else
                target.setTextAt(positions[k], value.toString());
        }
        target.post();
        ++count;
    }
    if (query.lastError().isValid())
        connection.fail(QStringLiteral("%1 cannot be read").arg(t.table), query.lastError().text());
    batch.commit();
    return count;
}

} // namespace

SetCounts importSet(const PgServer& server, const QString& folder, Fill fill, Journals journals)
{
    try {
        Connection connection(server);
        connection.begin();
        SetCounts counts;
        for (const SetTable& t : setTables())
            counts.append({t.file, importTable(connection, t, folder, fill)});
        if (journals == Journals::Moved) {
            const QString desk = PgConnection::deskOf(server);
            counts.append({journal::FileName, importJournal(connection, folder, desk)});
            counts.append({audit::FileName, importTrail(connection, folder, desk)});
        }
        connection.commit();
        return counts;
    } catch (const AppError& e) {
        throw AppError(QStringLiteral("%1; nothing was imported").arg(e.message()));
    }
}

SetCounts replaceSet(const PgServer& server, const QString& folder, const QString& replacedFolder,
                     const std::function<void()>& keep)
{
    try {
        Connection connection(server);
        connection.begin();
        // Locked in the order every import takes them, before the first is read.
        for (const SetTable& t : setTables())
            connection.exec(QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(t.table),
                            QStringLiteral("%1 cannot be locked").arg(t.table));
        if (!QDir().mkpath(replacedFolder))
            throw AppError(
                QStringLiteral("%1: the folder cannot be made").arg(QDir::toNativeSeparators(replacedFolder)));
        TableLayouts::createAll(replacedFolder);
        for (const SetTable& t : setTables())
            exportTable(connection, t, replacedFolder);
        keep();
        SetCounts counts;
        for (const SetTable& t : setTables())
            counts.append({t.file, importTable(connection, t, folder, Fill::Replacing)});
        connection.commit();
        return counts;
    } catch (const AppError& e) {
        throw AppError(QStringLiteral("%1; nothing was restored").arg(e.message()));
    }
}

SetCounts exportSet(const PgServer& server, const QString& folder)
{
    Connection connection(server);
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("%1: the folder cannot be made").arg(QDir::toNativeSeparators(folder)));
    const QDir dir(folder);
    for (const QString& name : {journal::FileName, audit::FileName}) {
        if (QFileInfo(dir.filePath(name)).size() > 0)
            throw AppError(QStringLiteral("%1 holds lines already and is left as it is; no set was written")
                               .arg(QDir::toNativeSeparators(dir.filePath(name))));
    }
    TableLayouts::createAll(folder);
    try {
        // One snapshot for the three tables: a desk's change lands in all or none of them.
        connection.begin();
        connection.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"),
                        QStringLiteral("a snapshot cannot be taken"));
        SetCounts counts;
        for (const SetTable& t : setTables())
            counts.append({t.file, exportTable(connection, t, folder)});
        QByteArray journalBytes;
        QByteArray trailBytes;
        QString error;
        if (!pgjournals::journalFile(connection.database(), &journalBytes, &error))
            connection.fail(QStringLiteral("%1 cannot be read").arg(pgjournals::JournalTable), error);
        if (!pgjournals::trailFile(connection.database(), &trailBytes, &error))
            connection.fail(QStringLiteral("%1 cannot be read").arg(pgjournals::AuditTable), error);
        connection.commit();
        writeNew(dir.filePath(journal::FileName), journalBytes);
        writeNew(dir.filePath(audit::FileName), trailBytes);
        // Every line but the column names.
        counts.append({journal::FileName, int(journalBytes.count('\n')) - 1});
        counts.append({audit::FileName, int(trailBytes.count('\n'))});
        return counts;
    } catch (const AppError& e) {
        // A set cut short is no set: the files made above go again.
        for (const SetTable& t : setTables()) {
            const QString base = QFileInfo(t.file).completeBaseName();
            for (const QString& name : {t.file, base + QStringLiteral(".dbt")})
                QFile::remove(dir.filePath(name));
        }
        for (const QString& name : {journal::FileName, audit::FileName})
            QFile::remove(dir.filePath(name));
        throw AppError(QStringLiteral("%1; no set was written").arg(e.message()));
    }
}

} // namespace pgsite
