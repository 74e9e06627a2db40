#include "pages/EditMode.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "state/ProgramState.h"
#include "ui/DbEdit.h"
#include "ui/DbMemo.h"
#include "ui/Look.h"

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
    pages::postPending(m_table);
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
