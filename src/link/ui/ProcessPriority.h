// The clock window asks for the processor before the target board's clock gets jittery.
#pragma once

namespace pellix {

// Raises the priority of this process as far as the system lets it (a lower nice value),
// never lowering it. A refusal is no error; returns whether anything was raised.
bool RaiseProcessPriority();

} // namespace pellix
