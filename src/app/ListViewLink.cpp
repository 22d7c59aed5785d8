#include "app/ListViewLink.h"

#include <algorithm>

#include "debugger/ui/DebuggerLook.h"
#include "shell/OrdaUnit.h"

namespace pellix {

ListViewLink::ListViewLink(TPM_CodeFRM& view, DebugControl& control, OrdaUnit* bridge,
                           std::function<std::string()> sourcePath)
    : view_(view), c_(control), bridge_(bridge), sourcePath_(std::move(sourcePath)) {
    view_.SetDebugSession(this);
    c_.SetView(DebugViewRole::List, this);
}

ListViewLink::~ListViewLink() {
    if (c_.View(DebugViewRole::List) == this) c_.SetView(DebugViewRole::List, nullptr);
    view_.SetDebugSession(nullptr);
}

bool ListViewLink::LoadAndShow() {
    return view_.LoadAndShow(sourcePath_ ? sourcePath_() : std::string());
}

void ListViewLink::StartDebugging() {
    view_.PrepareForDebugging();
    view_.GoToReset();
}

void ListViewLink::ResetPosition() {
    view_.GoToReset();
}

void ListViewLink::ShowView() {
    view_.show();
    view_.raise();
}

void ListViewLink::EndDebugging() {
    view_.CloseList();
}

void ListViewLink::Place(const PlacedRect& r) {
    PlaceFrame(view_, r, true, FrameMargins(view_, view_.parentWidget()));
}

int ListViewLink::LineOfAddress(uint32_t address) {
    if (!bridge_) return -1;
    int record = bridge_->MapIndexOfAddress(int(address));
    return record < 0 ? -1 : bridge_->ListLineOfRecord(record);
}

bool ListViewLink::IsVisible() const {
    return view_.isVisible();
}

void ListViewLink::Repaint(bool) {
    view_.ShowDebugState(c_.live.breakpoint, c_.live.programCounter, c_.live.skipFlag != 0);
}

bool ListViewLink::StateValid() const {
    return c_.flags.stateValid != 0;
}

void ListViewLink::ToggleBreakpoint(int address) {
    Guarded([&] { c_.ToggleBreakpoint(address); });
}

void ListViewLink::SetProgramCounter(int address) {
    Guarded([&] { c_.SetProgramCounter(address); });
}

void ListViewLink::MoveProgramCounter(int address) {
    Guarded([&] { c_.MoveProgramCounter(address); });
}

uint32_t ListViewLink::Breakpoint() const {
    return c_.live.breakpoint;
}

uint32_t ListViewLink::ProgramCounter() const {
    return c_.live.programCounter;
}

bool ListViewLink::Skip() const {
    return c_.live.skipFlag != 0;
}

} // namespace pellix
