#include "pages/PersonCards.h"

#include "cards/CardLimits.h"
#include "cards/CardNumber.h"
#include "cards/UserCard.h"
#include "data/GroupGrants.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "journal/CardJournal.h"
#include "journal/CardsInField.h"
#include "journal/JournalReader.h"
#include "link/ProgrammerLink.h"
#include "pages/JournalNotices.h"
#include "state/ProgramState.h"
#include "ui/MessageBox.h"

namespace {

// The duplicate limit's message is the same in every language.
const QString IndexOver = QStringLiteral("Index 16! ");

} // namespace

PersonCards::PersonCards(const ProgramState& state, ProgrammerLink& link, Table& persons, Table& groups,
                         CardJournal& journal)
    : m_state(state), m_link(link), m_persons(persons), m_groups(groups), m_journal(journal)
{
}

PersonCards::~PersonCards() = default;

QString PersonCards::text(int slot) const
{
    return m_state.TextSlots[slot];
}

void PersonCards::show(int textSlot, int captionSlot) const
{
    MessageBox::show(text(textSlot), text(captionSlot));
}

bool PersonCards::identityFits(qint64 number, qint64 index) const
{
    // Cut down to the card's bits, any of these would identify somebody
    // else's card, or a card of another installation.
    if (number < cards::MinPersonNumber || number > cards::MaxPersonNumber) {
        MessageBox::show(text(Text::PersonNumberUnfit).arg(number), text(Text::CardNotWritten));
        return false;
    }
    if (index < 0 || index > cards::MaxDuplicateIndex) {
        MessageBox::show(text(Text::DuplicateCountUnfit).arg(index), text(Text::CardNotWritten));
        return false;
    }
    if (m_state.SystemNumber < cards::MinSystemNumber || m_state.SystemNumber > cards::MaxSystemNumber) {
        MessageBox::show(text(Text::SystemNumberUnfit).arg(m_state.SystemNumber), text(Text::CardNotWritten));
        return false;
    }
    return true;
}

QString PersonCards::holderName(qint64 number, const QString& firstName, const QString& familyName)
{
    return QStringList{QString::number(number), firstName, familyName}.join(u' ').simplified();
}

QString PersonCards::writtenText(const QString& holder, const cards::Identifier& id,
                                 ProgrammerLink::ReadBack readBack) const
{
    int slot = Text::ProgramWrittenUnconfirmed;
    if (readBack == ProgrammerLink::ReadBack::Verified)
        slot = Text::ProgramWrittenVerified;
    else if (readBack == ProgrammerLink::ReadBack::Off)
        slot = Text::ProgramWrittenUnchecked;
    return text(slot).arg(holder, cards::printedNumber(id).hex);
}

QString PersonCards::Button4Click(ProgramChoice& choice)
{
    if (m_state.LinkOpen == 0) {
        show(Text::CheckConnection, Text::NoConnectivity);
        return {};
    }
    // Nobody shown reads as number 0 too; either way the operator is told.
    const qint64 number = m_persons.asInteger(PersonField::Number);
    if (number == 0) {
        show(Text::NoPersonSelected, Text::CardNotWritten);
        return {};
    }
    const qint64 stored = m_persons.asInteger(PersonField::Index);
    if (!identityFits(number, stored))
        return {};
    // Read now: the move to the next person comes before the result is told.
    const QString holder =
        holderName(number, m_persons.asText(PersonField::FirstName), m_persons.asText(PersonField::FamilyName));

    qint64 index = stored;
    if (choice.duplicate) {
        if (stored >= cards::MaxDuplicateIndex)
            MessageBox::show(IndexOver, text(Text::OverRange));
        else
            index = stored + 1;
    }

    // The groups table is put on the person's group here rather than trusted
    // to be there: a card must never carry the doors of whichever group
    // happens to be current.
    const QString group = m_persons.asText(PersonField::Group);
    const grants::Grant grant =
        grants::grantFor(group, [this](const QString& name) -> std::optional<cards::AccessFlags> {
            if (!m_groups.locate(GroupField::Name, name, Qt::CaseSensitive))
                return std::nullopt;
            return grants::flagsAt(m_groups, m_groups.currentRow());
        });
    const QByteArray& data = grant.data;
    // No group, a group that is gone or one with no reader ticked: such a
    // card is mostly a slip, and handed out it would look like a working one.
    if (data == cards::noAccessData() &&
        MessageBox::ask(text(Text::ProgramNoDoorQuestion).arg(holder, group), text(Text::ProgramCard),
                        {text(Text::ProgramCard), text(Text::Cancel)}) != 0)
        return {};

    if (!journalnotice::readyForCard(m_journal, m_state.TextSlots))
        return {};
    if (!m_link.WriteCard(m_state.SystemNumber, int(number), int(index), data)) {
        show(Text::WriteIncomplete, Text::CardNotWritten);
        return {};
    }
    const ProgrammerLink::ReadBack readBack = m_link.lastReadBack();
    const bool asWritten = journalnotice::recordWrite(
        m_journal, {journal::ProgramOperation, number, m_state.SystemNumber, index, group, data}, m_link.lastReadBack(),
        m_state.TextSlots);
    // "Duplicate card" marks this one card: left ticked, a batch of Program
    // presses would issue duplicates to every person after it.
    choice.duplicate = false;

    // The person's note stays: a duplicate replaces the card, not the notes.
    if (index != stored) {
        m_persons.edit();
        m_persons.setInteger(PersonField::Index, index);
    }
    // Stores the raised INDEX and makes the next person current, ready for
    // the next card; on the last person the cursor stays.
    if (m_nextPerson)
        m_nextPerson();
    else
        m_persons.next();
    if (!asWritten)
        show(Text::ReadBackFailed, Text::ReadBackCaption);
    return writtenText(holder, *cards::identifierOf(m_state.SystemNumber, number, index), readBack);
}

PersonCards::QueuedWrite PersonCards::programQueued(const Queued& queued)
{
    QueuedWrite result;
    const qint64 number = queued.number;
    const QList<QVariantList> stored = m_persons.storedRecords(
        {m_persons.fieldPosition(PersonField::Number), m_persons.fieldPosition(PersonField::Index),
         m_persons.fieldPosition(PersonField::Group), m_persons.fieldPosition(PersonField::FamilyName),
         m_persons.fieldPosition(PersonField::FirstName)});
    const auto person = std::find_if(stored.begin(), stored.end(),
                                     [number](const QVariantList& r) { return r.value(0).toLongLong() == number; });
    // The number may have gone to somebody else since the list was filled
    // (deleted at another desk, and given again): their doors must not go
    // out under the name the list and the handover sheet show.
    const auto skip = [&result](int text, const QStringList& args) {
        result.outcome = QueuedWrite::Skipped;
        result.skipText = text;
        result.skipArgs = args;
        return result;
    };
    if (person == stored.end())
        return skip(Text::StationSkippedGone, {QString::number(number)});
    const QString familyName = person->value(3).toString();
    const QString firstName = person->value(4).toString();
    if (familyName != queued.familyName || firstName != queued.firstName)
        return skip(Text::StationSkippedPerson,
                    {QString::number(number), QStringList{firstName, familyName}.join(u' ').trimmed()});
    const QString group = person->value(2).toString();
    if (group != queued.group)
        return skip(Text::StationSkippedGroup, {group, queued.group});
    const qint64 index = person->value(1).toLongLong();
    if (number == 0 || !identityFits(number, index))
        return result;
    const grants::Grant grant =
        grants::grantFor(group, [this](const QString& name) -> std::optional<cards::AccessFlags> {
            if (!m_groups.locate(GroupField::Name, name, Qt::CaseSensitive))
                return std::nullopt;
            return grants::flagsAt(m_groups, m_groups.currentRow());
        });
    if (!journalnotice::readyForCard(m_journal, m_state.TextSlots))
        return result;
    result.id = *cards::identifierOf(m_state.SystemNumber, number, index);
    if (!m_link.WriteCard(m_state.SystemNumber, int(number), int(index), grant.data)) {
        result.outcome = QueuedWrite::NotWritten;
        return result;
    }
    result.outcome = QueuedWrite::Written;
    result.readBack = m_link.lastReadBack();
    std::optional<CardJournal::Notice> notice;
    m_journal.recordWrite({journal::ProgramOperation, number, m_state.SystemNumber, index, group, grant.data},
                          result.readBack, m_state.TextSlots, &notice);
    // A line kept in the spool is told on the list's row, not in a box that
    // would hold up the station.
    if (notice && !notice->spooledIn.isEmpty())
        result.spooledIn = notice->spooledIn;
    else
        journalnotice::tell(notice);
    return result;
}

PersonCards::CardOnProgrammer PersonCards::cardOnProgrammer(const cards::CardIdentity& card)
{
    CardOnProgrammer verdict;
    std::vector<JournalEvent> none;
    const std::vector<JournalEvent>* events = &none;
    // Only a user card of this installation needs the journal to tell.
    if (card.personNumber != 0 && card.systemCode == m_state.SystemNumber) {
        if (!m_field || m_field->store().get() != m_journal.store().get())
            m_field = std::make_unique<JournalReader>(m_journal.store());
        QString error;
        if (!m_field->refresh(&error)) {
            verdict.journalUnread = true;
            verdict.refusal = text(Text::JournalUnreadable).arg(m_field->path(), error);
            return verdict;
        }
        events = &m_field->events();
    }
    switch (field::reuseOf(*events, card, m_state.SystemNumber)) {
    case field::CardReuse::Free:
        verdict.free = true;
        return verdict;
    case field::CardReuse::ConfigurationCard:
        verdict.refusal = text(Text::StationConfigurationCard).arg(card.systemCode);
        return verdict;
    case field::CardReuse::InField:
        break;
    }
    // The holder as the table knows them; a number whose person was deleted
    // while the card still opens doors is named by its number alone.
    QString holder = QString::number(card.personNumber);
    const QList<QVariantList> stored = m_persons.storedRecords({m_persons.fieldPosition(PersonField::Number),
                                                                m_persons.fieldPosition(PersonField::FirstName),
                                                                m_persons.fieldPosition(PersonField::FamilyName)});
    for (const QVariantList& r : stored) {
        if (r.value(0).toLongLong() == card.personNumber) {
            holder = QStringList{holder, r.value(1).toString(), r.value(2).toString()}.join(u' ').trimmed();
            break;
        }
    }
    verdict.refusal = text(Text::StationPersonsCard).arg(holder);
    return verdict;
}

void PersonCards::Button3Click()
{
    removePermissions();
}

bool PersonCards::removePermissions()
{
    if (m_state.LinkOpen == 0) {
        show(Text::CommunicationError, Text::NoConnectivity);
        return false;
    }
    const qint64 number = m_persons.asInteger(PersonField::Number);
    const qint64 index = m_persons.asInteger(PersonField::Index);
    // Person number 0 is the mark of a configuration card.
    if (number == 0) {
        show(Text::NoPersonSelected, Text::CardNotWritten);
        return false;
    }
    if (!identityFits(number, index))
        return false;
    const QByteArray data = cards::noAccessData();
    if (!journalnotice::readyForCard(m_journal, m_state.TextSlots))
        return false;
    if (!m_link.WriteCard(m_state.SystemNumber, int(number), int(index), data)) {
        show(Text::WriteIncomplete, Text::CardNotWritten);
        return false;
    }
    if (journalnotice::recordWrite(
            m_journal,
            {journal::RemoveOperation, number, m_state.SystemNumber, index, m_persons.asText(PersonField::Group), data},
            m_link.lastReadBack(), m_state.TextSlots))
        return true;
    show(Text::ReadBackFailed, Text::ReadBackCaption);
    return false;
}

bool PersonCards::locateHolder(qint64 number, bool* searchOff)
{
    if (m_persons.locate(PersonField::Number, number))
        return true;
    if (!m_persons.filterActive())
        return false;
    // The search may hide the holder: a card of this installation whose
    // holder exists must not be reported as nobody's. The search goes off,
    // as for a new person, and comes back when nobody holds the number.
    m_persons.setFilterActive(false);
    if (m_persons.locate(PersonField::Number, number)) {
        *searchOff = true;
        return true;
    }
    m_persons.setFilterActive(true);
    return false;
}

std::optional<PersonCards::CardHolder> PersonCards::evaluateCard(const cards::CardIdentity& card)
{
    CardJournal::Entry entry{{}, card.personNumber, card.systemCode, card.duplicateIndex, {}, {}, {}};
    if (card.systemCode != m_state.SystemNumber) {
        entry.operation = card.personNumber == 0 ? journal::FindForeignConfig : journal::FindForeignUser;
        journalnotice::tell(m_journal.record(entry, m_state.TextSlots));
        show(card.personNumber == 0 ? Text::NoCardOrForeignConfig : Text::NoCardOrForeignUser, Text::SearchResult);
        return std::nullopt;
    }
    if (card.personNumber == 0) {
        entry.operation = journal::FindConfig;
        journalnotice::tell(m_journal.record(entry, m_state.TextSlots));
        show(Text::ConfigurationCardRead, Text::SearchResult);
        return std::nullopt;
    }
    CardHolder holder;
    if (!locateHolder(card.personNumber, &holder.searchOff)) {
        entry.operation = journal::FindNoUser;
        journalnotice::tell(m_journal.record(entry, m_state.TextSlots));
        show(Text::NoUserInDatabase, Text::SearchResult);
        return std::nullopt;
    }
    entry.operation = journal::FindUser;
    entry.group = m_persons.asText(PersonField::Group);
    journalnotice::tell(m_journal.record(entry, m_state.TextSlots));
    holder.duplicateIndex = card.duplicateIndex;
    if (const auto id = cards::identifierOf(card.systemCode, card.personNumber, card.duplicateIndex))
        holder.number = cards::printedNumber(*id);
    return holder;
}
