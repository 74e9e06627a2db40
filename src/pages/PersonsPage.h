#pragma once

#include "pages/EditMode.h"
#include "pages/PersonCards.h"

#include <QObject>

class MainWindowUi;
class Table;
struct ProgramState;

// The persons page: the locked and edit modes, Add and Remove, posting what
// the operator typed, the group drop-down and the search. The current person
// is the persons table's current record; while a person shows, the groups
// table stands on that person's group, which Add and the card operations read.
// The page owns its card operations (PersonCards).
class PersonsPage : public QObject
{
    Q_OBJECT

public:
    PersonsPage(Table& persons, Table& groups, MainWindowUi& ui, const ProgramState& state, ProgrammerLink& link,
                CardJournal& journal, QObject* parent = nullptr);
    ~PersonsPage() override;

    // Handlers, after their control and event.
    void SpeedButton4Click() { m_mode.enter(); }   // edit mode
    void SpeedButton3Click() { m_mode.confirm(); } // locked mode: stores what was typed
    void Button9Click();                           // add a person
    void Button7Click();                           // remove the current person
    // Focus entering, a click in, or Enter in DBEdit8 or DBEdit2: stores the typed names.
    void PostTypedNames() { m_mode.postPending(); }
    // A change of Edit4's text, a click on CheckBox2, RadioButton4 or RadioButton5.
    void ApplyPersonFilter();
    // What the operator typed and the page has not stored yet; an AppError
    // tells what could not be stored (the text stays in its control).
    void postPending() { m_mode.postPending(); }
    // Program, Remove permissions and the evaluation of a card read.
    PersonCards& cards() { return m_cards; }
    // Brings the persons page to the front with the search off and the person
    // current, ready for Program; false when nobody has the number.
    bool showPerson(qint64 number);

private:
    void setEditable(bool editable);
    // Asks before the current person goes, offering to take the card's
    // access away first when the card journal says it still opens readers.
    enum class Removal { Keep, Delete, CardFirst };
    Removal removeConfirmed();

    Table& m_persons;
    MainWindowUi& m_ui;
    const ProgramState& m_state;
    CardJournal& m_journal;
    EditMode m_mode;
    PersonCards m_cards;
};
