// The debug window's view of the main window and the settings.
#pragma once

#include "debugger/ui/TDebugForm.h"
#include "shell/WorkingSettings.h"

namespace pellix {

class TEditorForm;

class MainWindowDebugHost final : public DebugWindowHost {
public:
    MainWindowDebugHost(TEditorForm& editor, WorkingSettings& settings)
        : editor_(editor), settings_(settings) {}
    void SetDebugging(bool debugging) override;
    bool ExternalAssembler() override { return settings_.useOrda; }
    bool EnhancedEditor() override { return settings_.useNewEditor; }
    bool CompilerMode() override;
    void CloseMainWindow() override;
    QFont ViewFont() override;
    bool HaltAction() override { return settings_.extras.haltAction; }
    bool DebugKeys() override { return settings_.extras.debugKeys; }

private:
    TEditorForm& editor_;
    WorkingSettings& settings_;
};

} // namespace pellix
