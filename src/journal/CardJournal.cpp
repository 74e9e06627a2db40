#include "journal/CardJournal.h"

#include "cards/CardNumber.h"
#include "config/Cp1250.h"
#include "i18n/Text.h"

namespace {

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

bool CardJournal::append(const Entry& entry, QString* error)
{
    qint64 position = 0;
    if (!m_store->append(cp1250::encode(line(entry)), &position, error))
        return false;
    if (m_audited)
        m_audited(entry, position);
    return true;
}

std::optional<CardJournal::Notice> CardJournal::refusalForCard(const TextSlots& texts) const
{
    QString error;
    if (!writable(&error))
        return Notice{texts[Text::JournalUnwritable].arg(path(), error), texts[Text::CardNotWritten]};
    if (m_auditReady && !m_auditReady(&error))
        return Notice{error, texts[Text::CardNotWritten]};
    return std::nullopt;
}

std::optional<CardJournal::Notice> CardJournal::record(const Entry& entry, const TextSlots& texts)
{
    QString error;
    if (!append(entry, &error))
        return Notice{texts[Text::JournalNotWritten].arg(path(), error), texts[Text::CardJournal]};
    return std::nullopt;
}

bool CardJournal::recordWrite(Entry entry, ProgrammerLink::ReadBack readBack, const TextSlots& texts,
                              std::optional<Notice>* notice)
{
    entry.verification = verificationOf(readBack);
    *notice = record(entry, texts);
    return entry.verification != journal::Verification::NotVerified;
}
