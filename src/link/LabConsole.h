// The lab bench's commands in pellix-cli debug: pin, pins, stimulus, uart, vcd, cycles and
// run TIME. They need the virtual key (port sim), whose chip carries the bench; on a real
// key they say so.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "link/DebugConsole.h"
#include "sim/LabPin.h"

namespace pellix {

class VirtualChip;

class LabConsole {
public:
    LabConsole(DebugControl& control, std::ostream& out);
    ~LabConsole();

    // The chip on the virtual key's board; nullptr (the default) for a real key.
    void Attach(VirtualChip* chip);

    // A lab command, or nullopt when `words` are not one. `show` reads the stopped chip and
    // prints its stop line.
    std::optional<DebugConsole::Result> Execute(const std::vector<std::string_view>& words,
                                                std::string& error,
                                                const std::function<void()>& show);
    // Prints what the UART received since the last complete line, as a line of its own.
    void FlushUart();
    // The line `pins` shows for one pin.
    std::string PinLine(const LabPin& pin) const;
    static std::string HelpText();

private:
    bool NeedChip(std::string_view command, std::string& error) const;
    DebugConsole::Result RunFor(const std::vector<std::string_view>& words, std::string& error,
                                const std::function<void()>& show);
    DebugConsole::Result Uart(const std::vector<std::string_view>& words, std::string& error);
    DebugConsole::Result Vcd(const std::vector<std::string_view>& words, std::string& error);
    void Received(uint8_t byte, bool framingError);

    DebugControl& c_;
    std::ostream& out_;
    VirtualChip* chip_ = nullptr;
    std::string uartLine_; // escaped bytes of the line being received
    std::unique_ptr<std::ofstream> vcd_;
    std::string vcdName_;
};

} // namespace pellix
