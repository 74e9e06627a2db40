#include "pages/CardJournal.h"

#include "cards/CardNumber.h"
#include "config/Cp1250.h"
#include "data/FileSync.h"
#include "i18n/Text.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QByteArray LineEnd("\r\n");
// A file-system block holds the header and the longest line; a disk without
// one free block is full for the journal.
constexpr qint64 RoomForALine = 4096;
// Appending reads the last byte first (a line cut short is ended), so the
// check before a card opens the journal the same way.
constexpr QIODevice::OpenMode AppendMode = QIODevice::ReadWrite | QIODevice::Append;

using filesync::errnoText;

// What the journal line of a card written says of its read-back.
journal::Verification verificationOf(ProgrammerLink::ReadBack readBack)
{
    switch (readBack) {
    case ProgrammerLink::ReadBack::Verified:
        return journal::Verification::Verified;
    case ProgrammerLink::ReadBack::DifferentCard:
    case ProgrammerLink::ReadBack::NoAnswer:
        return journal::Verification::NotVerified;
    case ProgrammerLink::ReadBack::Off:
        break;
    }
    return journal::Verification::NotReadBack;
}

} // namespace

CardJournal::CardJournal(QString path) : m_path(std::move(path)) {}

QString CardJournal::line(const Entry& e) const
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    QStringList fields{now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                       journal::cell(m_role),
                       journal::cell(e.operation),
                       QString::number(e.personNumber),
                       QString::number(e.systemCode),
                       QString::number(e.duplicateIndex),
                       journal::cell(e.group),
                       QString::fromLatin1(e.data.toHex().toUpper()),
                       journal::verificationWord(e.verification)};
    // Values no card carries have no printed number; the columns stay, empty.
    const auto id = cards::identifierOf(e.systemCode, e.personNumber, e.duplicateIndex);
    const cards::PrintedNumber printed = id ? cards::printedNumber(*id) : cards::PrintedNumber{};
    fields << printed.hex << printed.decimal32 << printed.decimal24 << printed.facilityCard;
    return fields.join(u'\t');
}

bool CardJournal::append(const Entry& entry, QString* error)
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
        bytes += cp1250::encode(Header) + LineEnd;
    } else {
        char last = 0;
        if (::pread(file.handle(), &last, 1, off_t(size - 1)) != 1) {
            *error = errnoText();
            return false;
        }
        // A crash cut the last line short: it must not swallow this event.
        if (last == '\r')
            bytes += '\n';
        else if (last != '\n')
            bytes += LineEnd;
    }
    const qint64 lineOffset = size + bytes.size();
    bytes += cp1250::encode(line(entry)) + LineEnd;
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
    if (m_audited)
        m_audited(entry, lineOffset);
    return true;
}

bool CardJournal::writable(QString* error) const
{
    const QFileInfo info(m_path);
    const QString folder = info.absolutePath();
    if (info.exists()) {
        QFile file(m_path);
        if (!file.open(AppendMode)) {
            *error = file.errorString();
            return false;
        }
    } else if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        *error = errnoText();
        return false;
    }
    // Unknown free space (-1) is no reason to refuse.
    const qint64 room = m_freeSpace ? m_freeSpace(folder) : QStorageInfo(folder).bytesAvailable();
    if (room >= 0 && room < RoomForALine) {
        *error = QString::fromLocal8Bit(std::strerror(ENOSPC));
        return false;
    }
    return true;
}

bool CardJournal::readyForCard(const TextSlots& texts) const
{
    QString error;
    if (!writable(&error)) {
        MessageBox::show(texts[Text::JournalUnwritable].arg(m_path, error), texts[Text::CardNotWritten]);
        return false;
    }
    if (m_auditReady && !m_auditReady(&error)) {
        MessageBox::show(error, texts[Text::CardNotWritten]);
        return false;
    }
    return true;
}

void CardJournal::record(const Entry& entry, const TextSlots& texts)
{
    QString error;
    if (!append(entry, &error))
        MessageBox::show(texts[Text::JournalNotWritten].arg(m_path, error), texts[Text::CardJournal]);
}

bool CardJournal::recordWrite(Entry entry, ProgrammerLink::ReadBack readBack, const TextSlots& texts)
{
    entry.verification = verificationOf(readBack);
    record(entry, texts);
    return entry.verification != journal::Verification::NotVerified;
}
