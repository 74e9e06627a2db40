#include "pages/ReaderCards.h"

#include "cards/ConfigCard.h"
#include "config/AppError.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "journal/CardJournal.h"
#include "link/ProgrammerLink.h"
#include "pages/JournalNotices.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

namespace {

// The empty old code's message is the same in every language.
const QString EmptyOldCode = QStringLiteral("Nieprawidłowe hasło systemowe.");

} // namespace

ReaderCards::ReaderCards(const ProgramState& state, ProgrammerLink& link, Table& readers, CardJournal& journal)
    : m_state(state), m_link(link), m_readers(readers), m_journal(journal)
{
}

void ReaderCards::Button12Click(const ConfigChoice& choice)
{
    const TextSlots& texts = m_state.TextSlots;
    if (m_state.LinkOpen == 0) {
        MessageBox::show(texts[Text::CheckConnection], texts[Text::NoConnectivity]);
        return;
    }
    // Each value is refused rather than cut to the bits the card has: a
    // reader told a wrong position, time or code misreads every card after.
    auto refuse = [&texts](Text::Id text, qint64 value) {
        MessageBox::show(texts[text].arg(value), texts[Text::CardNotWritten]);
    };
    if (m_state.SystemNumber < cards::MinSystemNumber || m_state.SystemNumber > cards::MaxSystemNumber)
        return refuse(Text::SystemNumberUnfit, m_state.SystemNumber);
    const qint64 reader = m_readers.asInteger(ReaderField::Number);
    if (reader < cards::MinReaderNumber || reader > cards::MaxReaderNumber)
        return refuse(Text::ReaderNumberUnfit, reader);
    const qint64 relayTime = m_readers.asInteger(ReaderField::Time);
    if (relayTime < cards::MinRelayTime || relayTime > cards::MaxRelayTime)
        return refuse(Text::RelayTimeUnfit, relayTime);

    int readerCode = m_state.SystemNumber;
    if (choice.reader == ConfigChoice::Reader::Factory) {
        readerCode = settings::DefaultSystemNumber; // the code a reader leaves the factory with
    } else if (choice.reader == ConfigChoice::Reader::OldCode) {
        const QString& typed = choice.oldCode;
        if (typed.isEmpty()) {
            MessageBox::show(EmptyOldCode, MessageBox::ErrorCaption);
            return;
        }
        if (!parseInteger(typed, &readerCode))
            throw AppError(settings::NotAnIntegerMessage(typed));
        if (readerCode < cards::MinSystemNumber || readerCode > cards::MaxSystemNumber)
            return refuse(Text::OldCodeUnfit, readerCode);
    }

    cards::ConfigCardParams params;
    params.systemNumber = m_state.SystemNumber;
    params.readerNumber = int(reader);
    params.relayTime = int(relayTime);
    params.prox = m_readers.asLogical(ReaderField::Prox);
    params.emulacja = m_readers.asLogical(ReaderField::Emulation);
    params.resetMemory = choice.resetMemory;
    QByteArray data;
    QString error;
    if (!cards::configCardData(params, &data, &error))
        throw AppError(error);

    if (!journalnotice::readyForCard(m_journal, texts))
        return;
    if (!m_link.WriteCard(readerCode, 0, 0, data)) {
        MessageBox::show(texts[Text::WriteIncomplete], texts[Text::CardNotWritten]);
        return;
    }
    if (!journalnotice::recordWrite(
            m_journal, {journal::ConfigOperation, 0, readerCode, 0, m_readers.asText(ReaderField::Name), data},
            m_link.lastReadBack(), texts))
        MessageBox::show(texts[Text::ReadBackFailed], texts[Text::ReadBackCaption]);
}
