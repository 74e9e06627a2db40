#include "sim/SwapOption.h"

#include <QRegularExpression>

namespace swapoption {

namespace {

const QString Option = QStringLiteral("--swap");

// "MS" or "TAKE_MS:PLACE_MS".
std::optional<Swap> value(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,9})(?::(\\d{1,9}))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    if (m.captured(2).isEmpty())
        return Swap{0, m.captured(1).toLongLong()};
    return Swap{m.captured(1).toLongLong(), m.captured(2).toLongLong()};
}

} // namespace

std::optional<Swap> parse(const QString& arg, const std::optional<QString>& next, int* used, QString* error)
{
    *used = 0;
    if (arg.startsWith(Option + u'=')) {
        *used = 1;
        const QString text = arg.mid(Option.size() + 1);
        const std::optional<Swap> swap = value(text);
        if (!swap)
            *error = QStringLiteral("--swap=%1: expected MS or TAKE_MS:PLACE_MS, whole milliseconds").arg(text);
        return swap;
    }
    if (arg != Option)
        return std::nullopt;
    *used = 1;
    // The two-argument form always had the colon; a lone number after a bare
    // --swap is not taken, so "--swap 300" cannot be read two ways.
    if (next && next->contains(u':')) {
        *used = 2;
        const std::optional<Swap> swap = value(*next);
        if (!swap)
            *error = QStringLiteral("--swap %1: expected TAKE_MS:PLACE_MS, whole milliseconds").arg(*next);
        return swap;
    }
    return Swap{0, DefaultPauseMs};
}

std::optional<Swap> parseItem(const QString& item, QString* error)
{
    const QString word = QStringLiteral("swap");
    if (item.compare(word, Qt::CaseInsensitive) == 0)
        return Swap{0, DefaultPauseMs};
    if (!item.startsWith(word + u'=', Qt::CaseInsensitive))
        return std::nullopt;
    const QString text = item.mid(word.size() + 1);
    const std::optional<Swap> swap = value(text);
    if (!swap)
        *error = QStringLiteral("%1: expected swap=MS or swap=TAKE_MS:PLACE_MS, whole milliseconds").arg(item);
    return swap;
}

} // namespace swapoption
