#include "shell/ui/TSearchDialog.h"

#include <QRegularExpression>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace pellix {

TSearchDialog::TSearchDialog(Kind kind, QWidget* parent) : QDialog(parent), kind_(kind) {
    bool replace = kind == Kind::Replace;
    setObjectName(replace ? QStringLiteral("Edit_ReplaceDialog")
                          : QStringLiteral("Edit_FindDialog"));
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    setModal(false);

    auto* grid = new QGridLayout;
    auto* findLabel = new QLabel(tr("Fi&nd what:"));
    find_ = new QLineEdit;
    find_->setObjectName(QStringLiteral("FindWhatEdit"));
    find_->setMinimumWidth(220);
    findLabel->setBuddy(find_);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(find_, 0, 1);
    if (replace) {
        auto* replaceLabel = new QLabel(tr("Re&place with:"));
        replace_ = new QLineEdit;
        replace_->setObjectName(QStringLiteral("ReplaceWithEdit"));
        replaceLabel->setBuddy(replace_);
        grid->addWidget(replaceLabel, 1, 0);
        grid->addWidget(replace_, 1, 1);
    }

    wholeWord_ = new QCheckBox(tr("Match &whole word only"));
    wholeWord_->setObjectName(QStringLiteral("WholeWordCB"));
    matchCase_ = new QCheckBox(tr("Match &case"));
    matchCase_->setObjectName(QStringLiteral("MatchCaseCB"));
    auto* options = new QVBoxLayout;
    options->addWidget(wholeWord_);
    options->addWidget(matchCase_);
    auto* lower = new QHBoxLayout;
    lower->addLayout(options);
    if (!replace) {
        auto* direction = new QGroupBox(tr("Direction"));
        up_ = new QRadioButton(tr("&Up"));
        up_->setObjectName(QStringLiteral("UpRB"));
        down_ = new QRadioButton(tr("&Down"));
        down_->setObjectName(QStringLiteral("DownRB"));
        down_->setChecked(true);
        auto* d = new QHBoxLayout(direction);
        d->addWidget(up_);
        d->addWidget(down_);
        lower->addWidget(direction);
    }
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addLayout(lower);
    left->addStretch();

    auto* buttons = new QVBoxLayout;
    findNext_ = new QPushButton(tr("&Find Next"));
    findNext_->setObjectName(QStringLiteral("FindNextBTN"));
    findNext_->setDefault(true);
    buttons->addWidget(findNext_);
    connect(findNext_, &QPushButton::clicked, this, &TSearchDialog::FindNextRequested);
    if (replace) {
        replaceButton_ = new QPushButton(tr("&Replace"));
        replaceButton_->setObjectName(QStringLiteral("ReplaceBTN"));
        replaceAll_ = new QPushButton(tr("Replace &All"));
        replaceAll_->setObjectName(QStringLiteral("ReplaceAllBTN"));
        buttons->addWidget(replaceButton_);
        buttons->addWidget(replaceAll_);
        connect(replaceButton_, &QPushButton::clicked, this, &TSearchDialog::ReplaceRequested);
        connect(replaceAll_, &QPushButton::clicked, this, &TSearchDialog::ReplaceAllRequested);
    }
    auto* cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("CancelBTN"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    connect(find_, &QLineEdit::textChanged, this, &TSearchDialog::UpdateButtons);
    UpdateButtons();
}

void TSearchDialog::UpdateButtons() {
    bool any = !find_->text().isEmpty();
    findNext_->setEnabled(any);
    if (replaceButton_) replaceButton_->setEnabled(any);
    if (replaceAll_) replaceAll_->setEnabled(any);
}

std::string TSearchDialog::FindText() const {
    return find_->text().toLatin1().toStdString();
}

std::string TSearchDialog::ReplaceText() const {
    return replace_ ? replace_->text().toLatin1().toStdString() : std::string();
}

void TSearchDialog::SetFindText(const std::string& text) {
    SetFindString(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

void TSearchDialog::SetFindString(const QString& text) {
    // The selection may span lines; the dialog takes its first line.
    find_->setText(text.left(text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")))));
    find_->selectAll();
    find_->setFocus();
}

SearchOptions TSearchDialog::Options() const {
    SearchOptions o;
    o.forward = down_ ? down_->isChecked() : true;
    o.wholeWord = wholeWord_->isChecked();
    o.matchCase = matchCase_->isChecked();
    return o;
}

} // namespace pellix
