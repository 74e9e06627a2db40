#include "ui/DbComboBox.h"

#include "data/Table.h"

#include <QLineEdit>

DbComboBox::DbComboBox(QWidget* parent) : LockableComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    auto changed = [this] {
        if (m_showing || isReadOnly())
            return;
        m_link.typed([this] { return currentText(); },
                     [this](const QString& typed) {
                         m_showing = true;
                         setEditText(typed);
                         m_showing = false;
                     });
    };
    connect(lineEdit(), &QLineEdit::textEdited, this, changed);
    connect(this, &QComboBox::activated, this, changed);
}

void DbComboBox::bind(DataSource* source, const QString& field)
{
    m_link.bind(
        this, source, field,
        [this] {
            m_showing = true;
            setEditText(m_link.text());
            m_showing = false;
        },
        [this] { m_link.table()->setText(m_link.field(), currentText()); });
}
