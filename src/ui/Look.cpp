#include "ui/Look.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPalette>
#include <QTableView>
#include <QWidget>

namespace Look {

QString cssColor(quint32 value)
{
    return winColor(value).name(QColor::HexRgb);
}

QFont uiFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void keepDisabledLegible(QPalette& palette)
{
    const QColor disabledText(80, 80, 80);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
}

void paintControl(QWidget* control, const QColor& color)
{
    const QPalette system = QApplication::palette(control);
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, color.isValid() ? color : system.color(QPalette::Base));
    // A drop-down list that takes no typing is drawn as a button.
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && !combo->isEditable())
        palette.setColor(QPalette::Button, color.isValid() ? color : system.color(QPalette::Button));
    control->setPalette(palette);
}

QTableView* recordList(QWidget* parent, const char* name)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    // Fixed row heights: a list of every person opens without measuring each row.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace Look
