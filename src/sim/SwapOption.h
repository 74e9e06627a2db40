#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The simulator's --swap option: how an operator at a list is played. Once a
// card written has been read back, it is taken off takeMs later and a blank
// card is laid placeMs after that.
namespace swapoption {

struct Swap
{
    qint64 takeMs = 0;
    qint64 placeMs = 0;
    bool operator==(const Swap&) const = default;
};

// The pause before a new blank card when --swap names none.
constexpr qint64 DefaultPauseMs = 1500;

// The swap a port name's "swap" item asks for: "swap", "swap=MS" or
// "swap=TAKE_MS:PLACE_MS", read as --swap reads them; nothing (and no *error)
// for an item that is no swap, nothing with *error set for a bad value.
std::optional<Swap> parseItem(const QString& item, QString* error);

// The swap an argument asks for, with the argument after it where the
// older two-argument form takes it: "--swap" (the default pause),
// "--swap=MS" (the card taken off at once, a blank one MS later),
// "--swap=TAKE_MS:PLACE_MS", and "--swap TAKE_MS:PLACE_MS". *used is how
// many arguments it took (0 when arg is no --swap). Nothing with *error set
// when the value is not whole milliseconds from 0.
std::optional<Swap> parse(const QString& arg, const std::optional<QString>& next, int* used, QString* error);

} // namespace swapoption
