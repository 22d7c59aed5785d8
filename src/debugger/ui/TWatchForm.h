// The watch view. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TWatchForm : public QDialog {
public:
    explicit TWatchForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("WatchForm"));
        setWindowTitle(QStringLiteral("Watch"));
    }
};

} // namespace pellix
