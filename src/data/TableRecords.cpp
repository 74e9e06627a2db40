#include "config/AppError.h"
#include "data/Table.h"
#include "dbf/RecordStore.h"

// Reading every stored record past the persons search, for the lists that
// look at the whole installation.

QList<QVariantList> Table::storedRecords(const QList<int>& positions) const
{
    QList<int> fields;
    for (int position : positions)
        fields.append(checkPosition(position));
    return store().storedRecords(fields);
}

Table::Scan::Scan(Table& table) : m_table(table), m_hold(table)
{
    m_table.post();
    m_row = m_table.currentRow();
    m_filter = m_table.filterActive();
    if (m_filter)
        m_table.setFilterActive(false);
}

Table::Scan::~Scan()
{
    try {
        if (m_filter)
            m_table.setFilterActive(true);
        if (m_row >= 0 && m_row < m_table.rowCount())
            m_table.moveToRow(m_row);
    } catch (const AppError&) {
        // Only a pending change can fail to store here, and the scan posted
        // it; the error that ended the scan is the one the operator sees.
    }
}
