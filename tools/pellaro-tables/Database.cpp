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

void copyFile(const QString& from, const QString& to)
{
    if (QFileInfo::exists(from) && !QFile::copy(from, to))
        throw AppError(QStringLiteral("%1 cannot be copied to %2")
                           .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to)));
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
    if (!QDir(workDir).exists())
        throw AppError(QStringLiteral("%1: no such directory").arg(QDir::toNativeSeparators(workDir)));
    QTemporaryDir stage;
    if (!stage.isValid())
        throw AppError(QStringLiteral("no folder for the tables can be made: %1").arg(stage.errorString()));
    pgsite::exportSet(server, stage.path());
    copyFile(QDir(workDir).filePath(settings::FileName), stage.filePath(settings::FileName));
    // The site's card journal and audit trail, whatever desk wrote them.
    pgjournals::writeFiles(server, stage.path());
    backup::Options options;
    options.source = stage.path();
    options.keep = keep;
    return backup::make(workDir, options);
}

// A restore onto the database replaces the site's records, as a restore of
// files does; the journals stay, since they tell which cards are in the
// field now, and config.ini stays, since it names the database itself.
QStringList restoreDatabase(const QString& backupFolder, const QString& workDir, const PgServer& server)
{
    const QDir source(backupFolder);
    if (!source.exists())
        throw AppError(QStringLiteral("%1: no such backup").arg(QDir::toNativeSeparators(backupFolder)));
    if (source.dirName().startsWith(QLatin1Char('.')))
        throw AppError(QStringLiteral("%1: the backup was never finished; nothing was restored")
                           .arg(QDir::toNativeSeparators(backupFolder)));
    QStringList files;
    for (const QString& table : {TableLayouts::PersonsFile, TableLayouts::GroupsFile, TableLayouts::ReadersFile}) {
        const QString path = source.filePath(table);
        if (!QFileInfo::exists(path))
            throw AppError(QStringLiteral("%1: the backup holds no %2; nothing was restored")
                               .arg(QDir::toNativeSeparators(backupFolder), table));
        const TableCheck check = TableCheck::run(path);
        if (!check.problems.isEmpty())
            throw AppError(QStringLiteral("%1: %2; nothing was restored")
                               .arg(QDir::toNativeSeparators(path), check.problems.join(QStringLiteral("; "))));
        files.append(table);
    }
    QStringList lines;
    const backup::Made replaced = backupDatabase(workDir, server, backupFolder);
    lines.append(QStringLiteral("the records replaced are kept in %1").arg(QDir::toNativeSeparators(replaced.folder)));
    const pgsite::SetCounts counts = pgsite::importSet(server, backupFolder, pgsite::Fill::Replacing);
    for (const auto& [file, count] : counts)
        lines.append(QStringLiteral("restored %1 records of %2").arg(count).arg(file));
    lines.append(
        QStringLiteral("restored %1 from %2 into the database %3; the journals and config.ini are left as they are")
            .arg(files.join(QStringLiteral(", ")), QDir::toNativeSeparators(backupFolder), server.name));
    return lines;
}

int databaseCommand(const QStringList& args, QTextStream& out)
{
    const QString command = args.value(0);
    if (command == u"init" && args.size() == 2) {
        const PgServer server = serverOf(args[1]);
        if (pgjournals::upgradeSchema(server)) {
            out << "brought the tables in the database " << server.name << " on " << server.host
                << " up to version " << PgStore::SchemaVersion << "\n";
            return 0;
        }
        PgStore::createSchema(server);
        out << "made the tables in the database " << server.name << " on " << server.host << "\n";
        return 0;
    }
    if (command == u"import" && args.size() == 3) {
        // One transaction: a database holding records, a record it refuses
        // or a connection lost half-way leaves every table as it was.
        const PgServer server = serverOf(args[1]);
        for (const auto& [file, count] : pgsite::importSet(server, args[2], pgsite::Fill::IntoEmpty))
            out << "imported " << count << " records of " << file << "\n";
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
        for (const auto& [file, count] : pgsite::exportSet(server, args[2]))
            out << "exported " << count << " records to " << file << "\n";
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
