// The instruction handlers: operands read from the scanner, words emitted in order.
#include "asm/Engine.h"
#include "asm/Keywords.h"
#include "target/InstructionSet.h"

namespace pellix::asmr {

namespace {

using enum isa::Form;
using isa::Opcode;

constexpr unsigned kLoadLiteral = Opcode(MovWLit);
constexpr unsigned kLoadRegister = Opcode(MovWFr);

unsigned JumpWord(uint32_t address) {
    return Opcode(Jmp) + (address & 0x1FF);
}
unsigned PageWord(uint32_t address) {
    return Opcode(Page) + ((address >> 9) & 7);
}

} // namespace

void Engine::EmitAt(uint16_t address, unsigned word) {
    if (r_.assembled.Written(address)) Fail("Location already contains data");
    r_.assembled[address] = uint16_t((word & 0xFFF) | kWrittenMark);
    r_.debug.lineOfAddress[address] = r_.debug.lineCount;
    if (st_.words == 0) st_.listAddress = address;
    ++st_.words;
}

void Engine::Emit(unsigned word) {
    EmitAt(pass_.address, word);
    pass_.address = uint16_t((pass_.address + 1) & mask_);
}

void Engine::ExpectComma() {
    if (Next().kind != Kind::Comma) Fail("Expected \",\"");
}

unsigned Engine::Fr(uint32_t value) const {
    if (r_.deviceFamily == 1) return (value & 0x0F) | ((value & 0xF0) ? 0x10 : 0);
    return value & 0x1F;
}

unsigned Engine::Bit(uint32_t value) const {
    return (((value >> 8) & 7) << 5) | Fr(value & 0xFF);
}

uint32_t Engine::AddressOperand(bool& page) {
    page = Next().kind == Kind::At;
    if (!page) PushBack(1);
    return Deferred();
}

// The second operand of the fr,W / fr,#lit / fr,fr2 forms: W directly, or through W first.
void Engine::FrFrForm(unsigned fr, unsigned frWord) {
    Token t = Next();
    if (t.kind == Kind::W) {
        Emit(frWord + fr);
    } else if (t.kind == Kind::Hash) {
        unsigned lit = Deferred() & 0xFF;
        Emit(kLoadLiteral + lit);
        Emit(frWord + fr);
    } else {
        PushBack(1);
        unsigned fr2 = RegisterOperand();
        Emit(kLoadRegister + fr2);
        Emit(frWord + fr);
    }
}

void Engine::Mov() {
    Token t = Next();
    switch (t.kind) {
    case Kind::W: {
        ExpectComma();
        Token u = Next();
        switch (u.kind) {
        case Kind::Hash:
            Emit(kLoadLiteral + (Deferred() & 0xFF));
            return;
        case Kind::IncDec: {
            unsigned fr = RegisterOperand();
            Emit((u.value == 0 ? Opcode(MovWIncFr) : Opcode(MovWDecFr)) + fr);
            return;
        }
        case Kind::Arith:
            if (u.value == kOpShl || u.value == kOpShr || u.value == kOpDiv) {
                unsigned fr = RegisterOperand();
                unsigned op = u.value == kOpShl   ? Opcode(MovWRlFr)
                              : u.value == kOpShr ? Opcode(MovWRrFr)
                                                  : Opcode(MovWNotFr);
                Emit(op + fr);
                return;
            }
            break;
        case Kind::Compare:
            if (u.value == kOpNe) {
                Emit(Opcode(MovWSwapFr) + RegisterOperand());
                return;
            }
            break;
        case Kind::M:
            Emit(Opcode(MovWM));
            return;
        default:
            break;
        }
        PushBack(1);
        unsigned fr = RegisterOperand();
        Token v = Next();
        if (v.kind == Kind::Arith && v.value == kOpSub) {
            Next(); // the W the expression stopped before
            Emit(Opcode(MovWFrMinusW) + fr);
        } else {
            PushBack(1);
            Emit(kLoadRegister + fr);
        }
        return;
    }
    case Kind::M: {
        ExpectComma();
        Token u = Next();
        if (u.kind == Kind::W) {
            Emit(Opcode(MovMW));
        } else if (u.kind == Kind::Hash) {
            Emit(Opcode(Mode) + (Deferred() & 0x0F));
        } else {
            PushBack(1);
            Emit(kLoadRegister + RegisterOperand());
            Emit(Opcode(MovMW));
        }
        return;
    }
    case Kind::Bang: {
        unsigned target;
        if (Next().kind == Kind::Option) {
            target = Opcode(MovOptionW);
        } else {
            PushBack(1);
            uint32_t port = Deferred();
            if (int32_t(port) < 5 || int32_t(port) > 11) Fail("Port is out of range");
            target = Opcode(MovPortW) + port;
        }
        ExpectComma();
        Token u = Next();
        if (u.kind == Kind::W) {
            Emit(target);
        } else if (u.kind == Kind::Hash) {
            Emit(kLoadLiteral + (Deferred() & 0xFF));
            Emit(target);
        } else {
            PushBack(1);
            Emit(kLoadRegister + RegisterOperand());
            Emit(target);
        }
        return;
    }
    default: {
        PushBack(1);
        unsigned fr = RegisterOperand();
        ExpectComma();
        Token u = Next();
        if (u.kind == Kind::M) {
            Emit(Opcode(MovWM));
            Emit(Opcode(MovFrW) + fr);
            return;
        }
        PushBack(1);
        FrFrForm(fr, Opcode(MovFrW));
        return;
    }
    }
}

void Engine::CompareSkip(unsigned number, bool jump) {
    unsigned fr = RegisterOperand();
    ExpectComma();
    bool literal = Next().kind == Kind::Hash;
    unsigned second;
    if (literal) {
        second = Deferred() & 0xFF;
    } else {
        PushBack(1);
        second = RegisterOperand();
    }
    bool page = false;
    uint32_t address = 0;
    unsigned skip = number;
    if (jump) {
        ExpectComma();
        address = AddressOperand(page);
        // Each compare-and-jump skips its jump on the opposite condition.
        static constexpr unsigned kOpposite[] = {kCsne, kCse, kCsbe, kCsb, kCsae, kCsa};
        skip = kOpposite[number - kCje];
    }
    // The PAGE word goes first: placed after the skip it would be the word skipped.
    if (page) Emit(PageWord(address));
    const unsigned lit = second, notLit = ~second & 0xFF;
    switch (skip) {
    case kCse:
    case kCsne:
    case kCsae:
    case kCsb: {
        unsigned test = skip == kCse    ? Opcode(Sz)
                        : skip == kCsne ? Opcode(Snz)
                        : skip == kCsae ? Opcode(Sc)
                                        : Opcode(Snc);
        Emit(literal ? kLoadLiteral + lit : kLoadRegister + second);
        Emit(Opcode(MovWFrMinusW) + fr);
        Emit(test);
        break;
    }
    case kCsa:
    case kCsbe:
        if (literal) {
            Emit(kLoadLiteral + notLit);
            Emit(Opcode(AddWFr) + fr);
            Emit(skip == kCsa ? Opcode(Sc) : Opcode(Snc));
        } else {
            Emit(kLoadRegister + fr);
            Emit(Opcode(MovWFrMinusW) + second);
            Emit(skip == kCsa ? Opcode(Snc) : Opcode(Sc));
        }
        break;
    default:
        break;
    }
    if (jump) Emit(JumpWord(address));
}

void Engine::Instruction(unsigned number) {
    switch (number) {
    case kMov:
        Mov();
        return;
    case kAdd:
    case kSub:
    case kAnd:
    case kOr:
    case kXor: {
        Token t = Next();
        if (t.kind == Kind::W && number != kSub) {
            ExpectComma();
            if (number == kAdd) {
                Emit(Opcode(AddWFr) + RegisterOperand());
                return;
            }
            bool literal = Next().kind == Kind::Hash;
            if (literal) {
                unsigned base = number == kAnd  ? Opcode(AndWLit)
                                : number == kOr ? Opcode(OrWLit)
                                                : Opcode(XorWLit);
                Emit(base + (Deferred() & 0xFF));
            } else {
                PushBack(1);
                unsigned base = number == kAnd  ? Opcode(AndWFr)
                                : number == kOr ? Opcode(OrWFr)
                                                : Opcode(XorWFr);
                Emit(base + RegisterOperand());
            }
            return;
        }
        PushBack(1);
        unsigned fr = RegisterOperand();
        ExpectComma();
        static constexpr unsigned kFrW[] = {
            0, Opcode(AddFrW), Opcode(SubFrW), Opcode(AndFrW), Opcode(OrFrW), Opcode(XorFrW)};
        FrFrForm(fr, kFrW[number]);
        return;
    }
    case kClr: {
        Token t = Next();
        if (t.kind == Kind::W) {
            Emit(Opcode(ClrW));
        } else if (t.kind == Kind::Wdt) {
            Emit(Opcode(ClrWdt));
        } else if (t.kind == Kind::Bang) {
            if (Next().kind != Kind::Wdt) Fail("Expected \"WDT\"");
            Emit(Opcode(ClrWdt));
        } else {
            PushBack(1);
            Emit(Opcode(ClrFr) + RegisterOperand());
        }
        return;
    }
    case kInc:
        Emit(Opcode(IncFr) + RegisterOperand());
        return;
    case kDec:
        Emit(Opcode(DecFr) + RegisterOperand());
        return;
    case kRl:
        Emit(Opcode(RlFr) + RegisterOperand());
        return;
    case kRr:
        Emit(Opcode(RrFr) + RegisterOperand());
        return;
    case kSwap:
        Emit(Opcode(SwapFr) + RegisterOperand());
        return;
    case kIncsz:
        Emit(Opcode(IncszFr) + RegisterOperand());
        return;
    case kDecsz:
        Emit(Opcode(DecszFr) + RegisterOperand());
        return;
    case kNot:
    case kTest: {
        if (Next().kind == Kind::W) {
            Emit(number == kNot ? Opcode(NotW) : Opcode(TestW));
            return;
        }
        PushBack(1);
        Emit((number == kNot ? Opcode(NotFr) : Opcode(TestFr)) + RegisterOperand());
        return;
    }
    case kClrb:
        Emit(Opcode(Clrb) + BitOperand());
        return;
    case kSetb:
        Emit(Opcode(Setb) + BitOperand());
        return;
    case kSb:
        Emit(Opcode(Sb) + BitOperand());
        return;
    case kSnb:
        Emit(Opcode(Snb) + BitOperand());
        return;
    case kClc:
        Emit(Opcode(Clc));
        return;
    case kClz:
        Emit(Opcode(Clz));
        return;
    case kStc:
        Emit(Opcode(Stc));
        return;
    case kStz:
        Emit(Opcode(Stz));
        return;
    case kSc:
        Emit(Opcode(Sc));
        return;
    case kSz:
        Emit(Opcode(Sz));
        return;
    case kSnc:
        Emit(Opcode(Snc));
        return;
    case kSnz:
        Emit(Opcode(Snz));
        return;
    case kAddb:
    case kSubb:
    case kMovb: {
        unsigned first = number == kMovb ? BitOperand() : RegisterOperand();
        ExpectComma();
        bool inverted = false;
        Token t = Next();
        if (t.kind == Kind::Arith && t.value == kOpDiv)
            inverted = true;
        else
            PushBack(1);
        unsigned bit = BitOperand();
        unsigned test = inverted ? Opcode(Sb) : Opcode(Snb);
        unsigned other = inverted ? Opcode(Snb) : Opcode(Sb);
        if (number == kMovb) {
            Emit(other + bit);
            Emit(Opcode(Clrb) + first);
            Emit(test + bit);
            Emit(Opcode(Setb) + first);
        } else {
            Emit(test + bit);
            Emit((number == kAddb ? Opcode(IncFr) : Opcode(DecFr)) + first);
        }
        return;
    }
    case kMovsz: {
        if (Next().kind != Kind::W) Fail("Expected \"W\"");
        ExpectComma();
        Token t = Next();
        if (t.kind != Kind::IncDec) Fail("Expected \"++\" or \"--\"");
        Emit((t.value == 0 ? Opcode(MovszWIncFr) : Opcode(MovszWDecFr)) + RegisterOperand());
        return;
    }
    case kIjnz:
    case kDjnz:
    case kJb:
    case kJnb: {
        bool isBit = number == kJb || number == kJnb;
        unsigned operand = isBit ? BitOperand() : RegisterOperand();
        ExpectComma();
        bool page;
        uint32_t address = AddressOperand(page);
        if (page) Emit(PageWord(address));
        unsigned base = number == kIjnz   ? Opcode(IncszFr)
                        : number == kDjnz ? Opcode(DecszFr)
                        : number == kJb   ? Opcode(Snb)
                                          : Opcode(Sb);
        Emit(base + operand);
        Emit(JumpWord(address));
        return;
    }
    case kJc:
    case kJnc:
    case kJz:
    case kJnz: {
        bool page;
        uint32_t address = AddressOperand(page);
        if (page) Emit(PageWord(address));
        Emit(number == kJc    ? Opcode(Snc)
             : number == kJnc ? Opcode(Sc)
             : number == kJz  ? Opcode(Snz)
                              : Opcode(Sz));
        Emit(JumpWord(address));
        return;
    }
    case kCse:
    case kCsne:
    case kCsa:
    case kCsae:
    case kCsb:
    case kCsbe:
        CompareSkip(number, false);
        return;
    case kCje:
    case kCjne:
    case kCja:
    case kCjae:
    case kCjb:
    case kCjbe:
        CompareSkip(number, true);
        return;
    case kSkip:
        Emit((pass_.address & 1) ? Opcode(SkipOdd) : Opcode(SkipEven));
        return;
    case kJmp: {
        Token t = Next();
        if (t.kind == Kind::W) {
            Emit(Opcode(JmpW));
            return;
        }
        if (t.kind == Kind::Constant && t.value == 2) {
            Token plus = Next();
            if (plus.kind == Kind::Arith && plus.value == kOpAdd) {
                if (Next().kind == Kind::W) {
                    Emit(Opcode(JmpPcW));
                    return;
                }
                PushBack(3);
            } else {
                PushBack(2);
            }
        } else {
            PushBack(1);
        }
        bool page;
        uint32_t address = AddressOperand(page);
        if (page) Emit(PageWord(address));
        Emit(JumpWord(address));
        return;
    }
    case kCall: {
        bool page;
        uint32_t address = AddressOperand(page);
        if (address & 0x100) Fail("CALL must be to first half of page");
        if (page) Emit(PageWord(address));
        Emit(Opcode(Call) + (address & 0xFF));
        return;
    }
    case kRetw:
        for (;;) {
            Emit(Opcode(Retw) + (Deferred() & 0xFF));
            if (Next().kind != Kind::Comma) {
                PushBack(1);
                return;
            }
        }
    case kRet:
        Emit(Opcode(Ret));
        return;
    case kRetp:
        Emit(Opcode(Retp));
        return;
    case kReti:
        Emit(Opcode(Reti));
        return;
    case kRetiw:
        Emit(Opcode(Retiw));
        return;
    case kPage:
        Emit(PageWord(Deferred()));
        return;
    case kBank: {
        uint32_t address = Deferred();
        Emit(Opcode(Bank) + ((address >> (r_.deviceFamily == 1 ? 4 : 5)) & 7));
        return;
    }
    case kMode:
        Emit(Opcode(Mode) + (Deferred() & 0x0F));
        return;
    case kSleep:
        Emit(Opcode(Sleep));
        return;
    case kIread:
        Emit(Opcode(Iread));
        return;
    case kNop:
        Emit(Opcode(Nop));
        return;
    default:
        return;
    }
}

} // namespace pellix::asmr
