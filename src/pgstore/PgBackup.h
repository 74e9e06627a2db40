#pragma once

#include "data/Backup.h"
#include "pgstore/PgStore.h"

#include <QStringList>

// Backups of a site kept in a shared database, beside the desk in
// WORKDIR/backup like those of a dBase site, so that one restore reads both.
namespace pgsite {

// A backup of the site: its tables as "db export" writes them (all three as
// they stood at one moment), its card journal and audit trail, and the
// desk's config.ini; none when nothing changed since the newest backup.
// keep: a backup that pruning leaves alone. Errors are AppError.
backup::Made backupSite(const QString& workDir, const PgServer& server, const QString& keep = {});

// Puts the tables of a backup (or of any dBase set) back into the database
// in place of every record there. One transaction holds the backup of the
// records it replaces, made durable first, and the replacing, so that no
// desk's change falls between them: it is in the backup or it waits and
// comes after. The journals and config.ini stay as they are. The lines to
// tell the installer.
QStringList restoreSite(const QString& backupFolder, const QString& workDir, const PgServer& server);

} // namespace pgsite
