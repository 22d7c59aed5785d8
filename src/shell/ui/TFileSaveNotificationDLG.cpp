#include "shell/ui/TFileSaveNotificationDLG.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "shell/WorkingSettings.h"

namespace pellix {

TFileSaveNotificationDLG::TFileSaveNotificationDLG(SettingsRegistry* registry, QWidget* parent)
    : QDialog(parent), registry_(registry) {
    setObjectName(QStringLiteral("FileSaveNotificationDLG"));
    setWindowTitle(QStringLiteral("File Save Notification"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel;
    label_->setObjectName(QStringLiteral("MessageLBL"));
    label_->setWordWrap(true);
    label_->setTextFormat(Qt::PlainText);
    layout->addWidget(label_);
    dontShow_ = new QCheckBox(QStringLiteral("Don't show this dialog again"));
    dontShow_->setObjectName(QStringLiteral("DontShowCB"));
    layout->addWidget(dontShow_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    ok_ = new QPushButton(QStringLiteral("OK"));
    ok_->setObjectName(QStringLiteral("OkBTN"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("CancelBTN"));
    row->addWidget(ok_);
    row->addWidget(cancel_);
    layout->addLayout(row);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    int32_t hide = 0;
    if (registry_) registry_->ReadInteger(setting::HideAssemblyFileSaveDialog, hide);
    dontShow_->setChecked(hide != 0);
    resize(420, 130);
}

bool TFileSaveNotificationDLG::Ask(const std::string& fileName) {
    if (dontShow_->isChecked()) return true;
    label_->setText(QStringLiteral("\"") + QString::fromLocal8Bit(fileName.c_str()) +
                    QStringLiteral("\" needs to be saved prior to assembling.\n"
                                   "OK to save file, Cancel to return to editing"));
    ok_->setFocus();
    if (exec() != QDialog::Accepted) {
        // A box ticked and then cancelled is not a wish to stop being asked.
        dontShow_->setChecked(false);
        return false;
    }
    if (dontShow_->isChecked() && registry_) {
        registry_->WriteInteger(setting::HideAssemblyFileSaveDialog, 1);
        registry_->Flush();
    }
    return true;
}

} // namespace pellix
