#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CardJournalForm;
class JournalStore;
class CardListModel;
class CardsToRewrite;
class CardsToRewriteForm;
class JournalModel;
class MainWindowUi;
class PersonsPage;
class QAbstractItemModel;
class QAction;
class QLabel;
class StatusPart;
class QTimer;
class QWidget;
class Table;
struct ProgramState;

// What the cards handed out carry, on the main window: Edit > "Cards to
// rewrite…" and "Card journal…", open to both roles, and the count of cards
// to rewrite in the status bar. The count is made again once the event that
// changed a group's access, a person's group, the system number or a card
// has been handled (changes that come in a burst, such as a group's members
// leaving it, are counted once).
class FieldMenu : public QObject
{
    Q_OBJECT

public:
    FieldMenu(MainWindowUi& ui, Table& persons, Table& groups, const ProgramState& state, PersonsPage& personsPage,
              std::shared_ptr<const JournalStore> journal, QWidget* window);
    ~FieldMenu() override;

    // The menu items, window titles and the count in the current language.
    void applyLanguage();
    void openCardsToRewrite();
    void openCardJournal();
    // Counts again now; the status bar shows the count, or why the journal
    // could not be read (false).
    bool recount();

private:
    void countLater();
    // recount(), and a journal that could not be read in a message.
    void recountAndTell();
    void choosePerson(QAbstractItemModel* model, int row);
    void showCounts();

    MainWindowUi& m_ui;
    const ProgramState& m_state;
    PersonsPage& m_personsPage;
    QWidget* m_window;
    QString m_readError;
    std::unique_ptr<CardsToRewrite> m_cards;
    QAction* m_rewriteAction = nullptr;
    QAction* m_journalAction = nullptr;
    StatusPart* m_status = nullptr;
    QTimer* m_countTimer = nullptr;
    CardListModel* m_toRewrite = nullptr;
    CardListModel* m_noCardYet = nullptr;
    JournalModel* m_journal = nullptr;
    CardsToRewriteForm* m_rewriteForm = nullptr;
    CardJournalForm* m_journalForm = nullptr;
};
