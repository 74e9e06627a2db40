#include "pgstore/PgSiteSettings.h"

#include "config/AppError.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>

namespace pgsite {
namespace {

const QString Table = QStringLiteral("pellaro_site");

QString reasonOf(const QSqlError& error)
{
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
}

} // namespace

QString settingsSchema()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (key text PRIMARY KEY, value text NOT NULL)").arg(Table);
}

SiteSettings::SiteSettings(PgServer server) : m_server(std::move(server))
{
    static QAtomicInt count;
    m_connection = QStringLiteral("pellaro-site-%1").arg(count.fetchAndAddRelaxed(1));
}

SiteSettings::~SiteSettings()
{
    if (!m_open)
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QString SiteSettings::name() const
{
    return QStringLiteral("database %1 on %2").arg(m_server.name, m_server.host);
}

bool SiteSettings::ready(QString* error)
{
    if (!m_open) {
        try {
            PgConnection::open(m_server, m_connection, QStringLiteral("pellaro:") + PgConnection::deskOf(m_server));
        } catch (const AppError& e) {
            *error = e.message();
            return false;
        }
        m_open = true;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen() && !db.open()) {
        *error = reasonOf(db.lastError());
        return false;
    }
    // A database made before the site kept its settings gets the table now
    // (only asked for where it is missing: a desk may lack the right to make it).
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT to_regclass('%1') IS NOT NULL").arg(Table)) || !query.next()) {
        *error = reasonOf(query.lastError());
        return false;
    }
    if (!query.value(0).toBool() && !query.exec(settingsSchema())) {
        *error = reasonOf(query.lastError());
        return false;
    }
    return true;
}

bool SiteSettings::read(QMap<QString, QString>* values, QString* error)
{
    if (!ready(error))
        return false;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT key, value FROM %1").arg(Table))) {
        *error = reasonOf(query.lastError());
        return false;
    }
    values->clear();
    while (query.next())
        values->insert(query.value(0).toString(), query.value(1).toString());
    return true;
}

bool SiteSettings::write(const QMap<QString, QString>& values, bool onlyMissing, QString* error)
{
    if (!ready(error))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        *error = reasonOf(db.lastError());
        return false;
    }
    QSqlQuery query(db);
    query.prepare(
        QStringLiteral("INSERT INTO %1 (key, value) VALUES (?, ?) ON CONFLICT (key) DO %2")
            .arg(Table, onlyMissing ? QStringLiteral("NOTHING") : QStringLiteral("UPDATE SET value = EXCLUDED.value")));
    for (auto it = values.begin(); it != values.end(); ++it) {
        query.bindValue(0, it.key());
        query.bindValue(1, it.value());
        if (!query.exec()) {
            *error = reasonOf(query.lastError());
            db.rollback();
            return false;
        }
    }
    if (db.commit())
        return true;
    *error = reasonOf(db.lastError());
    db.rollback();
    return false;
}

} // namespace pgsite
