// Text services over the record for the debugger views.
#pragma once

#include <string>

#include "target/AssemblyRecord.h"

namespace pellix {

// The mnemonic form of `assembled` code word `address` (bits 0 to 11 are used). Register 1
// reads WREG instead of RTCC when registerOneIsW is set.
std::string Disassemble(const AssemblyRecord& record, int address, bool registerOneIsW);

// Listing line `line` as display text: up to its CR, tabs expanded to multiples of 8, at most
// 255 characters. Empty for a line that does not exist.
std::string ListingLine(const AssemblyRecord& record, int line);

} // namespace pellix
