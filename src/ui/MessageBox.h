#pragma once

#include <QList>
#include <QString>

// Every message the operator sees goes through here: a plain box with one OK
// button and no owner window. Tests switch recording on and read what would
// have been shown instead of blocking on a dialog.
namespace MessageBox {

struct Shown
{
    QString text;
    QString caption;
    QString details; // the list behind the box's details button, empty for none
};

void show(const QString& text, const QString& caption);
// A message with a list the operator can read and copy behind the details
// button, such as the lines of a file that were refused.
void showDetails(const QString& text, const QString& caption, const QString& details);

// While recording, show() only appends to the list that takeShown() returns.
void setRecording(bool on);
QList<Shown> takeShown();

} // namespace MessageBox
