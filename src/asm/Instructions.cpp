// The instruction handlers: operands read from the scanner, words emitted in order.
#include "asm/Engine.h"
#include "asm/Keywords.h"

namespace pellix::asmr {

namespace {

constexpr unsigned kLoadLiteral = 0xC00;  // MOV W,#lit
constexpr unsigned kLoadRegister = 0x200; // MOV W,fr

unsigned JumpWord(uint32_t address) {
    return 0xA00 + (address & 0x1FF);
}
unsigned PageWord(uint32_t address) {
    return 0x010 + ((address >> 9) & 7);
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
            Emit((u.value == 0 ? 0x280 : 0x0C0) + fr);
            return;
        }
        case Kind::Arith:
            if (u.value == kOpShl || u.value == kOpShr || u.value == kOpDiv) {
                unsigned fr = RegisterOperand();
                Emit((u.value == kOpShl ? 0x340 : u.value == kOpShr ? 0x300 : 0x240) + fr);
                return;
            }
            break;
        case Kind::Compare:
            if (u.value == kOpNe) {
                Emit(0x380 + RegisterOperand());
                return;
            }
            break;
        case Kind::M:
            Emit(0x042);
            return;
        default:
            break;
        }
        PushBack(1);
        unsigned fr = RegisterOperand();
        Token v = Next();
        if (v.kind == Kind::Arith && v.value == kOpSub) {
            Next(); // the W the expression stopped before
            Emit(0x080 + fr);
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
            Emit(0x043);
        } else if (u.kind == Kind::Hash) {
            Emit(0x050 + (Deferred() & 0x0F));
        } else {
            PushBack(1);
            Emit(kLoadRegister + RegisterOperand());
            Emit(0x043);
        }
        return;
    }
    case Kind::Bang: {
        unsigned target;
        if (Next().kind == Kind::Option) {
            target = 0x002;
        } else {
            PushBack(1);
            uint32_t port = Deferred();
            if (int32_t(port) < 5 || int32_t(port) > 11) Fail("Port is out of range");
            target = port;
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
            Emit(0x042);
            Emit(0x020 + fr);
            return;
        }
        PushBack(1);
        FrFrForm(fr, 0x020);
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
        unsigned test = skip == kCse    ? 0x743
                        : skip == kCsne ? 0x643
                        : skip == kCsae ? 0x703
                                        : 0x603;
        Emit(literal ? kLoadLiteral + lit : kLoadRegister + second);
        Emit(0x080 + fr);
        Emit(test);
        break;
    }
    case kCsa:
    case kCsbe:
        if (literal) {
            Emit(kLoadLiteral + notLit);
            Emit(0x1C0 + fr);
            Emit(skip == kCsa ? 0x703 : 0x603);
        } else {
            Emit(kLoadRegister + fr);
            Emit(0x080 + second);
            Emit(skip == kCsa ? 0x603 : 0x703);
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
                Emit(0x1C0 + RegisterOperand());
                return;
            }
            bool literal = Next().kind == Kind::Hash;
            if (literal) {
                unsigned base = number == kAnd ? 0xE00 : number == kOr ? 0xD00 : 0xF00;
                Emit(base + (Deferred() & 0xFF));
            } else {
                PushBack(1);
                unsigned base = number == kAnd ? 0x140 : number == kOr ? 0x100 : 0x180;
                Emit(base + RegisterOperand());
            }
            return;
        }
        PushBack(1);
        unsigned fr = RegisterOperand();
        ExpectComma();
        static constexpr unsigned kFrW[] = {0, 0x1E0, 0x0A0, 0x160, 0x120, 0x1A0};
        FrFrForm(fr, kFrW[number]);
        return;
    }
    case kClr: {
        Token t = Next();
        if (t.kind == Kind::W) {
            Emit(0x040);
        } else if (t.kind == Kind::Wdt) {
            Emit(0x004);
        } else if (t.kind == Kind::Bang) {
            if (Next().kind != Kind::Wdt) Fail("Expected \"WDT\"");
            Emit(0x004);
        } else {
            PushBack(1);
            Emit(0x060 + RegisterOperand());
        }
        return;
    }
    case kInc:
        Emit(0x2A0 + RegisterOperand());
        return;
    case kDec:
        Emit(0x0E0 + RegisterOperand());
        return;
    case kRl:
        Emit(0x360 + RegisterOperand());
        return;
    case kRr:
        Emit(0x320 + RegisterOperand());
        return;
    case kSwap:
        Emit(0x3A0 + RegisterOperand());
        return;
    case kIncsz:
        Emit(0x3E0 + RegisterOperand());
        return;
    case kDecsz:
        Emit(0x2E0 + RegisterOperand());
        return;
    case kNot:
    case kTest: {
        if (Next().kind == Kind::W) {
            Emit(number == kNot ? 0xFFF : 0xD00);
            return;
        }
        PushBack(1);
        Emit((number == kNot ? 0x260 : 0x220) + RegisterOperand());
        return;
    }
    case kClrb:
        Emit(0x400 + BitOperand());
        return;
    case kSetb:
        Emit(0x500 + BitOperand());
        return;
    case kSb:
        Emit(0x700 + BitOperand());
        return;
    case kSnb:
        Emit(0x600 + BitOperand());
        return;
    case kClc:
        Emit(0x403);
        return;
    case kClz:
        Emit(0x443);
        return;
    case kStc:
        Emit(0x503);
        return;
    case kStz:
        Emit(0x543);
        return;
    case kSc:
        Emit(0x703);
        return;
    case kSz:
        Emit(0x743);
        return;
    case kSnc:
        Emit(0x603);
        return;
    case kSnz:
        Emit(0x643);
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
        unsigned test = inverted ? 0x700 : 0x600, other = inverted ? 0x600 : 0x700;
        if (number == kMovb) {
            Emit(other + bit);
            Emit(0x400 + first);
            Emit(test + bit);
            Emit(0x500 + first);
        } else {
            Emit(test + bit);
            Emit((number == kAddb ? 0x2A0 : 0x0E0) + first);
        }
        return;
    }
    case kMovsz: {
        if (Next().kind != Kind::W) Fail("Expected \"W\"");
        ExpectComma();
        Token t = Next();
        if (t.kind != Kind::IncDec) Fail("Expected \"++\" or \"--\"");
        Emit((t.value == 0 ? 0x3C0 : 0x2C0) + RegisterOperand());
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
        unsigned base = number == kIjnz   ? 0x3E0
                        : number == kDjnz ? 0x2E0
                        : number == kJb   ? 0x600
                                          : 0x700;
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
        Emit(number == kJc ? 0x603 : number == kJnc ? 0x703 : number == kJz ? 0x643 : 0x743);
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
        Emit((pass_.address & 1) ? 0x602 : 0x702);
        return;
    case kJmp: {
        Token t = Next();
        if (t.kind == Kind::W) {
            Emit(0x022);
            return;
        }
        if (t.kind == Kind::Constant && t.value == 2) {
            Token plus = Next();
            if (plus.kind == Kind::Arith && plus.value == kOpAdd) {
                if (Next().kind == Kind::W) {
                    Emit(0x1E2);
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
        Emit(0x900 + (address & 0xFF));
        return;
    }
    case kRetw:
        for (;;) {
            Emit(0x800 + (Deferred() & 0xFF));
            if (Next().kind != Kind::Comma) {
                PushBack(1);
                return;
            }
        }
    case kRet:
        Emit(0x00C);
        return;
    case kRetp:
        Emit(0x00D);
        return;
    case kReti:
        Emit(0x00E);
        return;
    case kRetiw:
        Emit(0x00F);
        return;
    case kPage:
        Emit(PageWord(Deferred()));
        return;
    case kBank: {
        uint32_t address = Deferred();
        Emit(0x018 + ((address >> (r_.deviceFamily == 1 ? 4 : 5)) & 7));
        return;
    }
    case kMode:
        Emit(0x050 + (Deferred() & 0x0F));
        return;
    case kSleep:
        Emit(0x003);
        return;
    case kIread:
        Emit(0x041);
        return;
    case kNop:
        Emit(0x000);
        return;
    default:
        return;
    }
}

} // namespace pellix::asmr
