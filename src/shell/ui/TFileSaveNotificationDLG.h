// The question before saving for the external assembler. Created at start-up and kept for the whole
// run; it has no contents of its own yet.
#pragma once

#include <QDialog>

namespace pellix {

class TFileSaveNotificationDLG : public QDialog {
public:
    explicit TFileSaveNotificationDLG(QWidget* parent = nullptr) : QDialog(parent) {
        setObjectName(QStringLiteral("FileSaveNotificationDLG"));
        setWindowTitle(QStringLiteral("File Save Notification"));
    }
};

} // namespace pellix
