#include "app/HardwareLink.h"

#include <cerrno>
#include <cstring>

#include "link/ClockUnit.h"
#include "link/DebugKernel.h"
#include "link/qt/QtSerialPort.h"

namespace pellix {

HardwareLink::HardwareLink(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
                           HardwareOptions options)
    : record_(record), settings_(settings), prompter_(prompter),
      ticks_(options.ticks ? *options.ticks : steady_),
      ports_(&key_, ticks_, options.devices ? std::move(options.devices) : QtSerialPort::Open),
      link_(ports_, ticks_, prompter), device_(link_, record_, relay_, prompter, irc_),
      debug_(link_, record_) {}

void HardwareLink::Sync() {
    link_.portName = settings_.comPort;
    const int program = record_.debug.ircChoice;
    irc_.setting =
        IrcSettingFromStored(program != kNoIrcChoice ? program : settings_.ircCalibration);
    SyncTrace();
}

void HardwareLink::SyncTrace() {
    if (settings_.lineTraceFile == tracePath_) return;
    // A port held open (the debug and clock windows) goes on into the new file.
    link_.trace = nullptr;
    trace_.reset();
    traceFile_.close();
    tracePath_ = settings_.lineTraceFile;
    if (tracePath_.empty()) return;
    traceFile_.clear();
    traceFile_.open(tracePath_, std::ios::binary | std::ios::trunc);
    if (!traceFile_) {
        prompter_.Message("Cannot write the line trace " + tracePath_ + ":\r" +
                              std::strerror(errno) + "\rThe line is not traced.",
                          "Line trace", PromptButtons::Ok, PromptIcon::Warning);
        return;
    }
    trace_ = std::make_unique<LineTrace>(traceFile_);
    link_.trace = trace_.get();
}

void HardwareLink::RequireFullKey() {
    Sync();
    link_.RequireFullKey();
}

void HardwareLink::ConnectKey() {
    Sync();
    link_.ConnectKey();
}

void HardwareLink::ProgramChip(bool run) {
    Sync();
    device_.ProgramChip(run);
}

bool HardwareLink::PrepareDebug() {
    pellix::PrepareDebug(record_);
    if (record_.status != 0) return false;
    // The virtual key's board holds a part of the program's family, as a user would fit one.
    Sync();
    if (IsVirtualKeyPort(link_.portName) && key_.Chip().Family() != record_.deviceFamily)
        key_.Chip().SetFamily(record_.deviceFamily);
    return true;
}

VirtualChip* HardwareLink::LabChip() {
    return IsVirtualKeyPort(link_.portName) ? &key_.Chip() : nullptr;
}

std::string HardwareLink::ClockText(uint32_t frequency) {
    return pellix::ClockText(frequency);
}

std::string HardwareLink::ClockNotice(uint32_t frequency) {
    return KeyCanGenerate(frequency) ? std::string() : ClockRangeNotice(frequency);
}

} // namespace pellix
