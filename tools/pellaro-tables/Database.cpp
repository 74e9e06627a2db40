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


backup::Made backupDatabase(const QString& workDir, const PgServer& server, const QString& keep)
{
    if (!QDir(workDir).exists())
        throw AppError(QStringLiteral("%1: no such directory").arg(QDir::toNativeSeparators(workDir)));
    QTemporaryDir stage;
    if (!stage.isValid())
        throw AppError(QStringLiteral("no folder for the tables can be made: %1").arg(stage.errorString()));
    // With the tables, at the same moment, the site's card journal and audit trail, whatever desk wrote them.
    pgsite::exportSet(server, stage.path());
    copyFile(QDir(workDir).filePath(settings::FileName), stage.filePath(settings::FileName));
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
    const pgsite::SetCounts counts =
        pgsite::importSet(server, backupFolder, pgsite::Fill::Replacing, pgsite::Journals::Left);
    for (const auto& [file, count] : counts)
        lines.append(QStringLiteral("restored %1 records of %2").arg(count).arg(file));
    lines.append(
        QStringLiteral("restored %1 from %2 into the database %3; the journals and config.ini are left as they are")
            .arg(files.join(QStringLiteral(", ")), QDir::toNativeSeparators(backupFolder), server.name));
    return lines;
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
        return 0;
    }
    if (command == u"export" && args.size() == 3) {
        const PgServer server = serverOf(args[1]);
        const pgsite::SetCounts counts = pgsite::exportSet(server, args[2]);
        for (const auto& [file, count] : counts)
            out << "exported " << count << " " << unitOf(file) << " to " << file << "\n";
        record(moveEvent(action, server, args[2], counts));
        return 0;
    }
    return -1;
}
