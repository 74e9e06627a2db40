#include "ui/EventHook.h"

#include <QWidget>

namespace ui {

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

void onEvent(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler)
{
    new EventHook(widget, type, std::move(handler));
}

} // namespace ui
