#include "ui/DbCheckBox.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "ui/MessageBox.h"

DbCheckBox::DbCheckBox(QWidget* parent) : QCheckBox(parent) {}

void DbCheckBox::bind(DataSource* source, const QString& field)
{
    m_link.bind(this, source, field, [this] { showRecord(); }, {});
}

void DbCheckBox::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

void DbCheckBox::nextCheckState()
{
    if (m_readOnly)
        return;
    if (!m_link.tableOpen()) {
        QCheckBox::nextCheckState();
        return;
    }
    const bool value = !isChecked();
    if (!m_link.startEdit())
        return;
    if (MessageBox::guarded([&] { m_link.table()->setLogical(m_link.field(), value); }))
        setChecked(value);
    else
        showRecord();
}

void DbCheckBox::showRecord()
{
    bool value = false;
    if (m_link.tableOpen()) {
        try {
            value = m_link.table()->asLogical(m_link.field());
        } catch (const AppError&) {
            value = false; // a field the table lacks shows unticked
        }
    }
    setChecked(value);
}
