// A serial device or pseudo-terminal through termios, for the programs built without Qt.
#pragma once

#include <memory>
#include <string>

#include "link/SerialPort.h"

namespace pellix {

class PosixSerialPort final : public SerialPort {
public:
    // The device at `path`, opened for this process alone; nullptr when it is missing, in
    // use, or not a terminal.
    static std::unique_ptr<SerialPort> Open(const std::string& path);
    ~PosixSerialPort() override;

    bool SetLine(uint32_t baud) override;
    long Read(uint8_t* data, size_t max) override;
    long Write(const uint8_t* data, size_t count) override;
    void Close() override;

private:
    explicit PosixSerialPort(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace pellix
