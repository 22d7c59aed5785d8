// Opens the port a name stands for: "sim" is the in-process virtual key, COMn and device
// paths go to a device adapter (termios, or Qt's in the windowed program).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "link/SerialPort.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"

namespace pellix {

using DeviceOpener = std::function<std::unique_ptr<SerialPort>(const std::string& path)>;

class PortFactory final : public SerialPortFactory {
public:
    // `key` may be null: "sim" then cannot be opened. Without an opener, devices go
    // through termios.
    PortFactory(VirtualKey* key, TickSource& ticks, DeviceOpener devices = {});
    std::unique_ptr<SerialPort> Open(const std::string& name) override;

private:
    VirtualKey* key_;
    TickSource& ticks_;
    DeviceOpener devices_;
};

} // namespace pellix
