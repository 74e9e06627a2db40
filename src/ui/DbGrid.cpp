#include "ui/DbGrid.h"

#include "data/Table.h"
#include "data/TableModel.h"
#include "ui/DataSource.h"
#include "ui/MessageBox.h"

#include <QHeaderView>

DbGrid::DbGrid(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

DbGrid::~DbGrid()
{
    // The model follows the table until it is deleted; it goes here, while
    // the grid is still whole, rather than among the view's children later.
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    if (QItemSelectionModel* selection = selectionModel())
        disconnect(selection, nullptr, this, nullptr);
    delete m_model;
    m_model = nullptr;
}

void DbGrid::bind(DataSource* source, const QList<Column>& columns)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    QStringList fields;
    for (const Column& c : columns)
        fields << c.field;
    TableModel* old = m_model;
    m_model = new TableModel(source->table(), fields, this);
    // A value the grid cannot read (a damaged note) shows empty; the
    // operator is told once, after the paint that met it.
    connect(m_model, &TableModel::readFailed, this,
            [](const QString& message) { MessageBox::show(message, MessageBox::ErrorCaption); });
    m_model->setCollationLocale(m_sortLocale);
    setModel(m_model);
    delete old;
    // Natural order until the operator clicks a column title.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DbGrid::followTable);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].width > 0)
            setColumnWidth(i, columns[i].width);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { rowPicked(current); });
    connect(source, &DataSource::recordChanged, this, &DbGrid::followTable);
    followTable();
}

void DbGrid::setSortLocale(const QLocale& locale)
{
    m_sortLocale = locale;
    if (m_model)
        m_model->setCollationLocale(locale);
}

void DbGrid::setColumnTitle(int column, const QString& title)
{
    if (m_model)
        m_model->setColumnTitle(column, title);
}

void DbGrid::followTable()
{
    Table* table = m_source ? m_source->table() : nullptr;
    if (!table || !m_model)
        return;
    m_following = true;
    const int row = m_model->modelRow(table->currentRow());
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = qMax(0, currentIndex().column());
        const QModelIndex index = m_model->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    } else {
        selectionModel()->clear();
    }
    m_following = false;
}

void DbGrid::rowPicked(const QModelIndex& current)
{
    if (m_following || !current.isValid() || !m_source || !m_source->table())
        return;
    Table* table = m_source->table();
    const int row = m_model->tableRow(current.row());
    if (!MessageBox::guarded([&] { table->moveToRow(row); }))
        followTable(); // the move failed: the selection goes back to the current record
}
