#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

// Pictures of the program's windows as the operator sees them, over a few
// sample persons, groups and readers: the login state, the four pages of the
// working state and the three dialogs. The built-in manual shows them, so
// they are made from the real windows at build time and never go stale.
struct WindowShot
{
    QString name;       // "login", "page1-persons" .. "page4-settings", "find-silent", "form2" .. "form4", "print"
    QImage image;       // what the window drew
    QSize expectedSize; // the window's designed client size
};

// The names of ShootWindows' pictures, in the order it makes them.
QStringList WindowShotNames();

// Renders every window in the named language ("English", "Polski", ...),
// with the start picture in the login state. Needs a QApplication (the offscreen platform will do). On failure (an
// unknown language, tables that cannot be made) returns an empty list and
// says why in *error.
QList<WindowShot> ShootWindows(const QString& languageName, const QPixmap& startPicture, QString* error);
