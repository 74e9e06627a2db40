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
};

void show(const QString& text, const QString& caption);

// While recording, show() only appends to the list that takeShown() returns.
void setRecording(bool on);
QList<Shown> takeShown();

} // namespace MessageBox
