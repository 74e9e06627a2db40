#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

// A printed list: a title, column headings and rows of text, laid out on as
// many pages as it needs.
struct PrintSheet
{
    QString title;
    QStringList headings;
    QList<bool> numeric; // per column: right-aligned
    QList<QStringList> rows;
    QString emptyText; // printed under the headings when there is no row
};

// What heads every page: the product, the installation's system number and
// the date on the left, the page number on the right.
struct PageHeader
{
    QString product;
    QString systemNumber; // "System number 123456", already in the language
    QString date;
    QString pageFormat; // "Page %1 of %2"
    QString footer;     // under the last line of every page (the audit's newest hash), or empty
};

// Paints the sheet onto the device's pages (A4 portrait is set here), every
// page under its header; returns the number of pages, 0 when the device
// would not start (a printer that is not there).
int printSheet(QPagedPaintDevice& device, const PrintSheet& sheet, const PageHeader& header);

// The sheet as the bytes of a PDF file; *pages gets the page count.
QByteArray sheetPdf(const PrintSheet& sheet, const PageHeader& header, int* pages);
