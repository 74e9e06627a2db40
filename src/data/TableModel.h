#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class Table;

// The visible records of a table as rows, the given fields as columns, for a
// record grid. Read-only; follows the table's row changes. data() runs while
// the grid paints and never throws: a value that cannot be read (a damaged
// note) shows empty, and the first such error is handed on by readFailed().
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

signals:
    // Once per model, after the paint that met the error has finished.
    void readFailed(const QString& message);

private:
    QVariant value(const QModelIndex& index, int role) const;
    void reportOnce(const QString& message) const;

    QPointer<Table> m_table;
    QList<int> m_positions; // 0 for a field the table lacks: the column stays empty
    QStringList m_titles;
    QStringList m_fields;
    mutable bool m_failureReported = false;
};
