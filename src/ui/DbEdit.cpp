#include "ui/DbEdit.h"

#include "data/Table.h"

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (isReadOnly())
            return;
        const int cursor = cursorPosition();
        m_link.typed([this] { return text(); },
                     [this, cursor](const QString& typed) {
                         setText(typed);
                         setCursorPosition(cursor);
                     });
    });
}

void DbEdit::bind(DataSource* source, const QString& field)
{
    m_link.bind(
        this, source, field,
        [this] {
            setText(m_link.text());
            setCursorPosition(0);
        },
        [this] { m_link.table()->setText(m_link.field(), text()); });
    if (m_link.tableOpen()) {
        const int position = m_link.table()->fieldPosition(field);
        if (position > 0 && m_link.table()->fieldType(position) == u'C')
            setMaxLength(m_link.table()->fieldWidth(position));
    }
}
