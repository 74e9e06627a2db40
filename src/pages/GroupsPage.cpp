#include "pages/GroupsPage.h"

#include "config/AppError.h"
#include "data/Table.h"
#include "data/TableLayouts.h"
#include "dbf/RecordStore.h"
#include "i18n/Text.h"
#include "pages/GroupMembers.h"
#include "pages/NewNumbers.h"
#include "state/ProgramState.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/DbGrid.h"
#include "ui/DbMemo.h"
#include "ui/MainWindowUi.h"
#include "ui/MessageBox.h"

#include <QPushButton>

GroupsPage::GroupsPage(Table& groups, Table& persons, Table& readers, MainWindowUi& ui, const ProgramState& state,
                       QObject* parent)
    : QObject(parent), m_groups(groups), m_persons(persons), m_readers(readers), m_ui(ui), m_state(state),
      m_mode(groups, ui.SpeedButton5, {ui.DBEdit6, ui.DBMemo2}, state, [this](bool editable) { setEditable(editable); }),
      m_liveGroups(&groups), m_livePersons(&persons)
{
    m_groups.setWithinPost(
        [this](const QVariantList& before, const QVariantList& after) { renameMembers(before, after); });
    m_mode.setFieldLabel([this](const QString& field) {
        const TextSlots& t = m_state.TextSlots;
        const int flag = m_groups.fieldPosition(field) - TableLayouts::FirstAccessFlagPosition;
        if (flag >= 0 && flag < cards::ReaderCount)
            return t[Text::AccessToReaderField].arg(flag + 1);
        if (field.compare(GroupField::Name, Qt::CaseInsensitive) == 0)
            return t[Text::GroupLabel];
        if (field.compare(GroupField::Notes, Qt::CaseInsensitive) == 0)
            return t[Text::GroupComments];
        return QString();
    });
}

GroupsPage::~GroupsPage()
{
    if (!m_liveGroups)
        return;
    // A change still pending is stored now, while the members can follow a
    // rename; from here on the table stores without calling this page. One
    // that cannot be stored now is dropped: stored later without its members
    // it would take their access away.
    if (m_groups.state() != Table::State::Browsing) {
        bool stored = false;
        try {
            if (m_livePersons) {
                m_groups.post();
                stored = true;
            }
        } catch (const AppError&) {
        }
        if (!stored)
            m_groups.cancel();
    }
    m_groups.setWithinPost({});
}

void GroupsPage::setEditable(bool editable)
{
    m_mode.paint(m_ui.DBGrid2, editable);
    for (QPushButton* button : {m_ui.Button1, m_ui.Button10, m_ui.Button13, m_ui.Button14})
        button->setEnabled(editable);
    m_ui.DBEdit6->setReadOnly(!editable);
    m_mode.paint(m_ui.DBEdit6, editable);
    // The note takes typing in both modes; only its colour follows the mode.
    m_mode.paint(m_ui.DBMemo2, editable);
    for (int number = 1; number <= cards::ReaderCount; ++number)
        m_ui.accessBox(number)->setReadOnly(!editable);
}

QString GroupsPage::storedName(int row) const
{
    return m_groups.valueAt(row, m_groups.fieldPosition(GroupField::Name)).toString();
}

void GroupsPage::Button1Click()
{
    postPending();
    pages::addNumbered(m_groups, GroupField::Id, {}, [this](qint64 id) {
        m_groups.setText(GroupField::Name, m_state.TextSlots[Text::GroupWord] + QLatin1Char(' ') + QString::number(id));
        for (int k = 1; k <= cards::ReaderCount; ++k)
            m_groups.setLogical(QStringLiteral("p%1").arg(k), false);
    });
}

void GroupsPage::Button10Click()
{
    if (m_groups.isEmpty()) {
        pages::postPending(m_persons);
        MessageBox::show(m_state.TextSlots[Text::NoGroupShown], m_state.TextSlots[Text::GroupDelete]);
        return;
    }
    if (m_groups.state() == Table::State::Inserting) {
        m_groups.remove(); // a group never stored has no members
        return;
    }
    // The stored name: a rename typed but not posted never reached the members.
    const QString name = storedName(m_groups.currentRow());
    // The answer acts on the group asked about, or on nothing.
    const Table::NamedRecord named = m_groups.named();
    if (!removeConfirmed(name))
        return;
    const TextSlots& t = m_state.TextSlots;
    if (!pages::onNamed(m_groups, named, u'"' + name + u'"', t[Text::GroupDelete], t, [this] { m_groups.remove(); }))
        return;
    carryToMembers(name, TableLayouts::NoGroupMarker);
}

bool GroupsPage::removeConfirmed(const QString& name) const
{
    const TextSlots& t = m_state.TextSlots;
    int members = 0;
    for (const QVariantList& person : m_persons.storedRecords({m_persons.fieldPosition(PersonField::Group)}))
        members += person[0].toString() == name ? 1 : 0;
    QString question = t[Text::DeleteGroup].arg(name);
    if (members > 0)
        question += u' ' + t[Text::DeleteGroupMembers].arg(members);
    return MessageBox::ask(question, t[Text::GroupDelete], {t[Text::GroupDelete], t[Text::Cancel]}) == 0;
}

void GroupsPage::setAllAccess(bool on)
{
    if (m_groups.isEmpty()) {
        // No group to change; editing would make a nameless one.
        MessageBox::show(m_state.TextSlots[Text::NoGroupShown],
                         m_state.TextSlots[on ? Text::SelectAll : Text::NoAccess]);
        return;
    }
    m_mode.checkTypedTexts();
    m_groups.edit();
    for (int k = 0; k < cards::ReaderCount; ++k)
        m_groups.setLogicalAt(TableLayouts::FirstAccessFlagPosition + k, on);
    m_groups.post();
}

// A rename: the members follow their group to its new name, in the same
// change as the group's record, so that a refusal or a cut connection leaves
// both as they were and nobody loses the doors of their group.
void GroupsPage::renameMembers(const QVariantList& before, const QVariantList& after)
{
    const int name = m_groups.fieldPosition(GroupField::Name) - 1;
    const QString oldName = before.value(name).toString();
    const QString newName = after.value(name).toString();
    if (oldName.isEmpty() || newName == oldName)
        return;
    // Persons belong to the first group of a name; a later namesake had none.
    for (int earlier = 0; earlier < m_groups.currentRow(); ++earlier)
        if (storedName(earlier) == oldName)
            return;
    try {
        carryToMembers(oldName, newName, &m_groups);
    } catch (const RecordChangedElsewhere&) {
        // A member's record, not the group's: told as such, and nothing of
        // the rename is stored.
        throw AppError(m_state.TextSlots[Text::MembersChangedMeanwhile].arg(oldName));
    }
}

void GroupsPage::carryToMembers(const QString& from, const QString& to, Table* within)
{
    // The persons page pulls the groups table to the current person's group
    // as the persons catch up; the operator stays on the group in hand.
    const int groupRow = m_groups.currentRow();
    pages::reassignMembers(m_persons, from, to, within);
    if (groupRow >= 0 && groupRow < m_groups.rowCount() && m_groups.currentRow() != groupRow)
        m_groups.moveToRow(groupRow);
}

void GroupsPage::UpdateReaderHints()
{
    for (int number = 1; number <= cards::ReaderCount; ++number)
        m_ui.accessBox(number)->setToolTip(m_state.TextSlots[Text::NoAssignment]);
    m_readers.first();
    const int numberPosition = m_readers.fieldPosition(ReaderField::Number);
    const int namePosition = m_readers.fieldPosition(ReaderField::Name);
    for (int row = 0; row < m_readers.rowCount(); ++row) {
        const qint64 k = m_readers.valueAt(row, numberPosition).toLongLong();
        if (k >= cards::MinReaderNumber && k <= cards::MaxReaderNumber)
            m_ui.accessBox(int(k))->setToolTip(m_readers.valueAt(row, namePosition).toString());
    }
}
