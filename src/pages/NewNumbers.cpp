#include "pages/NewNumbers.h"

#include "config/AppError.h"
#include "journal/CardsInField.h"
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

qint64 addNumbered(Table& table, const QString& field, const QSet<qint64>& held,
                   const std::function<void(qint64)>& fill)
{
    Table::Batch batch(table);
    table.holdOtherAppends();
    const qint64 number = field::nextFreeNumber(largestInteger(table, field), held);
    table.insert();
    try {
        table.setInteger(field, number);
        fill(number);
        table.post();
    } catch (const AppError&) {
        table.cancel();
        throw;
    }
    batch.commit();
    return number;
}

} // namespace pages
