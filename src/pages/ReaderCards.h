#pragma once

class CardJournal;
class MainWindowUi;
class ProgrammerLink;
class Table;
struct ProgramState;

// The configuration card of the readers page: Button12 writes the current
// reader's parameters for the reader code the radio buttons choose;
// RadioButton2 ("When you changed the system code") shows the old-code box
// Edit2 with Label17, the other two hide it.
class ReaderCards
{
public:
    ReaderCards(const ProgramState& state, ProgrammerLink& link, Table& readers, CardJournal& journal,
                MainWindowUi& ui);

    void Button12Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();

private:
    void showOldCode(bool on);

    const ProgramState& m_state;
    ProgrammerLink& m_link;
    Table& m_readers;
    CardJournal& m_journal;
    MainWindowUi& m_ui;
};
