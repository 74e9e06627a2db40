#include "data/TableModel.h"

#include "config/AppError.h"
#include "data/Table.h"

TableModel::TableModel(Table* table, const QStringList& fields, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_titles(fields), m_fields(fields)
{
    for (const QString& field : fields)
        m_positions.append(table->isOpen() ? table->fieldPosition(field) : 0);
    connect(table, &Table::rowsAboutToReset, this, &TableModel::beginResetModel);
    connect(table, &Table::rowsReset, this, [this] {
        // A table opened after the model was made: find the columns now.
        for (int c = 0; c < m_positions.size(); ++c)
            if (m_positions[c] == 0 && m_table && m_table->isOpen())
                m_positions[c] = m_table->fieldPosition(m_fields.value(c));
        endResetModel();
    });
    connect(table, &Table::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole});
    });
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
        const QVariant v = m_table->valueAt(index.row(), position);
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("T") : QStringLiteral("F");
        return v;
    }
    if (role == Qt::TextAlignmentRole) {
        const QChar type = m_table->fieldType(position);
        if (type == u'N' || type == u'F' || type == u'I' || type == u'+')
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_titles.size() ? QVariant(m_titles[section]) : QVariant();
    return section + 1;
}
