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

qint64 lowestFreeInteger(const Table& table, const QString& field, qint64 low, qint64 high)
{
    const int position = table.fieldPosition(field);
    QSet<qint64> taken;
    for (int row = 0; row < table.rowCount(); ++row)
        taken.insert(table.valueAt(row, position).toLongLong());
    for (qint64 number = low; number <= high; ++number)
        if (!taken.contains(number))
            return number;
    return 0;
}

qint64 addWithNumber(Table& table, const QString& field, const std::function<qint64()>& choose,
                     const std::function<void(qint64)>& fill)
{
    Table::Batch batch(table);
    table.holdOtherAppends();
    const qint64 number = choose();
    if (number == 0) {
        batch.commit(); // nothing was changed
        return 0;
    }
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

qint64 addNumbered(Table& table, const QString& field, const QSet<qint64>& held,
                   const std::function<void(qint64)>& fill)
{
    return addWithNumber(
        table, field, [&] { return field::nextFreeNumber(largestInteger(table, field), held); }, fill);
}

} // namespace pages
