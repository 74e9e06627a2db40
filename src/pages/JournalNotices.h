#pragma once

#include "journal/CardJournal.h"
#include "ui/MessageBox.h"

// The card journal reports; the pages tell the operator.
namespace journalnotice {

inline void tell(const std::optional<CardJournal::Notice>& notice)
{
    if (notice)
        MessageBox::show(notice->text, notice->caption);
}

// Whether a card may be written: a journal that cannot take its line is told
// to the operator and the card operation is refused.
inline bool readyForCard(const CardJournal& journal, const TextSlots& texts)
{
    const std::optional<CardJournal::Notice> refusal = journal.refusalForCard(texts);
    tell(refusal);
    return !refusal;
}

// CardJournal::recordWrite(), its notice told.
inline bool recordWrite(CardJournal& journal, const CardJournal::Entry& entry, ProgrammerLink::ReadBack readBack,
                        const TextSlots& texts)
{
    std::optional<CardJournal::Notice> notice;
    const bool asWritten = journal.recordWrite(entry, readBack, texts, &notice);
    tell(notice);
    return asWritten;
}

} // namespace journalnotice
