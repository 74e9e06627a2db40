#pragma once

#include "pgstore/PgStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The PostgreSQL server the test run started (tests/pgserver.sh, a CTest
// fixture): its socket folder is in the file PELLARO_PG_STATE names. Each
// call of database() gives a new empty database with the schema made.
class PgCluster
{
public:
    PgCluster()
    {
        QFile state(qEnvironmentVariable("PELLARO_PG_STATE"));
        if (state.open(QIODevice::ReadOnly))
            m_socketDir = QString::fromLocal8Bit(state.readAll()).trimmed();
    }
    ~PgCluster()
    {
        m_admin = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("pellaro-test-admin"));
    }

    bool isValid() const { return !m_socketDir.isEmpty(); }

    // A server description for a desk of the given name.
    PgServer server(const QString& desk) const { return {m_socketDir, 5432, m_name, QStringLiteral("pellaro"), {}, desk}; }

    // Drops the previous test database and makes a fresh one, with the schema or empty.
    bool freshDatabase(const QString& name, bool withSchema = true)
    {
        m_name = name;
        return adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) &&
               adminExec(QStringLiteral("CREATE DATABASE %1").arg(name)) &&
               (!withSchema || (PgStore::createSchema(server({})), true));
    }

    // Runs a statement as the server's superuser, in the maintenance database.
    bool adminExec(const QString& sql, QString* error = nullptr)
    {
        if (!m_admin.isValid()) {
            m_admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pellaro-test-admin"));
            m_admin.setHostName(m_socketDir);
            m_admin.setDatabaseName(QStringLiteral("postgres"));
            m_admin.setUserName(QStringLiteral("pellaro"));
        }
        if (!m_admin.isOpen() && !m_admin.open())
            qWarning() << m_admin.lastError().text();
        QSqlQuery query(m_admin);
        const bool ok = query.exec(sql);
        if (error)
            *error = query.lastError().text();
        return ok;
    }

    // Runs a statement in the test database on a connection of its own.
    bool exec(const QString& sql, QString* error = nullptr)
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pellaro-test-db"));
            db.setHostName(m_socketDir);
            db.setDatabaseName(m_name);
            db.setUserName(QStringLiteral("pellaro"));
            if (db.open()) {
                QSqlQuery query(db);
                ok = query.exec(sql);
                if (error)
                    *error = query.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("pellaro-test-db"));
        return ok;
    }

private:
    QString m_socketDir;
    QString m_name;
    QSqlDatabase m_admin;
};
