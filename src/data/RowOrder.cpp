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
    // share a rank, so ties keep the table's order. Sort keys are quick, but
    // only the collator's own comparison is sure: Qt's keys on Windows carry
    // bytes past the key's own end and ignore the digits-as-numbers mode
    // ("Reader 199" before "Reader 9"). So the keys' order is checked pair by
    // pair, and where it differs the texts are sorted by the collator itself.
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
    std::vector<int> byText(texts.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    // The collator's verdict on each text against the one before it.
    const auto stepsOf = [&] {
        std::vector<int> steps(texts.size());
        for (size_t i = 1; i < byText.size(); ++i)
            steps[i] = collator.compare(texts[size_t(byText[i - 1])], texts[size_t(byText[i])]);
        return steps;
    };
    std::vector<int> steps = stepsOf();
    if (std::any_of(steps.begin(), steps.end(), [](int step) { return step > 0; })) {
        std::sort(byText.begin(), byText.end(),
                  [&](int a, int b) { return collator.compare(texts[size_t(a)], texts[size_t(b)]) < 0; });
        steps = stepsOf();
    }
    int rank = 0;
    for (size_t i = 0; i < byText.size(); ++i) {
        if (steps[i] != 0)
            ++rank;
        rankOf[texts[size_t(byText[i])]] = rank;
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
