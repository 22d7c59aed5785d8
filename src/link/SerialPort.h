// The serial line to the key, behind an interface so the key can be a device, a
// pseudo-terminal or the in-process virtual key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace pellix {

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // The baud rate, no parity, 8 data bits, 1 stop bit, DTR asserted, RTS not asserted, no
    // flow control. False when the line cannot be set; modem lines that the device does not
    // have (a pseudo-terminal) do not count as a failure.
    virtual bool SetLine(uint32_t baud) = 0;
    // What has arrived, at most `max` bytes, without waiting: the count (0 when nothing
    // has come), or -1 when the read failed.
    virtual long Read(uint8_t* data, size_t max) = 0;
    // Returns once bytes may have arrived or `milliseconds` have passed, without using the
    // processor meanwhile; it may return early, so callers look at the clock. A line that
    // cannot wait (a test's scripted one) returns at once.
    virtual void WaitForInput(uint32_t milliseconds) { (void)milliseconds; }
    // The number of bytes the line took, or -1 when the write failed.
    virtual long Write(const uint8_t* data, size_t count) = 0;
    // Also done by the destructor; closing twice is harmless.
    virtual void Close() = 0;
};

// Opens ports by the names the configuration holds.
class SerialPortFactory {
public:
    virtual ~SerialPortFactory() = default;
    // An open port, or nullptr when it cannot be opened (missing, in use, not a serial
    // line).
    virtual std::unique_ptr<SerialPort> Open(const std::string& name) = 0;
    // Why the last Open failed, as lines for the error box (see PortFailure.h); empty when
    // the factory cannot tell.
    virtual std::string LastFailure() const { return {}; }
};

// "sim" in any case: the in-process virtual key.
bool IsVirtualKeyPort(const std::string& name);

// COMn (any case, n from 1) becomes /dev/ttyS(n-1), so COM1 to COM4 are /dev/ttyS0 to
// /dev/ttyS3; anything else is taken as a device path as it is.
std::string DevicePathOfPort(const std::string& name);
// The device a path leads to: a stable name such as /dev/serial/by-id/... becomes the
// device it links to, so that locks and holders are those of the device itself. A path
// that leads nowhere is returned as it is.
std::string ResolveDevicePath(const std::string& path);

} // namespace pellix
