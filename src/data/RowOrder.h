#pragma once

#include <QCollator>
#include <QLocale>
#include <QVariant>

#include <vector>

// How the grids and the printed lists order rows by one column: numbers by
// value, texts in the alphabet of the operator's language with digits read
// as numbers ("Reader 9" before "Reader 10") and letter case ignored; rows
// with equal values keep the order they came in (the natural order).
namespace roworder {

QCollator collator(const QLocale& locale);

// The given row numbers 0..values.size()-1 in that order.
std::vector<int> sorted(const std::vector<QVariant>& values, bool numeric, Qt::SortOrder order,
                        const QCollator& collator);

// Whether a comes before b.
bool before(const QVariant& a, const QVariant& b, bool numeric, Qt::SortOrder order, const QCollator& collator);

} // namespace roworder
