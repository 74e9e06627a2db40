#pragma once

#include "PgCluster.h"

#include "data/Table.h"
#include "config/IniFile.h"
#include "data/TableLayouts.h"
#include "pgstore/PgSiteSettings.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// With PELLARO_TEST_STORE=postgresql the tests of the tables run on the test
// server (tests/pgserver.sh): each test process on a database of its own,
// made afresh for each set of tables, so parallel runs keep apart.
namespace teststore {

inline bool onServer() { return qEnvironmentVariable("PELLARO_TEST_STORE") == u"postgresql"; }

inline PgServer server()
{
    PgServer s = PgCluster().server(QStringLiteral("test"));
    s.name = QStringLiteral("pellaro_test_%1").arg(QCoreApplication::applicationPid());
    return s;
}

inline bool freshDatabase() { return PgCluster().freshDatabase(server().name); }

// The config.ini lines that point a desk at that database.
inline QByteArray configSection()
{
    const PgServer s = server();
    return QStringLiteral("[DATABASE]\r\nDriver=PostgreSQL\r\nHost=%1\r\nName=%2\r\nUser=pellaro\r\n")
        .arg(s.host, s.name)
        .toUtf8();
}

// Opens the stored table of a file (osoby.dbf, a path to it) as the next
// program start would: the file, or the database's table of that name.
inline void open(Table& table, const QString& file)
{
    if (!onServer())
        return table.open(file);
    const QString name = QFileInfo(file).fileName();
    table.open(std::make_unique<PgStore>(server(), name == TableLayouts::PersonsFile  ? PgStore::Kind::Persons
                                                   : name == TableLayouts::GroupsFile ? PgStore::Kind::Groups
                                                                                      : PgStore::Kind::Readers));
}

// A [PASSWORD] value as the site keeps it: in config.ini, or on the
// database for a desk that works there.
inline QString storedSetting(const QString& key)
{
    QFile config(QStringLiteral("config.ini"));
    if (!onServer() || !config.open(QIODevice::ReadOnly) || !config.readAll().contains("[DATABASE]"))
        return IniFile(QStringLiteral("config.ini")).readString(QStringLiteral("PASSWORD"), key, {});
    pgsite::SiteSettings site(server());
    QMap<QString, QString> values;
    QString error;
    return site.read(&values, &error) ? values.value(key) : error;
}

} // namespace teststore

// A fresh working directory with the three tables made empty, current for as
// long as it lives: the program opens its tables and config.ini from the
// current directory, as on an operator's PC.
class WorkingDirectory
{
public:
    WorkingDirectory()
    {
        if (m_dir.isValid())
            TableLayouts::createAll(m_dir.path());
        m_current = m_dir.isValid() && QDir::setCurrent(m_dir.path()) &&
                    (!teststore::onServer() || (teststore::freshDatabase() && writeConfig({})));
    }
    ~WorkingDirectory() { QDir::setCurrent(QDir::tempPath()); }

    // False when the directory could not be made or entered; check it with QVERIFY.
    bool isValid() const { return m_current; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Writes config.ini; on the test server it names the database too.
    bool writeConfig(const QByteArray& config) const
    {
        const QByteArray all = teststore::onServer() ? config + "\r\n" + teststore::configSection() : config;
        QFile ini(filePath(QStringLiteral("config.ini")));
        return ini.open(QIODevice::WriteOnly) && ini.write(all) == all.size();
    }

private:
    QTemporaryDir m_dir;
    bool m_current = false;
};

// For each test function: a new working directory, config.ini holding config
// (none when empty), and no message box left over from the function before.
inline bool renewWorkingDirectory(std::unique_ptr<WorkingDirectory>& dir, const QByteArray& config = {})
{
    dir.reset();
    dir = std::make_unique<WorkingDirectory>();
    MessageBox::takeShown();
    return dir->isValid() && (config.isEmpty() || dir->writeConfig(config));
}
