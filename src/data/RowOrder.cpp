#include "data/RowOrder.h"

#include <QHash>

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
    // Each distinct text is ranked once, and texts the collator holds equal
    // share a rank: Qt's sort keys on Windows carry bytes past the key's own
    // end, so two keys of equal texts may differ; only the collator's own
    // comparison tells, and ties then keep the table's order.
    QHash<QString, int> rankOf;
    std::vector<QString> texts;
    for (const QVariant& v : values) {
        const QString text = v.toString();
        if (!rankOf.contains(text)) {
            rankOf.insert(text, 0);
            texts.push_back(text);
        }
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(texts.size());
    for (const QString& text : texts)
        keys.push_back(collator.sortKey(text));
    std::vector<int> byKey(texts.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    int rank = 0;
    for (size_t i = 0; i < byKey.size(); ++i) {
        if (i > 0 && collator.compare(texts[size_t(byKey[i - 1])], texts[size_t(byKey[i])]) != 0)
            ++rank;
        rankOf[texts[size_t(byKey[i])]] = rank;
    }
    std::vector<int> ranks(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        ranks[i] = rankOf.value(values[i].toString());
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        return ascending ? ranks[size_t(a)] < ranks[size_t(b)] : ranks[size_t(b)] < ranks[size_t(a)];
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
