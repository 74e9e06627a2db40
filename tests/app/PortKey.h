#pragma once

#include "config/Settings.h"

#include <QProcess>
#include <QTest>

// On Windows the chosen port goes to a key of the user's registry that the
// installer makes; a test run makes it as the installer would, and takes it
// away at its end. Elsewhere the port goes to the user's own settings.
namespace portkey {

inline void makeAsTheInstallerWould()
{
    if (PORT_KEY_BY_INSTALLER)
        QCOMPARE(QProcess::execute("reg", {"add", "HKCU\\" + settings::PortRegistryKey, "/f"}), 0);
}

inline void takeAway()
{
    if (PORT_KEY_BY_INSTALLER)
        QProcess::execute("reg", {"delete", "HKCU\\" + settings::PortRegistryKey, "/f"});
}

} // namespace portkey
