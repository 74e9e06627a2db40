#pragma once

#include "config/IniFile.h"
#include "pgstore/PgStore.h"

#include <optional>

class Table;

// A working directory whose config.ini names a shared database: section
// DATABASE, keys Driver (PostgreSQL), Host, Port, Name and User. Written only
// by whoever sets it up; a config.ini without the section keeps the dBase
// tables. The password is never kept there.
namespace pgsite {

inline const QString Section = QStringLiteral("DATABASE");
inline const QString Driver = QStringLiteral("PostgreSQL");

// The server config.ini names; nothing when it names none. AppError for a
// driver other than PostgreSQL or a section without a database name.
std::optional<PgServer> configuredServer(const IniFile& ini);

// Copies every stored record of one table into another of the same kind,
// field by field of the same name, appended in order as one batch: all of
// them or, when anything fails, none. Refuses a destination that holds
// records already, so that nothing is doubled. The number of records copied.
int copyRecords(Table& from, Table& to);

} // namespace pgsite
