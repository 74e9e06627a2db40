#pragma once

#include <QSet>
#include <QString>

#include <functional>

class Table;

namespace pages {

// The largest value of an integer field over every row (0 for an empty
// table), from which a new person or group takes the next number: a table
// filled elsewhere need not keep its numbers rising along the natural order,
// and a new number must still be unique.
qint64 largestInteger(const Table& table, const QString& field);

// Adds a record numbered one past the largest stored number, skipping the
// held ones, and posts it; fill gives the new record its other fields. The
// choice and the record are one change, made by one desk at a time, so two
// desks adding at once never take the same number. Nothing is stored, and
// no new record is left pending, when it fails. Returns the number.
qint64 addNumbered(Table& table, const QString& field, const QSet<qint64>& held,
                   const std::function<void(qint64 number)>& fill);

} // namespace pages
