#include "orda/Messages.h"

namespace orda {

namespace {

constexpr MessageEntry kTable[] = {
    {"Bad instruction statement", 1, 0},
    {"Redefinition of symbol <%s>", 2, 1},
    {"Symbol <%s> is not defined", 3, 1},
    {"Symbol is a reserved word", 4, 0},
    {"Missing operand(s)", 5, 0},
    {"Too many operands", 6, 0},
    {"Missing file register", 7, 0},
    {"Missing literal", 8, 0},
    {"Missing Label", 9, 0},
    {"Missing right parenthesis", 10, 0},
    {"Missing expression", 11, 0},
    {"Redefinition of MACRO label <%s>", 12, 1},
    {"Bad expression", 13, 0},
    {"Bad argument <%s>", 14, 1},
    {"Bad MACRO expression", 15, 0},
    {"Macro arguments do not match", 16, 0},
    {"Unmatched MACRO", 17, 0},
    {"Bad IF-ELSE-ENDIF statement", 18, 0},
    {"Unmatched ELSE", 19, 0},
    {"Unmatched ENDIF", 20, 0},
    {"File nesting error - Exceeded 10 levels", 21, 0},
    {"If.else.endif nesting error - too deep", 22, 0},
    {"Invalid digit in numeric constant", 23, 0},
    {"Value is out of range", 24, 0},
    {"Bad radix value", 25, 0},
    {"Unknown microcontroller type", 26, 0},
    {"Unknown output format", 27, 0},
    {"Unknown listing parameter", 28, 0},
    {"Bad string syntax", 29, 0},
    {"Overwriting same program counter location", 30, 0},
    {"Expected an '=' sign", 31, 0},
    {"Unexpected EOF", 32, 0},
    {"Assume value is in HEXADECIMAL", 33, 0},
    {"Token length exceeds limit", 34, 0},
    {"Illegal character - Ignored", 35, 0},
    {"File register truncated to 5 bits", 36, 0},
    {"Literal truncated to 8 bits", 37, 0},
    {"Missing RAM Bank bits", 38, 0},
    {"No destination bit", 39, 0},
    {"Destination bit can only be 0 or 1", 40, 0},
    {"Bit number out of range", 41, 0},
    {"Destination address not in selected page", 42, 0},
    {"Address exceeds memory limit", 43, 0},
    {"Address is not within lower half of memory page", 44, 0},
    {"Label must begin at column 1", 45, 0},
    {"Ignoring unknown directive", 46, 0},
    {"REPT count exceed limit", 47, 0},
    {"File register not in current bank", 48, 0},
    {"MODE register value truncated to 4-bits", 49, 0},
    {"Expected a fr.bit operand", 50, 0},
    {"Obsolete keyword: <%s> for this device", 51, 1},
    {"Reset address not in page 0", 52, 0},
    {"Applied non bitfield operator to a bitfield value", 53, 0},
    {"Overriding earlier target device declaration", 54, 0},
    {"ERROR \"%s\"", 55, 1},
    {"Source line is too long", 56, 0},
    {"Local symbol \"%s\" expands to more than 130 characers", 57, 1},
    {"Division by zero", 58, 0},
    {"Literal truncated to 12 bits", 59, 0},
    {"Couldn't open file: %s", 60, 1},
    {"Couldn't open include file: %s", 61, 1},
    {"Include path and file exceeds 64 characters", 62, 0},
    {"WATCH is missing parameters", 63, 0},
    {"IRC_CAL has invalid or missing parameters", 64, 0},
    {"No IRC_CAL directive. Default IRC_SLOW being used", 65, 0},
    {"No FREQ directive. Default 50 MHz being used", 66, 0},
    {"Total number of INCLUDE files exceeded 31", 67, 0},
    {"Tab expanded list file line too long - truncating", 68, 0},
    {"No OSCxxx directive - using default OSCRC", 69, 0},
    {"USER WARNING: \"%s\"", 70, 1},
    // Limits of the language that the original table left without a message.
    {"REPT nesting exceeds 10 levels", 71, 0},
    {"REPT block exceeds 500 lines", 72, 0},
    {"Token paste '?' must join two words", 73, 0},
    {"MACRO calls nested more than 64 levels deep", 74, 0},
    {"Source expands to more than %s lines", 75, 1},
};

static_assert(sizeof kTable / sizeof kTable[0] == kMessageCount);

} // namespace

std::span<const MessageEntry> MessageTable() {
    return kTable;
}

const MessageEntry* FindMessage(int number) {
    if (number < 1 || number > kMessageCount) return nullptr;
    return &kTable[number - 1];
}

const char* SeverityWord(int severity) {
    switch (severity) {
    case 0:
        return "Comment";
    case 1:
        return "Warning";
    case 2:
    case 3:
        return "Error";
    default:
        return "Unknown";
    }
}

} // namespace orda
