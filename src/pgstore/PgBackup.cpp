#include "pgstore/PgBackup.h"

#include "config/AppError.h"
#include "config/Settings.h"
#include "data/TableLayouts.h"
#include "dbf/TableCheck.h"
#include "pgstore/PgJournals.h"
#include "pgstore/PgTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace pgsite {

namespace {

void checkStage(const QTemporaryDir& stage)
{
    if (!stage.isValid())
        throw AppError(QStringLiteral("no folder for the tables can be made: %1").arg(stage.errorString()));
}

enum class JournalsIn { Stage, Database };

// Beside a set of tables in stage, what else a backup of the site holds:
// the desk's config.ini and the site's journals, whatever desk wrote them
// (written beside the tables already, or taken from the database now).
backup::Made keepStage(const QString& workDir, const PgServer& server, const QString& stage, const QString& keep,
                       JournalsIn journals)
{
    const QString config = QDir(workDir).filePath(settings::FileName);
    if (QFileInfo::exists(config) && !QFile::copy(config, QDir(stage).filePath(settings::FileName)))
        throw AppError(QStringLiteral("%1 cannot be copied to %2")
                           .arg(QDir::toNativeSeparators(config), QDir::toNativeSeparators(stage)));
    if (journals == JournalsIn::Database)
        pgjournals::writeFiles(server, stage);
    backup::Options options;
    options.source = stage;
    options.keep = keep;
    return backup::make(workDir, options);
}

void checkWorkDir(const QString& workDir)
{
    if (!QDir(workDir).exists())
        throw AppError(QStringLiteral("%1: no such directory").arg(QDir::toNativeSeparators(workDir)));
}

} // namespace

backup::Made backupSite(const QString& workDir, const PgServer& server, const QString& keep)
{
    checkWorkDir(workDir);
    QTemporaryDir stage;
    checkStage(stage);
    // The journals come with the tables, from the same snapshot.
    exportSet(server, stage.path());
    return keepStage(workDir, server, stage.path(), keep, JournalsIn::Stage);
}

// A restore onto the database replaces the site's records, as a restore of
// files does; the journals stay, since they tell which cards are in the
// field now, and config.ini stays, since it names the database itself.
QStringList restoreSite(const QString& backupFolder, const QString& workDir, const PgServer& server)
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
    checkWorkDir(workDir);
    QTemporaryDir stage;
    checkStage(stage);
    backup::Made replaced;
    const SetCounts counts = replaceSet(server, backupFolder, stage.path(),
                                        [&] { replaced = keepStage(workDir, server, stage.path(), backupFolder, JournalsIn::Database); });
    QStringList lines;
    lines.append(QStringLiteral("the records replaced are kept in %1").arg(QDir::toNativeSeparators(replaced.folder)));
    for (const auto& [file, count] : counts)
        lines.append(QStringLiteral("restored %1 records of %2").arg(count).arg(file));
    lines.append(
        QStringLiteral("restored %1 from %2 into the database %3; the journals and config.ini are left as they are")
            .arg(files.join(QStringLiteral(", ")), QDir::toNativeSeparators(backupFolder), server.name));
    return lines;
}

} // namespace pgsite
