#pragma once

#include "cards/UserCard.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class Table;

// What a person's card carries for the group the person's GROUP names. One
// rule for Program, which writes it, and for the cards-to-rewrite list, which
// compares the cards handed out with it.
namespace grants {

struct Grant
{
    QByteArray data;           // blocks 3..6 from the card codec
    bool groupMissing = false; // GROUP names no group (nor the no-group marker)
};

// The flags of the group of exactly that name, or nothing when there is none.
using FindGroup = std::function<std::optional<cards::AccessFlags>(const QString& name)>;

// The no-group marker grants no door. A group that is found grants its
// readers; a group that is not found (or no group at all) grants no door, so
// a card never carries the doors of a group nobody chose.
Grant grantFor(const QString& group, const FindGroup& findGroup);

// P1..P96 of a visible row of the groups table, as stored.
cards::AccessFlags flagsAt(const Table& groups, int row);

} // namespace grants
