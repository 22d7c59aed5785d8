// "Code - List File": orda's list file, read-only, as the code view of the external path.
// It marks the breakpoint line and the line of the next instruction to run, and a click on
// a line asks the debug session for a breakpoint or a new program counter there. The main
// window's View List opens it for browsing; the debug window drives it during a session.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>
#include <QToolBar>
#include <QToolButton>

#include "editor/TPlusMemo.h"
#include "platform/Prompter.h"
#include "platform/SettingsRegistry.h"
#include "shell/OrdaUnit.h"

namespace pellix {

class TEditorForm;

// What the list view needs of a debug session; the debug window connects one.
class ListViewDebugSession {
public:
    virtual ~ListViewDebugSession() = default;
    // True while the chip is stopped in the kernel and its state has been read.
    virtual bool StateValid() const = 0;
    // A breakpoint at `address`, or none when it already is the breakpoint.
    virtual void ToggleBreakpoint(int address) = 0;
    // A double click: the program counter to `address`, and the breakpoint the click before
    // it toggled put back.
    virtual void SetProgramCounter(int address) = 0;
    // An Alt+click: the program counter to `address`; the breakpoint stays as it is.
    virtual void MoveProgramCounter(int address) = 0;
    // The live breakpoint (kNoBreak for none), the program counter and the SKIP flag.
    virtual uint32_t Breakpoint() const = 0;
    virtual uint32_t ProgramCounter() const = 0;
    virtual bool Skip() const = 0;
};

struct ListViewContext {
    OrdaUnit* bridge = nullptr;
    SettingsRegistry* registry = nullptr;
    Prompter* prompter = nullptr;
    // Gives the keyword list and colours, and the font each time the view is shown.
    TEditorForm* editorForm = nullptr;
};

class TPM_CodeFRM : public QDialog {
    Q_OBJECT
public:
    // Which toolbar buttons show: none, all five, or the three that need no session.
    enum class ButtonMode { None = 0, All = 1, Browse = 2 };

    explicit TPM_CodeFRM(ListViewContext context = {}, QWidget* parent = nullptr);

    void SetDebugSession(ListViewDebugSession* session) { session_ = session; }

    // View List: the three browsing buttons, then load and show. False (toolbar hidden)
    // when the list could not be loaded.
    bool BrowseList(const std::string& sourcePath);
    // Loads the list file of `sourcePath`; on success clears both marks and shows.
    bool LoadAndShow(const std::string& sourcePath);
    // After each stop: marks from the session's breakpoint and program counter, and the
    // run line moved to and shown.
    void ShowDebugState(uint32_t breakpoint, uint32_t programCounter, bool skip);
    // The reset symbol's line as the run line, scrolled into view; the caret stays.
    void GoToReset();
    // When debugging starts: all five buttons.
    void PrepareForDebugging();
    // When debugging ends: stores the placement and hides.
    void CloseList();

    void SetButtonMode(ButtonMode mode);
    ButtonMode Mode() const { return mode_; }

    // The marked lines, 0-based, -1 when none.
    int BreakpointLine() const { return breakpointLine_; }
    int RunLine() const { return runLine_; }
    // The colour that paints character `column` of `line`: 0 none, else 0x00RRGGBB.
    unsigned MarkColorAt(int line, int column) const;
    // Whether character `column` of `line` is drawn in the mark's white.
    bool MarkTextAt(int line, int column) const;

    TPlusMemo* CodePLSMO() const { return code_; }
    QToolBar* CodeEditorTB() const { return toolbar_; }

    // Handlers.
    void GoToCodeTLBTNClick();
    void GoToResetTLBTNClick();
    void GoToBreakpointTLBTNClick();
    void GoToNextRunTLBTNClick();
    void GoToMainTLBTNClick();
    // A mouse press sets whether the coming click is a plain one (anything but Alt with
    // the left button).
    void CodePLSMOMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void CodePLSMOClick(int line);
    void CodePLSMODblClick(int line);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class MarkKind { RemoveBoth, SetBreakpoint, ClearBreakpoint, SetRun, ClearRun };
    void Mark(MarkKind kind, int line = -1);
    void Paint();
    void UpdateButtonStates();
    void ShowLine(int line, bool moveCaret);
    // The view line of a list line of the map, and back; -1 when there is none.
    int ViewLineOfListLine(int listLine) const;
    int ListLineOfViewLine(int line) const;
    int AddressOfViewLine(int line) const;
    int ViewLineOfAddress(uint32_t address) const;
    // Marks as the session holds them, after a click asked it for something.
    void MarkFromSession();
    QToolButton* Button(const char* name, const QString& hint, int icon,
                        void (TPM_CodeFRM::*handler)());

    ListViewContext c_;
    ListViewDebugSession* session_ = nullptr;
    TPlusMemo* code_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    std::vector<QAction*> buttonActions_; // in toolbar order
    ButtonMode mode_ = ButtonMode::All;
    int breakpointLine_ = -1;
    int runLine_ = -1;
    bool plainClick_ = true;
    bool pressed_ = false;
    int pressLine_ = -1;
    bool afterDoubleClick_ = false;
    std::vector<int> listOfView_; // list line of each view line, 0 for page headers
    std::vector<int> viewOfList_; // view line of each list line, -1 where none
};

} // namespace pellix
