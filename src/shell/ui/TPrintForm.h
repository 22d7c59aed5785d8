// The print options window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TPrintForm : public QDialog {
public:
    explicit TPrintForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("PrintForm"));
        setWindowTitle(QStringLiteral("Print"));
    }
};

} // namespace pellix
