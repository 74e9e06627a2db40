// pellaro-tables db init|import|export: the shared database a working
// directory's config.ini names (section DATABASE); and the backup and
// restore of a site kept there.

#include "Database.h"

#include "audit/AuditLog.h"
#include "config/AppError.h"
#include "config/Settings.h"
#include "dbf/TableCheck.h"
#include "journal/JournalFormat.h"
#include "data/TableLayouts.h"
#include "pgstore/PgBackup.h"
#include "pgstore/PgJournals.h"
#include "pgstore/PgSite.h"
#include "pgstore/PgTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

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


backup::Made backupDatabase(const QString& workDir, const PgServer& server, const QString& keep)
{
    return pgsite::backupSite(workDir, server, keep);
}

QStringList restoreDatabase(const QString& backupFolder, const QString& workDir, const PgServer& server)
{
    return pgsite::restoreSite(backupFolder, workDir, server);
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
        for (const auto& [file, count] : pgsite::importSet(serverOf(args[1]), args[2], pgsite::Fill::IntoEmpty))
            out << "imported " << count << " records of " << file << "\n";
        return 0;
    }
    if (command == u"export" && args.size() == 3) {
        for (const auto& [file, count] : pgsite::exportSet(serverOf(args[1]), args[2]))
            out << "exported " << count << " records to " << file << "\n";
        return 0;
    }
    return -1;
}
