#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QPointer>
#include <QStringList>

#include <vector>

class Table;

// The visible records of a table as rows, the given fields as columns, for a
// record grid. Read-only; follows the table's row changes. data() runs while
// the grid paints and never throws: a value that cannot be read (a damaged
// note) shows empty, and the first such error is handed on by readFailed().
//
// The rows may be sorted by one column (sort()): numbers by value, texts in
// the collation of the operator's language, equal values in natural order.
// Only the rows shown move; the table, its natural order and its current
// record stay as they are: tableRow() and modelRow() translate.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    TableModel(Table* table, const QStringList& fields, QObject* parent = nullptr);

    Table* table() const { return m_table; }
    const QStringList& fields() const { return m_fields; }
    void setColumnTitle(int column, const QString& title);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Column -1 (or one the table lacks) shows the natural order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void setCollationLocale(const QLocale& locale);
    // The table's row shown as this model row, and back; -1 for none.
    int tableRow(int modelRow) const;
    int modelRow(int tableRow) const;

signals:
    // Once per model, after the paint that met the error has finished.
    void readFailed(const QString& message);

private:
    QVariant value(const QModelIndex& index, int role) const;
    void reportOnce(const QString& message) const;
    // The order of the table's rows by the sort column (empty: natural).
    void buildOrder();
    bool stillInOrder(int tableRow) const;
    QVariant sortValue(int tableRow) const;
    bool sortedByNumber() const;

    QPointer<Table> m_table;
    QList<int> m_positions; // 0 for a field the table lacks: the column stays empty
    QStringList m_titles;
    QStringList m_fields;
    mutable bool m_failureReported = false;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QCollator m_collator;
    std::vector<int> m_order; // model row -> table row, while sorted
    std::vector<int> m_rowOf; // table row -> model row, while sorted
};
