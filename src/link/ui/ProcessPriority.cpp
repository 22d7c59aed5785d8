#include "link/ui/ProcessPriority.h"

#include <sys/resource.h>

#include <cerrno>
#include <initializer_list>

namespace pellix {

bool RaiseProcessPriority() {
    // Not a real-time scheduling class: the link's waits are busy loops, and a real-time
    // process spinning in one would shut the rest of the desktop out of its processor.
    errno = 0;
    int current = getpriority(PRIO_PROCESS, 0);
    if (current == -1 && errno != 0) return false;
    for (int nice : {-20, -15, -10, -5, -1}) {
        if (nice >= current) break;
        if (setpriority(PRIO_PROCESS, 0, nice) == 0) return true;
    }
    return false;
}

} // namespace pellix
