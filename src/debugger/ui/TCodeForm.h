// The code view. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TCodeForm : public QDialog {
public:
    explicit TCodeForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("CodeForm"));
        setWindowTitle(QStringLiteral("Code"));
    }
};

} // namespace pellix
