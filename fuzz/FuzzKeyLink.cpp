// Any bytes a device on the serial port answers with: KeyLink and the exchanges end in a
// result or a link error, never a crash or a wait that does not end; the line trace and the
// step lines follow whatever comes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "link/LineTrace.h"
#include "link/SilentAbort.h"
#include "platform/ScriptedPrompter.h"
#include "platform/TickSource.h"

namespace {

// Echoes every write, then hands out the fuzz input as the device's answer, in reads
// whose sizes the input also chooses.
class FuzzPort final : public pellix::SerialPort {
public:
    FuzzPort(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool SetLine(uint32_t) override { return true; }
    long Read(uint8_t* out, size_t max) override {
        size_t n = 0;
        while (n < max && !echo_.empty()) {
            out[n++] = echo_.front();
            echo_.erase(echo_.begin());
        }
        if (n > 0 || at_ >= size_) return long(n);
        size_t chunk = data_[at_++] & 7; // 0: a read that finds nothing
        while (n < max && chunk-- > 0 && at_ < size_)
            out[n++] = data_[at_++];
        return long(n);
    }
    long Write(const uint8_t* data, size_t count) override {
        echo_.insert(echo_.end(), data, data + count);
        return long(count);
    }
    void Close() override {}

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    std::vector<uint8_t> echo_;
};

class FuzzFactory final : public pellix::SerialPortFactory {
public:
    FuzzFactory(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    std::unique_ptr<pellix::SerialPort> Open(const std::string&) override {
        return std::make_unique<FuzzPort>(data_, size_);
    }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    uint8_t plan = data[0];
    FuzzFactory ports(data + 1, size - 1);
    pellix::FakeTickSource ticks(50);
    pellix::ScriptedPrompter prompter;
    pellix::KeyLink link(ports, ticks, prompter);
    pellix::KeyProtocol protocol(link);
    link.portName = "COM1";
    std::ostringstream traced;
    pellix::LineTrace trace(traced);
    if (plan & 0x40) {
        link.trace = &trace;
        link.onStep = [&traced](const std::string& step) { traced << step << '\n'; };
    }
    try {
        link.ConnectKey();
        uint16_t words[128];
        uint8_t bytes[152];
        switch (plan & 7) {
        case 0:
            protocol.EraseFor();
            break;
        case 1:
            protocol.ProgramStart();
            protocol.ProgramBlock({words, 32}, pellix::kCodePulseTime);
            protocol.ProgramEnd();
            break;
        case 2:
            protocol.ReadStart();
            protocol.ReadBlock({words, 128});
            protocol.ReadEnd();
            break;
        case 3:
            protocol.ReadState(plan >> 7, 8, 4096);
            break;
        case 4:
            protocol.Poll();
            break;
        case 5:
            protocol.ReadStateBytes({bytes, 152});
            break;
        case 6:
            link.RequireFullKey();
            break;
        default:
            protocol.MeasureOscillator(0xFFF);
            break;
        }
        if (link.PortOpen()) link.ReleaseKey();
    } catch (const pellix::SilentAbort&) {
        if (link.PortOpen()) __builtin_trap(); // a link error always closes the port
    }
    return 0;
}
