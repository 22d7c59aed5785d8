// The progress window of chip operations. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TProgressForm : public QDialog {
public:
    explicit TProgressForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("ProgressForm"));
        setWindowTitle(QStringLiteral("Device Operation"));
    }
};

} // namespace pellix
