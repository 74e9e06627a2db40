#pragma once

#include <QString>

struct ProgramState;

namespace pages {

// Before a system-number Save (Button5): when the typed text would store a
// number other than the one in force, the operator is asked first, with the
// number that will be stored (as corrected into an installation's range) and what the
// change means for the readers and the cards handed out. True when the Save
// may go on: the answer was Yes, nothing changes, or the text is no number
// (the Save itself says so).
bool confirmSystemNumberChange(const ProgramState& state, const QString& edit1Text);

} // namespace pages
