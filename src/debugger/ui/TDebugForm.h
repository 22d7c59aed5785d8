// The debug window "Debug": the buttons that start and stop the chip, the update speed, the
// status of the chip, and the timer that polls it and refreshes the register, code and
// watch views at each stop. Opening it starts a debugging session, closing it ends it and
// releases the key.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QWidget>

#include "debugger/DebugUnit.h"
#include "debugger/LabUnit.h"
#include "debugger/ui/DebuggerLook.h"
#include "debugger/ui/LabView.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTimer;

namespace pellix {

class TRegisterForm;
class TCodeForm;
class TWatchForm;

struct DebugViews {
    TRegisterForm* registers = nullptr;
    TCodeForm* code = nullptr;
    TWatchForm* watch = nullptr;
};

// What the debug window needs of the main window and the settings.
class DebugWindowHost {
public:
    virtual ~DebugWindowHost() = default;
    // While debugging the main window's text size, Run menu, run buttons and Clock button
    // are disabled.
    virtual void SetDebugging(bool debugging) = 0;
    // "Use ORDA": the external path, with the list view instead of the code view.
    virtual bool ExternalAssembler() = 0;
    // "Use New Editor".
    virtual bool EnhancedEditor() = 0;
    // Byte Craft compiler mode: closing the debug window closes the program.
    virtual bool CompilerMode() = 0;
    virtual void CloseMainWindow() = 0;
    // The font the views draw with.
    virtual QFont ViewFont() = 0;
    // Our own additions: the Halt button, and the function keys named in the buttons' tips.
    virtual bool HaltAction() { return true; }
    virtual bool DebugKeys() { return true; }
};

// The list view of the external path, as the debug window drives it.
class ExternalListView {
public:
    virtual ~ExternalListView() = default;
    // Loads the list file of the current source and shows the view; false when it failed.
    virtual bool LoadAndShow() = 0;
    // After the window opened: marks the reset line.
    virtual void StartDebugging() = 0;
    // The Reset button: back to the reset line.
    virtual void ResetPosition() = 0;
    // The Code button.
    virtual void ShowView() = 0;
    // Debugging ended: stores its placement and hides.
    virtual void EndDebugging() = 0;
    // Where PlaceDebugWindows puts it (outer bounds).
    virtual void Place(const PlacedRect& bounds) = 0;
    // The list line of a code address, -1 for none.
    virtual int LineOfAddress(uint32_t address) = 0;
};

class TDebugForm : public QWidget, private DebugWindowView {
    Q_OBJECT
public:
    TDebugForm(DebugViewContext context, DebugViews views, QWidget* parent = nullptr);
    ~TDebugForm() override;

    void SetHost(DebugWindowHost* host) { host_ = host; }
    void SetListView(ExternalListView* list) { list_ = list; }
    // The timer is driven by a Qt timer that looks at the tick counter; tests switch that
    // off and pump it themselves.
    void SetAutomaticTimer(bool automatic);

    DebugSession& Session() { return session_; }
    bool ExternalPath() const { return external_; }
    // Set between opening and closing.
    bool Debugging() const { return opened_; }

    void SetButtons(uint8_t mask) override;
    void IdleButtons() { session_.IdleButtons(); }
    // Where the windows go by default, by their frames (title bars included), on the screen.
    void PlaceDebugWindows();
    // The frame the window manager puts around a window; FrameMargins unless a test says.
    void SetFrameOf(std::function<QMargins(const QWidget&)> frameOf) {
        frameOf_ = std::move(frameOf);
    }
    // Ours, the virtual lab. `source` names the chip on the virtual key's board when the
    // session's port is the virtual key, else nullptr; it is asked as each session opens.
    void SetLabChipSource(std::function<VirtualChip*()> source) { labSource_ = std::move(source); }
    // The session's virtual chip, nullptr outside a session or on a real key.
    VirtualChip* LabChip() const { return labChip_; }
    // A lab window: its button in the lab row (column 0 to 2), shown only while a session
    // runs on the virtual key, shows and raises it; the view follows the session's chip and
    // is refreshed at the update speed. The window must outlive this one or be removed.
    // With `placementName` its placement is kept in the settings and made with the others'
    // (never over the register view's rows).
    QPushButton* AddLabWindow(QWidget& window, LabView& view, const char* buttonName,
                              const QString& caption, int column,
                              const char* placementName = nullptr);
    void RemoveLabWindow(LabView& view);
    // Refreshes the lab windows and the time in the status line (done after every tick and
    // button).
    void RefreshLab();
    // The stimulus files and the trace of the session (the Lab button's menu).
    LabSession& Lab() { return lab_; }
    void LoadStimulusClick();
    void ClearStimuliClick();
    void StartTraceClick();
    void StopTraceClick();

    // While the chip runs (a step, a walk, a run to a breakpoint never reached) Halt stops it.
    bool CanHalt() const { return opened_ && session_.CanHalt(); }
    QPushButton* Button(const char* name) const;

    // Handlers.
    void HopButtonClick();
    void JogButtonClick();
    void StepButtonClick();
    void WalkButtonClick();
    void RunButtonClick();
    void PollButtonClick();
    void StopButtonClick();
    void ResetButtonClick();
    void RegistersButtonClick();
    void CodeButtonClick();
    void WatchButtonClick();
    void ResetPosButtonClick();
    void QuitButtonClick();
    void HaltButtonClick();
    void UpdateSpeedCBChange(int item);
    void TimerTick();
    // One look at the timer: runs TimerTick when it is due. True when it ran.
    bool PumpTimer();

signals:
    // The session opened or closed, or the run buttons or Halt changed.
    void RunStateChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Halt's state, and RunStateChanged when anything a key or menu shows changed.
    void UpdateRunState();
    // Whether the saved placements still fit: made for this font, or the register view
    // uncovered at this one.
    bool SavedPlacementsFit(const QFont& font);
    QMargins Frame(const QWidget& w) const;
    QRect Outer(const QWidget& w) const { return w.geometry().marginsAdded(Frame(w)); }
    void ApplyConveniences();
    void ShowStatus(const std::string& text) override;
    void CloseWindow() override;
    void Open();
    void Close();
    void FitToButtons();
    QPushButton* MakeButton(const char* name, const QString& caption, int icon,
                            void (TDebugForm::*handler)());
    void SetLabChip(VirtualChip* chip);
    void UpdateLabMenu();
    void SaveLabPlacements();
    // By the rule, every lab window, or only those not placed yet.
    void PlaceLabWindows(bool onlyUnplaced);
    void LabError(const std::string& text, const char* caption);

    struct LabWindow {
        QWidget* window;
        LabView* view;
        QPushButton* button;
        const char* placement; // the settings name, or nullptr
        bool placed;           // restored from the settings or placed by the rule
    };

    DebugControl& c_;
    SettingsRegistry& registry_;
    Prompter& prompter_;
    DebugViews views_;
    DebugSession session_;
    DebugWindowHost* host_ = nullptr;
    ExternalListView* list_ = nullptr;

    QPushButton* runButtons_[kRunButtonCount] = {}; // by bit: Stop, Poll, Run, Walk, Step, Jog, Hop
    QPushButton* watchButton_ = nullptr;
    QPushButton* haltButton_ = nullptr;
    QPushButton* resetPosButton_ = nullptr;
    QGridLayout* grid_ = nullptr;
    uint32_t runState_ = 0xFFFFFFFF; // what RunStateChanged last reported
    std::function<QMargins(const QWidget&)> frameOf_;
    std::function<VirtualChip*()> labSource_;
    VirtualChip* labChip_ = nullptr;
    std::vector<LabWindow> labWindows_;
    LabSession lab_;
    QPushButton* labButton_ = nullptr;
    QLabel* labStatus_ = nullptr;
    QWidget* hopJog_ = nullptr;
    QComboBox* speed_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* driver_ = nullptr;
    bool automatic_ = true;
    bool external_ = false;
    bool opened_ = false;
    bool closing_ = false;
};

} // namespace pellix
