// The statement being assembled: its line, where the line comes from, and what the
// statement made, for its list line and map record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orda {

enum ListKind : uint8_t {
    kListValue,
    kListCode,
    kListText,
    kListTextNoFlag,
    kListEject,
    kListSpace,
    kListFuses,
    kListReset,
    kListNothing
};

struct Statement {
    std::string line;
    bool tooLong = false; // cut to the line limit
    // Where the line stands: the innermost file, and whether an expansion delivers it.
    int fileIndex = 0;
    uint32_t fileLine = 0;
    int level = 0; // include level
    bool fromExpansion = false;
    // Pass 2 stores code only for lines pass 1 took without an error.
    bool codeAllowed = true;
    // the list line
    ListKind listKind = kListText;
    int32_t listValue = 0;
    int listBit = 0;
    bool listHasBit = false;
    uint32_t listAddress = 0;
    uint16_t resetWord = 0;
    int spaceLines = 0;
    std::vector<uint16_t> words; // code words
    // A jump or call with its address, or a move to FSR, ends the page or bank selection.
    bool jumpWithAddress = false;
    bool movToFsr = false;
};

} // namespace orda
