#include "pages/GroupMembers.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "pages/EditMode.h"

namespace pages {

namespace {

// Switches the persons search off for a scan and back on afterwards, also
// when the scan ends in an error: the operator's search is never lost.
class SearchPause
{
public:
    explicit SearchPause(Table& persons) : m_persons(persons), m_wasOn(persons.filterActive())
    {
        if (m_wasOn)
            m_persons.setFilterActive(false);
    }
    ~SearchPause()
    {
        if (!m_wasOn)
            return;
        try {
            m_persons.setFilterActive(true);
        } catch (const AppError&) {
            // Only a pending change can fail here, and the scan posted it; the
            // error that ended the scan is the one the operator sees.
        }
    }
    SearchPause(const SearchPause&) = delete;
    SearchPause& operator=(const SearchPause&) = delete;

private:
    Table& m_persons;
    bool m_wasOn;
};

} // namespace

int reassignMembers(Table& persons, const QString& from, const QString& to)
{
    postPending(persons);
    const int groupPosition = persons.fieldPosition(PersonField::Group);
    if (groupPosition == 0)
        return 0;
    const bool hadCurrent = !persons.isEmpty() && persons.currentRow() >= 0;
    const qint64 current = hadCurrent ? persons.asInteger(PersonField::Number) : 0;

    int changed = 0;
    Table::DisplaySuspension hold(persons);
    {
        Table::Batch batch(persons);
        SearchPause pause(persons);
        for (int row = 0; row < persons.rowCount(); ++row) {
            if (persons.valueAt(row, groupPosition).toString() != from)
                continue;
            persons.moveToRow(row);
            persons.edit();
            persons.setText(PersonField::Group, to);
            persons.post();
            ++changed;
        }
    }
    if (hadCurrent && !persons.locate(PersonField::Number, current))
        persons.first();
    return changed;
}

} // namespace pages
