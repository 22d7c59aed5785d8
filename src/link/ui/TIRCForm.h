// The IRC calibration window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TIRCForm : public QDialog {
public:
    explicit TIRCForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("IRCForm"));
        setWindowTitle(QStringLiteral("IRC"));
    }
};

} // namespace pellix
