#pragma once

#include "ui/DataSource.h"

#include <QList>
#include <QLocale>
#include <QPointer>
#include <QTableView>

class TableModel;

// A read-only record grid: the selected row is the current record, and
// clicking (or moving with the keys to) a row makes that record current.
// Clicking a column title sorts the rows by it, a second click the other way
// round; the table's natural order is untouched (TableModel).
class DbGrid : public QTableView
{
    Q_OBJECT

public:
    struct Column
    {
        QString field;
        int width = 0; // 0: the view's default
    };

    explicit DbGrid(QWidget* parent = nullptr);
    ~DbGrid() override;
    void bind(DataSource* source, const QList<Column>& columns);
    void setColumnTitle(int column, const QString& title);
    DataSource* source() const { return m_source; }
    TableModel* tableModel() const { return m_model; }
    // Texts sort in this language's alphabet.
    void setSortLocale(const QLocale& locale);
    const QLocale& sortLocale() const { return m_sortLocale; }

private:
    void followTable();
    void rowPicked(const QModelIndex& current);

    QPointer<DataSource> m_source;
    TableModel* m_model = nullptr;
    bool m_following = false;
    QLocale m_sortLocale;
};
