#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Every message the operator sees goes through here: a plain box with one OK
// button and no owner window. Tests switch recording on and read what would
// have been shown instead of blocking on a dialog.
namespace MessageBox {

struct Shown
{
    QString text;
    QString caption;
    QString details;     // the list behind the box's details button, empty for none
    QStringList answers; // the buttons of a question, empty for a message
};

// The caption of the standard error box, the same in every language.
inline const QString ErrorCaption = QStringLiteral("Error");

void show(const QString& text, const QString& caption);
// Runs one step of an operator's action. An AppError it raises ends the step
// and its text goes to the standard error box; what the step did before
// stays done (an error without text was told already). False when it failed.
bool guarded(const std::function<void()>& step);
// A message with a list the operator can read and copy behind the details
// button, such as the lines of a file that were refused.
void showDetails(const QString& text, const QString& caption, const QString& details);

// A question with one button per answer, the last the one that changes
// nothing: it is the default, and Escape and the close box give it too, so a
// hurried Enter never deletes or changes anything. Returns the index of the
// answer chosen.
int ask(const QString& text, const QString& caption, const QStringList& answers);

// While recording, show() only appends to the list that takeShown() returns.
void setRecording(bool on);
// While recording, the next ask() is recorded like show() and gives this
// answer (once); without one set it gives -1, which no caller takes as yes.
void setNextAnswer(int answer);
// The same for the next few questions, in order.
void setNextAnswers(const QList<int>& answers);
// While recording, the next ask() runs this before it gives its answer, as
// if it happened while the question was open (another desk's change).
void whileNextAsked(std::function<void()> meanwhile);
QList<Shown> takeShown();

} // namespace MessageBox
