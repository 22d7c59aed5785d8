// Where pellix-cli debug finds the source line of a code address, for each kind of program
// it loads: a source through the built-in assembler's line tables, orda's output through
// the map orda writes beside its list file, compiler output through its .COD file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "shell/OrdaUnit.h"
#include "shell/TCode.h"
#include "target/AssemblyRecord.h"

namespace pellix::cli {

// "FILE:LINE" of the source line holding an address; empty where the program has none.
using SourcePlace = std::function<std::string(uint32_t address)>;

// The line of `sourceName` that the address's listing line shows. The record is read at
// each call, so it must outlive the result.
SourcePlace BuiltInSourcePlace(const AssemblyRecord& record, const std::string& sourceName);

// The map's record of the address (or of the list line holding it). The map's list lines
// also become the record's lines of the addresses, so that hop steps through a line.
SourcePlace OrdaSourcePlace(const OrdaMap& map, AssemblyRecord& record);

// orda's map beside an image (same name, extension ".map"), when there is one that reads;
// an empty function otherwise.
SourcePlace OrdaSourcePlaceBeside(const std::string& imageName, AssemblyRecord& record);

// The .COD file's line record at the address. The code must outlive the result.
SourcePlace CodSourcePlace(const TCode& code);

} // namespace pellix::cli
