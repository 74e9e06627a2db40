#pragma once

#include <QString>

class Table;

namespace pages {

// Gives every person whose GROUP is exactly `from` the group `to`, whether
// the persons search lets them show or not, with one sync of the persons
// table at the end. The search, and the current person when it still shows,
// are as before. Returns how many persons changed. Within a change of
// `within` under way, the persons' change is part of it where the stores
// can share one (Table::beginBatchWithin).
int reassignMembers(Table& persons, const QString& from, const QString& to, Table* within = nullptr);

} // namespace pages
