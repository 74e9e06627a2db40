#include "ui/DbText.h"

#include <QPainter>
#include <QStyle>

DbText::DbText(QWidget* parent) : QLabel(parent) {}

void DbText::bind(DataSource* source, const QString& field)
{
    m_link.bind(this, source, field, [this] { showValue(m_link.text()); }, {});
}

QString DbText::fitted() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void DbText::showValue(const QString& value)
{
    setText(value);
    setToolTip(fitted() == value ? QString() : value);
}

void DbText::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    setToolTip(fitted() == text() ? QString() : text());
}

void DbText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), fitted(),
                          foregroundRole());
}
