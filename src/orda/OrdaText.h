// Helpers shared by orda's source files: formatting, character classes, keyword tables.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace orda {

// printf into a string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// A message text with its one %s replaced by the argument.
std::string FormatArg(const char* text, std::string_view arg);
// Appends v as `digits` upper-case hex digits.
void AppendHex(std::string& out, uint32_t v, int digits);
// Appends v in decimal, right-aligned in `width` columns (0: no padding).
void AppendDecimal(std::string& out, uint32_t v, int width, char pad = ' ');

// Character classes of the scanner.
enum CharClass : uint8_t {
    kClassOther = 1,
    kClassName = 2,
    kClassDigit = 3,
    kClassOp = 4,
    kClassQuote = 5
};
extern const uint8_t kCharClass[256];
inline bool IsWordChar(unsigned char c) {
    uint8_t k = kCharClass[c];
    return k == kClassName || k == kClassDigit || k == kClassQuote;
}
inline bool IsStatementEnd(unsigned char c) {
    return c == 0 || c == 10 || c == 12 || c == 13;
}
inline char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

int FindDeviceName(std::string_view name);
const char* DeviceNameOf(int index);
int ReadDecimal(std::string_view s);

// Keyword tables.
enum KwKind : uint8_t { kKwDirective, kKwMnemonic, kKwOperand };
enum KwTable : uint8_t { kTabDirective, kTabCommon, kTabSx, kTabMchip, kTabDebug };
enum Form : uint8_t {
    kFormCompound = 0,
    kFormNone,
    kFormF,
    kFormFD,
    kFormFB,
    kFormLit,
    kFormBank,
    kFormPage,
    kFormMode,
    kFormSkip,
    kFormRetw,
    kFormData,
    kFormNotSx
};
enum Compound : uint8_t {
    kAnd,
    kOr,
    kXor,
    kAdd,
    kSub,
    kNot,
    kClr,
    kMov,
    kMovsz,
    kTest,
    kJmp,
    kCall,
    kGoto,
    kSetb,
    kClrb,
    kSb,
    kSnb,
    kAddb,
    kSubb,
    kMovb,
    kIjnz,
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
    kJb,
    kJnb,
    kJc,
    kJnc,
    kJz,
    kJnz
};
// Directive codes.
enum Dir : uint8_t {
    kDirList = 6,
    kDirDevice = 7,
    kDirRadix = 8,
    kDirTitle = 9,
    kDirSubtitle = 10,
    kDirLpage = 11,
    kDirSpac = 12,
    kDirInclude = 13,
    kDirMacro = 14,
    kDirEndm = 15,
    kDirExitm = 16,
    kDirIf = 18,
    kDirElse = 19,
    kDirEndif = 20,
    kDirOrg = 21,
    kDirEnd = 22,
    kDirEqu = 23,
    kDirRes = 24,
    kDirSet = 25,
    kDirZero = 26,
    kDirFuses = 29,
    kDirReset = 30,
    kDirDs = 31,
    kDirId = 32,
    kDirIfdef = 33,
    kDirIfndef = 34,
    kDirExpand = 35,
    kDirNoexpand = 36,
    kDirCase = 37,
    kDirRept = 38,
    kDirEndr = 39,
    kDirFuse = 40,
    kDirFusex = 41,
    kDirGlobal = 42,
    kDirFreq = 44,
    kDirBreak = 45,
    kDirWatch = 46,
    kDirIrcCal = 47,
    kDirError = 48
};

struct Keyword {
    const char* name;
    uint8_t table;
    uint8_t kind;
    uint8_t code; // directive code or compound mnemonic
    uint8_t form;
    uint16_t base;
    int16_t value; // operand names: register
    int8_t bit;    // operand names: bit number, -1 for a register
};

// -1 when the word is no keyword in this mnemonic set.
int LookupKeyword(std::string_view word, int mnemonicSet);
const Keyword& KeywordAt(int id);

} // namespace orda
