// A window's placement as the settings registry stores and restores it.
#pragma once

#include <QWidget>

#include "platform/SettingsRegistry.h"

namespace pellix {

class QtPlacedWindow final : public PlacedWindow {
public:
    explicit QtPlacedWindow(QWidget& window) : w_(window) {}
    WindowBounds NormalBounds() const override;
    void SetBounds(const WindowBounds& b) override;
    WindowState State() const override;
    void SetState(WindowState state) override;
    bool IsVisible() const override { return w_.isVisible(); }

private:
    QWidget& w_;
};

} // namespace pellix
