#include "pages/EditMode.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "dbf/RecordStore.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"
#include "ui/DbEdit.h"
#include "ui/DbMemo.h"
#include "ui/Look.h"
#include "ui/MessageBox.h"

#include <QPushButton>

EditMode::EditMode(Table& table, QPushButton* editButton, QList<QWidget*> typed, const ProgramState& state,
                   std::function<void(bool)> setEditable)
    : m_table(table), m_editButton(editButton), m_typed(std::move(typed)), m_state(state),
      m_setEditable(std::move(setEditable))
{
}

void EditMode::enter()
{
    m_setEditable(true);
}

void EditMode::confirm()
{
    try {
        postPending();
    } catch (const AppError&) {
        m_editButton->setChecked(true);
        throw;
    }
    m_setEditable(false);
}

void EditMode::postPending()
{
    checkTypedTexts();
    try {
        pages::postPending(m_table);
    } catch (const RecordChangedElsewhere& e) {
        askAfterConflict(e);
        throw AppError(QString()); // told: the step ends here
    }
}

// Another desk stored the record first: the operator sees who and what it
// holds now, and chooses. Keep editing (also the answer of Escape) leaves
// what was typed pending, now over the record as stored, so that the next
// post replaces it knowingly; nothing is stored without being asked again.
void EditMode::askAfterConflict(const RecordChangedElsewhere& conflict)
{
    const TextSlots& t = m_state.TextSlots;
    m_table.reread();
    if (conflict.removed() || m_table.state() == Table::State::Browsing) {
        MessageBox::show(t[Text::RemovedAtDesk], t[Text::ChangedAtDeskCaption]);
        return;
    }
    QStringList now;
    for (QWidget* control : m_typed) {
        QString field;
        if (auto* edit = qobject_cast<DbEdit*>(control))
            field = edit->link().field();
        else if (auto* memo = qobject_cast<DbMemo*>(control))
            field = memo->link().field();
        const int position = field.isEmpty() ? 0 : m_table.fieldPosition(field);
        if (position > 0)
            now << QStringLiteral("  ") + m_table.valueAt(m_table.currentRow(), position).toString().trimmed();
    }
    enum { Reload, KeepEditing };
    if (MessageBox::ask(t[Text::ChangedAtDesk].arg(conflict.desk(), now.join(u'\n')), t[Text::ChangedAtDeskCaption],
                        {t[Text::ReloadAnswer], t[Text::KeepEditingAnswer]}) == Reload)
        m_table.cancel();
}

void EditMode::checkTypedTexts() const
{
    for (QWidget* control : m_typed) {
        QString typed;
        if (auto* edit = qobject_cast<DbEdit*>(control); edit && edit->link().modified())
            typed = edit->text();
        else if (auto* memo = qobject_cast<DbMemo*>(control); memo && memo->link().modified())
            typed = memo->toPlainText();
        const QString character = cp1250::firstUnrepresentable(typed);
        if (!character.isEmpty())
            throw AppError(m_state.TextSlots[Text::UnstorableCharacter].arg(character));
    }
}

void EditMode::paint(QWidget* control, bool editable) const
{
    Look::paintControl(control, editable ? QColor() : Look::winColor(m_state.LockedColor));
}

namespace pages {

void postPending(Table& table)
{
    if (table.isOpen() && table.state() != Table::State::Browsing)
        table.post();
}

} // namespace pages
