// The original editor's print options: printer, orientation, font size, sections side by
// side and range, with what they give (columns, lines, pages); and the printing itself.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "shell/PrintLayout.h"

class QPainter;

namespace pellix {

class TPrintStatusForm;

enum class PrintOutcome { Printed, Cancelled, Failed };

class TPrintForm : public QDialog {
    Q_OBJECT
public:
    // The printer list's item that writes a PDF file instead.
    static constexpr const char* kPdfFileItem = "PDF file";

    explicit TPrintForm(QWidget* parent = nullptr);
    ~TPrintForm() override;

    // A text of `lines` lines with `selectionLines` of them selected (0: no selection);
    // the range starts on Selection when there is one.
    void Prepare(int lines, int selectionLines);
    // Shows it modally; true for Okay.
    bool Ask();

    QPrinter& Printer();
    bool ToFile() const;
    bool SelectionChosen() const;
    QFont PrintFont() const;
    PrintMetrics Metrics();
    PrintLayout Layout();
    // Labels and Okay after a control changed.
    void Recompute();

    // Prints `text` (lines ending in CR) with the chosen options, counting pages in
    // `status`. A cancelled job to a file leaves no file behind.
    PrintOutcome Print(std::string_view text, TPrintStatusForm& status);
    // Page `page` (from 0) of the prepared lines, as Print paints it.
    static void PaintPage(QPainter& painter, const PrintLayout& layout, const PrintMetrics& metrics,
                          int ascent, const std::vector<std::string>& lines, int page);

    QComboBox* PrinterBox() const { return printerBox_; }
    QRadioButton* PortraitButton() const { return portrait_; }
    QRadioButton* LandscapeButton() const { return landscape_; }
    QSpinBox* FontSizeBox() const { return fontSize_; }
    QSpinBox* SectionsBox() const { return sections_; }
    QRadioButton* AllButton() const { return all_; }
    QRadioButton* SelectionButton() const { return selection_; }
    QLabel* ColumnsLabel() const { return columnsLabel_; }
    QLabel* CharacterLabel() const { return characterLabel_; }
    QLabel* PagesLabel() const { return pagesLabel_; }
    QPushButton* OkayButton() const { return okay_; }

private:
    void ApplyPrinter();

    std::unique_ptr<QPrinter> printer_;
    QComboBox* printerBox_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
    QSpinBox* fontSize_;
    QSpinBox* sections_;
    QRadioButton* all_;
    QRadioButton* selection_;
    QLabel* columnsLabel_;
    QLabel* characterLabel_;
    QLabel* pagesLabel_;
    QPushButton* okay_;
    int lines_ = 0;
    int selectionLines_ = 0;
};

} // namespace pellix
