#pragma once

#include <QString>

class Table;

namespace pages {

// The largest value of an integer field over every row (0 for an empty
// table), from which a new person or group takes the next number: a table
// filled elsewhere need not keep its numbers rising along the natural order,
// and a new number must still be unique.
qint64 largestInteger(const Table& table, const QString& field);

} // namespace pages
