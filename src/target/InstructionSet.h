// The SX 12-bit instruction set, written down once: each form's bit pattern and mask, its
// operand field, cycle class and text. The disassembler and the simulator's decoder are
// driven by it; both assemblers take their opcodes from it and keep their own syntax,
// operand forms and messages. Header only, standard library only: orda, which links
// nothing of the environment, includes it as well.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace pellix::isa {

// One value per row kind: the machine forms, then the aliases (another name for one word
// of a machine form, as the disassembler shows it and the assemblers accept it).
enum class Form : uint8_t {
    Undefined, // runs as NOP on the chip
    Nop,
    MovOptionW,
    Sleep,
    ClrWdt,
    Ret,
    Retp,
    Reti,
    Retiw,
    MovPortW, // MOV !port,W: the port's mode register chosen by M
    Page,
    Bank,
    MovFrW,
    ClrW,
    Iread,
    MovWM,
    MovMW,
    Mode,
    ClrFr,
    MovWFrMinusW,
    SubFrW,
    MovWDecFr,
    DecFr,
    OrWFr,
    OrFrW,
    AndWFr,
    AndFrW,
    XorWFr,
    XorFrW,
    AddWFr,
    AddFrW,
    MovWFr,
    TestFr,
    MovWNotFr,
    NotFr,
    MovWIncFr,
    IncFr,
    MovszWDecFr,
    DecszFr,
    MovWRrFr,
    RrFr,
    MovWRlFr,
    RlFr,
    MovWSwapFr,
    SwapFr,
    MovszWIncFr,
    IncszFr,
    Clrb,
    Setb,
    Snb,
    Sb,
    Retw,
    Call,
    Jmp,
    MovWLit,
    OrWLit,
    AndWLit,
    XorWLit,
    // Aliases.
    JmpW,
    JmpPcW,
    Clc,
    Clz,
    Stc,
    Stz,
    SkipOdd, // SKIP at an odd address: SNB PC.0
    Snc,
    Snz,
    SkipEven, // SKIP at an even address: SB PC.0
    Sc,
    Sz,
    TestW,
    NotW,
};
inline constexpr int kForms = int(Form::NotW) + 1;

// The operand field of a form's words.
enum class Field : uint8_t {
    None,
    Register,    // bits 0-4; 0x10-0x1F are banked
    Bit,         // bits 0-4 the register, bits 5-7 the bit number
    Port,        // bits 0-3: 5 (RA) to 11
    Literal,     // bits 0-7
    Literal4,    // bits 0-3: the value MODE gives M
    Address,     // bits 0-8: JMP's target in the page
    CallAddress, // bits 0-7: CALL's target in the first half of the page
    Page,        // bits 0-2: the page, each 0x200 words
    Bank,        // bits 0-2: the bank, each 0x20 registers (0x10 on the SX48/52)
};

constexpr uint16_t FieldMask(Field field) {
    switch (field) {
    case Field::None:
        return 0;
    case Field::Register:
        return 0x1F;
    case Field::Port:
    case Field::Literal4:
        return 0x0F;
    case Field::Bit:
    case Field::Literal:
    case Field::CallAddress:
        return 0xFF;
    case Field::Address:
        return 0x1FF;
    case Field::Page:
    case Field::Bank:
        return 0x07;
    }
    return 0;
}

enum class Cycles : uint8_t {
    One,    // one cycle; a result written to PC makes it a Branch
    Skip,   // one; when its condition holds the next word takes its cycle as a NOP
    Branch, // the jump time: 2 cycles, 3 in turbo mode
    Iread,  // four
};

// Where an alias applies: SKIP is a different word at odd and at even addresses.
enum class At : uint8_t { Any, OddAddress, EvenAddress };

struct Instruction {
    uint16_t pattern;
    uint16_t mask;
    Form form;
    Form op; // what the chip does: the form itself, or the machine form an alias names
    Field field;
    Cycles cycles;
    At at;
    std::string_view mnemonic;
    std::string_view operands; // '%' stands for the field's text; empty for none
};

namespace detail {

constexpr Instruction Row(uint16_t pattern, uint16_t mask, Form form, Field field, Cycles cycles,
                          std::string_view mnemonic, std::string_view operands = {}) {
    return {pattern, mask, form, form, field, cycles, At::Any, mnemonic, operands};
}

constexpr Instruction Alias(uint16_t word, Form form, Form of, Field field, Cycles cycles,
                            std::string_view mnemonic, std::string_view operands = {},
                            At at = At::Any) {
    return {word, 0xFFF, form, of, field, cycles, at, mnemonic, operands};
}

constexpr Instruction FrRow(uint16_t pattern, Form form, std::string_view mnemonic,
                            std::string_view operands, Cycles cycles = Cycles::One) {
    return Row(pattern, 0xFE0, form, Field::Register, cycles, mnemonic, operands);
}

} // namespace detail

// A word decodes to the first row whose pattern it matches (word & mask == pattern), so
// aliases and exceptions stand before the general row they are carved from.
inline constexpr auto kInstructions = [] {
    using enum Form;
    using detail::Alias;
    using detail::FrRow;
    using detail::Row;
    constexpr Field kNone = Field::None, kReg = Field::Register, kBit = Field::Bit,
                    kLit = Field::Literal;
    constexpr Cycles kOne = Cycles::One, kSkip = Cycles::Skip, kBranch = Cycles::Branch;
    return std::array{
        Row(0x000, 0xFFF, Nop, kNone, kOne, "NOP"),
        Row(0x001, 0xFFF, Undefined, kNone, kOne, ""),
        Row(0x002, 0xFFF, MovOptionW, kNone, kOne, "MOV", "!OPTION,W"),
        Row(0x003, 0xFFF, Sleep, kNone, kOne, "SLEEP"),
        Row(0x004, 0xFFF, ClrWdt, kNone, kOne, "CLR", "!WDT"),
        Row(0x00C, 0xFFF, Ret, kNone, kBranch, "RET"),
        Row(0x00D, 0xFFF, Retp, kNone, kBranch, "RETP"),
        Row(0x00E, 0xFFF, Reti, kNone, kBranch, "RETI"),
        Row(0x00F, 0xFFF, Retiw, kNone, kBranch, "RETIW"),
        Row(0x000, 0xFF0, MovPortW, Field::Port, kOne, "MOV", "!%,W"), // 0x005 to 0x00B
        Row(0x010, 0xFF8, Page, Field::Page, kOne, "PAGE", "%"),
        Row(0x018, 0xFF8, Bank, Field::Bank, kOne, "BANK", "%"),
        Alias(0x022, JmpW, MovFrW, kReg, kBranch, "JMP", "W"),
        FrRow(0x020, MovFrW, "MOV", "%,W"),
        Row(0x040, 0xFFF, ClrW, kNone, kOne, "CLR", "W"),
        Row(0x041, 0xFFF, Iread, kNone, Cycles::Iread, "IREAD"),
        Row(0x042, 0xFFF, MovWM, kNone, kOne, "MOV", "W,M"),
        Row(0x043, 0xFFF, MovMW, kNone, kOne, "MOV", "M,W"),
        Row(0x044, 0xFFC, Undefined, kNone, kOne, ""),
        Row(0x048, 0xFF8, Undefined, kNone, kOne, ""),
        Row(0x050, 0xFF0, Mode, Field::Literal4, kOne, "MOV", "M,#%"),
        FrRow(0x060, ClrFr, "CLR", "%"),
        FrRow(0x080, MovWFrMinusW, "MOV", "W,%-W"),
        FrRow(0x0A0, SubFrW, "SUB", "%,W"),
        FrRow(0x0C0, MovWDecFr, "MOV", "W,--%"),
        FrRow(0x0E0, DecFr, "DEC", "%"),
        FrRow(0x100, OrWFr, "OR", "W,%"),
        FrRow(0x120, OrFrW, "OR", "%,W"),
        FrRow(0x140, AndWFr, "AND", "W,%"),
        FrRow(0x160, AndFrW, "AND", "%,W"),
        FrRow(0x180, XorWFr, "XOR", "W,%"),
        FrRow(0x1A0, XorFrW, "XOR", "%,W"),
        FrRow(0x1C0, AddWFr, "ADD", "W,%"),
        Alias(0x1E2, JmpPcW, AddFrW, kReg, kBranch, "JMP", "PC+W"),
        FrRow(0x1E0, AddFrW, "ADD", "%,W"),
        FrRow(0x200, MovWFr, "MOV", "W,%"),
        FrRow(0x220, TestFr, "TEST", "%"),
        FrRow(0x240, MovWNotFr, "MOV", "W,/%"),
        FrRow(0x260, NotFr, "NOT", "%"),
        FrRow(0x280, MovWIncFr, "MOV", "W,++%"),
        FrRow(0x2A0, IncFr, "INC", "%"),
        FrRow(0x2C0, MovszWDecFr, "MOVSZ", "W,--%", kSkip),
        FrRow(0x2E0, DecszFr, "DECSZ", "%", kSkip),
        FrRow(0x300, MovWRrFr, "MOV", "W,>>%"),
        FrRow(0x320, RrFr, "RR", "%"),
        FrRow(0x340, MovWRlFr, "MOV", "W,<<%"),
        FrRow(0x360, RlFr, "RL", "%"),
        FrRow(0x380, MovWSwapFr, "MOV", "W,<>%"),
        FrRow(0x3A0, SwapFr, "SWAP", "%"),
        FrRow(0x3C0, MovszWIncFr, "MOVSZ", "W,++%", kSkip),
        FrRow(0x3E0, IncszFr, "INCSZ", "%", kSkip),
        Alias(0x403, Clc, Clrb, kBit, kOne, "CLC"),
        Alias(0x443, Clz, Clrb, kBit, kOne, "CLZ"),
        Row(0x400, 0xF00, Clrb, kBit, kOne, "CLRB", "%"),
        Alias(0x503, Stc, Setb, kBit, kOne, "STC"),
        Alias(0x543, Stz, Setb, kBit, kOne, "STZ"),
        Row(0x500, 0xF00, Setb, kBit, kOne, "SETB", "%"),
        Alias(0x602, SkipOdd, Snb, kBit, kSkip, "SKIP", {}, At::OddAddress),
        Alias(0x603, Snc, Snb, kBit, kSkip, "SNC"),
        Alias(0x643, Snz, Snb, kBit, kSkip, "SNZ"),
        Row(0x600, 0xF00, Snb, kBit, kSkip, "SNB", "%"),
        Alias(0x702, SkipEven, Sb, kBit, kSkip, "SKIP", {}, At::EvenAddress),
        Alias(0x703, Sc, Sb, kBit, kSkip, "SC"),
        Alias(0x743, Sz, Sb, kBit, kSkip, "SZ"),
        Row(0x700, 0xF00, Sb, kBit, kSkip, "SB", "%"),
        Row(0x800, 0xF00, Retw, kLit, kBranch, "RETW", "%"),
        Row(0x900, 0xF00, Call, Field::CallAddress, kBranch, "CALL", "%"),
        Row(0xA00, 0xE00, Jmp, Field::Address, kBranch, "JMP", "%"),
        Row(0xC00, 0xF00, MovWLit, kLit, kOne, "MOV", "W,#%"),
        Alias(0xD00, TestW, OrWLit, kLit, kOne, "TEST", "W"),
        Row(0xD00, 0xF00, OrWLit, kLit, kOne, "OR", "W,#%"),
        Row(0xE00, 0xF00, AndWLit, kLit, kOne, "AND", "W,#%"),
        Alias(0xFFF, NotW, XorWLit, kLit, kOne, "NOT", "W"),
        Row(0xF00, 0xF00, XorWLit, kLit, kOne, "XOR", "W,#%"),
    };
}();
static_assert(kInstructions.size() < 255, "a row index fits a byte");
inline constexpr uint8_t kUndefinedRow = 1;
static_assert(kInstructions[kUndefinedRow].form == Form::Undefined);

constexpr bool Matches(const Instruction& row, unsigned word, unsigned address) {
    if ((word & row.mask) != row.pattern) return false;
    switch (row.at) {
    case At::OddAddress:
        return (address & 1) != 0;
    case At::EvenAddress:
        return (address & 1) == 0;
    case At::Any:
        break;
    }
    return true;
}

// The form's word with its field zero: the whole word of a form without a field. Only for
// forms the table has; compiling fails otherwise.
consteval uint16_t Opcode(Form form) {
    for (const Instruction& row : kInstructions)
        if (row.form == form && form != Form::Undefined) return row.pattern;
    throw "no such form";
}

namespace detail {

constexpr uint8_t FirstMatch(unsigned word, unsigned address) {
    for (size_t i = 0; i < kInstructions.size(); ++i)
        if (Matches(kInstructions[i], word, address)) return uint8_t(i);
    return kUndefinedRow; // not reached: every word has a row (the tests check)
}

// The row of each word at even and at odd addresses, built once at first use.
inline const std::array<std::array<uint8_t, 4096>, 2>& DecodeIndex() {
    static const auto index = [] {
        std::array<std::array<uint8_t, 4096>, 2> rows{};
        for (unsigned odd = 0; odd < 2; ++odd)
            for (unsigned word = 0; word < 4096; ++word)
                rows[odd][word] = FirstMatch(word, odd);
        return rows;
    }();
    return index;
}

} // namespace detail

// The row of `word` (bits 0 to 11) at `address` (only its parity matters).
inline const Instruction& Decode(unsigned word, unsigned address) {
    return kInstructions[detail::DecodeIndex()[address & 1][word & 0xFFF]];
}

constexpr unsigned FieldValue(const Instruction& row, unsigned word) {
    return word & FieldMask(row.field);
}

} // namespace pellix::isa
