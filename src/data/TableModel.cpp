#include "data/TableModel.h"

#include "config/AppError.h"
#include "data/RowOrder.h"
#include "data/Table.h"

TableModel::TableModel(Table* table, const QStringList& fields, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_titles(fields), m_fields(fields),
      m_collator(roworder::collator(QLocale()))
{
    for (const QString& field : fields)
        m_positions.append(table->isOpen() ? table->fieldPosition(field) : 0);
    connect(table, &Table::rowsAboutToReset, this, &TableModel::beginResetModel);
    connect(table, &Table::rowsReset, this, [this] {
        // A table opened after the model was made: find the columns now.
        for (int c = 0; c < m_positions.size(); ++c)
            if (m_positions[c] == 0 && m_table && m_table->isOpen())
                m_positions[c] = m_table->fieldPosition(m_fields.value(c));
        buildOrder();
        endResetModel();
    });
    connect(table, &Table::rowChanged, this, [this](int row) {
        if (row < 0 || row >= rowCount() || columnCount() == 0)
            return;
        if (!stillInOrder(row)) {
            // The changed value moves the row elsewhere in the order.
            beginResetModel();
            buildOrder();
            endResetModel();
            return;
        }
        const int shown = modelRow(row);
        emit dataChanged(index(shown, 0), index(shown, columnCount() - 1), {Qt::DisplayRole});
    });
}

void TableModel::sort(int column, Qt::SortOrder order)
{
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    beginResetModel();
    m_sortColumn = column >= 0 && column < m_positions.size() ? column : -1;
    m_sortOrder = order;
    buildOrder();
    endResetModel();
}

void TableModel::setCollationLocale(const QLocale& locale)
{
    if (m_collator.locale() == locale)
        return;
    beginResetModel();
    m_collator = roworder::collator(locale);
    buildOrder();
    endResetModel();
}

int TableModel::tableRow(int modelRow) const
{
    if (modelRow < 0 || modelRow >= rowCount())
        return -1;
    return m_order.empty() ? modelRow : m_order[size_t(modelRow)];
}

int TableModel::modelRow(int tableRow) const
{
    if (tableRow < 0 || tableRow >= rowCount())
        return -1;
    return m_rowOf.empty() ? tableRow : m_rowOf[size_t(tableRow)];
}

QVariant TableModel::sortValue(int tableRow) const
{
    try {
        return m_table->valueAt(tableRow, m_positions[m_sortColumn]);
    } catch (const AppError&) {
        return {}; // a damaged value sorts as an empty one
    }
}

bool TableModel::sortedByNumber() const
{
    return m_table->isNumeric(m_positions[m_sortColumn]);
}

bool TableModel::stillInOrder(int tableRow) const
{
    if (m_order.empty() || m_order.size() != size_t(rowCount()))
        return m_order.empty();
    const int at = modelRow(tableRow);
    const QVariant value = sortValue(tableRow);
    const bool numeric = sortedByNumber();
    if (at > 0 && roworder::before(value, sortValue(m_order[size_t(at - 1)]), numeric, m_sortOrder, m_collator))
        return false;
    if (at + 1 < rowCount() &&
        roworder::before(sortValue(m_order[size_t(at + 1)]), value, numeric, m_sortOrder, m_collator))
        return false;
    return true;
}

void TableModel::buildOrder()
{
    m_order.clear();
    m_rowOf.clear();
    if (m_sortColumn < 0 || !m_table || !m_table->isOpen() || m_positions[m_sortColumn] == 0)
        return;
    const int rows = m_table->rowCount();
    std::vector<QVariant> values(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        values[size_t(r)] = sortValue(r);
    m_order = roworder::sorted(values, sortedByNumber(), m_sortOrder, m_collator);
    m_rowOf.resize(size_t(rows));
    for (int shown = 0; shown < rows; ++shown)
        m_rowOf[size_t(m_order[size_t(shown)])] = shown;
}

void TableModel::setColumnTitle(int column, const QString& title)
{
    if (column < 0 || column >= m_titles.size())
        return;
    m_titles[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_table)
        return 0;
    return m_table->rowCount();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_positions.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    try {
        return value(index, role);
    } catch (const AppError& e) {
        reportOnce(e.message());
    } catch (const std::exception& e) {
        reportOnce(QString::fromUtf8(e.what()));
    }
    return {};
}

void TableModel::reportOnce(const QString& message) const
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    // Not from inside the paint: a message box there would paint the grid again.
    auto* self = const_cast<TableModel*>(this);
    QMetaObject::invokeMethod(
        self, [self, message] { emit self->readFailed(message); }, Qt::QueuedConnection);
}

QVariant TableModel::value(const QModelIndex& index, int role) const
{
    if (!m_table || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int position = m_positions[index.column()];
    if (position == 0)
        return {};
    if (role == Qt::DisplayRole) {
        const QVariant v = m_table->valueAt(tableRow(index.row()), position);
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("T") : QStringLiteral("F");
        return v;
    }
    if (role == Qt::TextAlignmentRole) {
        if (m_table->isNumeric(position))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // A first click on a column title sorts upwards, a second downwards.
    if (role == Qt::InitialSortOrderRole)
        return int(Qt::AscendingOrder);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_titles.size() ? QVariant(m_titles[section]) : QVariant();
    return section + 1;
}
