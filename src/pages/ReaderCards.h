#pragma once

#include <QString>

class CardJournal;
class ProgrammerLink;
class Table;
struct ProgramState;

// The configuration card of the readers page: Button12 writes the current
// reader's parameters for the reader code the operator chose. The window
// hands over the choice; nothing here reads a widget.
class ReaderCards
{
public:
    ReaderCards(const ProgramState& state, ProgrammerLink& link, Table& readers, CardJournal& journal);

    // What the operator chose for the configuration card.
    struct ConfigChoice
    {
        enum class Reader {
            Current, // "Existing reader": it knows the system code now in use
            Factory, // "New reader": the code a reader leaves the factory with
            OldCode  // "When you changed the system code": the code typed in oldCode
        } reader = Reader::Current;
        QString oldCode; // as typed
        bool resetMemory = false;
    };

    void Button12Click(const ConfigChoice& choice);

private:
    const ProgramState& m_state;
    ProgrammerLink& m_link;
    Table& m_readers;
    CardJournal& m_journal;
};
