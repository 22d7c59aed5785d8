// The port named "sim": a line straight to the in-process virtual key, on the link's clock.
#pragma once

#include <memory>

#include "link/SerialPort.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"

namespace pellix {

class VirtualKeyPort final : public SerialPort {
public:
    // nullptr when the key's line is already open (the port is not shared) or the key is
    // told to refuse it.
    static std::unique_ptr<SerialPort> Open(VirtualKey& key, TickSource& ticks);
    ~VirtualKeyPort() override;

    bool SetLine(uint32_t baud) override;
    long Read(uint8_t* data, size_t max) override;
    // Sleeps on the link's clock until the key's next byte is due (a fake clock just moves
    // on to it).
    void WaitForInput(uint32_t milliseconds) override;
    long Write(const uint8_t* data, size_t count) override;
    void Close() override;

private:
    VirtualKeyPort(VirtualKey& key, TickSource& ticks) : key_(key), ticks_(ticks) {}
    VirtualKey& key_;
    TickSource& ticks_;
    bool open_ = true;
};

} // namespace pellix
