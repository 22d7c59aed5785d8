// Every keyword of the built-in assembler, for the assembler itself and for syntax colouring.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "asm/SymbolTable.h"

namespace pellix {

// Every keyword name the built-in assembler knows once a device is selected: mnemonics,
// directives, operator words (AND, OR, XOR, NOT), operand words (W, M, OPTION, WDT), watch
// formats, DEVICE identifiers and parameters of both families, and the predefined names.
// Upper case, each name once, in no particular order.
std::span<const std::string_view> KeywordNames();

} // namespace pellix

namespace pellix::asmr {

struct KeywordEntry {
    std::string_view key;
    Kind kind;
    uint32_t value;
};

// The keywords known before any DEVICE line: the conditionals and DEVICE itself.
std::span<const KeywordEntry> FirstKeywords();
// Everything else that does not depend on the family: mnemonics, the other directives,
// operators and operand words.
std::span<const KeywordEntry> DeviceKeywords();

// Directive numbers.
enum Directive : uint8_t {
    kDirDevice = 0,
    kDirId,
    kDirReset,
    kDirAssign,
    kDirEqu,
    kDirOrg,
    kDirDs,
    kDirDw,
    kDirIfdef,
    kDirIfndef,
    kDirIf,
    kDirElse,
    kDirEndif,
    kDirRept,
    kDirEndr,
    kDirMacro,
    kDirExitm,
    kDirEndm,
    kDirExpand,
    kDirNoexpand,
    kDirCase,
    kDirNocase,
    kDirError,
    kDirEnd,
    kDirBreak,
    kDirWatch,
    kDirFreq,
};

// Instruction numbers.
enum Instruction : uint8_t {
    kMov = 0,
    kAdd,
    kSub,
    kAnd,
    kOr,
    kXor,
    kClr,
    kInc,
    kDec,
    kRl,
    kRr,
    kSwap,
    kNot,
    kTest,
    kClrb,
    kClc,
    kClz,
    kSetb,
    kStc,
    kStz,
    kAddb,
    kSubb,
    kMovb,
    kMovsz,
    kIncsz,
    kIjnz,
    kDecsz,
    kDjnz,
    kCse,
    kCsne,
    kCsa,
    kCsae,
    kCsb,
    kCsbe,
    kCje,
    kCjne,
    kCja,
    kCjae,
    kCjb,
    kCjbe,
    kSb,
    kSc,
    kSz,
    kSnb,
    kSnc,
    kSnz,
    kJb,
    kJc,
    kJz,
    kJnb,
    kJnc,
    kJnz,
    kSkip,
    kJmp,
    kCall,
    kRetw,
    kRet,
    kRetp,
    kReti,
    kRetiw,
    kPage,
    kBank,
    kMode,
    kSleep,
    kIread,
    kNop,
};

// A device word's value: identifiers carry this flag and their index in DeviceIdentifiers();
// parameters carry their family in bits 8 to 15 and their index in DeviceParameters().
inline constexpr uint32_t kIdentifierFlag = 0x8000'0000u;

} // namespace pellix::asmr
