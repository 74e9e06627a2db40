#include "ui/SheetPrinter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <numeric>

namespace {

constexpr double MarginMillimetres = 15;
constexpr int PdfResolution = 300;
constexpr int BodyPoints = 10;
constexpr int TitlePoints = 14;
// Space around a cell's text, in parts of the body's line height.
constexpr double CellPadding = 0.25;
const QString FontFamily = QStringLiteral("DejaVu Sans");

// How the sheet falls onto pages, all in device pixels.
struct Layout
{
    QRectF page;
    QFont body;
    QFont bold;
    QFont title;
    double line = 0;    // one row
    double padding = 0; // inside a cell
    QList<double> columns;
    int rowsPerPage = 1;
    int pages = 1;
};

QFont font(int points, bool bold, QPaintDevice* device)
{
    QFont f(FontFamily);
    f.setPointSize(points);
    f.setBold(bold);
    return QFont(f, device);
}

// Each column as wide as its widest text; when the page is too narrow the
// widest columns give way (their texts are cut with "…").
QList<double> columnWidths(const PrintSheet& sheet, const QFontMetricsF& body, const QFontMetricsF& bold,
                           double padding, double available)
{
    QList<double> widths;
    for (int c = 0; c < sheet.headings.size(); ++c) {
        double w = bold.horizontalAdvance(sheet.headings[c]);
        for (const QStringList& row : sheet.rows)
            w = std::max(w, body.horizontalAdvance(row.value(c)));
        widths.append(w + 2 * padding);
    }
    double excess = std::accumulate(widths.begin(), widths.end(), 0.0) - available;
    while (excess > 0) {
        const auto widest = std::max_element(widths.begin(), widths.end());
        double second = 0;
        for (auto it = widths.begin(); it != widths.end(); ++it)
            if (it != widest)
                second = std::max(second, *it);
        const double cut = std::min(excess, std::max(*widest - second, 1.0));
        *widest -= cut;
        excess -= cut;
    }
    return widths;
}

Layout layOut(QPagedPaintDevice& device, const PrintSheet& sheet)
{
    Layout l;
    l.body = font(BodyPoints, false, &device);
    l.bold = font(BodyPoints, true, &device);
    l.title = font(TitlePoints, true, &device);
    const QFontMetricsF body(l.body, &device);
    const QFontMetricsF bold(l.bold, &device);
    const QFontMetricsF title(l.title, &device);
    l.page = QRectF(0, 0, device.width(), device.height());
    l.padding = body.height() * CellPadding;
    l.line = body.height() + 2 * l.padding;
    l.columns = columnWidths(sheet, body, bold, l.padding, l.page.width());
    // Header line, rule, title, headings; then the rows.
    const double top = 2 * l.line + title.height() + l.line + l.line;
    l.rowsPerPage = std::max(1, int((l.page.height() - top) / l.line) - 2); // the footer and its space
    const int rows = std::max(1, int(sheet.rows.size()));
    l.pages = (rows + l.rowsPerPage - 1) / l.rowsPerPage;
    return l;
}

void drawRow(QPainter& p, const Layout& l, const PrintSheet& sheet, const QStringList& cells, double y)
{
    double x = l.page.left();
    const QFontMetricsF metrics(p.font(), p.device());
    for (int c = 0; c < l.columns.size(); ++c) {
        const QRectF cell(x + l.padding, y, l.columns[c] - 2 * l.padding, l.line);
        const Qt::Alignment align = (sheet.numeric.value(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        p.drawText(cell, align, metrics.elidedText(cells.value(c), Qt::ElideRight, cell.width()));
        x += l.columns[c];
    }
}

} // namespace

int printSheet(QPagedPaintDevice& device, const PrintSheet& sheet, const PageHeader& header)
{
    device.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(MarginMillimetres, MarginMillimetres, MarginMillimetres, MarginMillimetres),
                    QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&device))
        return 0;
    const Layout l = layOut(device, sheet);
    const double tableWidth = std::accumulate(l.columns.begin(), l.columns.end(), 0.0);
    for (int page = 0; page < l.pages; ++page) {
        if (page > 0)
            device.newPage();
        double y = l.page.top();
        p.setFont(l.body);
        const QRectF headerLine(l.page.left(), y, l.page.width(), l.line);
        p.drawText(headerLine, Qt::AlignLeft | Qt::AlignVCenter,
                   QStringList{header.product, header.systemNumber, header.date}.join(QStringLiteral("   ")));
        p.drawText(headerLine, Qt::AlignRight | Qt::AlignVCenter, header.pageFormat.arg(page + 1).arg(l.pages));
        p.drawText(QRectF(l.page.left(), l.page.bottom() - l.line, l.page.width(), l.line),
                   Qt::AlignLeft | Qt::AlignVCenter, header.footer);
        y += l.line;
        p.drawLine(QPointF(l.page.left(), y), QPointF(l.page.right(), y));
        y += l.line;
        p.setFont(l.title);
        const double titleHeight = QFontMetricsF(l.title, &device).height();
        p.drawText(QRectF(l.page.left(), y, l.page.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   sheet.title);
        y += titleHeight + l.line;
        p.setFont(l.bold);
        drawRow(p, l, sheet, sheet.headings, y);
        y += l.line;
        p.drawLine(QPointF(l.page.left(), y), QPointF(l.page.left() + tableWidth, y));
        p.setFont(l.body);
        if (sheet.rows.isEmpty()) {
            p.drawText(QRectF(l.page.left() + l.padding, y, l.page.width(), l.line), Qt::AlignLeft | Qt::AlignVCenter,
                       sheet.emptyText);
            continue;
        }
        const int first = page * l.rowsPerPage;
        const int last = std::min(int(sheet.rows.size()), first + l.rowsPerPage);
        for (int r = first; r < last; ++r, y += l.line)
            drawRow(p, l, sheet, sheet.rows[r], y);
    }
    p.end();
    return l.pages;
}

QByteArray sheetPdf(const PrintSheet& sheet, const PageHeader& header, int* pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(PdfResolution);
        writer.setTitle(sheet.title);
        writer.setCreator(header.product);
        *pages = printSheet(writer, sheet, header);
    }
    return buffer.data();
}
