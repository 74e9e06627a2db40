#pragma once

#include "pages/EditMode.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

class MainWindowUi;
class Table;
struct ProgramState;

// The groups page: the two modes, Add and Remove, Select all and No access,
// the 96 access boxes and posting the typed name. Persons name their group by
// its NAME, so removing a group takes its members out of it and renaming one
// takes its members along.
class GroupsPage : public QObject
{
    Q_OBJECT

public:
    GroupsPage(Table& groups, Table& persons, Table& readers, MainWindowUi& ui, const ProgramState& state,
               QObject* parent = nullptr);
    ~GroupsPage() override;

    void SpeedButton5Click() { m_mode.enter(); }   // edit mode
    void SpeedButton6Click() { m_mode.confirm(); } // locked mode: stores what was typed
    void Button1Click();                           // add a group
    void Button10Click();                          // remove the current group
    void Button13Click() { setAllAccess(true); }   // Select all
    void Button14Click() { setAllAccess(false); }  // No access
    // A click in DBEdit6 or Enter in it: stores the typed name.
    void PostTypedName() { m_mode.postPending(); }
    void postPending() { m_mode.postPending(); }

    // The hint of each access box: the name of the reader with its number,
    // or the NoAssignment text. Leaves the readers table on its first reader.
    void UpdateReaderHints();

private:
    void setEditable(bool editable);
    void setAllAccess(bool on);
    QString storedName(int row) const;
    // Asks before the group goes, saying how many persons it leaves without access.
    bool removeConfirmed(const QString& name) const;
    void renameMembers(const QVariantList& before, const QVariantList& after);
    void carryToMembers(const QString& from, const QString& to, Table* within = nullptr);

    Table& m_groups;
    Table& m_persons;
    Table& m_readers;
    MainWindowUi& m_ui;
    const ProgramState& m_state;
    EditMode m_mode;
    // The window may take its tables down before its pages, or the pages first.
    QPointer<Table> m_liveGroups;
    QPointer<Table> m_livePersons;
};
