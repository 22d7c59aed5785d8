// The register view "Registers": the whole register file of the stopped chip on one painted
// surface, what changed since the last stop in red, and editing of registers, bits, INT and
// SKIP, the breakpoint and the program counter from the memory strip.
#pragma once

#include <functional>
#include <vector>

#include <QPoint>
#include <QString>
#include <QWidget>

#include "debugger/RegisterUnit.h"
#include "debugger/ui/DebuggerLook.h"

class QScrollBar;
class QTimer;

namespace pellix {

class TRegisterForm : public QWidget, public DebugView {
    Q_OBJECT
public:
    explicit TRegisterForm(DebugViewContext context, QWidget* parent = nullptr);
    ~TRegisterForm() override;

    // DebugView
    bool IsVisible() const override { return isVisible(); }
    void Repaint(bool all) override;
    void ShowAddress(uint32_t programCounter) override;
    void RepaintBreakpoint(bool all) override;

    // Draws again from what the last refresh marked (the debug window's Registers button).
    void Redraw();
    void SetViewFont(const QFont& font);
    void SavePlacement();
    // A short notice at a screen point for a time; the program's hint window, or a tooltip.
    std::function<void(const QString& text, QPoint at, int milliseconds)> showHint;
    std::function<void()> hideHint;

    const RegisterSurface& Surface() const { return surface_; }
    // The cells as last drawn, and how many the last repaint touched.
    const std::vector<PaintCell>& Cells() const { return cells_; }
    int LastRepaintCount() const { return lastRepaintCount_; }
    // The blinking cursor's timer tick (every 125 ms; the cursor changes every fourth).
    void CursorTimerTick();
    // Where a register's value sits, for clicks.
    QPoint ValuePoint(int reg) const;
    QPoint BitPoint(int reg, int bit) const;
    QPoint FlagPoint(int flag) const;
    QPoint StripPoint(int line) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Layout();
    void Update(bool all);
    bool Stopped() const { return c_.flags.stateValid != 0; }
    void StartEdit(int reg);
    // Writes a typed value into the chip; the edit stays on the register.
    void Commit();
    void EndEdit();
    void MoveTo(int reg);
    void StripScrolled(int value);

    DebugControl& c_;
    SettingsRegistry& registry_;
    RegisterSurface surface_;
    std::vector<PaintCell> cells_;
    int lastRepaintCount_ = 0;
    QFont font_, small_;
    QScrollBar* strip_ = nullptr;
    QTimer* cursorTimer_ = nullptr;
    int cursorTicks_ = 0;
    bool placed_ = false;
    bool committing_ = false;
    bool syncing_ = false;
};

} // namespace pellix
