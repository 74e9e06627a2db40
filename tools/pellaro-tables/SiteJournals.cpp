#include "SiteJournals.h"

#include "config/IniFile.h"
#include "config/Settings.h"
#include "data/Table.h"
#include "journal/FileJournal.h"
#include "journal/JournalFormat.h"
#include "pgstore/PgJournals.h"
#include "pgstore/PgSite.h"

#include <QDir>

namespace sitejournals {
namespace {

std::optional<PgServer> serverOf(const QString& workDir)
{
    return pgsite::configuredServer(IniFile(QDir(workDir).filePath(settings::FileName)));
}

} // namespace

std::shared_ptr<const JournalStore> journalOf(const QString& workDir)
{
    if (const std::optional<PgServer> server = serverOf(workDir))
        return std::make_shared<pgjournals::CardJournalTable>(*server);
    return std::make_shared<FileJournal>(QDir(workDir).filePath(journal::FileName));
}

audit::Log auditOf(const QString& workDir)
{
    audit::Log log(QDir(workDir).filePath(audit::FileName));
    if (const std::optional<PgServer> server = serverOf(workDir))
        log.setStore(std::make_shared<pgjournals::AuditTrailTable>(*server));
    return log;
}

field::Roster rosterOf(const QString& workDir)
{
    const std::optional<PgServer> server = serverOf(workDir);
    if (!server)
        return field::rosterOfFiles(workDir);
    Table persons;
    persons.open(std::make_unique<PgStore>(*server, PgStore::Kind::Persons));
    Table groups;
    groups.open(std::make_unique<PgStore>(*server, PgStore::Kind::Groups));
    return field::rosterOf(persons, groups);
}

} // namespace sitejournals
