#pragma once

#include "pgstore/PgStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// The PostgreSQL server the test run started (tests/pgserver.sh, a CTest
// fixture): its socket folder is in the file PELLARO_PG_STATE names.
class PgCluster
{
public:
    PgCluster()
    {
        QFile state(qEnvironmentVariable("PELLARO_PG_STATE"));
        if (state.open(QIODevice::ReadOnly))
            m_socketDir = QString::fromLocal8Bit(state.readAll()).trimmed();
    }

    bool isValid() const { return !m_socketDir.isEmpty(); }

    // The test database as a desk of the given name sees it.
    PgServer server(const QString& desk) const { return {m_socketDir, 5432, m_name, QStringLiteral("pellaro"), {}, desk}; }

    // A working directory's config.ini naming the test database.
    bool writeConfig(const QString& folder) const
    {
        QFile ini(folder + QStringLiteral("/config.ini"));
        const PgServer s = server({});
        return ini.open(QIODevice::WriteOnly) &&
               ini.write(QStringLiteral("[DATABASE]\nDriver=PostgreSQL\nHost=%1\nPort=%2\nName=%3\nUser=%4\n")
                             .arg(s.host)
                             .arg(s.port)
                             .arg(s.name, s.user)
                             .toUtf8()) > 0;
    }

    // The test database another process of the test made.
    void useDatabase(const QString& name) { m_name = name; }

    // Drops the previous test database and makes a fresh one, with the schema or empty, in the server's
    // encoding or the one given.
    bool freshDatabase(const QString& name, bool withSchema = true, const QString& encoding = {})
    {
        m_name = name;
        const QString in = QStringLiteral(" ENCODING '%1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
        return adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) &&
               adminExec(QStringLiteral("CREATE DATABASE %1").arg(name) +
                         (encoding.isEmpty() ? QString() : in.arg(encoding))) &&
               (!withSchema || (PgStore::createSchema(server({})), true));
    }

    // Runs a statement as the server's superuser, in the maintenance
    // database or the test database, on a connection of its own.
    bool adminExec(const QString& sql, QString* error = nullptr) { return exec(sql, error, QStringLiteral("postgres")); }
    bool exec(const QString& sql, QString* error = nullptr, const QString& database = {})
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pellaro-test"));
            db.setHostName(m_socketDir);
            db.setDatabaseName(database.isEmpty() ? m_name : database);
            db.setUserName(QStringLiteral("pellaro"));
            ok = db.open();
            QSqlQuery query(db);
            ok = ok && query.exec(sql);
            if (error)
                *error = db.lastError().text() + query.lastError().text();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pellaro-test"));
        return ok;
    }

private:
    QString m_socketDir;
    QString m_name;
};
