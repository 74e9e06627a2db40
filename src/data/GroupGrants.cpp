#include "data/GroupGrants.h"

#include "data/Table.h"
#include "data/TableLayouts.h"

namespace grants {

Grant grantFor(const QString& group, const FindGroup& findGroup)
{
    if (group == TableLayouts::NoGroupMarker)
        return {cards::noAccessData(), false};
    const std::optional<cards::AccessFlags> flags = group.isEmpty() ? std::nullopt : findGroup(group);
    if (!flags)
        return {cards::noAccessData(), true};
    return {cards::userCardData(*flags), false};
}

cards::AccessFlags flagsAt(const Table& groups, int row)
{
    cards::AccessFlags flags;
    for (int n = 1; n <= cards::ReaderCount; ++n)
        flags[n - 1] = groups.valueAt(row, TableLayouts::FirstAccessFlagPosition + n - 1).toBool();
    return flags;
}

} // namespace grants
