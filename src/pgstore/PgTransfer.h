#pragma once

#include "pgstore/PgStore.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

// Whole sets of the three tables between a dBase folder (osoby.dbf,
// grupa.dbf, sprzet.dbf) and the shared database, each on one connection in
// one server transaction.
namespace pgsite {

// How many records each table file held or received, in the order persons, groups, readers.
using SetCounts = QList<std::pair<QString, int>>;

enum class Fill {
    IntoEmpty, // refuses a database that holds records in any of the tables
    Replacing  // every stored record gives way to the set's
};

// Copies the records of the dBase set in folder into the database: all of
// them or, when anything fails (a file missing or unreadable, a record the
// database's checks refuse, a lost connection), nothing, in every table.
// Desks that change the tables meanwhile wait for it. Errors are AppError.
SetCounts importSet(const PgServer& server, const QString& folder, Fill fill);

// Writes the database's tables as a new dBase set into folder (made when
// missing), as they all stood at one moment. Refuses a folder whose tables
// hold records, so that nothing is doubled.
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
