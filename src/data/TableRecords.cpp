#include "data/DbfFile.h"
#include "data/Table.h"

// Reading every stored record past the persons search, for the lists that
// look at the whole installation.

QList<QVariantList> Table::storedRecords(const QList<int>& positions) const
{
    QList<int> fields;
    for (int position : positions)
        fields.append(checkPosition(position));
    const DbfFile& f = file();
    QList<QVariantList> records;
    records.reserve(f.recordCount());
    for (int r = 0; r < f.recordCount(); ++r) {
        if (f.isDeleted(r))
            continue;
        QVariantList values;
        values.reserve(fields.size());
        for (int field : fields)
            values.append(readField(r, field));
        records.append(values);
    }
    return records;
}
