// The Intel HEX text form of a program image (".sxh").
#pragma once

#include <string_view>

#include "target/AssemblyRecord.h"

namespace pellix {

inline constexpr const char* kHexViolation = "ERROR! Hex violation was encountered in file.";

// Writes `assembled` as HEX text into the listing buffer (resetting its length first).
// False with status 1 and "List is too large" when the buffer is too small.
bool WriteHex(AssemblyRecord& record);

// Reads the HEX text held in the listing buffer (up to its NUL or its length) into
// `transfer`. False with status 1 and kHexViolation on a violation; the words read so far
// stay in `transfer`.
bool ReadHex(AssemblyRecord& record);

// The same for text held elsewhere; the text ends at its end or at a NUL.
bool ReadHex(AssemblyRecord& record, std::string_view text);

} // namespace pellix
