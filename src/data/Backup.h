#pragma once

#include "dbf/TableCheck.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Copies of an installation's tables, configuration file and card journal in
// backup/<date>_<time>/ of the working directory, and the way back.
//
// A backup is written into a hidden folder, every file and the folder are
// synced, and only then is the folder renamed to its final name: a folder
// with a date name is always complete. Errors are AppError.
namespace backup {

inline const QString FolderName = QStringLiteral("backup");
inline constexpr int KeptBackups = 10;

struct Options
{
    // The program holds the tables itself and copies them as they are; the
    // command-line tool takes shared locks instead, so that no program can
    // write while it copies.
    bool lockTables = false;
    std::function<QDateTime()> now;            // the clock that names a backup; the system clock when empty
    std::function<void(const QString&)> trace; // each sync and rename as it happens ("sync osoby.dbf", ...)
    QString keep;                              // a backup that pruning leaves alone
    // The folder whose files make the backup; workDir itself when empty. A
    // site on a shared database writes its tables and journals there first.
    QString source;
};

struct Made
{
    QString folder; // the new backup, or the newest one when nothing changed since
    bool made = false;
};

// Backs up the tables (.dbf and .dbt), config.ini and cards.log of workDir, unless the
// newest backup holds the same files with the same content; then keeps the
// newest KeptBackups backups and removes older ones.
Made make(const QString& workDir, const Options& options = {});

// The complete backups of workDir, oldest first, as full paths.
QStringList list(const QString& workDir);

struct Restored
{
    QString replacedBackup;                       // where the files that were replaced are kept
    QStringList files;                            // the files put back
    QList<std::pair<QString, TableCheck>> checks; // of each restored table
};

// Puts the files of a backup back into workDir, each in place of any file
// whose name differs from it in letter case alone. Refuses while a program holds
// the tables, and when the backup is incomplete or a table in it is damaged;
// backs up what it replaces first, then checks the restored tables.
//
// The files are staged beside the tables and checked; once the backup of what
// they replace is made, a synced marker commits the restore and only then are
// the files renamed into place. Killed before the marker, nothing was
// replaced; after it, recover() puts the rest in place.
Restored restore(const QString& backupFolder, const QString& workDir, const Options& options = {});

// What the next start found of a restore that was killed part-way.
struct Recovered
{
    enum class Outcome { Nothing, Finished, Undone };
    Outcome outcome = Outcome::Nothing;
    QString backupFolder; // the backup a finished restore put back
};

// Finishes a committed restore in workDir, or drops one that was not
// committed, so that the tables are wholly the old set or wholly the backup's.
// Run before anything opens the tables; make() refuses while a committed
// restore waits. Errors (a restore running in another program, a rename that
// fails) are AppError, and the tables must then stay closed.
Recovered recover(const QString& workDir, const Options& options = {});

} // namespace backup
