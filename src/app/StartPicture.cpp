#include "app/StartPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// A proximity card with its antenna loops, at the given place.
void drawCard(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(QColor(40, 52, 70), 1.5));
    p.setBrush(QColor(246, 244, 236));
    p.drawRoundedRect(r, r.height() * 0.09, r.height() * 0.09);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(190, 140, 40), 1.2));
    for (int i = 0; i < 4; ++i) {
        const qreal inset = r.height() * (0.14 + 0.07 * i);
        p.drawRoundedRect(r.adjusted(inset * 1.3, inset, -inset * 1.3, -inset), 3, 3);
    }
}

} // namespace

QPixmap StartPicture()
{
    QPixmap pm(400, 200);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(24, 38, 72));
    sky.setColorAt(1, QColor(70, 96, 140));
    p.fillRect(pm.rect(), sky);

    // A door reader on the wall, the card on its way to it, the radio waves between.
    p.setPen(QPen(QColor(20, 20, 24), 2));
    p.setBrush(QColor(52, 58, 66));
    p.drawRoundedRect(QRectF(300, 28, 62, 104), 8, 8);
    p.setBrush(QColor(80, 200, 120));
    p.drawEllipse(QPointF(331, 116), 5, 5);
    p.setPen(QPen(QColor(200, 210, 225), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(310, 40, 42, 56), 4, 4);

    p.setPen(QPen(QColor(255, 214, 90, 190), 2.2));
    for (int i = 0; i < 3; ++i) {
        const qreal rad = 18 + 12 * i;
        p.drawArc(QRectF(292 - rad, 70 - rad, 2 * rad, 2 * rad), 140 * 16, 80 * 16);
    }

    p.save();
    p.translate(212, 78);
    p.rotate(-12);
    drawCard(p, QRectF(-44, -28, 88, 56));
    p.restore();

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(255, 214, 90));
    p.drawText(QRectF(18, 22, 200, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pellaro"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(12);
    p.setFont(sub);
    p.setPen(QColor(220, 228, 240));
    p.drawText(QRectF(20, 72, 200, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("access control\ncard programming"));
    return pm;
}

QPixmap WindowIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.translate(16, 16);
    p.rotate(-12);
    drawCard(p, QRectF(-14, -9.5, 28, 19));
    return pm;
}
