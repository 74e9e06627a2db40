#include "ui/MessageBox.h"

#include "config/AppError.h"

#include <QMessageBox>
#include <QPushButton>

namespace MessageBox {
namespace {

bool recording = false;
QList<Shown> shown;
int nextAnswer = -1;
QList<int> laterAnswers;
std::function<void()> whileAsked;

} // namespace

void show(const QString& text, const QString& caption)
{
    if (recording) {
        shown.append({text, caption, {}, {}});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.exec();
}

bool guarded(const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const AppError& e) {
        if (!e.message().isEmpty()) // an empty one was told the operator already
            show(e.message(), ErrorCaption);
        return false;
    }
}

void showDetails(const QString& text, const QString& caption, const QString& details)
{
    if (recording) {
        shown.append({text, caption, details, {}});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.setDetailedText(details);
    box.exec();
}

int ask(const QString& text, const QString& caption, const QStringList& answers)
{
    if (recording) {
        shown.append({text, caption, {}, answers});
        if (const auto meanwhile = std::exchange(whileAsked, {}))
            meanwhile();
        return std::exchange(nextAnswer, laterAnswers.isEmpty() ? -1 : laterAnswers.takeFirst());
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton);
    QList<QAbstractButton*> buttons;
    for (const QString& answer : answers)
        buttons.append(box.addButton(answer, QMessageBox::AcceptRole));
    if (!buttons.isEmpty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.last()));
        box.setEscapeButton(buttons.last());
    }
    box.exec();
    return int(buttons.indexOf(box.clickedButton()));
}

void setRecording(bool on)
{
    recording = on;
    shown.clear();
    nextAnswer = -1;
    laterAnswers.clear();
    whileAsked = {};
}

void setNextAnswer(int answer)
{
    nextAnswer = answer;
}

void setNextAnswers(const QList<int>& answers)
{
    nextAnswer = answers.value(0, -1);
    laterAnswers = answers.mid(1);
}

void whileNextAsked(std::function<void()> meanwhile)
{
    whileAsked = std::move(meanwhile);
}

QList<Shown> takeShown()
{
    return std::exchange(shown, {});
}

} // namespace MessageBox
