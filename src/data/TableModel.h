#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class Table;

// The visible records of a table as rows, the given fields as columns, for a
// record grid. Read-only; follows the table's row changes.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    TableModel(Table* table, const QStringList& fields, QObject* parent = nullptr);

    Table* table() const { return m_table; }
    void setColumnTitle(int column, const QString& title);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QPointer<Table> m_table;
    QList<int> m_positions; // 0 for a field the table lacks: the column stays empty
    QStringList m_titles;
    QStringList m_fields;
};
