#include "shell/ui/TWarrantyForm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace pellix {

const char* TWarrantyForm::DisclaimerText() {
    return "This software is provided \"as is\", without warranty of any kind, express or "
           "implied, including but not limited to the warranties of merchantability, fitness "
           "for a particular purpose and non-infringement.\n\n"
           "The software writes programs into microcontrollers and drives the target "
           "board's clock. A program, a configuration word or a clock setting may leave a "
           "chip or the circuit around it in a state that damages it or the equipment it "
           "controls. Check your programs and settings before you use them on hardware "
           "that matters.\n\n"
           "In no event shall the authors or copyright holders be liable for any claim, "
           "damages or other liability, whether in an action of contract, tort or "
           "otherwise, arising from, out of or in connection with the software or the use "
           "or other dealings in the software.\n\n"
           "Choose \"I Accept\" to agree to these terms and use the software. Choose "
           "\"I Don't Accept\" to end the program.";
}

TWarrantyForm::TWarrantyForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WarrantyForm"));
    setWindowTitle(QStringLiteral("Pellix Software Disclaimer"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("DisclaimerMemo"));
    text->setPlainText(QString::fromLatin1(DisclaimerText()));
    layout->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* accept = new QPushButton(QStringLiteral("I Accept"));
    accept->setObjectName(QStringLiteral("AcceptBTN"));
    auto* refuse = new QPushButton(QStringLiteral("I Don't Accept"));
    refuse->setObjectName(QStringLiteral("DontAcceptBTN"));
    row->addWidget(accept);
    row->addWidget(refuse);
    row->addStretch();
    layout->addLayout(row);
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(refuse, &QPushButton::clicked, this, &QDialog::reject);
    refuse->setDefault(false);
    accept->setDefault(true);
    resize(480, 360);
}

bool TWarrantyForm::Ask() {
    return exec() == QDialog::Accepted;
}

} // namespace pellix
