#pragma once

#include "audit/AuditLog.h"
#include "data/Backup.h"
#include "pgstore/PgStore.h"

#include <QStringList>

#include <functional>
#include <optional>

class QTextStream;

// Runs "db ARGS..."; -1 when the arguments make no command (usage). Each
// command done is told to record (a line of the site's audit trail).
int databaseCommand(const QStringList& args, QTextStream& out, const std::function<void(const audit::Event&)>& record);

// The shared database WORKDIR's config.ini names (section DATABASE);
// nothing when its tables are the dBase files in it.
std::optional<PgServer> siteDatabase(const QString& workDir);

// The system number the site's cards carry: the shared database's, else the
// one WORKDIR's config.ini holds.
int siteSystemNumber(const QString& workDir);

// A backup of a site on a shared database in WORKDIR/backup: its tables as
// "db export" writes them, config.ini and the journals; none when nothing
// changed since the newest backup. keep: a backup that pruning leaves alone.
backup::Made backupDatabase(const QString& workDir, const PgServer& server, const QString& keep = {});

// Puts the tables of a backup (or of any dBase set) back into the shared
// database in one transaction, after backing up the records it replaces.
// The journals and config.ini stay as they are. The lines to tell the
// installer.
QStringList restoreDatabase(const QString& backupFolder, const QString& workDir, const PgServer& server);
