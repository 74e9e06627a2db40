#include "pages/NewNumbers.h"

#include "data/Table.h"

namespace pages {

qint64 largestInteger(const Table& table, const QString& field)
{
    const int position = table.fieldPosition(field);
    qint64 largest = 0;
    for (int row = 0; row < table.rowCount(); ++row)
        largest = qMax(largest, table.valueAt(row, position).toLongLong());
    return largest;
}

} // namespace pages
