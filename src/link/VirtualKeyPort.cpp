#include "link/VirtualKeyPort.h"

#include <algorithm>

namespace pellix {

namespace {

bool Strikes(int& on) {
    return on > 0 && --on == 0;
}

} // namespace

std::unique_ptr<SerialPort> VirtualKeyPort::Open(VirtualKey& key, TickSource& ticks) {
    if (key.LineOpen() || key.faults.refuseOpen) return nullptr;
    key.LineOpened(ticks.Milliseconds());
    return std::unique_ptr<SerialPort>(new VirtualKeyPort(key, ticks));
}

VirtualKeyPort::~VirtualKeyPort() {
    Close();
}

void VirtualKeyPort::Close() {
    if (!open_) return;
    open_ = false;
    key_.LineClosed(ticks_.Milliseconds());
}

bool VirtualKeyPort::SetLine(uint32_t baud) {
    if (!open_) return false;
    key_.SetBaud(baud);
    return true;
}

long VirtualKeyPort::Read(uint8_t* data, size_t max) {
    if (!open_ || Strikes(key_.faults.failReadOn)) return -1;
    uint32_t now = ticks_.Milliseconds();
    key_.Advance(now);
    if (key_.faults.readChunk > 0) max = std::min(max, key_.faults.readChunk);
    return long(key_.Transmit(data, max, now));
}

void VirtualKeyPort::WaitForInput(uint32_t milliseconds) {
    if (!open_) return;
    uint32_t now = ticks_.Milliseconds();
    if (key_.Queued() > 0) {
        int32_t until = int32_t(key_.NextDue() - now);
        if (until <= 0) return;
        milliseconds = std::min(milliseconds, uint32_t(until));
    }
    ticks_.Sleep(milliseconds);
}

long VirtualKeyPort::Write(const uint8_t* data, size_t count) {
    if (!open_ || Strikes(key_.faults.failWriteOn)) return -1;
    if (count > 0 && Strikes(key_.faults.shortWriteOn)) --count;
    uint32_t now = ticks_.Milliseconds();
    key_.Advance(now);
    key_.Receive(data, count, now);
    return long(count);
}

} // namespace pellix
