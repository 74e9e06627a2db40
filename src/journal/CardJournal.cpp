#include "journal/CardJournal.h"

#include "cards/CardNumber.h"
#include "config/Cp1250.h"
#include "i18n/Text.h"
#include "journal/JournalReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QList<QByteArray> spoolLines(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return {};
    }
    QList<QByteArray> lines;
    for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        // A line a crash cut short still names its card: it goes on record as it is.
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

// The spool as it is to be from now: the lines still waiting, or no file.
bool writeSpool(const QString& path, const QList<QByteArray>& lines, QString* error)
{
    if (lines.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            *error = QStringLiteral("%1 cannot be removed").arg(QDir::toNativeSeparators(path));
            return false;
        }
        return true;
    }
    QSaveFile file(path);
    QByteArray bytes;
    for (const QByteArray& line : lines)
        bytes += line + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

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

CardJournal::CardJournal(QString path) : m_store(std::make_shared<FileJournal>(std::move(path))) {}

CardJournal::CardJournal(std::shared_ptr<JournalStore> store) : m_store(std::move(store)) {}

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

bool CardJournal::storeLine(const QByteArray& line, const Entry* entry, QString* error)
{
    qint64 position = 0;
    if (!m_store->append(line, &position, error))
        return false;
    // A line from the spool had its audit line when it was spooled.
    if (m_audited && entry)
        m_audited(*entry, {m_store->name(), position, {}});
    return true;
}

bool CardJournal::flushSpool(QString* error)
{
    if (m_spoolPath.isEmpty())
        return true;
    QString unread;
    QList<QByteArray> waiting = spoolLines(m_spoolPath, &unread);
    if (!unread.isEmpty()) {
        *error = unread;
        return false;
    }
    // One line at a time, the spool rewritten after each: a crash in between
    // stores a line twice at worst, never loses one.
    while (!waiting.isEmpty()) {
        if (!storeLine(waiting.first(), nullptr, error))
            return false;
        waiting.removeFirst();
        if (!writeSpool(m_spoolPath, waiting, error))
            return false;
    }
    return true;
}

int CardJournal::spooledLines() const
{
    QString error;
    return m_spoolPath.isEmpty() ? 0 : int(spoolLines(m_spoolPath, &error).size());
}

bool CardJournal::appendLine(const QByteArray& line, const Entry& entry, QString* error)
{
    // Lines kept in the spool are older: they go first, or this one waits too.
    return flushSpool(error) && storeLine(line, &entry, error);
}

bool CardJournal::append(const Entry& entry, QString* error)
{
    return appendLine(cp1250::encode(line(entry)), entry, error);
}

std::optional<CardJournal::Notice> CardJournal::refusalForCard(const TextSlots& texts) const
{
    QString error;
    if (!writable(&error))
        return Notice{texts[Text::JournalUnwritable].arg(path(), error), texts[Text::CardNotWritten], {}};
    if (m_auditReady && !m_auditReady(&error))
        return Notice{error, texts[Text::CardNotWritten], {}};
    return std::nullopt;
}

std::optional<CardJournal::Notice> CardJournal::record(const Entry& entry, const TextSlots& texts)
{
    QString error;
    const QByteArray bytes = cp1250::encode(line(entry));
    if (appendLine(bytes, entry, &error))
        return std::nullopt;
    const bool cardWritten = !entry.data.isEmpty();
    // The card is written whatever became of its line: the audit hears of
    // it now (and the operator, when the audit cannot take it either).
    const auto audit = [&](const QString& journal, const QString& missed) {
        if (cardWritten && m_audited)
            m_audited(entry, {QFileInfo(journal).fileName(), -1, missed});
    };
    if (cardWritten && !m_spoolPath.isEmpty()) {
        QString spoolError;
        QList<QByteArray> waiting = spoolLines(m_spoolPath, &spoolError);
        waiting.append(bytes);
        if (spoolError.isEmpty() && writeSpool(m_spoolPath, waiting, &spoolError)) {
            audit(m_spoolPath, error);
            return Notice{texts[Text::StationJournalSpooled].arg(path(), error, QDir::toNativeSeparators(m_spoolPath)),
                          texts[Text::CardJournal], m_spoolPath};
        }
        error += QStringLiteral("; ") + spoolError;
    }
    audit(m_store->name(), error);
    return Notice{texts[Text::JournalNotWritten].arg(path(), error), texts[Text::CardJournal], {}};
}

bool CardJournal::recordWrite(Entry entry, ProgrammerLink::ReadBack readBack, const TextSlots& texts,
                              std::optional<Notice>* notice)
{
    entry.verification = verificationOf(readBack);
    *notice = record(entry, texts);
    return entry.verification != journal::Verification::NotVerified;
}
