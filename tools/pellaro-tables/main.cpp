// pellaro-tables: sets up and inspects the three tables of an installation.
//   pellaro-tables create [DIR]   the three empty tables
//   pellaro-tables demo [DIR]     the three tables with a few sample records
//   pellaro-tables check FILE...  what is wrong in a table; changes nothing
//   pellaro-tables backup WORKDIR            a backup of the tables and config.ini
//   pellaro-tables restore BACKUP WORKDIR    puts a backup back
//   pellaro-tables export persons|groups|readers WORKDIR FILE.csv
//   pellaro-tables import persons WORKDIR FILE.csv
//   pellaro-tables cards WORKDIR             every person's card, from the card journal
//   pellaro-tables audit verify WORKDIR [--from HASH]   the audit trail's hash chain
//   pellaro-tables db init WORKDIR           the tables in the database WORKDIR's config.ini names
//   pellaro-tables db import WORKDIR DBASEDIR   a dBase set, with its cards.log and audit.log, into that database
//   pellaro-tables db export WORKDIR DBASEDIR   the database as a new dBase set with its cards.log and audit.log
//   pellaro-tables share DIR GROUP           a working folder GROUP shares (pellaro-start --shared)

#include "Database.h"
#include "SiteJournals.h"

#include "audit/AuditLog.h"
#include "config/AppError.h"
#include "config/Settings.h"
#include "platform/SharedFolder.h"
#include "data/Backup.h"
#include "journal/CardsInField.h"
#include "data/DemoTables.h"
#include "journal/JournalReader.h"
#include "data/Table.h"
#include "data/TableExchange.h"
#include "data/TableLayouts.h"
#include "dbf/TableCheck.h"

#include "cards/CardNumber.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <memory>
#include <optional>

namespace {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

const char Usage[] = "usage: pellaro-tables create [DIR]\n"
             "       pellaro-tables demo [DIR]\n"
             "       pellaro-tables audit verify WORKDIR [--from HASH]\n"
             "       pellaro-tables check FILE...\n"
             "       pellaro-tables backup WORKDIR\n"
             "       pellaro-tables restore BACKUP WORKDIR\n"
             "       pellaro-tables export persons|groups|readers WORKDIR FILE.csv\n"
             "       pellaro-tables import persons WORKDIR FILE.csv\n"
             "       pellaro-tables cards WORKDIR\n"
             "       pellaro-tables db init WORKDIR\n"
             "       pellaro-tables db import|export WORKDIR DBASEDIR\n"
             "       pellaro-tables share DIR GROUP\n"
             "       pellaro-tables --help | --version\n";

int usage()
{
    err() << Usage;
    return 2;
}

const char Help[] =
    "\nSets up and inspects the tables of a Pellaro installation (osoby.dbf,\n"
    "grupa.dbf, sprzet.dbf) in its working directory, beside the program or\n"
    "while it is closed:\n"
    "  create    the three empty tables (existing ones are kept)\n"
    "  demo      the three tables with a few sample records\n"
    "  check     what is wrong in a table; changes nothing\n"
    "  backup    a copy of the tables, config.ini and the journals in WORKDIR/backup\n"
    "  restore   puts a backup back\n"
    "  db        init, import or export the shared database config.ini names\n"
    "  export    a table as a spreadsheet file (CSV)\n"
    "  import    adds the persons of a spreadsheet file; nothing unless all rows are right\n"
    "  cards     every person's card, from the card journal\n"
    "  share     makes or mends a folder the accounts of GROUP share (run by\n"
    "            sudo pellaro-start --shared); follows no link\n"
    "With a [DATABASE] section in WORKDIR's config.ini, export, import, backup\n"
    "and restore work on that database.\n"
    "Exit status: 0 done, 1 failed or problems found, 2 wrong usage. See pellaro-tables(1).\n";

// A check's problems, a line each; false when it found none.
bool printProblems(const QString& name, const TableCheck& result)
{
    if (result.problems.isEmpty())
        out() << name << ": no problems found\n";
    for (const QString& problem : result.problems)
        out() << name << ": " << problem << "\n";
    return !result.problems.isEmpty();
}

int check(const QStringList& files)
{
    bool anyWrong = false;
    for (const QString& file : files) {
        const TableCheck result = TableCheck::run(file);
        const QString name = QDir::toNativeSeparators(file);
        if (!result.summary.isEmpty())
            out() << name << ": " << result.summary << "\n";
        anyWrong |= printProblems(name, result);
    }
    out().flush();
    return anyWrong ? 1 : 0;
}

// The backup made, empty when nothing changed since the newest one.
QString makeBackup(const QString& workDir)
{
    backup::Made made;
    if (const std::optional<PgServer> server = siteDatabase(workDir)) {
        made = backupDatabase(workDir, *server);
    } else {
        backup::Options options;
        options.lockTables = true;
        made = backup::make(workDir, options);
    }
    if (made.made)
        out() << "backup made: " << QDir::toNativeSeparators(made.folder) << "\n";
    else
        out() << "nothing changed since " << QDir::toNativeSeparators(made.folder) << "; no backup made\n";
    return made.made ? QDir::toNativeSeparators(made.folder) : QString();
}

int restoreBackup(const QString& folder, const QString& workDir)
{
    if (const std::optional<PgServer> server = siteDatabase(workDir)) {
        for (const QString& line : restoreDatabase(folder, workDir, *server))
            out() << line << "\n";
        return 0;
    }
    const backup::Restored restored = backup::restore(folder, workDir);
    if (!restored.replacedBackup.isEmpty())
        out() << "the files replaced are kept in " << QDir::toNativeSeparators(restored.replacedBackup) << "\n";
    out() << "restored " << restored.files.join(QStringLiteral(", ")) << " from " << QDir::toNativeSeparators(folder)
          << "\n";
    bool anyWrong = false;
    for (const auto& [table, result] : restored.checks)
        anyWrong |= printProblems(table, result);
    out().flush();
    return anyWrong ? 1 : 0;
}

// A restore that a kill interrupted is finished or undone before a command
// reads or writes the tables of workDir, and the installer is told which.
void clearUpRestore(const QString& workDir)
{
    const backup::Recovered recovered = backup::recover(workDir);
    switch (recovered.outcome) {
    case backup::Recovered::Outcome::Nothing:
        return;
    case backup::Recovered::Outcome::Finished:
        err() << "pellaro-tables: an interrupted restore of " << QDir::toNativeSeparators(recovered.backupFolder)
              << " was finished; the tables are those of the backup\n";
        break;
    case backup::Recovered::Outcome::Undone:
        err() << "pellaro-tables: an interrupted restore was undone; it had replaced nothing\n";
        break;
    }
    // It changed the tables (or put them back) now: its line, like a restore
    // that ran through. The command goes on without it, saying so.
    audit::Log log = sitejournals::auditOf(workDir);
    log.setRole(QStringLiteral("tool"));
    QString error;
    if (!log.append(audit::restoreCleared(recovered), &error))
        err() << "pellaro-tables: " << QDir::toNativeSeparators(log.path())
              << ": the audit trail could not take the restore's line: " << error << "\n";
    err().flush();
}

// The table of a kind in the working directory.
QString tableFile(const QString& workDir, exchange::Kind kind)
{
    switch (kind) {
    case exchange::Kind::Persons:
        return QDir(workDir).filePath(TableLayouts::PersonsFile);
    case exchange::Kind::Groups:
        return QDir(workDir).filePath(TableLayouts::GroupsFile);
    case exchange::Kind::Readers:
        break;
    }
    return QDir(workDir).filePath(TableLayouts::ReadersFile);
}

// Opens a table for writing; what the opening mended after a crash is told
// on stderr, as the program tells it in a message.
void openTable(Table& table, const QString& path)
{
    table.open(path);
    for (const TableRepair& repair : table.takeRepairs()) {
        err() << "pellaro-tables: " << QDir::toNativeSeparators(path) << ": ";
        if (repair.kind == TableRepair::Kind::ChangeUndone)
            err() << "a change cut short by a crash was undone\n";
        else
            err() << repair.bytes << " bytes after the counted records were moved to "
                  << QDir::toNativeSeparators(repair.sideFile) << "\n";
    }
    err().flush();
}

enum class Use { Read, Write };

// A table of the working directory, from the one place that knows where
// they are kept: the shared database its config.ini names, or the dBase
// files in it. Read: a file is left as it is, also beside a running program.
std::unique_ptr<Table> openSiteTable(const QString& workDir, exchange::Kind kind, Use use)
{
    auto table = std::make_unique<Table>();
    if (const std::optional<PgServer> server = siteDatabase(workDir)) {
        const PgStore::Kind stored = kind == exchange::Kind::Persons  ? PgStore::Kind::Persons
                                     : kind == exchange::Kind::Groups ? PgStore::Kind::Groups
                                                                      : PgStore::Kind::Readers;
        table->open(std::make_unique<PgStore>(*server, stored));
    } else if (use == Use::Read) {
        table->openView(tableFile(workDir, kind));
    } else {
        openTable(*table, tableFile(workDir, kind));
    }
    return table;
}

int exportTable(exchange::Kind kind, const QString& workDir, const QString& file)
{
    const std::unique_ptr<Table> opened = openSiteTable(workDir, kind, Use::Read);
    Table& table = *opened;
    for (const QString& warning : table.warnings())
        err() << "pellaro-tables: " << warning << "\n";
    err().flush();
    const int written = exchange::exportFile(table, kind, file);
    out() << "exported " << written << " records to " << QDir::toNativeSeparators(file) << "\n";
    return 0;
}

int importPersons(const QString& workDir, const QString& file, int* added)
{
    const std::unique_ptr<Table> persons = openSiteTable(workDir, exchange::Kind::Persons, Use::Write);
    const std::unique_ptr<Table> groups = openSiteTable(workDir, exchange::Kind::Groups, Use::Write);
    const int systemNumber = siteSystemNumber(workDir);
    const exchange::ImportResult result = exchange::importPersonsFile(
        *persons, *groups, file, field::heldNumbers(sitejournals::journalOf(workDir), systemNumber));
    if (!result.problems.isEmpty()) {
        err() << "nothing was imported; correct these lines of " << QDir::toNativeSeparators(file)
              << " and import again:\n"
              << exchange::problemText(result.problems) << "\n";
        return 1;
    }
    out() << "imported " << result.added << " persons\n";
    for (const QString& warning : result.warnings)
        err() << "pellaro-tables: the persons are stored, but may not survive a power cut: " << warning << "\n";
    err().flush();
    *added = result.added;
    return 0;
}

// One line per person, and per card of a person no longer in the table that
// still opens doors: number, family name, first name, state, when the card
// was last written, the card's number in hex. The tables are read as copies
// and left as they are, so the program may be running.
int listCards(const QString& workDir)
{
    const field::Roster roster = sitejournals::rosterOf(workDir);
    JournalReader journal(sitejournals::journalOf(workDir));
    QString error;
    if (!journal.refresh(&error))
        throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(journal.path()), error));
    const int systemNumber = siteSystemNumber(workDir);
    for (const JournalEvent& e : journal.events()) {
        if (e.damaged())
            err() << "pellaro-tables: " << QDir::toNativeSeparators(journal.path()) << ": line " << e.line
                  << " is damaged and counts for no card\n";
    }
    err().flush();
    for (const field::Card& card : field::evaluate(journal.events(), roster, systemNumber)) {
        QString written;
        QString hex;
        if (card.newest >= 0) {
            const JournalEvent& e = journal.events()[size_t(card.newest)];
            written = e.field(journal::Time);
            if (const auto id = e.identifier())
                hex = cards::printedNumber(*id).hex;
        }
        out() << card.number << '\t' << journal::cell(card.familyName) << '\t' << journal::cell(card.firstName) << '\t'
              << field::stateWord(card.state) << '\t' << written << '\t' << hex << '\n';
    }
    out().flush();
    return 0;
}

// The tool's own actions go into the installation's audit under the role
// "tool"; one it cannot take is refused before anything changes.
audit::Log toolAudit(const QString& workDir)
{
    audit::Log log = sitejournals::auditOf(workDir);
    log.setRole(QStringLiteral("tool"));
    QString error;
    if (!log.writable(&error))
        throw AppError(QStringLiteral("%1: the audit trail cannot be written: %2; nothing was changed")
                           .arg(QDir::toNativeSeparators(log.path()), error));
    return log;
}

void record(audit::Log& log, const audit::Event& event)
{
    QString error;
    if (!log.append(event, &error))
        throw AppError(QStringLiteral("%1: the audit trail could not take its line: %2")
                           .arg(QDir::toNativeSeparators(log.path()), error));
}

int verifyAudit(const QString& workDir, const QByteArray& from)
{
    const audit::Log log = sitejournals::auditOf(workDir);
    const QString path = log.path();
    QByteArray content;
    QString error;
    // A working directory without its audit.log has lost it: that is no empty chain.
    QFile file(path);
    const bool read = log.store() ? log.content(&content, &error) : file.open(QIODevice::ReadOnly);
    if (!log.store()) {
        error = file.errorString();
        content = file.readAll();
    }
    audit::Head head;
    if (!log.store()) {
        // The newest hash kept beside the trail: what the chain alone cannot show.
        QString unread;
        const std::optional<audit::Head> kept = audit::readHead(audit::headPath(path), &unread);
        if (!kept)
            throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(audit::headPath(path)), unread));
        head = *kept;
        if (!read && head.present && !QFileInfo::exists(path))
            error = log.gap().reason;
    }
    if (!read)
        throw AppError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error));
    const audit::Verified v = audit::verify(content, from, head);
    out() << "events: " << v.events << "\n";
    if (v.torn > 0)
        out() << "torn lines (cut short by a crash; their marks are in the chain): " << v.torn << "\n";
    if (v.brokenLine > 0) {
        out().flush();
        err() << "pellaro-tables: " << QDir::toNativeSeparators(path) << ": line " << v.brokenLine << ": "
              << v.problem << "\n";
        return 1;
    }
    if (!from.isEmpty())
        out() << "line " << v.fromLine << " has the hash " << from << "; the log extends it\n";
    out() << "newest hash: " << v.newestHash << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    if (args.first() == u"--help" || args.first() == u"-h") {
        out() << Usage << Help;
        return 0;
    }
    if (args.first() == u"--version") {
        out() << "pellaro-tables " << PELLARO_VERSION << "\n";
        return 0;
    }
    // A working folder shared by a group keeps what the tool writes there
    // writable by it, as the program does.
    for (const QString& arg : args) {
        if (QFileInfo(arg).isDir())
            shared::keepGroupAccess(arg);
    }
    const QString command = args.takeFirst();
    try {
        if (command == u"create" || command == u"demo") {
            if (args.size() > 1)
                return usage();
            const QString dir = args.value(0, QStringLiteral("."));
            if (!QDir(dir).exists())
                throw AppError(QStringLiteral("%1: no such directory").arg(QDir::toNativeSeparators(dir)));
            clearUpRestore(dir);
            TableLayouts::createAll(dir);
            if (command == u"demo")
                demo::fill(dir);
            out() << "created " << TableLayouts::PersonsFile << ", " << TableLayouts::GroupsFile << " and "
                  << TableLayouts::ReadersFile << " in " << QDir::toNativeSeparators(dir) << "\n";
            return 0;
        }
        if (command == u"share") {
            if (args.size() != 2)
                return usage();
            const QStringList notes = shared::share(args[0], args[1], [](const QString& dir) {
                const QDir d(dir);
                if (!d.exists(TableLayouts::PersonsFile) && !d.exists(TableLayouts::GroupsFile) &&
                    !d.exists(TableLayouts::ReadersFile))
                    TableLayouts::createAll(dir);
            });
            for (const QString& note : notes)
                err() << "pellaro-tables: " << note << "\n";
            return 0;
        }
        if (command == u"check") {
            if (args.isEmpty())
                return usage();
            return check(args);
        }
        if (command == u"backup") {
            if (args.size() != 1)
                return usage();
            clearUpRestore(args[0]);
            audit::Log log = toolAudit(args[0]);
            const QString folder = makeBackup(args[0]);
            if (!folder.isEmpty())
                record(log, {QStringLiteral("backup"), {}, {}, {}, {{QStringLiteral("folder"), folder}}});
            return 0;
        }
        if (command == u"restore") {
            if (args.size() != 2)
                return usage();
            clearUpRestore(args[1]);
            audit::Log log = toolAudit(args[1]);
            const int status = restoreBackup(args[0], args[1]);
            record(log, {QStringLiteral("restore"), {}, {}, {},
                         {{QStringLiteral("backup"), QDir::toNativeSeparators(QDir(args[0]).absolutePath())}}});
            return status;
        }
        if (command == u"export" || command == u"import") {
            const std::optional<exchange::Kind> kind = exchange::kindNamed(args.value(0));
            if (args.size() != 3 || !kind || (command == u"import" && *kind != exchange::Kind::Persons))
                return usage();
            clearUpRestore(args[1]);
            if (command == u"export")
                return exportTable(*kind, args[1], args[2]);
            audit::Log log = toolAudit(args[1]);
            QFile file(args[2]);
            QCryptographicHash sha(QCryptographicHash::Sha256);
            if (file.open(QIODevice::ReadOnly))
                sha.addData(&file);
            int added = 0;
            const int status = importPersons(args[1], args[2], &added);
            if (added > 0)
                record(log, {QStringLiteral("import"), TableLayouts::PersonsFile, {}, {},
                             {{QStringLiteral("file"), QDir::toNativeSeparators(QFileInfo(args[2]).absoluteFilePath())},
                              {QStringLiteral("sha256"), QString::fromLatin1(sha.result().toHex())},
                              {QStringLiteral("rows added"), QString::number(added)}}});
            return status;
        }
        if (command == u"audit") {
            if (args.value(0) != u"verify" || !(args.size() == 2 || (args.size() == 4 && args[2] == u"--from")))
                return usage();
            return verifyAudit(args[1], args.size() == 4 ? args[3].toLatin1().toLower() : QByteArray());
        }
        if (command == u"cards") {
            if (args.size() != 1)
                return usage();
            clearUpRestore(args[0]);
            return listCards(args[0]);
        }
        if (command == u"db") {
            // The database's own trail takes the line; one it cannot take stops the command before it begins.
            std::optional<audit::Log> log;
            if (args.size() >= 2)
                log = toolAudit(args[1]);
            const int result = databaseCommand(args, out(), [&log](const audit::Event& event) { record(*log, event); });
            out().flush();
            if (result >= 0)
                return result;
        }
    } catch (const AppError& e) {
        err() << "pellaro-tables: " << e.message() << "\n";
        return 1;
    }
    return usage();
}
