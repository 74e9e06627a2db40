#include "pages/PageSupport.h"

#include "config/AppError.h"
#include "config/Cp1250.h"
#include "data/Table.h"
#include "i18n/Text.h"
#include "ui/Look.h"

#include <QColor>
#include <QWidget>

namespace pages {

namespace {

class EventHook : public QObject
{
public:
    EventHook(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler)
        : QObject(widget), m_type(type), m_handler(std::move(handler))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override { return event->type() == m_type && m_handler(event); }

private:
    QEvent::Type m_type;
    std::function<bool(QEvent*)> m_handler;
};

} // namespace

void paintForMode(QWidget* control, bool editable, const ProgramState& state)
{
    Look::paintControl(control, editable ? QColor() : Look::winColor(state.LockedColor));
}

void postPending(Table& table)
{
    if (table.isOpen() && table.state() != Table::State::Browsing)
        table.post();
}

qint64 largestInteger(const Table& table, const QString& field)
{
    const int position = table.fieldPosition(field);
    qint64 largest = 0;
    for (int row = 0; row < table.rowCount(); ++row)
        largest = qMax(largest, table.valueAt(row, position).toLongLong());
    return largest;
}

void checkStorable(const QString& text, const ProgramState& state)
{
    const QString character = cp1250::firstUnrepresentable(text);
    if (!character.isEmpty())
        throw AppError(state.TextSlots[Text::UnstorableCharacter].arg(character));
}

void onEvent(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler)
{
    new EventHook(widget, type, std::move(handler));
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
