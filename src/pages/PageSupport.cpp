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

QString firstUnstorable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, length);
        if (!cp1250::representable(character))
            return character.toString();
        i += length - 1;
    }
    return {};
}

void checkStorable(const QString& text, const ProgramState& state)
{
    const QString character = firstUnstorable(text);
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
