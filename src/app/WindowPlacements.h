// The placements of the windows that remember where they were: restored when the window is
// created, stored whenever it is hidden and when the program ends.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/SettingsRegistry.h"

namespace pellix {

class WindowPlacements final : public QObject {
public:
    explicit WindowPlacements(SettingsRegistry& registry) : registry_(registry) {}

    // Restores `name` on `window` now and stores it from then on.
    void Keep(QWidget& window, const std::string& name);
    // Stores every kept window's placement as it is now.
    void StoreAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Store(QWidget& window, const std::string& name);

    SettingsRegistry& registry_;
    std::vector<std::pair<QPointer<QWidget>, std::string>> kept_;
};

} // namespace pellix
