// The built-in assembler.
#pragma once

#include "target/AssemblyRecord.h"

namespace pellix {

// Assembles record.source (CR line ends, ending at its NUL) in two passes into `assembled`,
// the listing and the line tables, the debug declarations and `deviceFamily`; on success
// `transfer` becomes a copy of `assembled` and status is 0. On the first error status stays
// 1 with `message`, `errorStart` and `errorEnd` marking where it was found, and `transfer`
// keeps the previous result. Never throws.
void Assemble(AssemblyRecord& record);

} // namespace pellix
