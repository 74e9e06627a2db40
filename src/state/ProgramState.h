#pragma once

#include "i18n/TextSlots.h"

#include <QString>

// The program-wide state: one instance, owned by the main window for the whole
// run and touched on the user-interface thread only. The link's close
// notification is the one exception the serial component allows, and it only
// stores 0 into LinkOpen.
struct ProgramState
{
    QString VersionText;
    // Colour of read-only data controls, in the Windows encoding (red in the
    // low byte): red 193, green 198, blue 207.
    quint32 LockedColor = 0;
    int SystemNumber = 0;
    int OldSystemNumber = 0;
    QString AdminPassword;
    QString UserPassword;
    int PortNumber = 0;    // 1..4 once chosen
    QString PortCaption;   // "COM1 ".."COM4 ", empty until a port is chosen
    int LinkOpen = 0;      // 1 while the serial port is open
    ::TextSlots TextSlots;
};
