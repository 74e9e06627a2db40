#pragma once

#include "state/ProgramState.h"

#include <QEvent>
#include <QString>

#include <functional>

class QColor;
class QWidget;
class Table;

// What the three data pages share: the mode colours, posting and the check
// that a typed text can be stored.
namespace pages {

// Paints a data control for its mode: the system window colour when the
// operator may type into it, LockedColor when not.
void paintForMode(QWidget* control, bool editable, const ProgramState& state);

// Stores the pending change of the table, if any. The program is the only
// writer of its tables (they are opened exclusively), so re-reading the file
// afterwards would show nothing new.
void postPending(Table& table);

// Throws an AppError naming the first character of text the tables cannot
// store, in the current language.
void checkStorable(const QString& text, const ProgramState& state);

// Holds a table's bound controls still while a scan moves its current record;
// they catch up once, when the hold ends (also on an error).
class DisplayHold
{
public:
    explicit DisplayHold(Table& table);
    ~DisplayHold();
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;

private:
    Table& m_table;
};

} // namespace pages
