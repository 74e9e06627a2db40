#include "pgstore/PgTransfer.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "dbf/RecordStore.h"
#include "pgstore/PgConnection.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

#include <algorithm>

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
    // Many rows a statement: a round trip per record would make a large set take minutes.
    const QString rowMarks = QStringLiteral("(%1, ?)").arg(marks.join(QStringLiteral(", ")));
    const QString desk = QSysInfo::machineHostName();
    for (qsizetype first = 0; first < records.size(); first += RowsPerStatement) {
        const qsizetype count = std::min<qsizetype>(RowsPerStatement, records.size() - first);
        QSqlQuery insert(connection.database());
        insert.prepare(QStringLiteral("INSERT INTO %1 (%2, desk) VALUES %3")
                           .arg(t.table, names.join(QStringLiteral(", ")),
                                QStringList(count, rowMarks).join(QStringLiteral(", "))));
        int place = 0;
        for (qsizetype r = first; r < first + count; ++r) {
            for (qsizetype k = 0; k < positions.size(); ++k)
                insert.bindValue(place++, boundValue(fields[size_t(k)], records[r].at(k)));
            insert.bindValue(place++, desk);
        }
        connection.run(
            insert,
            QStringLiteral("records %1 to %2 of %3 cannot be stored").arg(first + 1).arg(first + count).arg(t.file));
    }
    return int(records.size());
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

SetCounts importSet(const PgServer& server, const QString& folder, Fill fill)
{
    try {
        Connection connection(server);
        connection.begin();
        SetCounts counts;
        for (const SetTable& t : setTables())
            counts.append({t.file, importTable(connection, t, folder, fill)});
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
    TableLayouts::createAll(folder);
    try {
        // One snapshot for the three tables: a desk's change lands in all or none of them.
        connection.begin();
        connection.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"),
                        QStringLiteral("a snapshot cannot be taken"));
        SetCounts counts;
        for (const SetTable& t : setTables())
            counts.append({t.file, exportTable(connection, t, folder)});
        connection.commit();
        return counts;
    } catch (const AppError& e) {
        // A set cut short is no set: the files made above go again.
        const QDir dir(folder);
        for (const SetTable& t : setTables()) {
            const QString base = QFileInfo(t.file).completeBaseName();
            for (const QString& name : {t.file, base + QStringLiteral(".dbt")})
                QFile::remove(dir.filePath(name));
        }
        throw AppError(QStringLiteral("%1; no set was written").arg(e.message()));
    }
}

} // namespace pgsite
