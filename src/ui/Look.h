#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QTableView;
class QWidget;

// Colours and fonts of the windows.
namespace Look {

// Colours are stored the Windows way: red in the low byte, green in the next,
// blue in the third (13616833 is red 193, green 198, blue 207).
inline QColor winColor(quint32 value)
{
    return QColor::fromRgb(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

// "#rrggbb", for style sheets.
QString cssColor(quint32 value);

inline constexpr quint32 FormColor = 9224369;  // main window background
inline constexpr quint32 PageColor = 13616833; // page fill, also the colour of locked data controls

// The windows were drawn for MS Sans Serif and Tahoma at 96 dpi. Liberation
// Sans has Arial's metrics, close to both, so the captions fit the fixed
// control widths; DejaVu Sans is the fallback. Sizes are in pixels.
QFont uiFont(int pixelSize, bool bold = false);

// Width of the indicator column left of a record grid's rows.
inline constexpr int GridIndicatorWidth = 12;

// Disabled texts in a dark grey: what the user role may not change stays
// readable, only less prominent than what it may.
void keepDisabledLegible(QPalette& palette);

// Background of an edit, memo, drop-down list or grid, through the palette so
// that a later repaint takes effect. An invalid colour (QColor()) gives the
// control back the system window colour.
void paintControl(QWidget* control, const QColor& color);

// A read-only list of records, selected by whole rows, the row numbers hidden.
QTableView* recordList(QWidget* parent, const char* name);

} // namespace Look
