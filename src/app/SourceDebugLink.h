// The debug session in the enhanced editor: the breakpoint in the editor's margin (chosen
// there, or wherever the session has it; the BREAK directive's line shows the program's),
// the next instruction's line marked and kept in view (an orda program's include file is
// opened for it), and register and watch values under the mouse. It is the run control's
// Source view; the main window tells it of each assembly and each new editor.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QObject>
#include <QPointer>

#include "link/DebugControl.h"
#include "shell/SourceMap.h"
#include "shell/WorkingSettings.h"

namespace pellix {

class OrdaUnit;
class TDebugForm;
class TEditorForm;
class TPlusMemo;

class SourceDebugLink final : public QObject, public DebugView {
    Q_OBJECT
public:
    SourceDebugLink(TEditorForm& editor, DebugControl& control, TDebugForm& debug,
                    WorkingSettings& settings, OrdaUnit* bridge);
    ~SourceDebugLink() override;
    SourceDebugLink(const SourceDebugLink&) = delete;
    SourceDebugLink& operator=(const SourceDebugLink&) = delete;

    // DebugView: while a session is open the marks follow the chip.
    bool IsVisible() const override;
    void Repaint(bool all) override;
    void RepaintBreakpoint(bool all) override;

    // A click in the margin, or F9 at the caret: in a session the breakpoint goes to the
    // line's code (a line without code is ignored) or, on the marked line, away; outside
    // one the mark moves there and the next session starts with it.
    void ToggleBreakpointAt(TPlusMemo& editor, int line);
    void ToggleBreakpointAtCaret();
    bool CanToggle() const;

    // What resting the mouse on `name` shows now.
    std::string HoverText(const std::string& name) const;
    const SourceMap& Map() const { return map_; }
    // The code address of a line of `editor`, -1 when it produced none.
    int AddressAt(const TPlusMemo& editor, int line) const;

private:
    struct FileAnchors {
        QPointer<TPlusMemo> editor;
        std::map<int, int> handles;                  // line when assembled -> anchor
        std::vector<std::pair<int, uint16_t>> lines; // anchor, lowest address of its line
    };

    void Assembled();
    void Adopt(TPlusMemo* editor);
    void RunStateChanged();
    uint32_t StartBreakpoint();
    std::vector<TPlusMemo*> Editors() const;
    // The editor of the map's file `file`, with its anchors; opened when `open` says so
    // and it is not (orda's files only).
    TPlusMemo* EditorOf(int file, bool open);
    int FileOfEditor(const TPlusMemo& editor) const;
    std::string PathOf(int file) const;
    // The line `place` is on now, in its editor; -1 when that is not open.
    int LineOf(const SourcePlace& place, bool open, TPlusMemo** editor);
    void ShowBreakpoint(uint32_t address);
    void ShowExecution();
    void ClearAnchors();

    TEditorForm& editorForm_;
    DebugControl& c_;
    TDebugForm& debug_;
    WorkingSettings& settings_;
    OrdaUnit* bridge_;
    SourceMap map_;
    QPointer<TPlusMemo> assembledEditor_; // the built-in assembler's file
    bool external_ = false;
    std::vector<FileAnchors> anchors_; // by the map's file
    bool userChose_ = false;           // the margin's mark is the user's, not BREAK's
    bool sessionOpen_ = false;
};

} // namespace pellix
