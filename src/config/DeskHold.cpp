#include "config/DeskHold.h"

#include "platform/SharedFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace deskhold {
namespace {

const QString NoteSuffix = QStringLiteral(".holder");
// A note is three short lines; anything longer is no note of ours.
constexpr qint64 NoteLimit = 4096;

std::function<QDateTime()>& clock()
{
    static std::function<QDateTime()> c;
    return c;
}

QDateTime now()
{
    return clock() ? clock()() : QDateTime::currentDateTime();
}

} // namespace

QString notePath(const QString& lockedFile)
{
    return lockedFile + NoteSuffix;
}

void setClock(std::function<QDateTime()> c)
{
    clock() = std::move(c);
}

void noteHeld(const QString& lockedFile)
{
    // A note someone else left is replaced, not written into: its owner's
    // mode may not let this account write it.
    QFile::remove(notePath(lockedFile));
    QFile note(notePath(lockedFile));
    if (!note.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return;
    note.write((shared::accountName() + u'\n' + QSysInfo::machineHostName() + u'\n' +
                now().toString(Qt::ISODate) + u'\n')
                   .toUtf8());
}

void noteReleased(const QString& lockedFile)
{
    QFile::remove(notePath(lockedFile));
}

std::optional<Holder> holderOf(const QString& lockedFile)
{
    QFile note(notePath(lockedFile));
    if (!note.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(note.read(NoteLimit)).split(u'\n');
    if (lines.size() < 3 || lines[0].isEmpty())
        return std::nullopt;
    const QDateTime since = QDateTime::fromString(lines[2], Qt::ISODate);
    if (!since.isValid())
        return std::nullopt;
    return Holder{lines[0], lines[1], since};
}

} // namespace deskhold

namespace {

QString heldMessage(const QString& file, const std::optional<deskhold::Holder>& holder)
{
    const QString name = QDir::toNativeSeparators(file);
    const QString who =
        holder ? QStringLiteral("%1: the table is in use by another program: the account \"%2\" on the computer "
                                "\"%3\" since %4.")
                     .arg(name, holder->account, holder->computer,
                          holder->since.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
               : QStringLiteral("%1: the table is in use by another program.").arg(name);
    return who + QStringLiteral(" One desk at a time works on a folder of tables; several desks at once need the "
                                "database (see README). Try again once that desk has closed Pellaro.");
}

} // namespace

TableHeld::TableHeld(const QString& file, std::optional<deskhold::Holder> holder)
    : AppError(heldMessage(file, holder)), m_file(file), m_holder(std::move(holder))
{
}
