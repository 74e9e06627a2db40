#include "journal/FileJournal.h"

#include "config/Cp1250.h"
#include "config/FileSync.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

const QByteArray LineEnd("\r\n");
// A file-system block holds the header and the longest line; a disk without
// one free block is full for the journal.
constexpr qint64 RoomForALine = 4096;
// Appending reads the last byte first (a line cut short is ended), so the
// check before a card opens the journal the same way.
constexpr QIODevice::OpenMode AppendMode = QIODevice::ReadWrite | QIODevice::Append;

using filesync::errnoText;

} // namespace

QString FileJournal::name() const
{
    return QFileInfo(m_path).fileName();
}

bool FileJournal::append(const QByteArray& line, qint64* position, QString* error)
{
    QFile file(m_path);
    const bool existed = file.exists();
    if (!file.open(AppendMode)) {
        *error = file.errorString();
        return false;
    }
    const qint64 size = file.size();
    // One write per event: a line is never interleaved with another.
    QByteArray bytes;
    if (size == 0) {
        bytes += cp1250::encode(journal::Header) + LineEnd;
    } else {
        char last = 0;
        if (platform::readAt(file.handle(), size - 1, &last, 1) != 1) {
            *error = errnoText();
            return false;
        }
        // A crash cut the last line short: it must not swallow this event.
        if (last == '\r')
            bytes += '\n';
        else if (last != '\n')
            bytes += LineEnd;
    }
    *position = size + bytes.size();
    bytes += line + LineEnd;
    if (filesync::write(file.handle(), m_path, size, bytes) != 0 ||
        filesync::sync(file.handle(), m_path, filesync::Kind::Full) != 0) {
        *error = errnoText();
        return false;
    }
    // A new file is only durable once its directory entry is.
    if (!existed && filesync::syncDirectory(QFileInfo(m_path).absolutePath()) != 0) {
        *error = errnoText();
        return false;
    }
    if (m_syncHook)
        m_syncHook();
    return true;
}

bool FileJournal::writable(QString* error) const
{
    const QFileInfo info(m_path);
    const QString folder = info.absolutePath();
    if (info.exists()) {
        QFile file(m_path);
        if (!file.open(AppendMode)) {
            *error = file.errorString();
            return false;
        }
    } else if (platform::mayCreateIn(folder) != 0) {
        *error = errnoText();
        return false;
    }
    // Unknown free space (-1) is no reason to refuse.
    const qint64 room = m_freeSpace ? m_freeSpace(folder) : platform::freeSpace(folder);
    if (room >= 0 && room < RoomForALine) {
        *error = platform::errorText(ENOSPC);
        return false;
    }
    return true;
}

bool FileJournal::readNew(JournalCursor& cursor, std::vector<JournalEvent>& events, QString* error) const
{
    QFile file(m_path);
    if (!file.exists()) {
        cursor = {};
        events.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    JournalCursor at = file.size() < cursor.consumed ? JournalCursor{} : cursor;
    if (!file.seek(at.consumed)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray added = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (at.consumed == 0 && cursor.consumed != 0)
        events.clear();
    // A line still without its end was read as it stood; it is read again
    // with whatever has been appended to it.
    if (at.openTail)
        events.pop_back();
    const qsizetype complete = added.lastIndexOf('\n') + 1;
    std::vector<JournalEvent> fresh =
        JournalReader::parse(QByteArrayView(added).first(complete), at.nextLine, &at.oldLayout);
    events.insert(events.end(), std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    at.consumed += complete;
    at.nextLine += int(QByteArrayView(added).first(complete).count('\n'));
    std::vector<JournalEvent> tail =
        JournalReader::parse(QByteArrayView(added).sliced(complete), at.nextLine, &at.oldLayout);
    at.openTail = !tail.empty();
    if (at.openTail)
        events.push_back(std::move(tail.front()));
    cursor = at;
    return true;
}
