// Opens the port a name stands for: "sim" is the in-process virtual key, COMn and device
// paths go to a device adapter (termios, or Qt's in the windowed program). A stable name
// (/dev/serial/by-id/...) reaches the adapter as the device it links to.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "link/SerialPort.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"

namespace pellix {

// Opens a device; on failure leaves the reason in `why` (OpenFailureText) when it can.
using DeviceOpener =
    std::function<std::unique_ptr<SerialPort>(const std::string& path, std::string* why)>;

class PortFactory final : public SerialPortFactory {
public:
    // `key` may be null: "sim" then cannot be opened. Without an opener, devices go
    // through termios.
    PortFactory(VirtualKey* key, TickSource& ticks, DeviceOpener devices = {});
    std::unique_ptr<SerialPort> Open(const std::string& name) override;
    std::string LastFailure() const override { return failure_; }

private:
    std::string failure_;
    VirtualKey* key_;
    TickSource& ticks_;
    DeviceOpener devices_;
};

} // namespace pellix
