// The original editor's find/replace window. Created at start-up and kept for the whole run; it has
// no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TFindReplaceForm : public QDialog {
public:
    explicit TFindReplaceForm(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("FindReplaceForm"));
        setWindowTitle(QStringLiteral("Find/Replace"));
    }
};

} // namespace pellix
