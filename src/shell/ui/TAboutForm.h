// The about box. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TAboutForm : public QDialog {
public:
    explicit TAboutForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("AboutForm"));
        setWindowTitle(QStringLiteral("About"));
    }
};

} // namespace pellix
