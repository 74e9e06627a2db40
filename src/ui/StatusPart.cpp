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

QSize StatusPart::sizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(text()) + m.left() + m.right(),
            fontMetrics().height() + m.top() + m.bottom()};
}

QSize StatusPart::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), fontMetrics().height() + m.top() + m.bottom()};
}

QString StatusPart::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
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
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}
