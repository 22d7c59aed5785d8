// The numbered message table: every diagnostic orda prints is one of these entries.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orda {

struct MessageEntry {
    const char* text; // may hold one %s
    uint16_t number;
    uint8_t takesArgument;
};

// Entries in number order, 1 to kMessageCount.
std::span<const MessageEntry> MessageTable();
inline constexpr int kMessageCount = 75;
const MessageEntry* FindMessage(int number);

// Severities carried in the low byte of a report; bit 8 marks a listing-only message.
enum Severity : int { kComment = 0, kWarning = 1, kError = 2 };
inline constexpr int kListingOnly = 256;
const char* SeverityWord(int severity);

// Message numbers used by name in the code.
enum Msg : int {
    kBadInstruction = 1,
    kRedefinition = 2,
    kUndefined = 3,
    kReservedWord = 4,
    kMissingOperands = 5,
    kTooManyOperands = 6,
    kMissingFileRegister = 7,
    kMissingLiteral = 8,
    kMissingLabel = 9,
    kMissingParen = 10,
    kMissingExpression = 11,
    kMacroRedefinition = 12,
    kBadExpression = 13,
    kBadArgument = 14,
    kMacroArgsMismatch = 16,
    kUnmatchedMacro = 17,
    kBadIfElse = 18,
    kUnmatchedElse = 19,
    kUnmatchedEndif = 20,
    kFileNesting = 21,
    kIfNesting = 22,
    kInvalidDigit = 23,
    kOutOfRange = 24,
    kBadRadix = 25,
    kUnknownDevice = 26,
    kUnknownFormat = 27,
    kUnknownListParam = 28,
    kBadString = 29,
    kOverwriting = 30,
    kExpectedEquals = 31,
    kUnexpectedEof = 32,
    kAssumeHex = 33,
    kTokenTooLong = 34,
    kIllegalCharacter = 35,
    kLiteralTruncated = 37,
    kNoDestination = 39,
    kBadDestination = 40,
    kBitRange = 41,
    kNotInPage = 42,
    kMemoryLimit = 43,
    kNotLowerHalf = 44,
    kLabelColumn = 45,
    kUnknownDirective = 46,
    kReptLimit = 47,
    kNotInBank = 48,
    kModeTruncated = 49,
    kObsolete = 51,
    kResetNotPage0 = 52,
    kBitfieldOperator = 53,
    kDeviceOverride = 54,
    kUserError = 55,
    kLineTooLong = 56,
    kLocalTooLong = 57,
    kDivisionByZero = 58,
    kData12Bits = 59,
    kCannotOpen = 60,
    kCannotOpenInclude = 61,
    kIncludeNameLong = 62,
    kWatchParams = 63,
    kIrcCalParams = 64,
    kNoIrcCal = 65,
    kNoFreq = 66,
    kTooManyIncludes = 67,
    kListLineTruncated = 68,
    kNoOsc = 69,
    kUserWarning = 70,
    kReptNesting = 71,
    kReptTooLong = 72,
    kBadPaste = 73,
    kMacroNesting = 74,
    kTooManyLines = 75,
};

} // namespace orda
