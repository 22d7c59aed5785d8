// The Configure dialog. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TConfigureForm : public QDialog {
public:
    explicit TConfigureForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("ConfigureForm"));
        setWindowTitle(QStringLiteral("Configure"));
    }
};

} // namespace pellix
