// The device settings window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TDeviceForm : public QDialog {
public:
    explicit TDeviceForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("DeviceForm"));
        setWindowTitle(QStringLiteral("Device"));
    }
};

} // namespace pellix
