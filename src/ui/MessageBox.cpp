#include "ui/MessageBox.h"

#include "config/AppError.h"

#include <QMessageBox>
#include <QPushButton>

namespace MessageBox {
namespace {

bool recording = false;
QList<Shown> shown;
int nextAnswer = -1;
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
        return std::exchange(nextAnswer, -1);
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
    whileAsked = {};
}

void setNextAnswer(int answer)
{
    nextAnswer = answer;
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
