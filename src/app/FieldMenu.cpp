#include "app/FieldMenu.h"

#include "journal/CardsInField.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "journal/CardListModel.h"
#include "journal/CardsToRewrite.h"
#include "journal/JournalModel.h"
#include "pages/PersonsPage.h"
#include "state/ProgramState.h"
#include "ui/CardJournalForm.h"
#include "ui/CardsToRewriteForm.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

FieldMenu::FieldMenu(MainWindowUi& ui, Table& persons, Table& groups, const ProgramState& state,
                     PersonsPage& personsPage, std::shared_ptr<const JournalStore> journal, QWidget* window)
    : QObject(window), m_ui(ui), m_state(state), m_personsPage(personsPage), m_window(window),
      m_cards(std::make_unique<CardsToRewrite>(persons, groups, state, std::move(journal)))
{
    setObjectName(QStringLiteral("FieldMenu"));
    m_ui.Edycja1->addSeparator();
    m_rewriteAction = m_ui.Edycja1->addAction(QString());
    m_rewriteAction->setObjectName(QStringLiteral("CardsToRewrite1"));
    m_journalAction = m_ui.Edycja1->addAction(QString());
    m_journalAction->setObjectName(QStringLiteral("CardJournal1"));
    connect(m_rewriteAction, &QAction::triggered, this,
            [this] { MessageBox::guarded([this] { openCardsToRewrite(); }); });
    connect(m_journalAction, &QAction::triggered, this, [this] { MessageBox::guarded([this] { openCardJournal(); }); });

    m_status = m_ui.CardsToRewriteStatus;

    m_toRewrite = new CardListModel(*m_cards, field::State::ToRewrite, m_state.TextSlots, this);
    m_noCardYet = new CardListModel(*m_cards, field::State::NoCardYet, m_state.TextSlots, this);
    m_journal = new JournalModel(*m_cards, m_state.TextSlots, this);

    m_countTimer = new QTimer(this);
    m_countTimer->setSingleShot(true);
    m_countTimer->setInterval(0);
    connect(m_countTimer, &QTimer::timeout, this, [this] { MessageBox::guarded([this] { recount(); }); });
    // Whatever else the event does first, the count follows once it is done.
    connect(&groups, &Table::posted, this, &FieldMenu::countLater);
    // A person's names or note change no card; on the largest installation a
    // count takes a tenth of a second, which typing should not wait for.
    const int number = persons.fieldPosition(PersonField::Number) - 1;
    const int group = persons.fieldPosition(PersonField::Group) - 1;
    connect(&persons, &Table::posted, this,
            [this, number, group](int, const QVariantList& before, const QVariantList& after) {
                const bool added = before.isEmpty();
                if (added ? m_cards->cardOutFor(after.value(number).toLongLong())
                          : before.value(number) != after.value(number) || before.value(group) != after.value(group))
                    countLater();
            });
    for (QPushButton* button : {m_ui.Button5, m_ui.Button7, m_ui.Button10, m_ui.Button4, m_ui.Button3})
        connect(button, &QPushButton::clicked, this, &FieldMenu::countLater);
    countLater();
}

FieldMenu::~FieldMenu() = default;

void FieldMenu::countLater()
{
    m_countTimer->start();
}

bool FieldMenu::recount()
{
    m_countTimer->stop();
    QString error;
    const bool read = m_cards->update(&error);
    m_toRewrite->reset();
    m_noCardYet->reset();
    m_journal->reset();
    showCounts();
    if (!read) {
        m_readError = m_state.TextSlots[Text::JournalUnreadable].arg(m_cards->journalPath(), error);
        m_status->setText(m_readError);
    }
    return read;
}

void FieldMenu::recountAndTell()
{
    if (!recount())
        MessageBox::show(m_readError, m_state.TextSlots[Text::CardJournal]);
}

void FieldMenu::showCounts()
{
    const TextSlots& t = m_state.TextSlots;
    if (t[Text::CardsToRewriteCount].isEmpty())
        return; // a count before the first language tick; the tick shows it
    m_status->setText(t[Text::CardsToRewriteCount].arg(m_cards->toRewriteCount()));
    if (m_rewriteForm)
        m_rewriteForm->setTitles(t[Text::CardsToRewriteTitle],
                                 t[Text::CardsToRewriteCount].arg(m_toRewrite->rowCount()),
                                 t[Text::NoCardYetCount].arg(m_noCardYet->rowCount()));
}

void FieldMenu::applyLanguage()
{
    const TextSlots& t = m_state.TextSlots;
    m_rewriteAction->setText(t[Text::CardsToRewriteMenu]);
    m_journalAction->setText(t[Text::CardJournalMenu]);
    if (m_journalForm)
        m_journalForm->setTitles(t[Text::CardJournal], t[Text::JournalFilter]);
    for (QAbstractItemModel* model :
         {static_cast<QAbstractItemModel*>(m_toRewrite), static_cast<QAbstractItemModel*>(m_noCardYet),
          static_cast<QAbstractItemModel*>(m_journal)})
        emit model->headerDataChanged(Qt::Horizontal, 0, model->columnCount() - 1);
    showCounts();
}

void FieldMenu::openCardsToRewrite()
{
    if (!m_rewriteForm) {
        m_rewriteForm = new CardsToRewriteForm(m_window);
        m_rewriteForm->setModels(m_toRewrite, m_noCardYet);
        connect(m_rewriteForm, &CardsToRewriteForm::personChosen, this, [this](QAbstractItemModel* model, int row) {
            MessageBox::guarded([=, this] { choosePerson(model, row); });
        });
    }
    recountAndTell();
    m_rewriteForm->show();
    m_rewriteForm->raise();
}

void FieldMenu::openCardJournal()
{
    if (!m_journalForm) {
        m_journalForm = new CardJournalForm(m_window);
        m_journalForm->setModel(m_journal);
        connect(m_journalForm->JournalFilter, &QLineEdit::textChanged, m_journal, &JournalModel::setFilter);
        const TextSlots& t = m_state.TextSlots;
        m_journalForm->setTitles(t[Text::CardJournal], t[Text::JournalFilter]);
    }
    recountAndTell();
    m_journalForm->show();
    m_journalForm->raise();
}

void FieldMenu::choosePerson(QAbstractItemModel* model, int row)
{
    const auto* list = static_cast<CardListModel*>(model);
    const qint64 number = list->numberAt(row);
    if (!list->inTable(row) || !m_personsPage.showPerson(number)) {
        MessageBox::show(m_state.TextSlots[Text::PersonGone].arg(number), m_state.TextSlots[Text::CardsToRewriteTitle]);
        return;
    }
    m_window->activateWindow();
}
