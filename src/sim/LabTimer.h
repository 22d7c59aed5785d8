// A part of the lab bench with deadlines of its own: LabBench::Schedule calls it back when
// the chip reaches the cycle.
#pragma once

#include <cstdint>

namespace pellix {

class LabTimer {
public:
    virtual ~LabTimer() = default;
    virtual void OnTimer(uint64_t cycle, uint64_t tag) = 0;
};

} // namespace pellix
