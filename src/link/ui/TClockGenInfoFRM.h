// The box shown after Run. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TClockGenInfoFRM : public QDialog {
public:
    explicit TClockGenInfoFRM(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("ClockGenInfoFRM"));
        setWindowTitle(QStringLiteral("Clock Generation Info"));
    }
};

} // namespace pellix
