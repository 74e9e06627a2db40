#pragma once

#include "config/AppError.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// Who holds a file's lock. The one that takes a table's exclusive lock
// writes a small note beside it, FILE.holder, with its account, its
// computer and the time it took the lock, and removes it (while it still
// holds the lock) when it lets go. The lock alone decides who may work: a
// note a crashed desk left behind is overwritten by the next holder and
// only ever informs whoever finds the lock taken.
namespace deskhold {

struct Holder
{
    QString account;
    QString computer;
    QDateTime since;
};

// The note beside a locked file.
QString notePath(const QString& lockedFile);

// Written by the lock's new holder; a note that cannot be written is no
// error, the lock holds without it.
void noteHeld(const QString& lockedFile);
// Removed by the holder before it lets go of the lock.
void noteReleased(const QString& lockedFile);
// The note's holder, or nothing when there is no note or it cannot be read.
std::optional<Holder> holderOf(const QString& lockedFile);

// Tests set the clock of the notes' time.
void setClock(std::function<QDateTime()> clock);

} // namespace deskhold

// A table another program holds locked, with the note of who it is when
// there is one. Its message says so for the tools; the program asks the
// operator to try again.
class TableHeld : public AppError
{
public:
    TableHeld(const QString& file, std::optional<deskhold::Holder> holder);
    const QString& file() const { return m_file; }
    const std::optional<deskhold::Holder>& holder() const { return m_holder; }

private:
    QString m_file;
    std::optional<deskhold::Holder> m_holder;
};
