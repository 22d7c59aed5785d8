// The clock generator window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TClockForm : public QDialog {
public:
    explicit TClockForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("ClockForm"));
        setWindowTitle(QStringLiteral("Clock"));
    }
};

} // namespace pellix
