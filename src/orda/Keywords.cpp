// Directive, mnemonic and operand-name tables, searched in a fixed order per mnemonic set.
#include <string>
#include <vector>

#include "orda/Orda.h"
#include "orda/OrdaText.h"
#include "target/InstructionSet.h"

namespace orda {

namespace {

constexpr uint8_t D = kTabDirective, CM = kTabCommon, SX = kTabSx, MC = kTabMchip, DB = kTabDebug;

#define DIR(n, c)                                                                                  \
    { n, D, kKwDirective, c, 0, 0, 0, -1 }
#define ONE(n, t, f, b)                                                                            \
    { n, t, kKwMnemonic, 0, f, b, 0, -1 }
#define OP(form) pellix::isa::Opcode(pellix::isa::Form::form)
#define CMP(n, t, c)                                                                               \
    { n, t, kKwMnemonic, c, kFormCompound, 0, 0, -1 }
#define REG(n, t, r)                                                                               \
    { n, t, kKwOperand, 0, 0, 0, r, -1 }
#define BIT(n, t, r, b)                                                                            \
    { n, t, kKwOperand, 0, 0, 0, r, b }

constexpr Keyword kKeywords[] = {
    DIR("LIST", kDirList),
    DIR("DEVICE", kDirDevice),
    DIR("PROCESSOR", kDirDevice),
    DIR("RADIX", kDirRadix),
    DIR("TITLE", kDirTitle),
    DIR("STITLE", kDirTitle),
    DIR("SUBTITL", kDirSubtitle),
    DIR("LPAGE", kDirLpage),
    DIR("SPAC", kDirSpac),
    DIR("INCLUDE", kDirInclude),
    DIR("MACRO", kDirMacro),
    DIR("ENDM", kDirEndm),
    DIR("EXITM", kDirExitm),
    DIR("IF", kDirIf),
    DIR("ELSE", kDirElse),
    DIR("ENDIF", kDirEndif),
    DIR("ORG", kDirOrg),
    DIR("END", kDirEnd),
    DIR("EQU", kDirEqu),
    DIR("RES", kDirRes),
    DIR("SET", kDirSet),
    DIR("ZERO", kDirZero),
    DIR("FUSES", kDirFuses),
    DIR("RESET", kDirReset),
    DIR("DS", kDirDs),
    DIR("ID", kDirId),
    DIR("IFDEF", kDirIfdef),
    DIR("IFNDEF", kDirIfndef),
    DIR("EXPAND", kDirExpand),
    DIR("NOEXPAND", kDirNoexpand),
    DIR("CASE", kDirCase),
    DIR("NOCASE", kDirCase),
    DIR("REPT", kDirRept),
    DIR("ENDR", kDirEndr),
    DIR("__FUSE", kDirFuse),
    DIR("__FUSEX", kDirFusex),
    DIR("GLOBAL", kDirGlobal),
    DIR("FREQ", kDirFreq),
    DIR("BREAK", kDirBreak),
    DIR("WATCH", kDirWatch),
    DIR("IRC_CAL", kDirIrcCal),
    DIR("ERROR", kDirError),

    ONE("NOP", CM, kFormNone, OP(Nop)),
    ONE("RET", CM, kFormNone, OP(Ret)),
    ONE("RETP", CM, kFormNone, OP(Retp)),
    ONE("RETI", CM, kFormNone, OP(Reti)),
    ONE("RETIW", CM, kFormNone, OP(Retiw)),
    ONE("IREAD", CM, kFormNone, OP(Iread)),
    ONE("SLEEP", CM, kFormNone, OP(Sleep)),
    ONE("CLC", CM, kFormNone, OP(Clc)),
    ONE("CLZ", CM, kFormNone, OP(Clz)),
    ONE("STC", CM, kFormNone, OP(Stc)),
    ONE("STZ", CM, kFormNone, OP(Stz)),
    ONE("SC", CM, kFormNone, OP(Sc)),
    ONE("SZ", CM, kFormNone, OP(Sz)),
    ONE("SNC", CM, kFormNone, OP(Snc)),
    ONE("SNZ", CM, kFormNone, OP(Snz)),
    ONE("SKIP", CM, kFormSkip, OP(SkipOdd)),
    ONE("RL", CM, kFormF, OP(RlFr)),
    ONE("RR", CM, kFormF, OP(RrFr)),
    ONE("DEC", CM, kFormF, OP(DecFr)),
    ONE("INC", CM, kFormF, OP(IncFr)),
    ONE("SWAP", CM, kFormF, OP(SwapFr)),
    ONE("DECSZ", CM, kFormF, OP(DecszFr)),
    ONE("INCSZ", CM, kFormF, OP(IncszFr)),
    ONE("BANK", CM, kFormBank, OP(Bank)),
    ONE("PAGE", CM, kFormPage, OP(Page)),
    ONE("MODE", CM, kFormMode, OP(Mode)),
    ONE("M", CM, kFormMode, OP(Mode)),
    ONE("RETW", CM, kFormRetw, OP(Retw)),
    ONE("DW", CM, kFormData, 0),
    REG("W", CM, 0),
    CMP("AND", CM, kAnd),
    CMP("OR", CM, kOr),
    CMP("XOR", CM, kXor),
    CMP("ADD", CM, kAdd),
    CMP("SUB", CM, kSub),
    CMP("NOT", CM, kNot),
    CMP("CLR", CM, kClr),
    CMP("MOV", CM, kMov),
    CMP("MOVSZ", CM, kMovsz),
    CMP("TEST", CM, kTest),
    CMP("JMP", CM, kJmp),
    CMP("CALL", CM, kCall),
    CMP("SETB", CM, kSetb),
    CMP("CLRB", CM, kClrb),
    CMP("SB", CM, kSb),
    CMP("SNB", CM, kSnb),

    REG("IND", SX, 0),
    REG("INDF", SX, 0),
    REG("WREG", SX, 1),
    REG("RTCC", SX, 1),
    REG("TMR0", SX, 1),
    REG("PC", SX, 2),
    REG("PCL", SX, 2),
    REG("STATUS", SX, 3),
    REG("FSR", SX, 4),
    REG("RA", SX, 5),
    REG("RB", SX, 6),
    REG("RC", SX, 7),
    REG("RD", SX, 8),
    REG("RE", SX, 9),
    BIT("C", SX, 3, 0),
    BIT("DC", SX, 3, 1),
    BIT("Z", SX, 3, 2),
    BIT("PD", SX, 3, 3),
    BIT("TO", SX, 3, 4),
    BIT("PA0", SX, 3, 5),
    BIT("PA1", SX, 3, 6),
    BIT("PA2", SX, 3, 7),
    CMP("ADDB", SX, kAddb),
    CMP("SUBB", SX, kSubb),
    CMP("MOVB", SX, kMovb),
    CMP("IJNZ", SX, kIjnz),
    CMP("DJNZ", SX, kDjnz),
    CMP("CSE", SX, kCse),
    CMP("CSNE", SX, kCsne),
    CMP("CSA", SX, kCsa),
    CMP("CSAE", SX, kCsae),
    CMP("CSB", SX, kCsb),
    CMP("CSBE", SX, kCsbe),
    CMP("CJE", SX, kCje),
    CMP("CJNE", SX, kCjne),
    CMP("CJA", SX, kCja),
    CMP("CJAE", SX, kCjae),
    CMP("CJB", SX, kCjb),
    CMP("CJBE", SX, kCjbe),
    CMP("JB", SX, kJb),
    CMP("JNB", SX, kJnb),
    CMP("JC", SX, kJc),
    CMP("JNC", SX, kJnc),
    CMP("JZ", SX, kJz),
    CMP("JNZ", SX, kJnz),

    ONE("RETURN", MC, kFormNone, OP(Ret)),
    ONE("RETFIE", MC, kFormNone, OP(Reti)),
    ONE("SLEEP", MC, kFormNone, OP(Sleep)),
    ONE("OPTION", MC, kFormNone, OP(MovOptionW)),
    ONE("CLRWDT", MC, kFormNone, OP(ClrWdt)),
    ONE("CLRW", MC, kFormNone, OP(ClrW)),
    ONE("CLRF", MC, kFormF, OP(ClrFr)),
    ONE("MOVWF", MC, kFormF, OP(MovFrW)),
    ONE("TRIS", MC, kFormF, OP(MovPortW)),
    ONE("ADDWF", MC, kFormFD, OP(AddWFr)),
    ONE("ANDWF", MC, kFormFD, OP(AndWFr)),
    ONE("COMF", MC, kFormFD, OP(MovWNotFr)),
    ONE("DECF", MC, kFormFD, OP(MovWDecFr)),
    ONE("DECFSZ", MC, kFormFD, OP(MovszWDecFr)),
    ONE("INCF", MC, kFormFD, OP(MovWIncFr)),
    ONE("INCFSZ", MC, kFormFD, OP(MovszWIncFr)),
    ONE("IORWF", MC, kFormFD, OP(OrWFr)),
    ONE("MOVF", MC, kFormFD, OP(MovWFr)),
    ONE("RLF", MC, kFormFD, OP(MovWRlFr)),
    ONE("RRF", MC, kFormFD, OP(MovWRrFr)),
    ONE("SUBWF", MC, kFormFD, OP(MovWFrMinusW)),
    ONE("SWAPF", MC, kFormFD, OP(MovWSwapFr)),
    ONE("XORWF", MC, kFormFD, OP(XorWFr)),
    ONE("BCF", MC, kFormFB, OP(Clrb)),
    ONE("BSF", MC, kFormFB, OP(Setb)),
    ONE("BTFSC", MC, kFormFB, OP(Snb)),
    ONE("BTFSS", MC, kFormFB, OP(Sb)),
    ONE("MOVLW", MC, kFormLit, OP(MovWLit)),
    ONE("ANDLW", MC, kFormLit, OP(AndWLit)),
    ONE("IORLW", MC, kFormLit, OP(OrWLit)),
    ONE("XORLW", MC, kFormLit, OP(XorWLit)),
    ONE("RETLW", MC, kFormLit, OP(Retw)),
    ONE("ADDLW", MC, kFormNotSx, 0xC00),
    ONE("SUBLW", MC, kFormNotSx, 0x000),
    ONE("DATA", MC, kFormData, 0),
    CMP("GOTO", MC, kGoto),
    // F and D name the file register as destination (1); W stays 0.
    REG("D", MC, 1),
    REG("F", MC, 1),

    ONE("FIFO", DB, kFormNone, 0x047),
    ONE("DEBUG", DB, kFormNone, 0x044),
    ONE("SETBP", DB, kFormNone, 0x046),
    ONE("OSC2RW", DB, kFormNone, 0x045),
    ONE("PUSH_DD0", DB, kFormNone, 0x048),
    ONE("PUSH_DD1", DB, kFormNone, 0x049),
    ONE("PUSH_DD2", DB, kFormNone, 0x04A),
    ONE("PUSH_DD3", DB, kFormNone, 0x04B),
    ONE("POP_DD0", DB, kFormNone, 0x04C),
    ONE("POP_DD1", DB, kFormNone, 0x04D),
    ONE("POP_DD2", DB, kFormNone, 0x04E),
    ONE("POP_DD3", DB, kFormNone, 0x04F),
};

#undef DIR
#undef ONE
#undef OP
#undef CMP
#undef REG
#undef BIT

constexpr int kKeywordCount = int(sizeof kKeywords / sizeof kKeywords[0]);
constexpr unsigned kBuckets = 512;

unsigned HashOf(const char* s, size_t n) {
    unsigned h = unsigned(n) * 31u;
    for (size_t i = 0; i < n; ++i)
        h = h * 33u + (unsigned char)s[i];
    return h & (kBuckets - 1);
}

// Rows by hash of their upper-case name, chained in table order (the search order).
struct Index {
    int16_t head[kBuckets];
    int16_t next[kKeywordCount];
    uint8_t length[kKeywordCount];
    Index() {
        for (auto& h : head)
            h = -1;
        for (int i = kKeywordCount - 1; i >= 0; --i) {
            size_t n = std::char_traits<char>::length(kKeywords[i].name);
            unsigned b = HashOf(kKeywords[i].name, n);
            length[i] = uint8_t(n);
            next[i] = head[b];
            head[b] = int16_t(i);
        }
    }
};

const Index& TheIndex() {
    static const Index index;
    return index;
}

bool TableInSet(int table, int set) {
    switch (table) {
    case kTabDirective:
    case kTabCommon:
        return true;
    case kTabSx:
        return set == kSetCorvanex || set == kSetAll || set == kSetDebugger;
    case kTabMchip:
        return set == kSetMchip || set == kSetAll || set == kSetDebugger;
    case kTabDebug:
        return set == kSetDebugger;
    }
    return false;
}

} // namespace

int LookupKeyword(std::string_view word, int mnemonicSet) {
    if (word.empty() || word.size() > 9) return -1;
    char buf[10];
    for (size_t i = 0; i < word.size(); ++i)
        buf[i] = Upper(word[i]);
    const Index& index = TheIndex();
    for (int id = index.head[HashOf(buf, word.size())]; id >= 0; id = index.next[id]) {
        if (index.length[id] != word.size() ||
            std::char_traits<char>::compare(buf, kKeywords[id].name, word.size()) != 0)
            continue;
        if (TableInSet(kKeywords[id].table, mnemonicSet)) return id;
    }
    return -1;
}

const Keyword& KeywordAt(int id) {
    return kKeywords[id];
}

} // namespace orda
