#include "platform/TickSource.h"

#include <chrono>

namespace pellix {

uint32_t SteadyTickSource::Milliseconds() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace pellix
