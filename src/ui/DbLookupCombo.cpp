#include "ui/DbLookupCombo.h"

#include "data/Table.h"
#include "ui/DataSource.h"
#include "ui/MessageBox.h"

DbLookupCombo::DbLookupCombo(QWidget* parent) : LockableComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DbLookupCombo::picked);
}

DbLookupCombo::~DbLookupCombo()
{
    // The list table's changes refill the items from members that go now.
    if (m_listSource && m_listSource->table())
        disconnect(m_listSource->table(), nullptr, this, nullptr);
}

void DbLookupCombo::bind(DataSource* source, const QString& field, DataSource* listSource, const QString& listField)
{
    if (m_listSource && m_listSource->table())
        disconnect(m_listSource->table(), nullptr, this, nullptr);
    m_listSource = listSource;
    m_listField = listField;
    if (listSource && listSource->table()) {
        Table* list = listSource->table();
        // A change in the list table only redraws the list: moving the list
        // table here would pull it away from the record being edited there.
        auto refill = [this] {
            fillItems();
            showValue();
        };
        connect(list, &Table::rowsReset, this, refill);
        connect(list, &Table::rowChanged, this, refill);
    }
    fillItems();
    m_link.bind(this, source, field, [this] { showRecord(); }, {});
}

void DbLookupCombo::fillItems()
{
    QStringList items;
    Table* list = m_listSource ? m_listSource->table() : nullptr;
    if (list && list->isOpen()) {
        const int position = list->fieldPosition(m_listField);
        if (position > 0)
            for (int row = 0; row < list->rowCount(); ++row)
                items << list->valueAt(row, position).toString();
    }
    m_showing = true;
    clear();
    addItems(items);
    m_showing = false;
}

void DbLookupCombo::showRecord()
{
    showValue();
    positionList();
}

void DbLookupCombo::showValue()
{
    const QString value = m_link.text();
    m_showing = true;
    setCurrentIndex(value.isEmpty() ? -1 : findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_showing = false;
}

void DbLookupCombo::positionList()
{
    Table* list = m_listSource ? m_listSource->table() : nullptr;
    if (!list || !list->isOpen() || !m_link.tableOpen())
        return;
    const QString value = m_link.text();
    if (value.isEmpty())
        return; // no group: the list table stays where it is
    MessageBox::guarded([&] { list->locate(m_listField, value, Qt::CaseSensitive); });
}

void DbLookupCombo::picked(int index)
{
    if (m_showing || isReadOnly() || index < 0 || !m_link.tableOpen())
        return;
    const QString value = itemText(index);
    if (!m_link.startEdit()) {
        showRecord();
        return;
    }
    if (MessageBox::guarded([&] { m_link.table()->setText(m_link.field(), value); })) {
        m_showing = true;
        setCurrentIndex(index);
        m_showing = false;
        positionList();
    } else {
        showRecord();
    }
}
