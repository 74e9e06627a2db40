// pellaro-tables db init|import|export: the shared database a working
// directory's config.ini names (section DATABASE); and the backup and
// restore of a site kept there.

#include "Database.h"

#include "audit/AuditLog.h"
#include "config/AppError.h"
#include "config/Settings.h"
#include "data/TableLayouts.h"
#include "dbf/TableCheck.h"
#include "journal/JournalFormat.h"
#include "data/TableLayouts.h"
#include "pgstore/PgBackup.h"
#include "pgstore/PgJournals.h"
#include "pgstore/PgSite.h"
#include "pgstore/PgSiteSettings.h"
#include "pgstore/PgTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace {

PgServer serverOf(const QString& workDir)
{
    const std::optional<PgServer> server = siteDatabase(workDir);
    if (!server)
        throw AppError(QStringLiteral("%1 names no database (section %2)")
                           .arg(QDir::toNativeSeparators(QDir(workDir).filePath(settings::FileName)), pgsite::Section));
    return *server;
}

} // namespace

std::optional<PgServer> siteDatabase(const QString& workDir)
{
    return pgsite::configuredServer(IniFile(QDir(workDir).filePath(settings::FileName)));
}

int siteSystemNumber(const QString& workDir)
{
    const IniFile ini(QDir(workDir).filePath(settings::FileName));
    const std::optional<PgServer> server = siteDatabase(workDir);
    std::unique_ptr<pgsite::SiteSettings> site;
    if (server)
        site = std::make_unique<pgsite::SiteSettings>(*server);
    int number = 0;
    QString error;
    if (!settings::SiteSystemNumber(ini, site.get(), &number, &error))
        throw AppError(QStringLiteral("the site's system number cannot be read: %1").arg(error));
    return number;
}

backup::Made backupDatabase(const QString& workDir, const PgServer& server, const QString& keep)
{
    return pgsite::backupSite(workDir, server, keep);
}

QStringList restoreDatabase(const QString& backupFolder, const QString& workDir, const PgServer& server)
{
    return pgsite::restoreSite(backupFolder, workDir, server);
}

namespace {

QString unitOf(const QString& file)
{
    return file == journal::FileName || file == audit::FileName ? QStringLiteral("lines") : QStringLiteral("records");
}

// The audit line of a set moved: the database, the folder and what each file held.
audit::Event moveEvent(const QString& action, const PgServer& server, const QString& folder,
                       const pgsite::SetCounts& counts)
{
    audit::Event event{action, {}, {}, QStringLiteral("database %1 on %2").arg(server.name, server.host), {}};
    event.details.append({QStringLiteral("folder"), QDir::toNativeSeparators(QDir(folder).absolutePath())});
    for (const auto& [file, count] : counts)
        event.details.append({file, QString::number(count)});
    return event;
}

} // namespace

int databaseCommand(const QStringList& args, QTextStream& out, const std::function<void(const audit::Event&)>& record)
{
    const QString command = args.value(0);
    const QString action = QStringLiteral("db ") + command;
    if (command == u"init" && args.size() == 2) {
        const PgServer server = serverOf(args[1]);
        const QString subject = QStringLiteral("database %1 on %2").arg(server.name, server.host);
        const QString version = QString::number(PgStore::SchemaVersion);
        if (pgjournals::upgradeSchema(server)) {
            out << "brought the tables in the database " << server.name << " on " << server.host
                << " up to version " << PgStore::SchemaVersion << "\n";
            record({action, {}, {}, subject, {{QStringLiteral("brought up to version"), version}}});
            return 0;
        }
        PgStore::createSchema(server);
        out << "made the tables in the database " << server.name << " on " << server.host << "\n";
        record({action, {}, {}, subject, {{QStringLiteral("made the tables of version"), version}}});
        return 0;
    }
    if (command == u"import" && args.size() == 3) {
        // One transaction: a database holding records, a record it refuses
        // or a connection lost half-way leaves every table, the card journal
        // and the audit trail as they were.
        const PgServer server = serverOf(args[1]);
        const pgsite::SetCounts counts =
            pgsite::importSet(server, args[2], pgsite::Fill::IntoEmpty, pgsite::Journals::Moved);
        for (const auto& [file, count] : counts)
            out << "imported " << count << " " << unitOf(file) << " of " << file << "\n";
        record(moveEvent(action, server, args[2], counts));
        // The cards of the set carry its system number: from now on every
        // desk takes that one, and the passwords, from the database.
        pgsite::SiteSettings site(server);
        const IniFile ini(QDir(args[2]).filePath(settings::FileName));
        int number = 0;
        QString error;
        if (!settings::SeedSite(ini, site, &error) || !settings::SiteSystemNumber(ini, &site, &number, &error))
            throw AppError(QStringLiteral("the system number and the passwords cannot be stored in the %1: %2")
                               .arg(site.name(), error));
        out << "the site's system number, for every desk: " << number << "\n";
        return 0;
    }
    if (command == u"export" && args.size() == 3) {
        const PgServer server = serverOf(args[1]);
        const pgsite::SetCounts counts = pgsite::exportSet(server, args[2]);
        for (const auto& [file, count] : counts)
            out << "exported " << count << " " << unitOf(file) << " to " << file << "\n";
        record(moveEvent(action, server, args[2], counts));
        // The set's cards carry the site's system number: its config.ini
        // holds it, and the passwords, for the desk that takes the set back.
        pgsite::SiteSettings site(server);
        QMap<QString, QString> values;
        QString error;
        if (!site.read(&values, &error))
            throw AppError(QStringLiteral("the system number and the passwords cannot be read from the %1: %2")
                               .arg(site.name(), error));
        QList<IniFile::Change> changes;
        for (auto it = values.begin(); it != values.end(); ++it)
            changes.append({QStringLiteral("PASSWORD"), it.key(), it.value()});
        IniFile ini(QDir(args[2]).filePath(settings::FileName));
        if (!changes.isEmpty()) {
            if (!ini.write(changes, &error))
                throw AppError(error);
            out << "wrote the site's system number and passwords to " << QDir::toNativeSeparators(ini.path()) << "\n";
        }
        return 0;
    }
    return -1;
}
