// The Debug menu and the function keys: each command does what its button in the debug
// window does, when that button is enabled; F9 sets the breakpoint at the editor's caret.
#pragma once

#include "shell/Services.h"
#include "shell/WorkingSettings.h"

namespace pellix {

class SourceDebugLink;
class TDebugForm;

class DebugCommands final : public DebugCommandService {
public:
    DebugCommands(TDebugForm& debug, SourceDebugLink& source, WorkingSettings& settings)
        : debug_(debug), source_(source), settings_(settings) {}

    bool CanRun(DebugCommand command) override;
    void Execute(DebugCommand command) override;

private:
    TDebugForm& debug_;
    SourceDebugLink& source_;
    WorkingSettings& settings_;
};

} // namespace pellix
