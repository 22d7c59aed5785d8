#include "shell/ui/TPrintForm.h"

#include <QButtonGroup>
#include <QFile>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include "shell/ui/TPrintStatusForm.h"

namespace pellix {

TPrintForm::TPrintForm(QWidget* parent)
    : QDialog(parent), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("PrintForm"));
    setWindowTitle(QStringLiteral("Print"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    printerBox_ = new QComboBox;
    printerBox_->setObjectName(QStringLiteral("PrinterCB"));
    const QStringList printers = QPrinterInfo::availablePrinterNames();
    printerBox_->addItems(printers);
    printerBox_->addItem(QString::fromLatin1(kPdfFileItem));
    int preferred = int(printers.indexOf(QPrinterInfo::defaultPrinterName()));
    printerBox_->setCurrentIndex(preferred >= 0 ? preferred : int(printers.size()));

    auto* orientation = new QGroupBox(QStringLiteral("Orientation"));
    orientation->setObjectName(QStringLiteral("OrientationRG"));
    portrait_ = new QRadioButton(QStringLiteral("&Portrait"));
    portrait_->setObjectName(QStringLiteral("PortraitRB"));
    landscape_ = new QRadioButton(QStringLiteral("&Landscape"));
    landscape_->setObjectName(QStringLiteral("LandscapeRB"));
    portrait_->setChecked(true);
    auto* o = new QVBoxLayout(orientation);
    o->addWidget(portrait_);
    o->addWidget(landscape_);

    auto* range = new QGroupBox(QStringLiteral("Range"));
    range->setObjectName(QStringLiteral("RangeRG"));
    all_ = new QRadioButton(QStringLiteral("&All"));
    all_->setObjectName(QStringLiteral("AllRB"));
    selection_ = new QRadioButton(QStringLiteral("S&election"));
    selection_->setObjectName(QStringLiteral("SelectionRB"));
    all_->setChecked(true);
    auto* r = new QVBoxLayout(range);
    r->addWidget(all_);
    r->addWidget(selection_);

    fontSize_ = new QSpinBox;
    fontSize_->setObjectName(QStringLiteral("FontSizeSE"));
    fontSize_->setRange(1, 72);
    fontSize_->setValue(9);
    sections_ = new QSpinBox;
    sections_->setObjectName(QStringLiteral("SectionsSE"));
    sections_->setRange(1, 8);
    sections_->setValue(1);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("P&rinter:"), printerBox_);
    form->addRow(QStringLiteral("&Font Size:"), fontSize_);
    form->addRow(QStringLiteral("&Sections:"), sections_);

    columnsLabel_ = new QLabel;
    columnsLabel_->setObjectName(QStringLiteral("ColumnsLBL"));
    characterLabel_ = new QLabel;
    characterLabel_->setObjectName(QStringLiteral("CharacterLBL"));
    pagesLabel_ = new QLabel;
    pagesLabel_->setObjectName(QStringLiteral("PagesLBL"));

    okay_ = new QPushButton(QStringLiteral("Okay"));
    okay_->setObjectName(QStringLiteral("OkayBTN"));
    okay_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("CancelBTN"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okay_);
    buttons->addWidget(cancel);

    auto* groups = new QHBoxLayout;
    groups->addWidget(orientation);
    groups->addWidget(range);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(groups);
    layout->addWidget(columnsLabel_);
    layout->addWidget(characterLabel_);
    layout->addWidget(pagesLabel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto recompute = [this] { Recompute(); };
    connect(printerBox_, &QComboBox::currentIndexChanged, this, recompute);
    connect(portrait_, &QRadioButton::toggled, this, recompute);
    connect(selection_, &QRadioButton::toggled, this, recompute);
    connect(fontSize_, &QSpinBox::valueChanged, this, recompute);
    connect(sections_, &QSpinBox::valueChanged, this, recompute);
    connect(okay_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    Recompute();
}

TPrintForm::~TPrintForm() = default;

bool TPrintForm::ToFile() const {
    return printerBox_->currentText() == QLatin1String(kPdfFileItem);
}

bool TPrintForm::SelectionChosen() const {
    return selection_->isChecked() && selection_->isEnabled();
}

QFont TPrintForm::PrintFont() const {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setKerning(false);
    f.setPointSize(fontSize_->value());
    return f;
}

void TPrintForm::ApplyPrinter() {
    if (ToFile()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer_->setOutputFormat(QPrinter::NativeFormat);
        printer_->setPrinterName(printerBox_->currentText());
    }
    printer_->setPageOrientation(landscape_->isChecked() ? QPageLayout::Landscape
                                                         : QPageLayout::Portrait);
}

QPrinter& TPrintForm::Printer() {
    ApplyPrinter();
    return *printer_;
}

PrintMetrics TPrintForm::Metrics() {
    ApplyPrinter();
    QRect page = printer_->pageLayout().paintRectPixels(printer_->resolution());
    QFontMetrics fm(PrintFont(), printer_.get());
    return {page.width(), page.height(), fm.horizontalAdvance(QLatin1Char('X')), fm.height()};
}

PrintLayout TPrintForm::Layout() {
    return ComputePrintLayout(Metrics(), sections_->value(),
                              SelectionChosen() ? selectionLines_ : lines_);
}

void TPrintForm::Recompute() {
    PrintMetrics m = Metrics();
    PrintLayout l =
        ComputePrintLayout(m, sections_->value(), SelectionChosen() ? selectionLines_ : lines_);
    columnsLabel_->setText(QString::fromStdString(ColumnsText(l)));
    characterLabel_->setText(QString::fromStdString(CharacterText(m)));
    pagesLabel_->setText(QString::fromStdString(PagesText(l)));
    okay_->setEnabled(l.printable);
}

void TPrintForm::Prepare(int lines, int selectionLines) {
    lines_ = lines;
    selectionLines_ = selectionLines;
    selection_->setEnabled(selectionLines > 0);
    (selectionLines > 0 ? selection_ : all_)->setChecked(true);
    Recompute();
}

bool TPrintForm::Ask() {
    return exec() == QDialog::Accepted;
}

void TPrintForm::PaintPage(QPainter& p, const PrintLayout& l, const PrintMetrics& m, int ascent,
                           const std::vector<std::string>& lines, int page) {
    QPen rule(Qt::black);
    rule.setWidth(std::max(m.charWidth / 10, 1));
    for (int s = 0; s < l.sections; ++s) {
        size_t first = size_t(l.FirstLine(page, s));
        if (first >= lines.size()) break;
        if (s > 0) {
            p.setPen(rule);
            int x = l.RuleX(s, m.charWidth);
            p.drawLine(x, l.top, x, l.top + l.height);
        }
        p.setPen(Qt::black);
        int x = l.SectionLeft(s, m.charWidth);
        for (int k = 0; k < l.linesPerPage && first + size_t(k) < lines.size(); ++k) {
            const std::string& text = lines[first + size_t(k)];
            p.drawText(x, l.top + k * m.charHeight + ascent,
                       QString::fromLatin1(text.data(), qsizetype(text.size())));
        }
    }
}

PrintOutcome TPrintForm::Print(std::string_view text, TPrintStatusForm& status) {
    PrintMetrics m = Metrics();
    PrintLayout l = ComputePrintLayout(m, sections_->value(), PrintLineCount(text));
    if (!l.printable) return PrintOutcome::Failed;
    std::vector<std::string> lines = PrintLines(text, l.columns);
    printer_->setDocName(QStringLiteral("Pellix"));
    printer_->setCreator(QStringLiteral("Pellix"));
    QPainter p;
    if (!p.begin(printer_.get())) return PrintOutcome::Failed;
    p.setFont(PrintFont());
    int ascent = QFontMetrics(p.font(), printer_.get()).ascent();
    status.Start(l.pages);
    bool cancelled = false;
    for (int page = 0; page < l.pages; ++page) {
        status.SetPage(page + 1, l.pages);
        if (status.Cancelled()) {
            cancelled = true;
            break;
        }
        if (page > 0) printer_->newPage();
        PaintPage(p, l, m, ascent, lines, page);
    }
    if (cancelled) printer_->abort();
    p.end();
    status.Finish();
    if (cancelled) {
        // A file that cannot be aborted is finished and then taken away.
        if (printer_->outputFormat() == QPrinter::PdfFormat &&
            !printer_->outputFileName().isEmpty())
            QFile::remove(printer_->outputFileName());
        return PrintOutcome::Cancelled;
    }
    return PrintOutcome::Printed;
}

} // namespace pellix
