#include "link/PortFactory.h"

#include "link/PosixSerialPort.h"
#include "link/VirtualKeyPort.h"

namespace pellix {

PortFactory::PortFactory(VirtualKey* key, TickSource& ticks, DeviceOpener devices)
    : key_(key), ticks_(ticks), devices_(std::move(devices)) {
    if (!devices_) devices_ = PosixSerialPort::Open;
}

std::unique_ptr<SerialPort> PortFactory::Open(const std::string& name) {
    if (IsVirtualKeyPort(name)) return key_ ? VirtualKeyPort::Open(*key_, ticks_) : nullptr;
    if (name.empty()) return nullptr;
    return devices_(DevicePathOfPort(name));
}

} // namespace pellix
