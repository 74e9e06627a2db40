#include "pages/PageSupport.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "ui/Look.h"

#include <QColor>
#include <QWidget>

namespace pages {

void paintForMode(QWidget* control, bool editable, const ProgramState& state)
{
    Look::paintControl(control, editable ? QColor() : Look::winColor(state.LockedColor));
}

void postPending(Table& table)
{
    if (table.isOpen() && table.state() != Table::State::Browsing)
        table.post();
}

void checkStorable(const QString& text, const ProgramState& state)
{
    const QString character = cp1250::firstUnrepresentable(text);
    if (!character.isEmpty())
        throw AppError(state.TextSlots[Text::UnstorableCharacter].arg(character));
}

DisplayHold::DisplayHold(Table& table) : m_table(table)
{
    m_table.suspendDisplay();
}

DisplayHold::~DisplayHold()
{
    m_table.resumeDisplay();
}

} // namespace pages
