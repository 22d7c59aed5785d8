// The register view. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TRegisterForm : public QDialog {
public:
    explicit TRegisterForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("RegisterForm"));
        setWindowTitle(QStringLiteral("Registers"));
    }
};

} // namespace pellix
