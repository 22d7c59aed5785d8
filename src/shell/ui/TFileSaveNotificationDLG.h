// The question before the external assembler saves the current file: OK saves and
// assembles, Cancel returns to editing. "Don't show this dialog again" makes it answer OK
// without asking from then on.
#pragma once

#include <string>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "platform/SettingsRegistry.h"

namespace pellix {

class TFileSaveNotificationDLG : public QDialog {
    Q_OBJECT
public:
    // The check box starts as "Configuration\HideAssemblyFileSaveDialog" says.
    explicit TFileSaveNotificationDLG(SettingsRegistry* registry = nullptr,
                                      QWidget* parent = nullptr);

    // True for OK; asks only while the check box is clear.
    bool Ask(const std::string& fileName);

    QCheckBox* DontShowCB() const { return dontShow_; }
    QLabel* MessageLBL() const { return label_; }
    QPushButton* OkBTN() const { return ok_; }
    QPushButton* CancelBTN() const { return cancel_; }

private:
    SettingsRegistry* registry_;
    QLabel* label_;
    QCheckBox* dontShow_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace pellix
