#include "app/ChipLink.h"

#include "link/ClockUnit.h"
#include "link/DebugKernel.h"
#include "link/qt/QtSerialPort.h"

namespace pellix {

ChipLink::ChipLink(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
                   TickSource& ticks)
    : record_(record), settings_(settings), prompter_(prompter),
      ports_(&key_, ticks, QtSerialPort::Open), link_(ports_, ticks, prompter),
      debug_(link_, record) {}

void ChipLink::UsePort() {
    link_.portName = settings_.comPort;
    if (IsVirtualKeyPort(link_.portName) && key_.Chip().Family() != record_.deviceFamily)
        key_.Chip().SetFamily(record_.deviceFamily);
}

void ChipLink::RequireFullKey() {
    UsePort();
    link_.RequireFullKey();
}

void ChipLink::ConnectKey() {
    UsePort();
    link_.ConnectKey();
}

void ChipLink::ProgramChip(bool run) {
    UsePort();
    irc_.setting = IrcSettingFromStored(settings_.ircCalibration);
    DeviceUnit device(link_, record_, *progress_, prompter_, irc_);
    device.ProgramChip(run);
}

bool ChipLink::PrepareDebug() {
    pellix::PrepareDebug(record_);
    return record_.status == 0;
}

std::string ChipLink::ClockText(uint32_t frequency) {
    return pellix::ClockText(frequency);
}

} // namespace pellix
