#include "asm/Keywords.h"

#include <algorithm>
#include <string>
#include <vector>

#include "target/DeviceTables.h"

namespace pellix::asmr {

namespace {

constexpr KeywordEntry kFirst[] = {
    {"IFDEF", Kind::Directive, kDirIfdef},
    {"IFNDEF", Kind::Directive, kDirIfndef},
    {"IF", Kind::Directive, kDirIf},
    {"ELSE", Kind::Directive, kDirElse},
    {"ENDIF", Kind::Directive, kDirEndif},
    {"DEVICE", Kind::Directive, kDirDevice},
    {"SX18", Kind::DeviceWord, kIdentifierFlag | 0},
    {"SX18L", Kind::DeviceWord, kIdentifierFlag | 1},
    {"SX28", Kind::DeviceWord, kIdentifierFlag | 2},
    {"SX28L", Kind::DeviceWord, kIdentifierFlag | 3},
    {"SX48", Kind::DeviceWord, kIdentifierFlag | 4},
    {"SX52", Kind::DeviceWord, kIdentifierFlag | 5},
};

constexpr KeywordEntry kDevice[] = {
    // Directives.
    {"ID", Kind::Directive, kDirId},
    {"RESET", Kind::Directive, kDirReset},
    {"EQU", Kind::Directive, kDirEqu},
    {"ORG", Kind::Directive, kDirOrg},
    {"DS", Kind::Directive, kDirDs},
    {"DW", Kind::Directive, kDirDw},
    {"REPT", Kind::Directive, kDirRept},
    {"ENDR", Kind::Directive, kDirEndr},
    {"MACRO", Kind::Directive, kDirMacro},
    {"EXITM", Kind::Directive, kDirExitm},
    {"ENDM", Kind::Directive, kDirEndm},
    {"EXPAND", Kind::Directive, kDirExpand},
    {"NOEXPAND", Kind::Directive, kDirNoexpand},
    {"CASE", Kind::Directive, kDirCase},
    {"NOCASE", Kind::Directive, kDirNocase},
    {"ERROR", Kind::Directive, kDirError},
    {"END", Kind::Directive, kDirEnd},
    {"BREAK", Kind::Directive, kDirBreak},
    {"WATCH", Kind::Directive, kDirWatch},
    {"FREQ", Kind::Directive, kDirFreq},
    // Mnemonics (AND, OR, XOR and NOT are the operators below).
    {"MOV", Kind::Instruction, kMov},
    {"ADD", Kind::Instruction, kAdd},
    {"SUB", Kind::Instruction, kSub},
    {"CLR", Kind::Instruction, kClr},
    {"INC", Kind::Instruction, kInc},
    {"DEC", Kind::Instruction, kDec},
    {"RL", Kind::Instruction, kRl},
    {"RR", Kind::Instruction, kRr},
    {"SWAP", Kind::Instruction, kSwap},
    {"TEST", Kind::Instruction, kTest},
    {"CLRB", Kind::Instruction, kClrb},
    {"CLC", Kind::Instruction, kClc},
    {"CLZ", Kind::Instruction, kClz},
    {"SETB", Kind::Instruction, kSetb},
    {"STC", Kind::Instruction, kStc},
    {"STZ", Kind::Instruction, kStz},
    {"ADDB", Kind::Instruction, kAddb},
    {"SUBB", Kind::Instruction, kSubb},
    {"MOVB", Kind::Instruction, kMovb},
    {"MOVSZ", Kind::Instruction, kMovsz},
    {"INCSZ", Kind::Instruction, kIncsz},
    {"IJNZ", Kind::Instruction, kIjnz},
    {"DECSZ", Kind::Instruction, kDecsz},
    {"DJNZ", Kind::Instruction, kDjnz},
    {"CSE", Kind::Instruction, kCse},
    {"CSNE", Kind::Instruction, kCsne},
    {"CSA", Kind::Instruction, kCsa},
    {"CSAE", Kind::Instruction, kCsae},
    {"CSB", Kind::Instruction, kCsb},
    {"CSBE", Kind::Instruction, kCsbe},
    {"CJE", Kind::Instruction, kCje},
    {"CJNE", Kind::Instruction, kCjne},
    {"CJA", Kind::Instruction, kCja},
    {"CJAE", Kind::Instruction, kCjae},
    {"CJB", Kind::Instruction, kCjb},
    {"CJBE", Kind::Instruction, kCjbe},
    {"SB", Kind::Instruction, kSb},
    {"SC", Kind::Instruction, kSc},
    {"SZ", Kind::Instruction, kSz},
    {"SNB", Kind::Instruction, kSnb},
    {"SNC", Kind::Instruction, kSnc},
    {"SNZ", Kind::Instruction, kSnz},
    {"JB", Kind::Instruction, kJb},
    {"JC", Kind::Instruction, kJc},
    {"JZ", Kind::Instruction, kJz},
    {"JNB", Kind::Instruction, kJnb},
    {"JNC", Kind::Instruction, kJnc},
    {"JNZ", Kind::Instruction, kJnz},
    {"SKIP", Kind::Instruction, kSkip},
    {"JMP", Kind::Instruction, kJmp},
    {"CALL", Kind::Instruction, kCall},
    {"RETW", Kind::Instruction, kRetw},
    {"RET", Kind::Instruction, kRet},
    {"RETP", Kind::Instruction, kRetp},
    {"RETI", Kind::Instruction, kReti},
    {"RETIW", Kind::Instruction, kRetiw},
    {"PAGE", Kind::Instruction, kPage},
    {"BANK", Kind::Instruction, kBank},
    {"MODE", Kind::Instruction, kMode},
    {"SLEEP", Kind::Instruction, kSleep},
    {"IREAD", Kind::Instruction, kIread},
    {"NOP", Kind::Instruction, kNop},
    // Operand words.
    {"W", Kind::W, 0},
    {"M", Kind::M, 0},
    {"OPTION", Kind::Option, 0},
    {"WDT", Kind::Wdt, 0},
    // Operators.
    {"\\", Kind::Prefix, kOpArg},
    {"||", Kind::Prefix, kOpAbs},
    {"~", Kind::Prefix, kOpComplement},
    {"NOT", Kind::Not, kOpNot},
    {"&", Kind::Arith, kOpAnd},
    {"|", Kind::Arith, kOpOr},
    {"^", Kind::Arith, kOpXor},
    {"+", Kind::Arith, kOpAdd},
    {"-", Kind::Arith, kOpSub},
    {"*", Kind::Arith, kOpMul},
    {"/", Kind::Arith, kOpDiv},
    {"//", Kind::Arith, kOpMod},
    {"<<", Kind::Arith, kOpShl},
    {">>", Kind::Arith, kOpShr},
    {"><", Kind::Arith, kOpReverse},
    {".", Kind::Arith, kOpBit},
    {"AND", Kind::Logical, kOpLogAnd},
    {"OR", Kind::Logical, kOpLogOr},
    {"XOR", Kind::Logical, kOpLogXor},
    {"<=", Kind::Compare, kOpLe},
    {">=", Kind::Compare, kOpGe},
    {"=", Kind::Compare, kOpEq},
    {"<>", Kind::Compare, kOpNe},
    {"<", Kind::Compare, kOpLt},
    {">", Kind::Compare, kOpGt},
    {"(", Kind::Open, 0},
    {")", Kind::Close, 0},
    {"#", Kind::Hash, 0},
    {"@", Kind::At, 0},
    {"!", Kind::Bang, 0},
    {"++", Kind::IncDec, 0},
    {"--", Kind::IncDec, 1},
    // Watch formats.
    {"UDEC", Kind::WatchFormat, 0},
    {"SDEC", Kind::WatchFormat, 1},
    {"UHEX", Kind::WatchFormat, 2},
    {"SHEX", Kind::WatchFormat, 3},
    {"UBIN", Kind::WatchFormat, 4},
    {"SBIN", Kind::WatchFormat, 5},
    {"FSTR", Kind::WatchFormat, 6},
    {"ZSTR", Kind::WatchFormat, 7},
};

bool IsWord(std::string_view key) {
    char c = key.empty() ? '\0' : key[0];
    return (c >= 'A' && c <= 'Z') || c == '_';
}

} // namespace

std::span<const KeywordEntry> FirstKeywords() {
    return kFirst;
}
std::span<const KeywordEntry> DeviceKeywords() {
    return kDevice;
}

} // namespace pellix::asmr

namespace pellix {

std::span<const std::string_view> KeywordNames() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> out;
        auto add = [&](std::string_view name) {
            if (asmr::IsWord(name) && std::find(out.begin(), out.end(), name) == out.end())
                out.push_back(name);
        };
        for (const auto& k : asmr::FirstKeywords())
            add(k.key);
        for (const auto& k : asmr::DeviceKeywords())
            add(k.key);
        for (int family = 0; family < kFamilyCount; ++family)
            for (const auto& p : DeviceParameters(family))
                add(p.name);
        for (const auto& n : PredefinedNames())
            add(n.name);
        return out;
    }();
    return names;
}

} // namespace pellix
