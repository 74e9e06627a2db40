#pragma once

#include <QString>

// What opening a table for writing mended after a crash, for the operator to
// be told once (the mend leaves nothing for the next opening to find).
struct TableRepair
{
    enum class Kind {
        ChangeUndone, // a change cut short was undone from its journal
        TailMoved     // bytes after the counted records went to a side file
    };
    Kind kind;
    QString sideFile; // TailMoved: the file that now holds those bytes
    qint64 bytes = 0;
};
