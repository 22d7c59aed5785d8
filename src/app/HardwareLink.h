// The program's key and what it does with it: the one KeyLink, the virtual key behind the
// port "sim", the IRC trim kept for the run, and programming. It is the main window's chip
// service; the device, clock and debug windows use its parts.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "link/DebugControl.h"
#include "link/DeviceUnit.h"
#include "link/IRCUnit.h"
#include "link/KeyLink.h"
#include "link/LineTrace.h"
#include "link/PortFactory.h"
#include "platform/Prompter.h"
#include "platform/TickSource.h"
#include "shell/Services.h"
#include "shell/WorkingSettings.h"
#include "sim/VirtualKey.h"
#include "target/AssemblyRecord.h"

namespace pellix {

struct HardwareOptions {
    // The steady clock when null.
    TickSource* ticks = nullptr;
    // How a device path is opened; Qt's serial port when empty.
    DeviceOpener devices;
};

class HardwareLink final : public ChipService {
public:
    HardwareLink(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
                 HardwareOptions options = {});

    void RequireFullKey() override;
    void ConnectKey() override;
    void ProgramChip(bool run) override;
    bool PrepareDebug() override;
    std::string ClockText(uint32_t frequency) override;
    std::string ClockNotice(uint32_t frequency) override;

    // The port, the calibration choice (the program's own when it names one) and the line
    // trace as the settings now hold them; every operation starts with this, so a change in
    // the Configure dialog counts from the next one. A trace file is started afresh when its
    // name changes, then kept for the run.
    void Sync();
    // Where chip operations show their progress (the "Device Operation" window).
    void SetProgress(ProgressSink* sink) { relay_.target = sink; }

    VirtualKey& Key() { return key_; }
    // The virtual key's chip when the port (as last synced) is the virtual key, else nullptr:
    // what the lab windows work on.
    VirtualChip* LabChip();
    // Runs the virtual key's chip up to the link's clock, as the key does whenever it is
    // spoken to: for the lab windows while nothing talks to the key (no debug session).
    void AdvanceVirtualKey() { key_.Advance(ticks_.Milliseconds()); }
    KeyLink& Link() { return link_; }
    DeviceUnit& Device() { return device_; }
    IrcCalibration& Irc() { return irc_; }
    // The debugger's run control over the same link.
    DebugControl& Debug() { return debug_; }

private:
    // The progress window comes into being after this object; until then nothing is shown.
    struct ProgressRelay final : ProgressSink {
        ProgressSink* target = nullptr;
        void ShowProgress(const std::string& text) override {
            if (target) target->ShowProgress(text);
        }
        void StepProgress() override {
            if (target) target->StepProgress();
        }
        void CloseProgress() override {
            if (target) target->CloseProgress();
        }
    };

    void SyncTrace();

    AssemblyRecord& record_;
    WorkingSettings& settings_;
    Prompter& prompter_;
    // Before the link, which writes to it until it is destroyed.
    std::string tracePath_;
    std::ofstream traceFile_;
    std::unique_ptr<LineTrace> trace_;
    SteadyTickSource steady_;
    TickSource& ticks_;
    VirtualKey key_;
    PortFactory ports_;
    KeyLink link_;
    IrcCalibration irc_;
    ProgressRelay relay_;
    DeviceUnit device_;
    DebugControl debug_;
};

} // namespace pellix
