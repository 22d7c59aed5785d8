#include "app/HardwareLink.h"

#include "link/ClockUnit.h"
#include "link/qt/QtSerialPort.h"

namespace pellix {

HardwareLink::HardwareLink(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
                           HardwareOptions options)
    : record_(record), settings_(settings), ticks_(options.ticks ? *options.ticks : steady_),
      ports_(&key_, ticks_, options.devices ? std::move(options.devices) : QtSerialPort::Open),
      link_(ports_, ticks_, prompter), device_(link_, record_, relay_, prompter, irc_) {}

void HardwareLink::Sync() {
    link_.portName = settings_.comPort;
    irc_.setting = IrcSettingFromStored(settings_.ircCalibration);
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
    record_.Fail("Debugging is not available in this version yet.");
    return false;
}

std::string HardwareLink::ClockText(uint32_t frequency) {
    return pellix::ClockText(frequency);
}

} // namespace pellix
