#include "app/ProgramListMenu.h"

#include "app/PrintMenu.h"
#include "journal/CardsInField.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "i18n/Text.h"
#include "journal/CardsToRewrite.h"
#include "pages/EnrolStation.h"
#include "pages/ProgramQueue.h"
#include "state/ProgramState.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"
#include "ui/ProgramListForm.h"
#include "ui/SheetPrinter.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include <utility>

namespace {

// Room for a signature by hand on the handover sheet.
const QString SignatureLine = QStringLiteral("______________________");

QString minutesAndSeconds(qint64 ms)
{
    const qint64 s = (ms + 999) / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ProgramListMenu::ProgramListMenu(MainWindowUi& ui, Table& persons, Table& groups, const ProgramState& state,
                                 ProgrammerLink& link, PersonCards& cards, PrintMenu& print, std::shared_ptr<const JournalStore> journal,
                                 QWidget* window)
    : QObject(window), m_ui(ui), m_persons(persons), m_groups(groups), m_state(state), m_print(print),
      m_journal(std::move(journal)), m_window(window), m_queue(new ProgramQueue(state.TextSlots, this)),
      m_station(new EnrolStation(state, link, cards, *m_queue, this))
{
    setObjectName(QStringLiteral("ProgramListMenu"));
    m_action = m_ui.Edycja1->addAction(QString());
    m_action->setObjectName(QStringLiteral("ProgramList1"));
    connect(m_action, &QAction::triggered, this, [this] { MessageBox::guarded([this] { openProgramList(); }); });
    m_status = m_ui.ProgramListStatus;
    connect(m_station, &EnrolStation::changed, this, &ProgramListMenu::showProgress);
    connect(m_queue, &ProgramQueue::rowsInserted, this, &ProgramListMenu::showProgress);
    connect(m_queue, &ProgramQueue::modelReset, this, &ProgramListMenu::showProgress);
}

ProgramListMenu::~ProgramListMenu() = default;

ProgramListForm* ProgramListMenu::form() const
{
    return m_form;
}

QString ProgramListMenu::text(int slot) const
{
    return m_state.TextSlots[slot];
}

void ProgramListMenu::applyLanguage()
{
    m_action->setText(text(Text::ProgramListMenu));
    m_queue->retranslate();
    if (m_form) {
        m_form->setWindowTitle(text(Text::ProgramListTitle));
        const std::pair<QWidget*, int> captions[] = {{m_form->ProgramListGroupLabel, Text::ProgramListGroupLabel},
                                                     {m_form->ProgramListAddGroup, Text::ProgramListAddGroup},
                                                     {m_form->ProgramListAddShown, Text::ProgramListAddShown},
                                                     {m_form->ProgramListAddRewrite, Text::ProgramListAddRewrite},
                                                     {m_form->ProgramListClear, Text::ProgramListClear},
                                                     {m_form->ProgramListStart, Text::ProgramListStart},
                                                     {m_form->ProgramListPause, Text::ProgramListPause},
                                                     {m_form->ProgramListSkip, Text::ProgramListSkip},
                                                     {m_form->ProgramListStop, Text::ProgramListStop},
                                                     {m_form->ProgramListHandover, Text::ProgramListHandover}};
        for (const auto& [widget, slot] : captions)
            widget->setProperty("text", text(slot));
    }
    showProgress();
}

void ProgramListMenu::openProgramList()
{
    if (!m_form) {
        m_form = new ProgramListForm(m_window);
        m_form->setModel(m_queue);
        m_form->setCloseCheck([this] { return mayClose(); });
        const auto guarded = [this](QPushButton* button, void (ProgramListMenu::*step)()) {
            connect(button, &QPushButton::clicked, this,
                    [this, step] { MessageBox::guarded([this, step] { (this->*step)(); }); });
        };
        guarded(m_form->ProgramListAddGroup, &ProgramListMenu::addGroup);
        guarded(m_form->ProgramListAddShown, &ProgramListMenu::addShown);
        guarded(m_form->ProgramListAddRewrite, &ProgramListMenu::addToRewrite);
        connect(m_form->ProgramListClear, &QPushButton::clicked, this, [this] {
            if (!m_station->running())
                m_queue->clear();
        });
        connect(m_form->ProgramListStart, &QPushButton::clicked, this,
                [this] { MessageBox::guarded([this] { m_station->start(); }); });
        connect(m_form->ProgramListPause, &QPushButton::clicked, m_station, &EnrolStation::pause);
        connect(m_form->ProgramListSkip, &QPushButton::clicked, m_station, &EnrolStation::skip);
        connect(m_form->ProgramListStop, &QPushButton::clicked, m_station, &EnrolStation::stop);
        connect(m_form->ProgramListHandover, &QPushButton::clicked, this,
                [this] { m_print.printOther(handoverSheet()); });
        applyLanguage();
    }
    QStringList groups;
    const int nameAt = m_groups.fieldPosition(GroupField::Name);
    for (const QVariantList& g : m_groups.storedRecords({nameAt}))
        groups.append(g.value(0).toString());
    const QString chosen = m_form->ProgramListGroup->currentText();
    m_form->ProgramListGroup->clear();
    m_form->ProgramListGroup->addItems(groups);
    m_form->ProgramListGroup->setCurrentText(chosen);
    m_form->show();
    m_form->raise();
    showProgress();
}

void ProgramListMenu::addGroup()
{
    const QString group = m_form->ProgramListGroup->currentText();
    std::vector<ProgramQueue::Person> persons;
    for (const field::Person& p : field::rosterOf(m_persons, m_groups).persons) {
        if (p.group == group)
            persons.push_back({p.number, p.familyName, p.firstName, p.group, {}, {}, -1, {}});
    }
    m_queue->add(persons);
}

void ProgramListMenu::addShown()
{
    const int number = m_persons.fieldPosition(PersonField::Number);
    const int family = m_persons.fieldPosition(PersonField::FamilyName);
    const int first = m_persons.fieldPosition(PersonField::FirstName);
    const int group = m_persons.fieldPosition(PersonField::Group);
    std::vector<ProgramQueue::Person> persons;
    for (int row = 0; row < m_persons.rowCount(); ++row)
        persons.push_back({m_persons.valueAt(row, number).toLongLong(),
                           m_persons.valueAt(row, family).toString(),
                           m_persons.valueAt(row, first).toString(),
                           m_persons.valueAt(row, group).toString(),
                           {},
                           {},
                           -1,
                           {}});
    m_queue->add(persons);
}

void ProgramListMenu::addToRewrite()
{
    CardsToRewrite field(m_persons, m_groups, m_state, m_journal);
    QString error;
    if (!field.update(&error)) {
        MessageBox::show(text(Text::JournalUnreadable).arg(field.journalPath(), error), text(Text::CardJournal));
        return;
    }
    QHash<qint64, QString> groups;
    for (const field::Person& p : field::rosterOf(m_persons, m_groups).persons)
        groups.insert(p.number, p.group);
    std::vector<ProgramQueue::Person> persons;
    for (const field::Card& c : field.cards()) {
        // A card of somebody no longer in the table is withdrawn, not rewritten.
        if (c.state == field::State::ToRewrite && c.inTable)
            persons.push_back({c.number, c.familyName, c.firstName, groups.value(c.number), {}, {}, -1, {}});
    }
    m_queue->add(persons);
}

bool ProgramListMenu::mayClose() const
{
    const int left = m_queue->leftCount();
    if (left == 0)
        return true;
    return MessageBox::ask(text(Text::ProgramListCloseQuestion).arg(left), text(Text::ProgramListTitle),
                           {text(Text::AnswerYes), text(Text::AnswerNo)}) == 0;
}

void ProgramListMenu::offerCardButtons()
{
    // While a list runs or waits paused, the programmer is the station's: a
    // card laid on to be found or withdrawn must never become the next
    // person's card, nor a Find's answer be taken for the station's.
    const bool listActive = m_station->phase() != EnrolStation::Phase::Stopped;
    if (listActive) {
        for (QWidget* w : {static_cast<QWidget*>(m_ui.Button4), static_cast<QWidget*>(m_ui.Button2),
                           static_cast<QWidget*>(m_ui.Button3), static_cast<QWidget*>(m_ui.Button12)}) {
            // Those the login left off stay off afterwards.
            if (!w->testAttribute(Qt::WA_ForceDisabled)) {
                w->setEnabled(false);
                m_heldOff.append(w);
            }
        }
        return;
    }
    for (const QPointer<QWidget>& w : std::exchange(m_heldOff, {})) {
        if (w)
            w->setEnabled(true);
    }
}

void ProgramListMenu::showProgress()
{
    offerCardButtons();
    const int done = m_queue->doneCount();
    const int left = m_queue->leftCount();
    m_status->setText(text(Text::ProgramListStatus).arg(done).arg(done + left));
    m_status->setVisible(m_station->running());
    if (!m_form)
        return;
    const std::optional<qint64> ms = m_station->msLeft();
    m_form->ProgramListProgress->setRange(0, qMax(1, done + left));
    m_form->ProgramListProgress->setValue(done);
    m_form->ProgramListProgress->setFormat(
        text(Text::ProgramListProgress).arg(done).arg(left).arg(ms ? minutesAndSeconds(*ms) : QStringLiteral("?")));
    int state = -1;
    switch (m_station->phase()) {
    case EnrolStation::Phase::LookingForCard:
        state = Text::ProgramListPlaceCard;
        break;
    case EnrolStation::Phase::WaitingForTakeOff:
        state = Text::ProgramListTakeCard;
        break;
    case EnrolStation::Phase::Paused:
        state = Text::ProgramListPaused;
        break;
    case EnrolStation::Phase::Stopped:
        if (done > 0 && left == 0)
            state = Text::ProgramListDone;
        break;
    }
    const QString& refusal = m_station->refusal();
    m_form->ProgramListState->setText(!refusal.isEmpty() ? refusal : state < 0 ? QString() : text(state));
    const bool running = m_station->running();
    for (QWidget* w :
         {static_cast<QWidget*>(m_form->ProgramListAddGroup), static_cast<QWidget*>(m_form->ProgramListAddShown),
          static_cast<QWidget*>(m_form->ProgramListAddRewrite), static_cast<QWidget*>(m_form->ProgramListClear)})
        w->setEnabled(!running);
}

PrintSheet ProgramListMenu::handoverSheet() const
{
    PrintSheet sheet;
    sheet.title = text(Text::HandoverTitle);
    sheet.headings = {text(Text::ColumnNumber),  text(Text::ColumnNames),    text(Text::ColumnGroup),
                      text(Text::CardNumberHex), text(Text::CardNumber32),   text(Text::CardNumber24),
                      text(Text::CardFacility),  text(Text::ColumnSignature)};
    sheet.numeric = {true, false, false, false, true, true, false, false};
    sheet.emptyText = text(Text::ProgramListEmpty);
    for (const ProgramQueue::Person& p : m_queue->persons()) {
        if (p.state != ProgramQueue::State::Written && p.state != ProgramQueue::State::Verified)
            continue;
        sheet.rows.append({QString::number(p.number), QStringList{p.firstName, p.familyName}.join(u' ').trimmed(),
                           p.group, p.card.hex, p.card.decimal32, p.card.decimal24, p.card.facilityCard,
                           SignatureLine});
    }
    return sheet;
}
