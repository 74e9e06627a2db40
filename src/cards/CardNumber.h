#pragma once

#include "cards/CardFrame.h"

#include <QString>

#include <optional>

// The card's identifier D0..D4 as installers and the readers of other systems
// print an EM4100 card's number. An installer compares these with what a
// hand-held reader or another system shows for the same card.
namespace cards {

struct PrintedNumber
{
    QString hex;          // D0..D4 as 10 hex digits, upper case
    QString decimal32;    // the low 32 bits (D1..D4), 10 decimal digits
    QString decimal24;    // the low 24 bits (D2..D4), 8 decimal digits
    QString facilityCard; // D2 in three digits, a comma, D3 * 256 + D4 in five
};

PrintedNumber printedNumber(const Identifier& id);

// The identifier of a card written with these values: a user card, or a
// configuration card for person 0 (its duplicate is 0). Nothing, with the
// reason in *error when given, for values no card carries.
std::optional<Identifier> identifierOf(qint64 systemCode, qint64 personNumber, qint64 duplicateIndex,
                                       QString* error = nullptr);

} // namespace cards
