#include "shell/ui/TFindReplaceForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/OriginalEditorBuffer.h"

namespace pellix {

namespace {

std::string Latin1Bytes(const QString& s) {
    QByteArray b = s.toLatin1();
    return std::string(b.constData(), size_t(b.size()));
}

} // namespace

TFindReplaceForm::TFindReplaceForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindReplaceForm"));
    setWindowTitle(QStringLiteral("Find/Replace"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* grid = new QGridLayout;
    find_ = new QLineEdit;
    find_->setObjectName(QStringLiteral("FindTextED"));
    replace_ = new QLineEdit;
    replace_->setObjectName(QStringLiteral("ReplaceTextED"));
    auto* findLabel = new QLabel(QStringLiteral("Fi&nd:"));
    findLabel->setBuddy(find_);
    auto* replaceLabel = new QLabel(QStringLiteral("Replace &with:"));
    replaceLabel->setBuddy(replace_);
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(find_, 0, 1);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(replace_, 1, 1);

    fromStart_ = new QCheckBox(QStringLiteral("From &Start"));
    fromStart_->setObjectName(QStringLiteral("FromStartCB"));
    wordOnly_ = new QCheckBox(QStringLiteral("&Word Only"));
    wordOnly_->setObjectName(QStringLiteral("WordOnlyCB"));
    auto* options = new QHBoxLayout;
    options->addWidget(fromStart_);
    options->addWidget(wordOnly_);
    options->addStretch();

    findButton_ = new QPushButton(QStringLiteral("&Find"));
    findButton_->setObjectName(QStringLiteral("FindBTN"));
    replaceButton_ = new QPushButton(QStringLiteral("&Replace"));
    replaceButton_->setObjectName(QStringLiteral("ReplaceBTN"));
    allButton_ = new QPushButton(QStringLiteral("&All"));
    allButton_->setObjectName(QStringLiteral("AllBTN"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("CancelBTN"));
    findButton_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {findButton_, replaceButton_, allButton_, cancel})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(options);
    layout->addLayout(buttons);

    connect(find_, &QLineEdit::textChanged, this, &TFindReplaceForm::UpdateEnables);
    connect(findButton_, &QPushButton::clicked, this, [this] { done(FindResult); });
    connect(replaceButton_, &QPushButton::clicked, this, [this] { done(ReplaceResult); });
    connect(allButton_, &QPushButton::clicked, this, [this] { done(AllResult); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateEnables();
    setMinimumWidth(340);
}

void TFindReplaceForm::UpdateEnables() {
    const std::string text = FindText();
    findButton_->setEnabled(!text.empty());
    allButton_->setEnabled(!text.empty());
    wordOnly_->setEnabled(IsWordText(text));
    replaceButton_->setEnabled(hasSelection_);
}

std::string TFindReplaceForm::FindText() const {
    return Latin1Bytes(find_->text());
}

std::string TFindReplaceForm::ReplaceText() const {
    return Latin1Bytes(replace_->text());
}

void TFindReplaceForm::Prepare(const std::string& findText, bool hasSelection) {
    hasSelection_ = hasSelection;
    // A selection within one line is what the user most likely looks for.
    if (!findText.empty() && findText.find('\r') == std::string::npos)
        find_->setText(QString::fromLatin1(findText.data(), qsizetype(findText.size())));
    UpdateEnables();
}

int TFindReplaceForm::Ask(const std::string& findText, bool hasSelection) {
    Prepare(findText, hasSelection);
    return exec();
}

void TFindReplaceForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Both boxes pre-selected, so typing replaces what they held.
    replace_->selectAll();
    find_->selectAll();
    find_->setFocus();
}

} // namespace pellix
