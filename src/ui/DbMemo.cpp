#include "ui/DbMemo.h"

#include "data/Table.h"

DbMemo::DbMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_showing || isReadOnly())
            return;
        m_link.typed([this] { return toPlainText(); },
                     [this](const QString& typed) {
                         m_showing = true;
                         setPlainText(typed);
                         moveCursor(QTextCursor::End);
                         m_showing = false;
                     });
    });
}

void DbMemo::bind(DataSource* source, const QString& field)
{
    auto show = [this] {
        QString error;
        const QString text = m_link.text(&error);
        m_showing = true;
        setPlainText(text);
        setPlaceholderText(error); // a damaged note says why it shows nothing
        m_showing = false;
    };
    auto writeBack = [this] {
        // Notes are kept with the CR LF line ends dBase tools expect.
        QString text = toPlainText();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        m_link.table()->setText(m_link.field(), text);
    };
    m_link.bind(this, source, field, show, writeBack);
}
