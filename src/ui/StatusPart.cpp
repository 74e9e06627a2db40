#include "ui/StatusPart.h"

#include <QHelpEvent>

#include <QPainter>
#include <QStyle>
#include <QToolTip>

StatusPart::StatusPart(const QString& name, QWidget* parent) : QLabel(parent)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void StatusPart::setText(const QString& shown, const QString& whole)
{
    QLabel::setText(shown);
    setToolTip(whole == shown ? QString() : whole);
}

void StatusPart::setLines(int lines)
{
    m_lines = qMax(1, lines);
    updateGeometry();
    update();
}

int StatusPart::flags() const
{
    return int(alignment()) | (m_lines > 1 ? Qt::TextWordWrap : 0);
}

QSize StatusPart::needed(const QString& text, int width) const
{
    const int wrap = m_lines > 1 ? Qt::TextWordWrap : Qt::TextSingleLine;
    return fontMetrics()
        .boundingRect(QRect(0, 0, width, fontMetrics().height() * 64), Qt::AlignLeft | Qt::AlignTop | wrap, text)
        .size();
}

bool StatusPart::fits(const QString& text) const
{
    const QRect room = contentsRect();
    const QSize size = needed(text, room.width());
    return size.width() <= room.width() && size.height() <= room.height();
}

QSize StatusPart::sizeHint() const
{
    // Asks for the whole text on one line; the layout may give less.
    const QMargins m = contentsMargins();
    const int wide = fontMetrics().horizontalAdvance(text()) * 2 + 8;
    return {qMin(needed(text(), wide).width(), wide) + m.left() + m.right(),
            fontMetrics().height() * m_lines + m.top() + m.bottom()};
}

QSize StatusPart::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), fontMetrics().height() * m_lines + m.top() + m.bottom()};
}

QString StatusPart::shownText() const
{
    const QString whole = text();
    if (fits(whole))
        return whole;
    // Too long for the room: as much as the lines hold, a little less
    // where the wrap leaves the end of a line empty.
    const int width = contentsRect().width();
    for (int room = width * m_lines; room > 0; room -= fontMetrics().averageCharWidth() * 2) {
        const QString shortened = fontMetrics().elidedText(whole, Qt::ElideRight, room);
        if (fits(shortened))
            return shortened;
    }
    return fontMetrics().elidedText(whole, Qt::ElideRight, width);
}

bool StatusPart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const QString tip = toolTip().isEmpty() ? text() : toolTip();
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        return true;
    }
    return QLabel::event(event);
}

void StatusPart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), flags(), palette(), isEnabled(), shownText(), foregroundRole());
}
