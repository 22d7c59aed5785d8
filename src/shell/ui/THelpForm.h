// The help window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class THelpForm : public QDialog {
public:
    explicit THelpForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("HelpForm"));
        setWindowTitle(QStringLiteral("Help"));
    }
};

} // namespace pellix
