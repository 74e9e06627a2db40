#include "data/RowOrder.h"

#include <algorithm>
#include <numeric>

namespace roworder {

QCollator collator(const QLocale& locale)
{
    QCollator c(locale);
    c.setNumericMode(true);
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
}

std::vector<int> sorted(const std::vector<QVariant>& values, bool numeric, Qt::SortOrder order,
                        const QCollator& collator)
{
    std::vector<int> rows(values.size());
    std::iota(rows.begin(), rows.end(), 0);
    const bool ascending = order == Qt::AscendingOrder;
    // Each row's key is made once: a sort of 65,535 persons compares about a
    // million times.
    if (numeric) {
        std::vector<double> keys(values.size());
        std::transform(values.begin(), values.end(), keys.begin(), [](const QVariant& v) { return v.toDouble(); });
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return ascending ? keys[size_t(a)] < keys[size_t(b)] : keys[size_t(b)] < keys[size_t(a)];
        });
        return rows;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(values.size());
    for (const QVariant& v : values)
        keys.push_back(collator.sortKey(v.toString()));
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        return ascending ? keys[size_t(a)].compare(keys[size_t(b)]) < 0 : keys[size_t(b)].compare(keys[size_t(a)]) < 0;
    });
    return rows;
}

bool before(const QVariant& a, const QVariant& b, bool numeric, Qt::SortOrder order, const QCollator& collator)
{
    const QVariant& first = order == Qt::AscendingOrder ? a : b;
    const QVariant& second = order == Qt::AscendingOrder ? b : a;
    if (numeric)
        return first.toDouble() < second.toDouble();
    return collator.compare(first.toString(), second.toString()) < 0;
}

} // namespace roworder
