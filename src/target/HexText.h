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
//
// An extended linear address record (type 04) sets the upper half of the addresses that
// follow: 0, what INHX32 writers put first, is the image's own range. A data record that
// would place words at byte address 0x10000 and above, and an extended segment address
// record (type 02), are refused with a message naming the line; another type-04 value
// with no words after it (gpasm's trailer for a configuration word it cannot write)
// places nothing. Words after FUSEX in the first 64 KB are skipped.
bool ReadHex(AssemblyRecord& record);

// The same for text held elsewhere; the text ends at its end or at a NUL. `wordsPlaced`,
// when given, counts the words the data records put into the image.
bool ReadHex(AssemblyRecord& record, std::string_view text, size_t* wordsPlaced = nullptr);

} // namespace pellix
