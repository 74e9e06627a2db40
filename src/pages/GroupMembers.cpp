#include "pages/GroupMembers.h"

#include "data/Table.h"
#include "data/TableLayouts.h"
#include "pages/EditMode.h"

namespace pages {

int reassignMembers(Table& persons, const QString& from, const QString& to, Table* within)
{
    postPending(persons);
    const int groupPosition = persons.fieldPosition(PersonField::Group);
    if (groupPosition == 0)
        return 0;

    // The search is on names, so the rows stay the same and the current one
    // is found again by its place.
    int changed = 0;
    Table::Scan scan(persons);
    Table::Batch batch(persons, within);
    for (int row = 0; row < persons.rowCount(); ++row) {
        if (persons.valueAt(row, groupPosition).toString() != from)
            continue;
        persons.moveToRow(row);
        persons.edit();
        persons.setText(PersonField::Group, to);
        persons.post();
        ++changed;
    }
    return changed;
}

} // namespace pages
