#pragma once

#include <functional>

// Runs the program's start. While another desk holds a table of the folder,
// the operator is told who and since when, and that one desk at a time works
// on a folder, and may try again or quit. False when the operator quits or
// the start failed for another reason (its error was shown).
bool startWhileHeld(const std::function<void()>& start);
