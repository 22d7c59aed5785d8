// Loading an image file's text into the record, as the device window does.
#pragma once

#include <string_view>

#include "target/AssemblyRecord.h"

namespace pellix {

inline constexpr const char* kImageHoldsNoWords = "ERROR! The hex file holds no program words.";

// Reads HEX text into `transfer` (through the listing buffer when it fits there, as the
// device window does), then copies it into `assembled` and takes `deviceFamily` from code
// word 4095: 1 when it differs from 0x0FFF (mark included), else 0. False with status 1 and
// the HEX reader's message on a violation, or kImageHoldsNoWords when no record placed a
// word; `assembled` and `deviceFamily` are then untouched.
bool LoadImageText(AssemblyRecord& record, std::string_view text);

} // namespace pellix
