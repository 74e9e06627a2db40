#pragma once

#include "config/IniFile.h"
#include "config/Settings.h"
#include "state/ProgramState.h"
#include "ui/MainWindowUi.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class DataSource;
class CardJournal;
class GroupsPage;
class PersonCards;
class ReaderCards;
class PersonsPage;
class ReadersPage;
class ProgrammerLink;
class TSerialComm;
class QTimer;
class Table;
class TForm2;
class TForm3;
class TForm4;

// The main window: owns the program-wide state, the three tables, the timers
// and every control for the whole run, and holds one handler per control
// event. The handlers keep little logic of their own; the work is done by the
// configuration store, the tables, the link and the card codec.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    enum class Role { Administrator, User };

    // Loads the layout and opens the three tables of the working directory
    // (an AppError naming the file when one cannot be opened), starts the
    // language and status timers, then runs FormCreate.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs are created after the main window, in the order About,
    // Transmit, Card information, and should outlive it; one that is
    // destroyed first is simply no longer shown or updated.
    void setDialogs(TForm2* form2, TForm3* form3, TForm4* form4);

    ProgramState& state() { return m_state; }
    MainWindowUi& ui() { return m_ui; }
    Table* Table1 = nullptr; // osoby.dbf
    Table* Table2 = nullptr; // sprzet.dbf
    Table* Table3 = nullptr; // grupa.dbf
    DataSource* DataSource1 = nullptr;
    DataSource* DataSource2 = nullptr;
    DataSource* DataSource3 = nullptr;
    QTimer* Timer1 = nullptr;  // 100 ms, paces a card read
    QTimer* Timer2 = nullptr;  // 10 ms, applies the language once
    QTimer* Timer3 = nullptr;  // 50 ms, link status in the status bar
    TSerialComm* rs = nullptr; // the programmer's serial port
    ProgrammerLink& link() { return *m_link; }
    // The three data pages, created with the window.
    PersonsPage& personsPage() { return *m_personsPage; }
    GroupsPage& groupsPage() { return *m_groupsPage; }
    ReadersPage& readersPage() { return *m_readersPage; }
    PersonCards& personCards() { return *m_personCards; }
    ReaderCards& readerCards() { return *m_readerCards; }
    CardJournal& cardJournal() { return *m_journal; }

    // Handlers, named after their control and event.
    void FormCreate();
    void FormActivate() {}
    void BitBtn1Click();
    void Edit5KeyPress() {}
    void Timer2Timer();
    void Button5Click();
    void Button15Click();
    void Button11Click();
    void Button18Click();
    void Uytkownicy1Click();
    void Grupy1Click();
    void Czytniki1Click();
    void Pomoc1Click() {}
    void Oprogramie1Click();
    void Oprogramie2Click();
    void UpdateReaderHints();

    // The working state as a login opens it (sizes, what shows, what the
    // user role may not touch).
    void EnterWorkingState(Role role);
    bool inWorkingState() const { return m_working; }

protected:
    // Stores what was typed and not yet posted before the window goes.
    void closeEvent(QCloseEvent* event) override;

private:
    void openTables();
    void initPages();
    void initConnections();
    void initLink();
    void showSaveResult(const settings::SaveResult& r);
    QString languageText() const;
    void setLoginClientSize();

    class View;
    ProgramState m_state;
    std::unique_ptr<View> m_view;
    std::unique_ptr<ProgrammerLink> m_link;
    IniFile m_config;
    MainWindowUi m_ui;
    // Guarded: a dialog that goes first is out of reach, never dangling.
    QPointer<TForm2> m_form2;
    QPointer<TForm3> m_form3;
    QPointer<TForm4> m_form4;
    bool m_working = false;
    PersonsPage* m_personsPage = nullptr;
    GroupsPage* m_groupsPage = nullptr;
    ReadersPage* m_readersPage = nullptr;
    std::unique_ptr<CardJournal> m_journal;
    std::unique_ptr<PersonCards> m_personCards;
    std::unique_ptr<ReaderCards> m_readerCards;
};
