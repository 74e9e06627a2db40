#pragma once

#include "data/Table.h"
#include "pages/EditMode.h"
#include "pages/ReaderCards.h"

#include <QObject>
#include <QPointer>

class GroupsPage;
class MainWindowUi;
class QKeyEvent;
struct ProgramState;

// The readers page: the two modes, Add and Remove, the reader's name, relay
// time and options. The current reader is the readers table's current record,
// which the configuration card (ReaderCards, owned by the page) is written
// from.
class ReadersPage : public QObject
{
    Q_OBJECT

public:
    ReadersPage(Table& readers, GroupsPage& groupsPage, MainWindowUi& ui, const ProgramState& state,
                ProgrammerLink& link, CardJournal& journal, QObject* parent = nullptr);
    ~ReadersPage() override;

    void SpeedButton1Click() { m_mode.enter(); } // edit mode
    void SpeedButton2Click();                    // locked mode: stores, then renames the access boxes' hints
    void Button6Click();                         // add a reader
    void Button8Click();                         // remove the current reader
    // A click in DBEdit3 or Enter in it: stores the typed name.
    void PostTypedName() { m_mode.postPending(); }
    // A click in DBComboBox1 or a value picked from its list.
    void DBComboBox1Click();
    // A key pressed in DBComboBox1: true when the key is refused (with a beep).
    bool DBComboBox1KeyPress(const QKeyEvent& event);
    // A key released in DBComboBox1: a typed relay time is stored at once.
    void DBComboBox1KeyUp();
    void postPending() { m_mode.postPending(); }
    // The configuration card and the choice of the code it is written for.
    ReaderCards& cards() { return m_cards; }

private:
    void setEditable(bool editable);
    // True when the relay time box holds a storable time (or nothing typed);
    // otherwise shows the stored time again, and says why.
    bool relayTimeAcceptable(QString* why);
    void checkRelayTimeOnPost();
    // The stored relay time as a typing run in DBComboBox1 began; a refused
    // time puts it back. The run ends with a refusal, a pick from the list,
    // Confirm, another reader or the focus leaving the box.
    QString timeBeforeEdit() const;
    void endTimeEdit() { m_timeEditRow = -1; }

    Table& m_readers;
    QPointer<Table> m_hookedTable;
    GroupsPage& m_groupsPage;
    MainWindowUi& m_ui;
    const ProgramState& m_state;
    EditMode m_mode;
    ReaderCards m_cards;
    int m_timeEditRow = -1; // the reader of the typing run, -1 when none runs
    QString m_timeEditStart;
};
