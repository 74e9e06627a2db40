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

// The lowest value from low to high that no row holds in the field; 0 when
// every one is taken (a reader's number).
qint64 lowestFreeInteger(const Table& table, const QString& field, qint64 low, qint64 high);

// Adds a record under the number choose gives, and posts it; fill gives the
// new record its other fields. The number is chosen from the records as
// stored, while every other desk's choice on this table waits (the table's
// hold on additions), and the record is stored in the same change, so two
// desks adding at once never take the same number. choose returning 0 adds
// nothing (no number is left). Nothing is stored, and no new record is left
// pending, when it fails. Returns the number.
qint64 addWithNumber(Table& table, const QString& field, const std::function<qint64()>& choose,
                     const std::function<void(qint64 number)>& fill);

// A person or a group: numbered one past the largest stored number, skipping
// the held ones.
qint64 addNumbered(Table& table, const QString& field, const QSet<qint64>& held,
                   const std::function<void(qint64 number)>& fill);

} // namespace pages
