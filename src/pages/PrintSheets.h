#pragma once

#include "i18n/TextSlots.h"
#include "ui/SheetPrinter.h"

#include <QLocale>

#include <utility>

class Table;

// What Edit > Print puts on paper, from the tables as they are stored.
namespace printing {

// Every person (a search is set aside meanwhile): number, names, group and
// the number of duplicates, ordered as the persons grid is (sortField the
// field its rows are sorted by, empty for the natural order).
PrintSheet personsList(Table& persons, const TextSlots& texts, const QString& sortField, Qt::SortOrder order,
                       const QLocale& locale);

// The readers that the group in row groupRow of the groups table opens, by
// number, each with its name (or "No assignment!" for a number no reader has).
PrintSheet accessSheet(const Table& groups, int groupRow, const Table& readers, const TextSlots& texts);

// The groups to offer for an access sheet, each by its number and name, in
// the table's order.
QList<std::pair<qint64, QString>> groupChoices(const Table& groups);
// The row of a group offered by groupChoices(), found again by its number
// (by its name too where old tables gave several groups one number); -1 when
// it is gone, so that no other group's sheet is printed in its place.
int groupRow(const Table& groups, qint64 number, const QString& name);

} // namespace printing
