#pragma once

#include <QList>
#include <QString>

// A question the operator answers Yes or No before something that cannot be
// taken back. No is the default button: Enter or Escape changes nothing.
// While MessageBox records (tests), nothing is shown: each question takes the
// next queued answer, No when none is queued, and is kept for takeAsked().
namespace Question {

struct Asked
{
    QString text;
    QString caption;
};

// True for Yes. yes and no are the buttons' captions in the current language.
bool ask(const QString& text, const QString& caption, const QString& yes, const QString& no);

void queueAnswers(const QList<bool>& answers);
QList<Asked> takeAsked();

} // namespace Question
