#include "app/WindowPlacements.h"

#include <QEvent>

#include "platform/qt/QtPlacedWindow.h"

namespace pellix {

void WindowPlacements::Keep(QWidget& window, const std::string& name) {
    QtPlacedWindow placed(window);
    registry_.RestoreWindow(name, placed);
    kept_.emplace_back(&window, name);
    window.installEventFilter(this);
}

void WindowPlacements::Store(QWidget& window, const std::string& name) {
    QtPlacedWindow placed(window);
    registry_.SaveWindow(name, placed);
}

void WindowPlacements::StoreAll() {
    for (auto& [window, name] : kept_)
        if (window) Store(*window, name);
    registry_.Flush();
}

bool WindowPlacements::eventFilter(QObject* watched, QEvent* event) {
    // A minimised window hides too, but by the window system's doing; only the program's
    // own hiding closes a window.
    if (event->type() == QEvent::Hide && !event->spontaneous()) {
        for (auto& [window, name] : kept_)
            if (window == watched) Store(*window, name);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pellix
