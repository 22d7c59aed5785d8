#include "app/SourceDebugLink.h"

#include <algorithm>

#include "debugger/HoverValue.h"
#include "debugger/ui/DebuggerLook.h"
#include "debugger/ui/TDebugForm.h"
#include "editor/TPlusMemo.h"
#include "platform/FileIo.h"
#include "shell/OrdaUnit.h"
#include "shell/ui/TEditorForm.h"

namespace pellix {

namespace {

// How far above an instruction the BREAK before it is looked for.
constexpr int kBreakSearchLines = 200;

} // namespace

SourceDebugLink::SourceDebugLink(TEditorForm& editor, DebugControl& control, TDebugForm& debug,
                                 WorkingSettings& settings, OrdaUnit* bridge)
    : editorForm_(editor), c_(control), debug_(debug), settings_(settings), bridge_(bridge) {
    c_.SetView(DebugViewRole::Source, this);
    c_.startBreakpoint = [this] { return StartBreakpoint(); };
    connect(&editorForm_, &TEditorForm::EditorCreated, this, &SourceDebugLink::Adopt);
    connect(&editorForm_, &TEditorForm::Assembled, this, &SourceDebugLink::Assembled);
    connect(&debug_, &TDebugForm::RunStateChanged, this, &SourceDebugLink::RunStateChanged);
    for (TPlusMemo* e : Editors())
        Adopt(e);
}

SourceDebugLink::~SourceDebugLink() {
    if (c_.View(DebugViewRole::Source) == this) c_.SetView(DebugViewRole::Source, nullptr);
    c_.startBreakpoint = nullptr;
    for (TPlusMemo* e : Editors())
        e->hoverText = nullptr;
}

std::vector<TPlusMemo*> SourceDebugLink::Editors() const {
    std::vector<TPlusMemo*> out;
    OpenFiles& files = editorForm_.Files();
    for (int i = 0; i < files.Count(); ++i)
        if (auto* e = dynamic_cast<TPlusMemo*>(files.Entry(i).editor.get())) out.push_back(e);
    return out;
}

void SourceDebugLink::Adopt(TPlusMemo* editor) {
    editor->hoverText = [this](const std::string& name) { return HoverText(name); };
    connect(editor, &TPlusMemo::MarkMarginClicked, this,
            [this, editor](int line) { ToggleBreakpointAt(*editor, line); });
}

bool SourceDebugLink::IsVisible() const {
    const IdeOptions& x = settings_.extras;
    return sessionOpen_ && (x.sourceLine || x.editorBreakpoints) &&
           !editorForm_.OriginalEditorInUse();
}

// ---- the map and its anchors -----------------------------------------------------------

void SourceDebugLink::ClearAnchors() {
    for (FileAnchors& a : anchors_)
        if (a.editor) a.editor->ClearAnchors();
    anchors_.clear();
}

std::string SourceDebugLink::PathOf(int file) const {
    if (file < 0 || file >= int(map_.Files().size())) return {};
    return map_.Files()[size_t(file)];
}

void SourceDebugLink::Assembled() {
    ClearAnchors();
    const TEditorForm::Assembly& a = editorForm_.LastAssembly();
    external_ = a.external;
    assembledEditor_ = a.editor;
    if (!external_) {
        map_ = a.editor ? SourceMap::FromListing(c_.Record().debug, a.pasted.origin,
                                                 a.editor->Text(), a.path)
                        : SourceMap();
    } else if (bridge_) {
        map_ = SourceMapOfOrda(bridge_->Map(), bridge_->SourcePath());
    } else {
        map_ = SourceMap();
    }
    anchors_.assign(map_.Files().size(), {});
    for (int f = 0; f < int(anchors_.size()); ++f)
        EditorOf(f, false);

    // The program's BREAK shows unless the user chose in this program's files.
    bool mine = false;
    for (TPlusMemo* e : Editors())
        if (e->BreakpointLine() >= 0 && FileOfEditor(*e) >= 0) mine = true;
    if (userChose_ && !mine) {
        bool anyMark = false;
        for (TPlusMemo* e : Editors())
            anyMark = anyMark || e->BreakpointLine() >= 0;
        if (anyMark) userChose_ = false; // a mark in another program's file
    }
    if (!userChose_) ShowBreakpoint(c_.Record().debug.breakAddress);
}

TPlusMemo* SourceDebugLink::EditorOf(int file, bool open) {
    if (file < 0 || file >= int(anchors_.size())) return nullptr;
    FileAnchors& a = anchors_[size_t(file)];
    if (a.editor) return a.editor;
    TPlusMemo* e = nullptr;
    if (!external_) {
        if (file == 0) e = assembledEditor_;
    } else {
        const std::string path = PathOf(file);
        OpenFiles& files = editorForm_.Files();
        auto find = [&] {
            for (int i = 0; i < files.Count(); ++i)
                if (!path.empty() && files.Entry(i).fileName == path) return i;
            return -1;
        };
        int index = find();
        if (index < 0 && open && !path.empty() && FileExists(path)) {
            files.OpenFile(path);
            index = find();
        }
        if (index >= 0) e = dynamic_cast<TPlusMemo*>(files.Entry(index).editor.get());
    }
    if (!e) return nullptr;
    a.editor = e;
    for (const auto& [line, address] : map_.CodeLines(file)) {
        const int handle = e->AddAnchor(line);
        if (handle < 0) continue;
        a.handles[line] = handle;
        a.lines.emplace_back(handle, address);
    }
    return e;
}

int SourceDebugLink::FileOfEditor(const TPlusMemo& editor) const {
    for (size_t f = 0; f < anchors_.size(); ++f)
        if (anchors_[f].editor == &editor) return int(f);
    return -1;
}

int SourceDebugLink::LineOf(const SourcePlace& place, bool open, TPlusMemo** editor) {
    *editor = EditorOf(place.file, open);
    if (!*editor) return -1;
    const FileAnchors& a = anchors_[size_t(place.file)];
    auto it = a.handles.find(place.line);
    return it == a.handles.end() ? -1 : (*editor)->AnchorLine(it->second);
}

int SourceDebugLink::AddressAt(const TPlusMemo& editor, int line) const {
    const int file = FileOfEditor(editor);
    if (file < 0 || !editor.HasAnchor(line)) return -1;
    int lowest = -1;
    for (const auto& [handle, address] : anchors_[size_t(file)].lines)
        if (editor.AnchorLine(handle) == line && (lowest < 0 || address < lowest)) lowest = address;
    return lowest;
}

// ---- the marks -------------------------------------------------------------------------

void SourceDebugLink::ShowBreakpoint(uint32_t address) {
    if (!settings_.extras.editorBreakpoints) return;
    TPlusMemo* e = nullptr;
    int line = address < kCodeWords ? LineOf(map_.Place(address), false, &e) : -1;
    for (TPlusMemo* other : Editors())
        if (other != e || line < 0) other->SetBreakpointLine(-1);
    if (!e || line < 0) return;
    // The program's own breakpoint shows on its BREAK directive, just above the code.
    if (address == c_.Record().debug.breakAddress) {
        for (int l = line - 1; l >= std::max(0, line - kBreakSearchLines); --l) {
            if (IsBreakStatement(e->LineText(l))) {
                line = l;
                break;
            }
            if (e->HasAnchor(l)) break;
        }
    }
    e->SetBreakpointLine(line);
}

void SourceDebugLink::ShowExecution() {
    if (!settings_.extras.sourceLine) return;
    const uint32_t mask = uint32_t(c_.Geometry().memorySize - 1);
    const uint32_t next = (c_.live.programCounter + (c_.live.skipFlag ? 1 : 0)) & mask;
    TPlusMemo* e = nullptr;
    const int line = LineOf(map_.Place(next), external_, &e);
    for (TPlusMemo* other : Editors())
        if (other != e || line < 0) other->SetExecutionLine(-1);
    if (!e || line < 0) return;
    // The file that holds it comes to the front.
    OpenFiles& files = editorForm_.Files();
    for (int i = 0; i < files.Count(); ++i)
        if (files.Entry(i).editor.get() == static_cast<SourceEditor*>(e) &&
            i != files.CurrentIndex())
            files.Select(i);
    e->SetExecutionLine(line);
    e->RevealLine(line);
}

void SourceDebugLink::Repaint(bool) {
    ShowBreakpoint(c_.live.breakpoint);
    ShowExecution();
}

void SourceDebugLink::RepaintBreakpoint(bool) {
    ShowBreakpoint(c_.live.breakpoint);
}

void SourceDebugLink::RunStateChanged() {
    const bool open = debug_.Debugging();
    if (open == sessionOpen_) return;
    sessionOpen_ = open;
    if (open) return;
    // The session is over: no next instruction; the breakpoint it ended with stays marked
    // and is the next session's, unless it is the program's own.
    for (TPlusMemo* e : Editors())
        e->SetExecutionLine(-1);
    userChose_ =
        settings_.extras.editorBreakpoints && c_.live.breakpoint != c_.Record().debug.breakAddress;
}

// ---- the user's breakpoint -------------------------------------------------------------

bool SourceDebugLink::CanToggle() const {
    return settings_.extras.editorBreakpoints && !editorForm_.OriginalEditorInUse() &&
           !editorForm_.CompilerMode();
}

void SourceDebugLink::ToggleBreakpointAtCaret() {
    TPlusMemo& e = editorForm_.CurrentEditor();
    ToggleBreakpointAt(e, e.CurrentLine());
}

void SourceDebugLink::ToggleBreakpointAt(TPlusMemo& editor, int line) {
    if (!CanToggle() || line < 0 || line >= editor.LineCount()) return;
    if (debug_.Debugging()) {
        int address = AddressAt(editor, line);
        // The marked line (a BREAK directive has no code) takes the breakpoint away.
        if (editor.BreakpointLine() == line && c_.live.breakpoint != kNoBreakpoint)
            address = int(c_.live.breakpoint);
        if (address < 0) return;
        Guarded([&] { c_.ToggleBreakpoint(address); });
        if (DebugView* list = c_.View(DebugViewRole::List); list && list->IsVisible())
            list->Repaint(false);
        ShowBreakpoint(c_.live.breakpoint);
        return;
    }
    userChose_ = true;
    const bool same = editor.BreakpointLine() == line;
    for (TPlusMemo* e : Editors())
        e->SetBreakpointLine(-1);
    if (!same) editor.SetBreakpointLine(line);
}

uint32_t SourceDebugLink::StartBreakpoint() {
    const uint32_t program = c_.Record().debug.breakAddress;
    if (!settings_.extras.editorBreakpoints || !userChose_ || map_.Empty()) return program;
    for (TPlusMemo* e : Editors()) {
        const int marked = e->BreakpointLine();
        if (marked < 0) continue;
        if (FileOfEditor(*e) < 0) return program; // not this program's file
        // A line without code (a BREAK, a comment) stands for the next line with code.
        for (int line = marked; line < e->LineCount(); ++line)
            if (e->HasAnchor(line)) return uint32_t(AddressAt(*e, line));
        return kNoBreakpoint;
    }
    return kNoBreakpoint;
}

// ---- values under the mouse ------------------------------------------------------------

std::string SourceDebugLink::HoverText(const std::string& name) const {
    if (!settings_.extras.hoverValues || !debug_.Debugging() || !c_.flags.stateValid) return {};
    return HoverValueText(name, c_.live, c_.Record().debug, c_.Family(), c_.Geometry().ramBanks);
}

} // namespace pellix
