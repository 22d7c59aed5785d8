// The code view "Code": the listing of the program being debugged, the line of the next
// instruction in blue and the breakpoint's in red, kept in sight as the program runs;
// a click sets the breakpoint, a double click the program counter. In Byte Craft compiler
// mode it shows the compiler's list file, whole lines, with the file's name in the caption.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "debugger/CodeUnit.h"
#include "debugger/ui/DebuggerLook.h"

class QScrollBar;

namespace pellix {

inline constexpr char kCodeCaption[] = "Code";

class TCodeForm : public QWidget, public DebugView {
    Q_OBJECT
public:
    explicit TCodeForm(DebugViewContext context, QWidget* parent = nullptr);
    ~TCodeForm() override;

    // DebugView
    bool IsVisible() const override { return isVisible(); }
    void Repaint(bool all) override;
    void ShowAddress(uint32_t programCounter) override { ScrollTo(programCounter); }
    void RepaintBreakpoint(bool all) override { Repaint(all); }

    // Brings the line of `address` into view, a quarter of the window from either edge.
    void ScrollTo(uint32_t address);
    void SetViewFont(const QFont& font);
    void SetCompilerMode(bool on, const std::string& sxcFileName);
    bool CompilerMode() const { return compilerMode_; }
    // While a session is active the marks follow the chip and clicks reach it; otherwise
    // the view shows the listing with the program's breakpoint.
    void SetSessionActive(bool active);
    void SavePlacement();

    int Rows() const { return rows_; }
    int Position() const { return position_; }
    int RowHeight() const { return rowHeight_; }
    int CharWidth() const { return charWidth_; }
    QScrollBar* ScrollBar() const { return scrollBar_; }
    CodeMarks Marks() const;
    // The rows the last repaint drew.
    const std::vector<int>& LastDrawnRows() const { return lastDrawn_; }
    QPoint RowPoint(int row) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int LineCount() const;
    int MemorySize() const;
    void Layout();
    void Scrolled(int value);
    int ClickedAddress(const QPoint& at);
    void PaintRow(class QPainter& p, int row, const CodeMarks& marks, int textWidth);

    DebugControl& c_;
    SettingsRegistry& registry_;
    CodeRowCache cache_;
    std::vector<int> lastDrawn_;
    QScrollBar* scrollBar_ = nullptr;
    QFont font_;
    int charWidth_ = 8;
    int rowHeight_ = 14;
    int rows_ = 0;
    int position_ = 0;
    int pointerRow_ = 0;
    bool compilerMode_ = false;
    std::string sxcFileName_;
    bool sessionActive_ = false;
    bool placed_ = false;
    bool everShown_ = false;
    bool laying_ = false;
};

} // namespace pellix
