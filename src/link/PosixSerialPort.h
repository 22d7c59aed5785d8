// A serial device or pseudo-terminal through termios, for the programs built without Qt.
#pragma once

#include <memory>
#include <string>

#include "link/SerialPort.h"

namespace pellix {

class PosixSerialPort final : public SerialPort {
public:
    // The device at `path`, opened for this process alone; nullptr when it is missing, in
    // use (locked, or held under a lock file of the serial tools), or not a terminal, and
    // then `why` tells the reason (OpenFailureText).
    static std::unique_ptr<SerialPort> Open(const std::string& path, std::string* why = nullptr);
    // The errno that opening `path` as Open does would end in now; 0 when it would open.
    static int OpenError(const std::string& path);
    ~PosixSerialPort() override;

    bool SetLine(uint32_t baud) override;
    long Read(uint8_t* data, size_t max) override;
    void WaitForInput(uint32_t milliseconds) override;
    long Write(const uint8_t* data, size_t count) override;
    void Close() override;

private:
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    // The descriptor, or -1 with the errno of the failure in `error`.
    static int OpenDescriptor(const std::string& path, int& error);
    int fd_;
};

} // namespace pellix
