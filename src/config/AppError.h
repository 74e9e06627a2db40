#pragma once

#include <QString>
#include <stdexcept>

// An error raised inside an operator's action: it ends that action and its
// text is shown in the standard error box; what the action changed before the
// failing step stays changed. Thrown by the table engine and by conversions,
// caught once at the handler boundary in the main window.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};
