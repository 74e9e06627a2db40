#pragma once

#include "audit/AuditLog.h"
#include "journal/CardsInField.h"
#include "journal/JournalStore.h"

#include <QString>

#include <memory>

// The card journal, the audit trail and the tables the cards are compared
// with, of a working directory: its files, or the site's database when its
// config.ini names one.
namespace sitejournals {

std::shared_ptr<const JournalStore> journalOf(const QString& workDir);
// The audit trail of workDir: audit.log, or the database's.
audit::Log auditOf(const QString& workDir);
// The persons and groups as stored (copies of the files, read beside the program).
field::Roster rosterOf(const QString& workDir);

} // namespace sitejournals
