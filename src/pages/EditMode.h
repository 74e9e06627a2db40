#pragma once

#include "data/Table.h"
#include "i18n/TextSlots.h"

#include <QList>
#include <QString>

#include <functional>

class QPushButton;
class RecordChangedElsewhere;
class QWidget;
struct ProgramState;

// The locked and edit modes of a data page (persons, groups, readers) and the
// posting of what the operator typed. The page's Edit button is down in edit
// mode, its Confirm button in locked mode.
class EditMode
{
public:
    // typed: the page's bound texts (DbEdit, DbMemo), each checked before a
    // post; setEditable: what the page's controls do in each mode.
    EditMode(Table& table, QPushButton* editButton, QList<QWidget*> typed, const ProgramState& state,
             std::function<void(bool editable)> setEditable);

    // Edit pressed.
    void enter();
    // Confirm pressed: stores what was typed, then locks the page. When that
    // fails nothing typed is dropped: the page stays in edit mode to mend it
    // and the AppError goes on.
    void confirm();
    // Stores the table's pending change, if any, once checkTypedTexts() passed.
    // When another desk changed the record first the operator is asked
    // whether to reload it or keep editing, and the step ends.
    void postPending();
    // Throws an AppError naming, in the current language, the first character
    // of a typed text that the tables cannot store; the text stays.
    void checkTypedTexts() const;
    // Paints a data control for a mode: the system window colour when the
    // operator may type into it, LockedColor when not.
    void paint(QWidget* control, bool editable) const;
    // What the operator calls a field of the page's table, for the question
    // after an overtaken edit; the field's name when unset or empty.
    void setFieldLabel(std::function<QString(const QString& field)> label) { m_fieldLabel = std::move(label); }

private:
    void askAfterConflict(const RecordChangedElsewhere& conflict);
    QString fieldLine(const Table::Overtaken& field) const;

    Table& m_table;
    QPushButton* m_editButton;
    QList<QWidget*> m_typed;
    const ProgramState& m_state;
    std::function<void(bool)> m_setEditable;
    std::function<QString(const QString&)> m_fieldLabel;
};

namespace pages {

// Stores the pending change of the table, if any. The program is the only
// writer of its tables (they are opened exclusively), so re-reading the file
// afterwards would show nothing new.
void postPending(Table& table);

// The answer to a question that named a record (Table::named() as it was
// asked): makes that record current again and runs `act` on it. When another
// desk removed or changed it while the question was open, or the store
// refuses `act` for that, nothing is done: the operator is told, naming the
// record as `what` under `caption`, the table is read anew, and false comes back.
bool onNamed(Table& table, const Table::NamedRecord& named, const QString& what, const QString& caption,
             const TextSlots& texts, const std::function<void()>& act);

} // namespace pages
