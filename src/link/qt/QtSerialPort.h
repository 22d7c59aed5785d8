// A serial device through QSerialPort, for the windowed program. Works without an event
// loop: reads and writes drive the port themselves.
#pragma once

#include <memory>
#include <string>

#include "link/SerialPort.h"

class QSerialPort;

namespace pellix {

class QtSerialPort final : public SerialPort {
public:
    // The device at `path`; nullptr when it is missing or in use, and then `why` tells the
    // reason as the termios adapter would (OpenFailureText).
    static std::unique_ptr<SerialPort> Open(const std::string& path, std::string* why = nullptr);
    ~QtSerialPort() override;

    bool SetLine(uint32_t baud) override;
    long Read(uint8_t* data, size_t max) override;
    void WaitForInput(uint32_t milliseconds) override;
    long Write(const uint8_t* data, size_t count) override;
    void Close() override;

private:
    explicit QtSerialPort(std::unique_ptr<QSerialPort> port);
    std::unique_ptr<QSerialPort> port_;
};

} // namespace pellix
