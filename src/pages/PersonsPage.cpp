#include "pages/PersonsPage.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "data/TableModel.h"
#include "pages/NewNumbers.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbLookupCombo.h"
#include "ui/DbMemo.h"
#include "ui/MainWindowUi.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

PersonsPage::PersonsPage(Table& persons, Table& groups, MainWindowUi& ui, const ProgramState& state,
                         ProgrammerLink& link, CardJournal& journal, QObject* parent)
    : QObject(parent), m_persons(persons), m_groups(groups), m_ui(ui),
      m_mode(persons, ui.SpeedButton4, {ui.DBEdit8, ui.DBEdit2, ui.DBMemo1}, state,
             [this](bool editable) { setEditable(editable); }),
      m_cards(state, link, persons, groups, journal, ui)
{
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
    // A new person must show: the search goes off first.
    m_ui.CheckBox2->setChecked(false);
    ApplyPersonFilter();
    setEditable(true);

    const qint64 largest = pages::largestInteger(m_persons, PersonField::Number);
    m_persons.insert();
    try {
        m_persons.setInteger(PersonField::Number, largest + 1);
        m_persons.setInteger(PersonField::Index, 0);
        // No access that nobody chose: the new person has no group until
        // the operator picks one (whichever group was current is no choice).
        m_persons.setText(PersonField::Group, TableLayouts::NoGroupMarker);
        m_persons.post();
    } catch (const AppError&) {
        m_persons.cancel(); // no half-made person is left to be stored later
        throw;
    }
}

void PersonsPage::Button7Click()
{
    if (!m_persons.atEnd())
        m_persons.remove();
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
