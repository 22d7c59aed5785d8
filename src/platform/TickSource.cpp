#include "platform/TickSource.h"

#include <chrono>
#include <thread>

namespace pellix {

uint32_t SteadyTickSource::Milliseconds() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace pellix

namespace pellix {

void SteadyTickSource::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace pellix
