#include "ui/MessageBox.h"

#include "config/AppError.h"

#include <QMessageBox>

namespace MessageBox {
namespace {

bool recording = false;
QList<Shown> shown;

} // namespace

void show(const QString& text, const QString& caption)
{
    if (recording) {
        shown.append({text, caption, {}});
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
        show(e.message(), ErrorCaption);
        return false;
    }
}

void showDetails(const QString& text, const QString& caption, const QString& details)
{
    if (recording) {
        shown.append({text, caption, details});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.setDetailedText(details);
    box.exec();
}

void setRecording(bool on)
{
    recording = on;
    shown.clear();
}

bool isRecording()
{
    return recording;
}

QList<Shown> takeShown()
{
    return std::exchange(shown, {});
}

} // namespace MessageBox
