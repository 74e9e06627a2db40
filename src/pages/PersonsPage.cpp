#include "pages/PersonsPage.h"

#include "config/AppError.h"
#include "journal/CardsInField.h"
#include "journal/JournalReader.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"
#include "i18n/Text.h"
#include "pages/NewNumbers.h"
#include "state/ProgramState.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbMemo.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

PersonsPage::PersonsPage(Table& persons, Table& groups, MainWindowUi& ui, const ProgramState& state,
                         ProgrammerLink& link, CardJournal& journal, QObject* parent)
    : QObject(parent), m_persons(persons), m_ui(ui), m_state(state), m_journal(journal),
      m_mode(persons, ui.SpeedButton4, {ui.DBEdit8, ui.DBEdit2, ui.DBMemo1}, state,
             [this](bool editable) { setEditable(editable); }),
      m_cards(state, link, persons, groups, journal)
{
    m_mode.setFieldLabel([this](const QString& field) {
        static const std::map<QString, Text::Id> labels{
            {PersonField::Number, Text::PersonNumberLabel},      {PersonField::FirstName, Text::PersonFirstNameLabel},
            {PersonField::FamilyName, Text::PersonSurnameLabel}, {PersonField::Group, Text::GroupWord},
            {PersonField::Index, Text::DuplicatesLabel},         {PersonField::Info, Text::PersonComments}};
        const auto label = labels.find(field.toUpper());
        return label == labels.end() ? QString() : m_state.TextSlots[label->second];
    });
    // In a grid sorted by a column, Program goes on to the person below,
    // not to the next in the table's own order.
    m_cards.setNextPerson([this] {
        const TableModel* model = m_ui.DBGrid1->tableModel();
        if (!model || model->sortColumn() < 0) {
            m_persons.next();
            return;
        }
        const int below = model->tableRow(model->modelRow(m_persons.currentRow()) + 1);
        if (below >= 0)
            m_persons.moveToRow(below);
        else
            pages::postPending(m_persons);
    });
}

PersonsPage::~PersonsPage() = default;

void PersonsPage::setEditable(bool editable)
{
    m_ui.Button7->setEnabled(editable);
    m_ui.Button9->setEnabled(editable);
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui.DBEdit8), static_cast<QWidget*>(m_ui.DBEdit2), static_cast<QWidget*>(m_ui.DBMemo1),
          static_cast<QWidget*>(m_ui.DBGrid1), static_cast<QWidget*>(m_ui.DBLB2)})
        m_mode.paint(control, editable);
    m_ui.DBEdit8->setReadOnly(!editable);
    m_ui.DBEdit2->setReadOnly(!editable);
    m_ui.DBMemo1->setReadOnly(!editable);
    m_ui.DBLB2->setReadOnly(!editable);
}

void PersonsPage::Button9Click()
{
    postPending();
    // A card still in the field keeps its number: the newcomer would be
    // taken for its holder.
    const QSet<qint64> held = field::heldNumbers(m_journal.store(), m_state.SystemNumber);
    // A new person must show: the search goes off first.
    m_ui.CheckBox2->setChecked(false);
    ApplyPersonFilter();
    setEditable(true);

    pages::addNumbered(m_persons, PersonField::Number, held, [this](qint64) {
        m_persons.setInteger(PersonField::Index, 0);
        // No access that nobody chose: the new person has no group until
        // the operator picks one (whichever group was current is no choice).
        m_persons.setText(PersonField::Group, TableLayouts::NoGroupMarker);
    });
}

void PersonsPage::Button7Click()
{
    const TextSlots& t = m_state.TextSlots;
    // The person the page shows is the current record, also when Program on
    // the last one has moved the table past its end.
    if (m_persons.isEmpty()) {
        MessageBox::show(t[Text::NoPersonShown], t[Text::PersonDelete]);
        return;
    }
    // The answer acts on the person asked about, never on whoever a re-read
    // of another desk's change put in that place meanwhile.
    const Table::NamedRecord named = m_persons.named();
    const QString who = QStringLiteral("%1 %2")
                            .arg(m_persons.asText(PersonField::FirstName), m_persons.asText(PersonField::FamilyName))
                            .trimmed() +
                        QStringLiteral(" (%1)").arg(m_persons.asInteger(PersonField::Number));
    const Removal answer = removeConfirmed();
    if (answer == Removal::Keep)
        return;
    if (answer == Removal::CardFirst &&
        (!pages::onNamed(m_persons, named, who, t[Text::PersonDelete], t, {}) || !m_cards.removePermissions()))
        return;
    pages::onNamed(m_persons, named, who, t[Text::PersonDelete], t, [this] { m_persons.remove(); });
}

PersonsPage::Removal PersonsPage::removeConfirmed()
{
    const TextSlots& t = m_state.TextSlots;
    const qint64 number = m_persons.asInteger(PersonField::Number);
    const QString firstName = m_persons.asText(PersonField::FirstName);
    const QString familyName = m_persons.asText(PersonField::FamilyName);
    // The readers are offline: deleting the person leaves the card opening
    // every door it opened. A journal that cannot be read knows of no card.
    JournalReader journal(m_journal.store());
    QString unread;
    if (!journal.refresh(&unread) || !field::cardStillOpens(journal.events(), number))
        return MessageBox::ask(t[Text::DeletePerson].arg(firstName, familyName, QString::number(number)),
                               t[Text::PersonDelete], {t[Text::PersonDelete], t[Text::Cancel]}) == 0
                   ? Removal::Delete
                   : Removal::Keep;
    enum { RemoveThenDelete, DeleteAnyway };
    switch (MessageBox::ask(t[Text::DeletePersonCard].arg(firstName, familyName, QString::number(number)),
                            t[Text::PersonDelete],
                            {t[Text::WriteRemoveThenDelete], t[Text::DeleteAnyway], t[Text::Cancel]})) {
    case RemoveThenDelete:
        return Removal::CardFirst;
    case DeleteAnyway:
        return Removal::Delete;
    default:
        return Removal::Keep;
    }
}

bool PersonsPage::showPerson(qint64 number)
{
    postPending();
    m_ui.CheckBox2->setChecked(false);
    ApplyPersonFilter();
    m_ui.Pager1->setCurrentWidget(m_ui.Pager11);
    return m_persons.locate(PersonField::Number, number);
}

void PersonsPage::ApplyPersonFilter()
{
    if (!m_ui.CheckBox2->isChecked()) {
        if (m_persons.filterActive()) {
            m_mode.checkTypedTexts();
            m_persons.setFilterActive(false);
        }
        return;
    }
    m_mode.checkTypedTexts();
    // The text is matched as it is: an apostrophe is a letter like any other.
    const QString& field = m_ui.RadioButton4->isChecked() ? PersonField::FirstName : PersonField::FamilyName;
    m_persons.setPrefixFilter(field, m_ui.Edit4->text());
    if (!m_persons.filterActive())
        m_persons.setFilterActive(true);
}
