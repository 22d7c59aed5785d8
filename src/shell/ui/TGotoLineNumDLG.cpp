#include "shell/ui/TGotoLineNumDLG.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace pellix {

TGotoLineNumDLG::TGotoLineNumDLG(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GotoLineNumDLG"));
    setWindowTitle(QStringLiteral("Go to Line Number..."));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Enter line number to go to:"));
    edit_ = new QLineEdit;
    edit_->setObjectName(QStringLiteral("LineNumberEdit"));
    label->setBuddy(edit_);
    layout->addWidget(label);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("GotoLineButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setFixedWidth(260);
}

void TGotoLineNumDLG::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    edit_->selectAll();
    edit_->setFocus();
}

std::optional<int> TGotoLineNumDLG::ParseLineNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    bool ok = false;
    int n = t.toInt(&ok);
    if (!ok || n < 1) return std::nullopt;
    return n;
}

std::optional<int> TGotoLineNumDLG::Ask() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return ParseLineNumber(edit_->text());
}

} // namespace pellix
