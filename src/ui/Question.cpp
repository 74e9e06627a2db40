#include "ui/Question.h"

#include "ui/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace Question {
namespace {

QList<bool> queued;
QList<Asked> asked;

} // namespace

bool ask(const QString& text, const QString& caption, const QString& yes, const QString& no)
{
    if (MessageBox::isRecording()) {
        asked.append({text, caption});
        return !queued.isEmpty() && queued.takeFirst();
    }
    QMessageBox box(QMessageBox::Question, caption, text);
    QPushButton* yesButton = box.addButton(yes, QMessageBox::YesRole);
    QPushButton* noButton = box.addButton(no, QMessageBox::NoRole);
    box.setDefaultButton(noButton);
    box.setEscapeButton(noButton);
    box.exec();
    return box.clickedButton() == yesButton;
}

void queueAnswers(const QList<bool>& answers)
{
    queued = answers;
}

QList<Asked> takeAsked()
{
    return std::exchange(asked, {});
}

} // namespace Question
