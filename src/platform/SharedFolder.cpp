#include "platform/SharedFolder.h"

#include <algorithm>

// The judgement itself takes only the facts, so that it reads the same on
// every system; only Linux gathers such facts of a folder.
namespace shared {

FolderAccess judgeAccess(const FolderFacts& f)
{
    constexpr unsigned All = 07; // read, write, enter
    const auto holds = [](const std::vector<unsigned>& groups, unsigned group) {
        return std::find(groups.begin(), groups.end(), group) != groups.end();
    };
    if (f.account == 0)
        return FolderAccess::Granted;
    if (f.account == f.owner)
        return ((f.mode >> 6) & All) == All ? FolderAccess::Granted : FolderAccess::Refused;
    if (holds(f.processGroups, f.group))
        return ((f.mode >> 3) & All) == All ? FolderAccess::Granted : FolderAccess::Refused;
    if ((f.mode & All) == All)
        return FolderAccess::Granted;
    if (((f.mode >> 3) & All) != All)
        return FolderAccess::Refused;
    return holds(f.accountGroups, f.group) ? FolderAccess::GroupNotActive : FolderAccess::NotInGroup;
}

} // namespace shared
