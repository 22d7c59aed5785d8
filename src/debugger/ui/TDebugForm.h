// The debug window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TDebugForm : public QDialog {
public:
    explicit TDebugForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("DebugForm"));
        setWindowTitle(QStringLiteral("Debug"));
    }
};

} // namespace pellix
