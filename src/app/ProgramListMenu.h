#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class StatusPart;
class EnrolStation;
class JournalStore;
class PersonCards;
class PrintMenu;
class ProgrammerLink;
class ProgramListForm;
class ProgramQueue;
class MainWindowUi;
class QAction;
class QLabel;
class Table;
struct PrintSheet;
struct ProgramState;

// Edit > "Program a list…" (ProgramList1), for both roles: the enrolment
// station's window, its queue filled from a group, the persons the search
// shows or the cards to rewrite, the count in the status bar while the
// station runs, and the handover sheet through the print dialog.
class ProgramListMenu : public QObject
{
    Q_OBJECT

public:
    ProgramListMenu(MainWindowUi& ui, Table& persons, Table& groups, const ProgramState& state, ProgrammerLink& link,
                    PersonCards& cards, PrintMenu& print, std::shared_ptr<const JournalStore> journal,
                    QWidget* window);
    ~ProgramListMenu() override;

    void applyLanguage();
    void openProgramList();
    // Number, names, group, the card's four printed forms and a line to sign,
    // for every person whose card was written.
    PrintSheet handoverSheet() const;

    EnrolStation& station() { return *m_station; }
    ProgramQueue& queue() { return *m_queue; }
    ProgramListForm* form() const;

private:
    void addGroup();
    void addShown();
    void addToRewrite();
    // Whether the window may close: asked while cards remain.
    bool mayClose() const;
    void showProgress();
    // Program, Find, Remove permissions and the configuration card are not
    // offered while the list runs.
    void offerCardButtons();
    QString text(int slot) const;

    MainWindowUi& m_ui;
    Table& m_persons;
    Table& m_groups;
    const ProgramState& m_state;
    PrintMenu& m_print;
    std::shared_ptr<const JournalStore> m_journal;
    QWidget* m_window;
    ProgramQueue* m_queue;
    EnrolStation* m_station;
    QAction* m_action = nullptr;
    StatusPart* m_status = nullptr;
    QPointer<ProgramListForm> m_form;
    QList<QPointer<QWidget>> m_heldOff; // the card buttons the station turned off
};
