#pragma once

#include "audit/AuditLog.h"
#include "config/IniFile.h"
#include "config/LoginThrottle.h"
#include "config/Settings.h"
#include "pgstore/PgStore.h"
#include "state/ProgramState.h"
#include "ui/MainWindowUi.h"

#include <QEvent>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

namespace audit {
class TableWatch;
}
class AuditMenu;
class CardJournal;
class DatabaseWatch;
class DataSource;
class ExchangeMenu;
class FieldMenu;
class GroupsPage;
class PersonsPage;
class PrintMenu;
class ProgramListMenu;
class ReadersPage;
class ProgrammerLink;
class SimPorts;
class TSerialComm;
class QTimer;
class Table;
class TForm2;
class TForm3;
class TForm4;

// The main window: owns the program-wide state, the three tables, the timers,
// the programmer link and every control for the whole run, and connects each
// control event to its handler. The window's own handlers (login, settings,
// menus) are here; the pages, the link and the configuration store do the
// work.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    enum class Role { Administrator, User };

    // Loads the layout and opens the three tables of the working directory
    // (an AppError naming the file when one cannot be opened), starts the
    // language and status timers, then runs FormCreate. The tables, data
    // sources and timers are children under their names (Table1..Table3,
    // DataSource1..DataSource3, Timer1..Timer3).
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The dialogs are created after the main window, in the order About,
    // Transmit, Card information, and should outlive it; one that is
    // destroyed first is simply no longer shown or updated.
    void setDialogs(TForm2* form2, TForm3* form3, TForm4* form4);

    ProgramState& state() { return m_state; }
    MainWindowUi& ui() { return m_ui; }

    // Handlers, named after their control and event.
    void BitBtn1Click();
    void Timer2Timer();
    void Button5Click();
    void Button15Click();
    void Button11Click();
    void Button18Click();
    void Uytkownicy1Click();
    void Grupy1Click();
    void Czytniki1Click();
    void Oprogramie1Click();
    void Oprogramie2Click();

    // The working state as a login opens it (sizes, what shows, what the
    // user role may not touch).
    void EnterWorkingState(Role role);
    bool inWorkingState() const { return m_working; }

    // How a login try waits its turn after wrong passwords: the wait, then
    // the check. Tests run it at once and note the wait.
    using LoginPause = std::function<void(std::chrono::milliseconds, std::function<void()>)>;
    void setLoginPause(LoginPause pause) { m_loginPause = std::move(pause); }
    audit::Log& auditLog() { return m_audit; }
    // The programmers simulated inside the program, behind the "sim:" ports.
    SimPorts& simPorts() { return *m_simPorts; }

protected:
    // Stores what was typed and not yet posted before the window goes.
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void openTables();
    void initLink();
    void initPages();
    void initConnections();
    // Runs action on every signal; an AppError it raises ends it and reaches
    // the operator in the standard error box.
    template <typename Sender, typename Signal>
    void onSignal(Sender* sender, Signal signal, std::function<void()> action);
    // The same for an event of a widget, which goes on to the widget.
    void onEvent(QWidget* widget, QEvent::Type type, std::function<void()> action);
    void showSaveResult(const settings::SaveResult& r);
    void checkLogin(const QString& typed);
    // The trail's line for passwords the program rewrote: plain values
    // stored as hashes, and values missing or empty set to their defaults.
    void auditPasswordRewrites(const QStringList& hashed, const QStringList& reset);
    // The status bar's and the login box's word on the default passwords.
    void showDefaultPasswords();
    // Whether the audit takes a line; the operator is told when not.
    bool auditReady();
    void audited(const audit::Event& event);
    QString languageText() const;
    void setLoginClientSize();

    class View;
    ProgramState m_state;
    IniFile m_config;
    MainWindowUi m_ui;
    Table* m_persons = nullptr; // Table1, osoby.dbf
    Table* m_readers = nullptr; // Table2, sprzet.dbf
    Table* m_groups = nullptr;  // Table3, grupa.dbf
    DataSource* m_personsSource = nullptr;
    QTimer* m_readTimer = nullptr;     // Timer1, paces a card read
    QTimer* m_languageTimer = nullptr; // Timer2, applies the language once
    QTimer* m_statusTimer = nullptr;   // Timer3, link status in the status bar
    TSerialComm* m_port = nullptr;     // rs, the programmer's serial port
    std::shared_ptr<SimPorts> m_simPorts;
    std::unique_ptr<View> m_view;
    std::unique_ptr<ProgrammerLink> m_link;
    std::unique_ptr<CardJournal> m_journal;
    // Guarded: a dialog that goes first is out of reach, never dangling.
    QPointer<TForm2> m_form2;
    QPointer<TForm3> m_form3;
    QPointer<TForm4> m_form4;
    bool m_working = false;
    audit::Log m_audit;
    audit::TableWatch* m_auditWatch = nullptr;
    AuditMenu* m_auditMenu = nullptr;
    LoginThrottle m_throttle;
    LoginPause m_loginPause;
    bool m_loginWaiting = false;
    // Why no login opens: config.ini or the site's settings could not be read
    // at the start; empty when they could.
    QString m_configUnreadable;
    QString m_unreadableSite; // the site store that could not be read, else empty
    PersonsPage* m_personsPage = nullptr;
    GroupsPage* m_groupsPage = nullptr;
    ReadersPage* m_readersPage = nullptr;
    ExchangeMenu* m_exchangeMenu = nullptr;
    PrintMenu* m_printMenu = nullptr;
    FieldMenu* m_fieldMenu = nullptr;
    ProgramListMenu* m_programListMenu = nullptr;
    DatabaseWatch* m_databaseWatch = nullptr; // only on a shared database
    std::optional<PgServer> m_site;           // the shared database the tables are in, if they are
    std::unique_ptr<settings::SiteStore> m_siteSettings; // the site's settings, only on a shared database
};
