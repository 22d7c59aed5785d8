// The external path's list view in a debug session: the debug window drives it, the run
// control refreshes it after each stop, and its clicks reach the chip.
#pragma once

#include <functional>
#include <string>

#include "debugger/ui/TDebugForm.h"
#include "link/DebugControl.h"
#include "shell/ui/TPM_CodeFRM.h"

namespace pellix {

class OrdaUnit;

class ListViewLink final : public ExternalListView, public DebugView, public ListViewDebugSession {
public:
    // `sourcePath` names the source whose list file is shown.
    ListViewLink(TPM_CodeFRM& view, DebugControl& control, OrdaUnit* bridge,
                 std::function<std::string()> sourcePath);
    ~ListViewLink() override;
    ListViewLink(const ListViewLink&) = delete;
    ListViewLink& operator=(const ListViewLink&) = delete;

    // ExternalListView
    bool LoadAndShow() override;
    void StartDebugging() override;
    void ResetPosition() override;
    void ShowView() override;
    void EndDebugging() override;
    void Place(const PlacedRect& bounds) override;
    int LineOfAddress(uint32_t address) override;

    // DebugView: after each stop the marks follow the chip.
    bool IsVisible() const override;
    void Repaint(bool all) override;

    // ListViewDebugSession
    bool StateValid() const override;
    void ToggleBreakpoint(int address) override;
    void SetProgramCounter(int address) override;
    void MoveProgramCounter(int address) override;
    uint32_t Breakpoint() const override;
    uint32_t ProgramCounter() const override;
    bool Skip() const override;

private:
    TPM_CodeFRM& view_;
    DebugControl& c_;
    OrdaUnit* bridge_;
    std::function<std::string()> sourcePath_;
};

} // namespace pellix
