#pragma once

#include "pgstore/PgStore.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

// Whole sets of the three tables between a dBase folder (osoby.dbf,
// grupa.dbf, sprzet.dbf) and the shared database, each on one connection in
// one server transaction; with them, where a site moves, its card journal
// (cards.log, card_journal) and its audit trail (audit.log, audit_trail).
namespace pgsite {

// How many records each table file held or received, in the order persons,
// groups, readers; then how many lines cards.log and audit.log, where they moved.
using SetCounts = QList<std::pair<QString, int>>;

enum class Fill {
    IntoEmpty, // refuses a database that holds records in any of the tables
    Replacing  // every stored record gives way to the set's
};

enum class Journals {
    Moved, // cards.log and audit.log go with the tables
    Left   // the site's journal and trail stay as they are (a restore)
};

// Copies the records of the dBase set in folder into the database: all of
// them or, when anything fails (a file missing or unreadable, a record the
// database's checks refuse, named, a lost connection), nothing, in every
// table. Desks that change the tables meanwhile wait for it. Errors are
// AppError.
//
// Moved journals go in as their lines are, so that the cards in the field
// and the audit trail's chain read as they did: a database whose card
// journal holds lines is refused; the lines the audit trail holds (those
// this tool left since the tables were made) follow the site's, chained on
// from its newest; a trail of desks' work is refused.
SetCounts importSet(const PgServer& server, const QString& folder, Fill fill, Journals journals);

// Writes the database's tables, card journal and audit trail as a new dBase
// set with its cards.log and audit.log into folder (made when missing), as
// they all stood at one moment. Refuses a folder whose tables hold records
// or that holds a journal or a trail, so that nothing is doubled or lost.
SetCounts exportSet(const PgServer& server, const QString& folder);

// Replaces every record of the database by those of the dBase set in folder,
// in one transaction that first writes the records it replaces as a dBase
// set into replacedFolder and calls keep, which makes them durable (a
// backup): a keep that fails (AppError) leaves the database as it was.
// Desks that change the tables meanwhile wait until it is over, so the
// records kept are exactly those replaced. Errors are AppError.
SetCounts replaceSet(const PgServer& server, const QString& folder, const QString& replacedFolder,
                     const std::function<void()>& keep);

} // namespace pgsite
