// Turning instruction statements into 12-bit words: single-word forms and the compound
// patterns, with the page and bank checks.
#include "orda/Orda.h"
#include "orda/OrdaText.h"
#include "target/InstructionSet.h"

namespace orda {

namespace {

using enum pellix::isa::Form;
using pellix::isa::Opcode;

enum Kind : uint8_t {
    kNone,
    kW,
    kM,
    kBang,
    kSlash,
    kMinus,
    kPlus,
    kLt,
    kGt,
    kShl,
    kShr,
    kLit,
    kPc,
    kOption,
    kRa,
    kRb,
    kRc,
    kRd,
    kRe,
    kWdt,
    kReg,
    kBit
};

enum Enc : uint8_t {
    kConst,   // base alone
    kFr,      // file register
    kLit8,    // literal & 0xFF
    kNotLit8, // ~literal & 0xFF
    kLit4,    // literal & 0xF
    kBitOp,   // bit operand
    kJump,    // jump target within the page
    kGotoT,   // JMP/GOTO target, comment 43 above 0x1FF
    kCallT,   // CALL target, lower half of the page
    kPort,    // port number 5 to 9, & 0xF
};

struct WordSpec {
    uint16_t base;
    int8_t op;
    uint8_t enc;
};

struct Row {
    uint8_t mnemonic;
    uint8_t nkinds;
    uint8_t kinds[4];
    uint8_t nwords;
    WordSpec words[4];
};

#define K(...)                                                                                     \
    { __VA_ARGS__ }
#define W0(f)                                                                                      \
    { Opcode(f), -1, kConst }
#define WP(port)                                                                                   \
    { uint16_t(Opcode(MovPortW) + port), -1, kConst }
#define WR(f, o)                                                                                   \
    { Opcode(f), o, kFr }
#define WL(f, o)                                                                                   \
    { Opcode(f), o, kLit8 }
#define WN(f, o)                                                                                   \
    { Opcode(f), o, kNotLit8 }
#define WB(f, o)                                                                                   \
    { Opcode(f), o, kBitOp }
#define WJ(f, o)                                                                                   \
    { Opcode(f), o, kJump }

constexpr Row kRows[] = {
    // AND, OR, XOR
    {kAnd, 2, K(kReg, kW), 1, {WR(AndFrW, 0)}},
    {kAnd, 2, K(kW, kReg), 1, {WR(AndWFr, 1)}},
    {kAnd, 2, K(kW, kLit), 1, {WL(AndWLit, 1)}},
    {kAnd, 2, K(kReg, kLit), 2, {WL(MovWLit, 1), WR(AndFrW, 0)}},
    {kAnd, 2, K(kReg, kReg), 2, {WR(MovWFr, 1), WR(AndFrW, 0)}},
    {kOr, 2, K(kReg, kW), 1, {WR(OrFrW, 0)}},
    {kOr, 2, K(kW, kReg), 1, {WR(OrWFr, 1)}},
    {kOr, 2, K(kW, kLit), 1, {WL(OrWLit, 1)}},
    {kOr, 2, K(kReg, kLit), 2, {WL(MovWLit, 1), WR(OrFrW, 0)}},
    {kOr, 2, K(kReg, kReg), 2, {WR(MovWFr, 1), WR(OrFrW, 0)}},
    {kXor, 2, K(kReg, kW), 1, {WR(XorFrW, 0)}},
    {kXor, 2, K(kW, kReg), 1, {WR(XorWFr, 1)}},
    {kXor, 2, K(kW, kLit), 1, {WL(XorWLit, 1)}},
    {kXor, 2, K(kReg, kLit), 2, {WL(MovWLit, 1), WR(XorFrW, 0)}},
    {kXor, 2, K(kReg, kReg), 2, {WR(MovWFr, 1), WR(XorFrW, 0)}},
    // ADD, SUB
    {kAdd, 2, K(kReg, kW), 1, {WR(AddFrW, 0)}},
    {kAdd, 2, K(kW, kReg), 1, {WR(AddWFr, 1)}},
    {kAdd, 2, K(kReg, kLit), 2, {WL(MovWLit, 1), WR(AddFrW, 0)}},
    {kAdd, 2, K(kReg, kReg), 2, {WR(MovWFr, 1), WR(AddFrW, 0)}},
    {kSub, 2, K(kReg, kW), 1, {WR(SubFrW, 0)}},
    {kSub, 2, K(kReg, kLit), 2, {WL(MovWLit, 1), WR(SubFrW, 0)}},
    {kSub, 2, K(kReg, kReg), 2, {WR(MovWFr, 1), WR(SubFrW, 0)}},
    // NOT, CLR, TEST
    {kNot, 1, K(kReg), 1, {WR(NotFr, 0)}},
    {kNot, 1, K(kW), 1, {W0(NotW)}},
    {kClr, 1, K(kReg), 1, {WR(ClrFr, 0)}},
    {kClr, 1, K(kW), 1, {W0(ClrW)}},
    {kClr, 2, K(kBang, kWdt), 1, {W0(ClrWdt)}},
    {kTest, 1, K(kReg), 1, {WR(TestFr, 0)}},
    {kTest, 1, K(kW), 1, {W0(TestW)}},
    // MOV
    {kMov, 2, K(kReg, kW), 1, {WR(MovFrW, 0)}},
    {kMov, 2, K(kW, kReg), 1, {WR(MovWFr, 1)}},
    {kMov, 2, K(kW, kLit), 1, {WL(MovWLit, 1)}},
    {kMov, 3, K(kW, kSlash, kReg), 1, {WR(MovWNotFr, 2)}},
    {kMov, 4, K(kW, kMinus, kMinus, kReg), 1, {WR(MovWDecFr, 3)}},
    {kMov, 4, K(kW, kPlus, kPlus, kReg), 1, {WR(MovWIncFr, 3)}},
    {kMov, 3, K(kW, kShl, kReg), 1, {WR(MovWRlFr, 2)}},
    {kMov, 3, K(kW, kShr, kReg), 1, {WR(MovWRrFr, 2)}},
    {kMov, 4, K(kW, kLt, kGt, kReg), 1, {WR(MovWSwapFr, 3)}},
    {kMov, 2, K(kW, kM), 1, {W0(MovWM)}},
    {kMov, 2, K(kM, kW), 1, {W0(MovMW)}},
    {kMov, 2, K(kM, kLit), 1, {{Opcode(Mode), 1, kLit4}}},
    {kMov, 3, K(kBang, kRa, kW), 1, {WP(5)}},
    {kMov, 3, K(kBang, kRb, kW), 1, {WP(6)}},
    {kMov, 3, K(kBang, kRc, kW), 1, {WP(7)}},
    {kMov, 3, K(kBang, kRd, kW), 1, {WP(8)}},
    {kMov, 3, K(kBang, kRe, kW), 1, {WP(9)}},
    {kMov, 3, K(kBang, kOption, kW), 1, {W0(MovOptionW)}},
    {kMov, 3, K(kBang, kReg, kW), 1, {{Opcode(MovPortW), 1, kPort}}},
    {kMov, 2, K(kReg, kLit), 2, {WL(MovWLit, 1), WR(MovFrW, 0)}},
    {kMov, 2, K(kReg, kReg), 2, {WR(MovWFr, 1), WR(MovFrW, 0)}},
    {kMov, 2, K(kM, kReg), 2, {WR(MovWFr, 1), W0(MovMW)}},
    {kMov, 2, K(kReg, kM), 2, {W0(MovWM), WR(MovFrW, 0)}},
    {kMov, 3, K(kBang, kRa, kLit), 2, {WL(MovWLit, 2), WP(5)}},
    {kMov, 3, K(kBang, kRb, kLit), 2, {WL(MovWLit, 2), WP(6)}},
    {kMov, 3, K(kBang, kRc, kLit), 2, {WL(MovWLit, 2), WP(7)}},
    {kMov, 3, K(kBang, kRd, kLit), 2, {WL(MovWLit, 2), WP(8)}},
    {kMov, 3, K(kBang, kRe, kLit), 2, {WL(MovWLit, 2), WP(9)}},
    {kMov, 3, K(kBang, kOption, kLit), 2, {WL(MovWLit, 2), W0(MovOptionW)}},
    {kMov, 3, K(kBang, kRa, kReg), 2, {WR(MovWFr, 2), WP(5)}},
    {kMov, 3, K(kBang, kRb, kReg), 2, {WR(MovWFr, 2), WP(6)}},
    {kMov, 3, K(kBang, kRc, kReg), 2, {WR(MovWFr, 2), WP(7)}},
    {kMov, 3, K(kBang, kRd, kReg), 2, {WR(MovWFr, 2), WP(8)}},
    {kMov, 3, K(kBang, kRe, kReg), 2, {WR(MovWFr, 2), WP(9)}},
    {kMov, 3, K(kBang, kOption, kReg), 2, {WR(MovWFr, 2), W0(MovOptionW)}},
    {kMov, 3, K(kBang, kReg, kReg), 2, {WR(MovWFr, 2), {Opcode(MovPortW), 1, kPort}}},
    {kMov, 3, K(kBang, kReg, kLit), 2, {WL(MovWLit, 2), {Opcode(MovPortW), 1, kPort}}},
    {kMovsz, 4, K(kW, kMinus, kMinus, kReg), 1, {WR(MovszWDecFr, 3)}},
    {kMovsz, 4, K(kW, kPlus, kPlus, kReg), 1, {WR(MovszWIncFr, 3)}},
    // jumps and calls
    {kJmp, 1, K(kReg), 1, {{Opcode(Jmp), 0, kGotoT}}},
    {kJmp, 1, K(kLit), 1, {{Opcode(Jmp), 0, kGotoT}}},
    {kJmp, 1, K(kW), 1, {W0(JmpW)}},
    {kJmp, 3, K(kPc, kPlus, kW), 1, {W0(JmpPcW)}},
    {kCall, 1, K(kReg), 1, {{Opcode(Call), 0, kCallT}}},
    {kGoto, 1, K(kReg), 1, {{Opcode(Jmp), 0, kGotoT}}},
    // bit operations
    {kClrb, 1, K(kBit), 1, {WB(Clrb, 0)}},
    {kSetb, 1, K(kBit), 1, {WB(Setb, 0)}},
    {kSnb, 1, K(kBit), 1, {WB(Snb, 0)}},
    {kSb, 1, K(kBit), 1, {WB(Sb, 0)}},
    {kAddb, 2, K(kReg, kBit), 2, {WB(Snb, 1), WR(IncFr, 0)}},
    {kAddb, 3, K(kReg, kSlash, kBit), 2, {WB(Sb, 2), WR(IncFr, 0)}},
    {kSubb, 2, K(kReg, kBit), 2, {WB(Snb, 1), WR(DecFr, 0)}},
    {kSubb, 3, K(kReg, kSlash, kBit), 2, {WB(Sb, 2), WR(DecFr, 0)}},
    {kMovb, 2, K(kBit, kBit), 4, {WB(Sb, 1), WB(Clrb, 0), WB(Snb, 1), WB(Setb, 0)}},
    {kMovb, 3, K(kBit, kSlash, kBit), 4, {WB(Snb, 2), WB(Clrb, 0), WB(Sb, 2), WB(Setb, 0)}},
    // loops and conditional jumps
    {kIjnz, 2, K(kReg, kReg), 2, {WR(IncszFr, 0), WJ(Jmp, 1)}},
    {kDjnz, 2, K(kReg, kReg), 2, {WR(DecszFr, 0), WJ(Jmp, 1)}},
    {kJb, 2, K(kBit, kReg), 2, {WB(Snb, 0), WJ(Jmp, 1)}},
    {kJnb, 2, K(kBit, kReg), 2, {WB(Sb, 0), WJ(Jmp, 1)}},
    {kJc, 1, K(kReg), 2, {W0(Snc), WJ(Jmp, 0)}},
    {kJz, 1, K(kReg), 2, {W0(Snz), WJ(Jmp, 0)}},
    {kJnc, 1, K(kReg), 2, {W0(Sc), WJ(Jmp, 0)}},
    {kJnz, 1, K(kReg), 2, {W0(Sz), WJ(Jmp, 0)}},
    // compare and skip
    {kCse, 2, K(kReg, kLit), 3, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Sz)}},
    {kCsne, 2, K(kReg, kLit), 3, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Snz)}},
    {kCsae, 2, K(kReg, kLit), 3, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Sc)}},
    {kCsb, 2, K(kReg, kLit), 3, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Snc)}},
    {kCse, 2, K(kReg, kReg), 3, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Sz)}},
    {kCsne, 2, K(kReg, kReg), 3, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Snz)}},
    {kCsae, 2, K(kReg, kReg), 3, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Sc)}},
    {kCsb, 2, K(kReg, kReg), 3, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Snc)}},
    {kCsa, 2, K(kReg, kLit), 3, {WN(MovWLit, 1), WR(AddWFr, 0), W0(Sc)}},
    {kCsbe, 2, K(kReg, kLit), 3, {WN(MovWLit, 1), WR(AddWFr, 0), W0(Snc)}},
    {kCsa, 2, K(kReg, kReg), 3, {WR(MovWFr, 0), WR(MovWFrMinusW, 1), W0(Snc)}},
    {kCsbe, 2, K(kReg, kReg), 3, {WR(MovWFr, 0), WR(MovWFrMinusW, 1), W0(Sc)}},
    // compare and jump
    {kCje, 3, K(kReg, kLit, kReg), 4, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Snz), WJ(Jmp, 2)}},
    {kCjne, 3, K(kReg, kLit, kReg), 4, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Sz), WJ(Jmp, 2)}},
    {kCjae, 3, K(kReg, kLit, kReg), 4, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Snc), WJ(Jmp, 2)}},
    {kCjb, 3, K(kReg, kLit, kReg), 4, {WL(MovWLit, 1), WR(MovWFrMinusW, 0), W0(Sc), WJ(Jmp, 2)}},
    {kCje, 3, K(kReg, kReg, kReg), 4, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Snz), WJ(Jmp, 2)}},
    {kCjne, 3, K(kReg, kReg, kReg), 4, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Sz), WJ(Jmp, 2)}},
    {kCjae, 3, K(kReg, kReg, kReg), 4, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Snc), WJ(Jmp, 2)}},
    {kCjb, 3, K(kReg, kReg, kReg), 4, {WR(MovWFr, 1), WR(MovWFrMinusW, 0), W0(Sc), WJ(Jmp, 2)}},
    {kCja, 3, K(kReg, kLit, kReg), 4, {WN(MovWLit, 1), WR(AddWFr, 0), W0(Snc), WJ(Jmp, 2)}},
    {kCjbe, 3, K(kReg, kLit, kReg), 4, {WN(MovWLit, 1), WR(AddWFr, 0), W0(Sc), WJ(Jmp, 2)}},
    {kCja, 3, K(kReg, kReg, kReg), 4, {WR(MovWFr, 0), WR(MovWFrMinusW, 1), W0(Sc), WJ(Jmp, 2)}},
    {kCjbe, 3, K(kReg, kReg, kReg), 4, {WR(MovWFr, 0), WR(MovWFrMinusW, 1), W0(Snc), WJ(Jmp, 2)}},
};

#undef K
#undef W0
#undef WP
#undef WR
#undef WL
#undef WN
#undef WB
#undef WJ

struct Operand {
    uint8_t kind = kNone;
    Value v;
};

bool KindFits(uint8_t pattern, uint8_t actual) {
    if (pattern == actual) return true;
    // a bit expression whose bit is 0 reads as a register
    return pattern == kBit && actual == kReg;
}

bool IsJumpMnemonic(int m) {
    switch (m) {
    case kJmp:
    case kCall:
    case kGoto:
    case kIjnz:
    case kDjnz:
    case kCje:
    case kCjne:
    case kCja:
    case kCjae:
    case kCjb:
    case kCjbe:
    case kJb:
    case kJnb:
    case kJc:
    case kJnc:
    case kJz:
    case kJnz:
        return true;
    }
    return false;
}

} // namespace

uint16_t Orda::FileRegister(int32_t address) {
    if (p_.dev.family == 1) {
        if (address >= 16 && checks()) {
            if (p_.bankCountdown > 0 && (address >> 5) != p_.selBank)
                Report(kWarning, kNotInBank);
            else if (address >= 256)
                Report(kWarning, kOutOfRange);
        }
        return uint16_t(address & 0x1F);
    }
    if (address >= 16) {
        if (checks()) {
            int bank = p_.s.oldRev ? address >> 5 : (address >> 4) & 7;
            if (p_.bankCountdown > 0 && bank != p_.selBank)
                Report(kWarning, kNotInBank);
            else if (address >= 512)
                Report(kWarning, kOutOfRange);
        }
        return uint16_t((address & 0x1F) | 0x10);
    }
    return uint16_t(address & 0x1F);
}

uint16_t Orda::BitOperand(int32_t reg, int bit) {
    uint16_t w = uint16_t(((bit & 7) << 5) | (reg & 0x1F));
    if (p_.dev.family == 2 && reg >= 16) w |= 0x10;
    return w;
}

void Orda::PageCheck(int32_t target) {
    if (checks() && p_.pageCountdown > 0 && ((target >> 9) & 7) != p_.selPage)
        Report(kWarning, kNotInPage);
}

void Orda::Instruction(int keyword) {
    const Keyword& k = KeywordAt(keyword);
    st_.words.clear();
    bool ok = true;
    int count;
    if (k.form == kFormCompound)
        count = Compound(k.code, ok);
    else if (k.form == kFormData || k.form == kFormRetw)
        count = DataList(keyword, ok);
    else
        count = SingleWord(keyword, ok);
    if (!st_.codeAllowed) return;
    uint32_t start = p_.statementPc;
    if (p_.pass == 2 && ok) StoreWords(start, count);
    if (count > 0) {
        st_.listKind = kListCode;
        st_.listAddress = start;
    }
    if (start >= uint32_t(p_.dev.memSize)) {
        if (count > 0) Report(kError, kMemoryLimit);
    } else {
        if (start + uint32_t(count) > uint32_t(p_.dev.memSize)) Report(kError, kMemoryLimit);
        p_.pc = start + uint32_t(count);
    }
    if (count > 0) {
        if (p_.pageCountdown > 0) --p_.pageCountdown;
        if (p_.bankCountdown > 0) --p_.bankCountdown;
    }
    if (k.form == kFormCompound) {
        if (st_.jumpWithAddress) p_.pageCountdown = p_.bankCountdown = 0;
        if (st_.movToFsr) p_.bankCountdown = 0;
    }
}

void Orda::StoreWords(uint32_t start, int count) {
    bool overwrite = false;
    for (int i = 0; i < count && i < int(st_.words.size()); ++i) {
        uint32_t a = start + uint32_t(i);
        if (a >= uint32_t(p_.dev.memSize)) break;
        if (!image_.Store(a, st_.words[size_t(i)])) overwrite = true;
    }
    if (overwrite) Report(kError, kOverwriting);
}

int Orda::SingleWord(int keyword, bool& ok) {
    const Keyword& k = KeywordAt(keyword);
    Value ops[14];
    int n = 0;
    bool failed = false;
    Next();
    while (cur_.tok.type != kTokEnd) {
        if (cur_.tok.type == kTokHash || cur_.tok.type == kTokComma) {
            Next();
            continue;
        }
        Value v;
        if (!Evaluate(v)) {
            failed = true;
            break;
        }
        Push();
        if (n == 13) {
            Report(kError, kTooManyOperands);
            failed = true;
            break;
        }
        ops[n++] = v;
    }
    ok = !failed;
    uint16_t w = k.base;
    auto tooMany = [&](int max) {
        if (n > max) {
            Report(kError, kTooManyOperands);
            ok = false;
            return true;
        }
        return false;
    };
    switch (k.form) {
    case kFormNone:
        if (tooMany(0)) break;
        break;
    case kFormF:
        if (n == 0) {
            Report(kError, kMissingFileRegister);
            ok = false;
            break;
        }
        if (tooMany(1)) break;
        if (ok) w = uint16_t(w | FileRegister(ops[0].v));
        break;
    case kFormFD: {
        if (n == 0) {
            Report(kError, kMissingFileRegister);
            ok = false;
            break;
        }
        if (tooMany(2)) break;
        if (!ok) break;
        uint16_t d = 0x20;
        if (n == 1) {
            if (checks()) Report(kComment, kNoDestination);
        } else if (ops[1].v != 0 && ops[1].v != 1) {
            if (checks()) {
                Report(kError, kBadDestination);
                ok = false;
            }
        } else {
            d = ops[1].v ? 0x20 : 0;
        }
        w = uint16_t(w | FileRegister(ops[0].v) | d);
        break;
    }
    case kFormFB:
        if (n < 2) {
            Report(kError, kMissingOperands);
            ok = false;
            break;
        }
        if (tooMany(2)) break;
        if (!ok) break;
        if ((ops[1].v < 0 || ops[1].v > 7) && checks()) {
            Report(kError, kBitRange);
            ok = false;
        }
        w = uint16_t(w | FileRegister(ops[0].v) | ((ops[1].v & 7) << 5));
        break;
    case kFormLit:
        if (n == 0) {
            Report(kError, kMissingLiteral);
            ok = false;
            break;
        }
        if (tooMany(1)) break;
        if (!ok) break;
        if (checks()) {
            if (ops[0].bit) Report(kWarning, kBitfieldOperator);
            if (ops[0].v < -128 || ops[0].v > 255) Report(kWarning, kLiteralTruncated);
        }
        w = uint16_t(w | (ops[0].v & 0xFF));
        break;
    case kFormBank:
    case kFormPage:
    case kFormMode: {
        if (n == 0) {
            Report(kError, kMissingOperands);
            ok = false;
            break;
        }
        if (tooMany(1)) break;
        if (!ok) break;
        int32_t v = ops[0].v;
        if (k.form == kFormBank) {
            if (checks() && v > (p_.dev.family == 1 ? 255 : 511)) Report(kWarning, kOutOfRange);
            int bank = (p_.dev.family == 2 && !p_.s.oldRev) ? (v & 0xFF) >> 4 : (v & 0xFF) >> 5;
            w = uint16_t(Opcode(Bank) | (bank & 7));
            p_.selBank = bank & 7;
            p_.bankCountdown = 5;
        } else if (k.form == kFormPage) {
            if (v > 4095) {
                if (checks()) Report(kWarning, kOutOfRange);
                v &= 0xFFF;
            }
            int page = (v >> 9) & 7;
            w = uint16_t(Opcode(Page) | page);
            p_.selPage = page;
            p_.pageCountdown = 5;
        } else {
            if (checks()) {
                if (ops[0].bit) Report(kWarning, kBitfieldOperator);
                if (v < -8 || v > 15) Report(kWarning, kModeTruncated);
            }
            w = uint16_t(Opcode(Mode) | (v & 15));
        }
        break;
    }
    case kFormSkip:
        if (tooMany(0)) break;
        w = (p_.statementPc & 1) ? Opcode(SkipOdd) : Opcode(SkipEven);
        break;
    case kFormNotSx:
        // ADDLW and SUBLW have no SX instruction behind them
        Report(kError, kBadInstruction);
        ok = false;
        break;
    }
    st_.words.push_back(w);
    return 1;
}

int Orda::DataList(int keyword, bool& ok) {
    const Keyword& k = KeywordAt(keyword);
    bool retw = k.form == kFormRetw;
    int operands = 0;
    ok = true;
    Next();
    while (cur_.tok.type != kTokEnd) {
        if (cur_.tok.type == kTokComma) {
            Next();
            continue;
        }
        ++operands;
        if (cur_.tok.type == kTokString) {
            int after = Peek();
            if (after == kTokComma || after == kTokEnd) {
                std::string text = cur_.tok.text;
                for (size_t i = 0; i < text.size() && i < 200; ++i) {
                    int16_t c = int16_t(int8_t(text[i]));
                    st_.words.push_back(retw ? uint16_t(Opcode(Retw) | (c & 0xFF)) : uint16_t(c));
                }
                Next();
                continue;
            }
        }
        Value v;
        if (!Evaluate(v)) {
            ok = false;
            // keep the size of pass 1: one word for the operand
            st_.words.push_back(0);
            while (cur_.tok.type != kTokComma && cur_.tok.type != kTokEnd)
                Next();
            continue;
        }
        if (checks()) {
            if (v.bit) Report(kWarning, kBitfieldOperator);
            if (v.v < -2048 || v.v > 4095) Report(kWarning, kData12Bits);
        }
        st_.words.push_back(retw ? uint16_t(Opcode(Retw) | (v.v & 0xFF)) : uint16_t(v.v));
    }
    if (operands == 0 && !retw) {
        Report(kError, kBadInstruction);
        ok = false;
    }
    return int(st_.words.size());
}

int Orda::Compound(int mnemonic, bool& ok) {
    ok = true;
    st_.jumpWithAddress = false;
    st_.movToFsr = false;
    // MOV W,x-W is read from the text: the only form with an operator after the register.
    if (mnemonic == kMov) {
        size_t i = cur_.pos;
        std::string rest;
        for (; i < st_.line.size() && st_.line[i] != ';' &&
               !IsStatementEnd((unsigned char)st_.line[i]);
             ++i)
            rest += st_.line[i];
        auto trim = [](std::string& s) {
            size_t a = s.find_first_not_of(" \t");
            size_t b = s.find_last_not_of(" \t");
            s = a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
        };
        trim(rest);
        size_t comma = rest.find(',');
        if (comma != std::string::npos && rest.size() > 2 && Upper(rest.back()) == 'W') {
            std::string first = rest.substr(0, comma);
            trim(first);
            std::string middle = rest.substr(comma + 1, rest.size() - comma - 2);
            trim(middle);
            if (EqualNoCase(first, "W") && middle.size() > 1 && middle.back() == '-') {
                middle.pop_back();
                Value v;
                bool good = EvaluateAlone(middle, v);
                if (good || p_.pass == 1) {
                    ok = good;
                    st_.words.push_back(uint16_t(Opcode(MovWFrMinusW) | FileRegister(v.v)));
                    return 1;
                }
                ok = false;
                st_.words.push_back(0);
                return 1;
            }
        }
    }

    Operand ops[8];
    int n = 0;
    bool longJump = false;
    bool tooMany = false;
    Next();
    while (cur_.tok.type != kTokEnd) {
        if (n >= 5) {
            tooMany = true;
            break;
        }
        Operand& o = ops[n];
        int t = cur_.tok.type;
        if (t == kTokComma) {
            Next();
            continue;
        }
        if (t == kTokName || t == kTokAtName) {
            if (t == kTokAtName) longJump = true;
            const std::string& w = cur_.tok.text;
            bool afterBang = n == 1 && ops[0].kind == kBang;
            uint8_t kind = kNone;
            if (t == kTokName) {
                if (EqualNoCase(w, "W"))
                    kind = kW;
                else if (EqualNoCase(w, "M"))
                    kind = kM;
                else if (mnemonic == kJmp && n == 0 && EqualNoCase(w, "PC"))
                    kind = kPc;
                else if (mnemonic == kMov && afterBang) {
                    if (EqualNoCase(w, "OPTION"))
                        kind = kOption;
                    else if (EqualNoCase(w, "RA"))
                        kind = kRa;
                    else if (EqualNoCase(w, "RB"))
                        kind = kRb;
                    else if (EqualNoCase(w, "RC"))
                        kind = kRc;
                    else if (p_.dev.family == 2 && EqualNoCase(w, "RD"))
                        kind = kRd;
                    else if (p_.dev.family == 2 && EqualNoCase(w, "RE"))
                        kind = kRe;
                } else if (mnemonic == kClr && afterBang && EqualNoCase(w, "WDT")) {
                    kind = kWdt;
                }
            }
            if (kind != kNone) {
                // a name followed by an operator is an expression (W+1 is no form)
                int after = Peek();
                if (after == kTokComma || after == kTokEnd || kind == kPc || kind == kW ||
                    kind == kM) {
                    o.kind = kind;
                    ++n;
                    Next();
                    continue;
                }
            }
        }
        uint8_t simple = kNone;
        switch (t) {
        case kTokNot:
            simple = kBang;
            break;
        case kTokSlash:
            simple = kSlash;
            break;
        case kTokMinus:
            simple = kMinus;
            break;
        case kTokPlus:
            simple = kPlus;
            break;
        case kTokLt:
            simple = kLt;
            break;
        case kTokGt:
            simple = kGt;
            break;
        case kTokShl:
            simple = kShl;
            break;
        case kTokShr:
            simple = kShr;
            break;
        }
        if (simple != kNone) {
            o.kind = simple;
            ++n;
            Next();
            continue;
        }
        bool literal = t == kTokHash;
        if (literal) {
            Next();
            if (cur_.tok.type == kTokAtName) longJump = true;
        }
        Value v;
        if (!Evaluate(v)) {
            ok = false;
            v = Value{};
            while (cur_.tok.type != kTokComma && cur_.tok.type != kTokEnd)
                Next();
        }
        o.v = v;
        o.kind = literal ? kLit : (v.bit > 0 ? kBit : kReg);
        ++n;
    }

    const Row* row = nullptr;
    if (!tooMany) {
        for (const Row& r : kRows) {
            if (r.mnemonic != mnemonic || r.nkinds != n) continue;
            bool fits = true;
            for (int i = 0; i < n && fits; ++i)
                fits = KindFits(r.kinds[i], ops[i].kind);
            if (fits) {
                row = &r;
                break;
            }
        }
    }
    if (!row) {
        Report(kError, kBadInstruction);
        ok = false;
        st_.words.push_back(0);
        return 1;
    }

    bool jumps = false;
    for (int i = 0; i < row->nwords; ++i) {
        uint8_t e = row->words[i].enc;
        if (e == kJump || e == kGotoT || e == kCallT) jumps = true;
    }
    bool prefix = longJump && jumps && IsJumpMnemonic(mnemonic);
    if (prefix) p_.pageCountdown = 0;
    if (jumps && (mnemonic == kJmp || mnemonic == kCall || mnemonic == kGoto))
        st_.jumpWithAddress = true;
    if (mnemonic == kMov && n >= 1 && ops[0].kind == kReg && ops[0].v.v == 4) st_.movToFsr = true;

    int pendingWarning = 0; // of 24, 37, 49 and 53 only the last one is reported
    for (int i = 0; i < row->nwords; ++i) {
        const WordSpec& ws = row->words[i];
        uint16_t w = ws.base;
        const Operand* o = ws.op >= 0 ? &ops[ws.op] : nullptr;
        int32_t v = o ? o->v.v : 0;
        switch (ws.enc) {
        case kConst:
            break;
        case kFr:
            w = uint16_t(w | FileRegister(v));
            break;
        case kLit8:
        case kNotLit8:
            if (o->v.bit) pendingWarning = kBitfieldOperator;
            if (v < -128 || v > 255) pendingWarning = kLiteralTruncated;
            w = uint16_t(w | ((ws.enc == kNotLit8 ? ~v : v) & 0xFF));
            break;
        case kLit4:
            if (o->v.bit) pendingWarning = kBitfieldOperator;
            if (v < -8 || v > 15) pendingWarning = kModeTruncated;
            w = uint16_t(w | (v & 0xF));
            break;
        case kBitOp:
            if (v >= 256) pendingWarning = kOutOfRange;
            w = uint16_t(w | BitOperand(v, o->v.bit));
            break;
        case kPort:
            if (v < 5 || v > 9) pendingWarning = kOutOfRange;
            w = uint16_t(w | (v & 0xF));
            break;
        case kJump:
            if (o->v.bit) pendingWarning = kBitfieldOperator;
            PageCheck(v);
            w = uint16_t(w | (v & 0x1FF));
            break;
        case kGotoT:
            if (o->v.bit) pendingWarning = kBitfieldOperator;
            PageCheck(v);
            if ((v < 0 || v > 0x1FF) && checks()) Report(kComment, kMemoryLimit);
            w = uint16_t(w | (v & 0x1FF));
            break;
        case kCallT:
            PageCheck(v);
            if (checks()) {
                if (v & 0x100) {
                    Report(kError, kNotLowerHalf);
                    ok = false;
                } else if (v < 0 || v > 0xFF) {
                    Report(kComment, kMemoryLimit);
                }
            }
            w = uint16_t(w | (v & 0xFF));
            break;
        }
        st_.words.push_back(w);
    }
    if (pendingWarning && checks()) Report(kWarning, pendingWarning);
    if (prefix) {
        int32_t target = 0;
        for (int i = 0; i < row->nwords; ++i) {
            uint8_t e = row->words[i].enc;
            if (e == kJump || e == kGotoT || e == kCallT) target = ops[row->words[i].op].v.v;
        }
        // The page word goes first: put between a skip and its jump it would be what the
        // skip skips, and the jump would run on both paths.
        st_.words.insert(st_.words.begin(), uint16_t(Opcode(Page) | ((target >> 9) & 7)));
    }
    return int(st_.words.size());
}

} // namespace orda
