#pragma once

#include <QEvent>

#include <functional>

class QWidget;

namespace ui {

// Calls handler for every event of this type that reaches widget; the handler
// returns true to swallow the event. The hook lives as long as the widget.
void onEvent(QWidget* widget, QEvent::Type type, std::function<bool(QEvent*)> handler);

} // namespace ui
