#include "app/DebugCommands.h"

#include <QPushButton>

#include "app/SourceDebugLink.h"
#include "debugger/ui/TDebugForm.h"

namespace pellix {

namespace {

const char* ButtonOf(DebugCommand command) {
    switch (command) {
    case DebugCommand::Run:
        return "RunButton";
    case DebugCommand::Step:
        return "StepButton";
    case DebugCommand::Walk:
        return "WalkButton";
    case DebugCommand::Hop:
        return "HopButton";
    default:
        return nullptr;
    }
}

} // namespace

bool DebugCommands::CanRun(DebugCommand command) {
    if (!settings_.extras.debugKeys) return false;
    switch (command) {
    case DebugCommand::Halt:
        return settings_.extras.haltAction && debug_.CanHalt();
    case DebugCommand::ToggleBreakpoint:
        return source_.CanToggle();
    case DebugCommand::Quit:
        return debug_.Debugging();
    default: {
        // Hop is hidden on the external path.
        QPushButton* b = debug_.Button(ButtonOf(command));
        return debug_.Debugging() && b && b->isEnabled() && !b->isHidden() &&
               (!b->parentWidget() || !b->parentWidget()->isHidden());
    }
    }
}

void DebugCommands::Execute(DebugCommand command) {
    if (!CanRun(command)) return;
    switch (command) {
    case DebugCommand::Halt:
        debug_.HaltButtonClick();
        break;
    case DebugCommand::ToggleBreakpoint:
        source_.ToggleBreakpointAtCaret();
        break;
    case DebugCommand::Quit:
        debug_.QuitButtonClick();
        break;
    default:
        debug_.Button(ButtonOf(command))->click();
        break;
    }
}

} // namespace pellix
