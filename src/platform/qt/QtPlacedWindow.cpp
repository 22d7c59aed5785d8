#include "platform/qt/QtPlacedWindow.h"

namespace pellix {

WindowBounds QtPlacedWindow::NormalBounds() const {
    // A maximised or minimised window still knows the bounds it returns to.
    QRect r = (w_.isMaximized() || w_.isMinimized()) && w_.normalGeometry().isValid()
                  ? w_.normalGeometry()
                  : w_.geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtPlacedWindow::SetBounds(const WindowBounds& b) {
    w_.setGeometry(b.left, b.top, std::max(b.width, 1), std::max(b.height, 1));
}

WindowState QtPlacedWindow::State() const {
    if (w_.isMinimized()) return WindowState::Minimized;
    if (w_.isMaximized()) return WindowState::Maximized;
    return WindowState::Normal;
}

void QtPlacedWindow::SetState(WindowState state) {
    Qt::WindowStates s = w_.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == WindowState::Minimized) s |= Qt::WindowMinimized;
    if (state == WindowState::Maximized) s |= Qt::WindowMaximized;
    w_.setWindowState(s);
}

} // namespace pellix
