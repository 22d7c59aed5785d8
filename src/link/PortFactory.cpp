#include "link/PortFactory.h"

#include <cerrno>
#include <cstring>

#include "link/PosixSerialPort.h"
#include "link/VirtualKeyPort.h"

namespace pellix {

PortFactory::PortFactory(VirtualKey* key, TickSource& ticks, DeviceOpener devices)
    : key_(key), ticks_(ticks), devices_(std::move(devices)) {
    if (!devices_) devices_ = PosixSerialPort::Open;
}

std::unique_ptr<SerialPort> PortFactory::Open(const std::string& name) {
    failure_.clear();
    if (IsVirtualKeyPort(name)) {
        if (!key_) {
            failure_ = "There is no virtual key in this program.";
            return nullptr;
        }
        const bool held = key_->LineOpen();
        auto port = VirtualKeyPort::Open(*key_, ticks_);
        if (!port) failure_ = std::strerror(EBUSY);
        if (!port && held) failure_ += "\rIn use by this program.";
        return port;
    }
    if (name.empty()) {
        failure_ = "No port is chosen.";
        return nullptr;
    }
    return devices_(ResolveDevicePath(DevicePathOfPort(name)), &failure_);
}

} // namespace pellix
