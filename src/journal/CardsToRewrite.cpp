#include "journal/CardsToRewrite.h"

#include "state/ProgramState.h"

CardsToRewrite::CardsToRewrite(const Table& persons, const Table& groups, const ProgramState& state,
                               std::shared_ptr<const JournalStore> journal)
    : m_persons(persons), m_groups(groups), m_state(state), m_journal(std::move(journal))
{
}

bool CardsToRewrite::update(QString* error)
{
    const bool read = m_journal.refresh(error);
    m_cards = field::evaluate(m_journal.events(), field::rosterOf(m_persons, m_groups), m_state.SystemNumber);
    m_heldSince = field::heldSince(m_journal.events(), m_state.SystemNumber);
    m_toRewrite = 0;
    m_byNumber.clear();
    m_byNumber.reserve(qsizetype(m_cards.size()));
    for (int i = 0; i < int(m_cards.size()); ++i) {
        const field::Card& card = m_cards[size_t(i)];
        m_toRewrite += card.state == field::State::ToRewrite ? 1 : 0;
        if (card.inTable)
            m_byNumber.insert(card.number, i);
    }
    return read;
}

std::pair<QString, QString> CardsToRewrite::namesOf(qint64 number) const
{
    const auto it = m_byNumber.constFind(number);
    if (it == m_byNumber.constEnd())
        return {};
    const field::Card& card = m_cards[size_t(*it)];
    return {card.familyName, card.firstName};
}

std::pair<QString, QString> CardsToRewrite::namesFor(int event) const
{
    const JournalEvent& e = events()[size_t(event)];
    if (e.damaged() || e.system != m_state.SystemNumber)
        return {};
    const auto since = m_heldSince.constFind(e.person);
    if (since == m_heldSince.constEnd() || event < *since)
        return {};
    return namesOf(e.person);
}

bool CardsToRewrite::cardOutFor(qint64 number) const
{
    // The cards of persons no longer in the table come last: an import asks
    // this for every person it adds.
    for (auto card = m_cards.rbegin(); card != m_cards.rend() && !card->inTable; ++card) {
        if (card->number == number)
            return true;
    }
    return false;
}
