// The program's key link and what the main window's hardware commands and the debugger do
// through it. The port comes from the settings at each command; "sim" is the virtual key of
// this process, which keeps its chip's flash for the whole run like a key left on its port.
#pragma once

#include <memory>
#include <string>

#include "link/DebugControl.h"
#include "link/DeviceUnit.h"
#include "link/IRCUnit.h"
#include "link/KeyLink.h"
#include "link/PortFactory.h"
#include "link/ProgressSink.h"
#include "platform/Prompter.h"
#include "platform/TickSource.h"
#include "shell/Services.h"
#include "shell/WorkingSettings.h"
#include "sim/VirtualKey.h"
#include "target/AssemblyRecord.h"

namespace pellix {

class ChipLink final : public ChipService {
public:
    ChipLink(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
             TickSource& ticks);

    KeyLink& Link() { return link_; }
    DebugControl& Debug() { return debug_; }
    VirtualKey& Key() { return key_; }
    // Where programming reports how far it has got (the "Device Operation" window).
    void SetProgress(ProgressSink* progress) { progress_ = progress ? progress : &noProgress_; }

    void RequireFullKey() override;
    void ConnectKey() override;
    void ProgramChip(bool run) override;
    bool PrepareDebug() override;
    std::string ClockText(uint32_t frequency) override;

private:
    // The settings' port; on the virtual key the board holds a part of the program's
    // family, as a user would fit one.
    void UsePort();

    AssemblyRecord& record_;
    WorkingSettings& settings_;
    Prompter& prompter_;
    VirtualKey key_;
    PortFactory ports_;
    KeyLink link_;
    IrcCalibration irc_;
    NoProgress noProgress_;
    ProgressSink* progress_ = &noProgress_;
    DebugControl debug_;
};

} // namespace pellix
