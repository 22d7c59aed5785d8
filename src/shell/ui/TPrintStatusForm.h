// The page counter shown while printing. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TPrintStatusForm : public QDialog {
public:
    explicit TPrintStatusForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("PrintStatusForm"));
        setWindowTitle(QStringLiteral("Printing"));
    }
};

} // namespace pellix
