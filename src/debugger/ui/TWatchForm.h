// The watch view "Watch": the program's WATCH variables with their values in the formats
// they declare, values that changed at the last stop in red, and typing a new value, which
// goes back into the chip's registers.
#pragma once

#include <string>
#include <vector>

#include <QPoint>
#include <QWidget>

#include "debugger/WatchUnit.h"
#include "debugger/ui/DebuggerLook.h"

class QTimer;

namespace pellix {

class TWatchForm : public QWidget, public DebugView {
    Q_OBJECT
public:
    explicit TWatchForm(DebugViewContext context, QWidget* parent = nullptr);
    ~TWatchForm() override;

    // DebugView
    bool IsVisible() const override { return isVisible(); }
    void Repaint(bool all) override;

    // Draws again from what the last refresh marked (the debug window's Watch button).
    void Redraw();
    void SetViewFont(const QFont& font);
    void SavePlacement();

    struct Cell {
        std::string text;
        CellColor color = CellColor::Normal;
        bool operator==(const Cell&) const = default;
    };
    const std::vector<Cell>& Cells() const { return cells_; }
    int LastRepaintCount() const { return lastRepaintCount_; }
    const WatchLayout& Layout() const { return layout_; }
    const WatchEditor& Editor() const { return editor_; }
    QPoint ValuePoint(int watch) const;
    void CursorTimerTick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int Count() const;
    std::string Text(const DebugState& state, int watch) const;
    QRect ValueRect(int watch) const;
    void ComputeLayout();
    void Update(bool all);
    bool Stopped() const { return c_.flags.stateValid != 0; }
    void StartEdit(int watch);
    // Writes a changed entry into the chip; the edit stays on the watch.
    void Commit();

    DebugControl& c_;
    SettingsRegistry& registry_;
    Prompter& prompter_;
    WatchLayout layout_;
    WatchEditor editor_;
    std::vector<uint8_t> changed_;
    std::vector<Cell> cells_;
    int lastRepaintCount_ = 0;
    QFont font_;
    QTimer* cursorTimer_ = nullptr;
    int cursorTicks_ = 0;
    bool cursorOn_ = true;
    bool committing_ = false;
};

} // namespace pellix
