// The list view of the external path. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TPM_CodeFRM : public QDialog {
public:
    explicit TPM_CodeFRM(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("PM_CodeFRM"));
        setWindowTitle(QStringLiteral("Code - List File"));
    }
};

} // namespace pellix
