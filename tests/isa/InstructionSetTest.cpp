// The one table of the instruction set against everything that reads or writes machine code:
// every 12-bit word through the disassembler, the built-in assembler and the simulator, and
// every form through orda's SX and MCHIP mnemonics.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "asm/Assembler.h"
#include "asm/Disassembler.h"
#include "orda/Orda.h"
#include "orda/OrdaHost.h"
#include "sim/SxCore.h"
#include "target/InstructionSet.h"

using namespace pellix;
using isa::Cycles;
using isa::Field;
using isa::Form;

namespace {

constexpr int kWords = 4096;

// The words `base` to `base + count - 1`, word i at address 2 * i + parity, as a record the
// disassembler reads.
std::unique_ptr<AssemblyRecord> Placed(int family, int base, int count, int parity) {
    auto r = std::make_unique<AssemblyRecord>();
    r->StartUp();
    r->deviceFamily = uint8_t(family);
    r->assembled.Clear(family);
    r->assembled.Fusex() = 0xFFF;
    for (int i = 0; i < count; ++i)
        r->assembled[2 * i + parity] = uint16_t((base + i) | kWrittenMark);
    return r;
}

// The disassembler writes numbers as bare hexadecimal digits; the assembler reads them with
// an H. Bit numbers after the dot stay decimal, and in a bit operand a run that starts with
// a letter is a name (DC).
std::string AsSource(const std::string& text, bool bitOperand) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (!std::isalnum(static_cast<unsigned char>(text[i]))) {
            out += text[i++];
            continue;
        }
        size_t end = i;
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])))
            ++end;
        std::string run = text.substr(i, end - i);
        bool hex = i >= 6 && run.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        if (hex && i > 0 && text[i - 1] == '.') hex = false;
        if (hex && bitOperand && !std::isdigit(static_cast<unsigned char>(run[0]))) hex = false;
        out += hex ? "0" + run + "h" : run;
        i = end;
    }
    return out;
}

// The class of an instruction by its mnemonic as the disassembler shows it.
Cycles ClassOfText(const std::string& text) {
    const std::string m = text.substr(0, text.find(' '));
    for (const char* branch : {"JMP", "CALL", "RET", "RETP", "RETI", "RETIW", "RETW"})
        if (m == branch) return Cycles::Branch;
    for (const char* skip :
         {"SB", "SNB", "SC", "SZ", "SNC", "SNZ", "SKIP", "INCSZ", "DECSZ", "MOVSZ"})
        if (m == skip) return Cycles::Skip;
    return m == "IREAD" ? Cycles::Iread : Cycles::One;
}

} // namespace

TEST(InstructionSet, EveryWordDecodesToItsFirstMatchingRow) {
    for (const isa::Instruction& row : isa::kInstructions) {
        EXPECT_EQ(row.pattern & ~row.mask, 0) << row.mnemonic << " " << row.pattern;
        if (row.form == row.op && row.form != Form::Undefined) {
            EXPECT_EQ(isa::FieldMask(row.field) & row.mask, 0)
                << "the field of " << row.mnemonic << " overlaps its opcode bits";
        }
    }
    std::vector<int> uses(isa::kInstructions.size());
    for (unsigned address = 0; address < 2; ++address) {
        for (unsigned word = 0; word < kWords; ++word) {
            const isa::Instruction* first = nullptr;
            for (const isa::Instruction& row : isa::kInstructions)
                if (!first && isa::Matches(row, word, address)) first = &row;
            ASSERT_NE(first, nullptr) << "no row for " << word;
            const isa::Instruction& decoded = isa::Decode(word | 0xF000, address + 0x200);
            EXPECT_EQ(&decoded, first) << word;
            ++uses[size_t(first - isa::kInstructions.data())];
        }
    }
    for (size_t i = 0; i < uses.size(); ++i)
        EXPECT_GT(uses[i], 0) << "row " << i << " (" << isa::kInstructions[i].mnemonic
                              << ") is hidden by the rows before it";
}

// Every word the disassembler names, at even and at odd addresses, on both families and with
// register 1 named either way, assembles back to itself.
TEST(InstructionSet, DisassemblyAssemblesBackToTheSameWord) {
    struct Device {
        int family;
        const char* name;
    };
    for (Device device : {Device{0, "SX28"}, Device{1, "SX52"}}) {
        for (bool registerOneIsW : {false, true}) {
            for (int parity = 0; parity < 2; ++parity) {
                for (int base = 0; base < kWords; base += 1024) {
                    auto words = Placed(device.family, base, 1024, parity);
                    auto r = std::make_unique<AssemblyRecord>();
                    r->StartUp();
                    std::string source = std::string(" DEVICE ") + device.name + "\r";
                    std::vector<int> addresses;
                    for (int i = 0; i < 1024; ++i) {
                        const int address = 2 * i + parity;
                        const std::string text = Disassemble(*words, address, registerOneIsW);
                        if (text == "???") {
                            EXPECT_EQ(isa::Decode(unsigned(base + i), unsigned(address)).form,
                                      Form::Undefined);
                            continue;
                        }
                        const bool bit =
                            isa::Decode(unsigned(base + i), unsigned(address)).field == Field::Bit;
                        source +=
                            " ORG " + std::to_string(address) + "\r " + AsSource(text, bit) + "\r";
                        addresses.push_back(address);
                    }
                    r->source = source;
                    Assemble(*r);
                    ASSERT_EQ(r->status, 0)
                        << device.name << ": " << r->message << " at "
                        << source.substr(r->errorStart, r->errorEnd - r->errorStart);
                    for (int address : addresses)
                        EXPECT_EQ(r->assembled.Code(address), words->assembled.Code(address))
                            << device.name << " " << Disassemble(*words, address, registerOneIsW);
                }
            }
        }
    }
}

namespace {

// What a fr form does with W and the register: the new W and the new register value, from W,
// the register and the carry.
struct Effect {
    std::function<unsigned(unsigned w, unsigned f, unsigned c)> w, f;
};

const std::map<std::string, Effect>& RegisterEffects() {
    auto keepW = [](unsigned w, unsigned, unsigned) { return w; };
    auto keepF = [](unsigned, unsigned f, unsigned) { return f; };
    using F = std::function<unsigned(unsigned, unsigned, unsigned)>;
    auto toW = [&](F g) { return Effect{g, keepF}; };
    auto toF = [&](F g) { return Effect{keepW, g}; };
    static const std::map<std::string, Effect> effects = {
        {"MOV %,W", toF([](unsigned w, unsigned, unsigned) { return w; })},
        {"CLR %", toF([](unsigned, unsigned, unsigned) { return 0u; })},
        {"MOV W,%-W", toW([](unsigned w, unsigned f, unsigned) { return f - w; })},
        {"SUB %,W", toF([](unsigned w, unsigned f, unsigned) { return f - w; })},
        {"MOV W,--%", toW([](unsigned, unsigned f, unsigned) { return f - 1; })},
        {"DEC %", toF([](unsigned, unsigned f, unsigned) { return f - 1; })},
        {"OR W,%", toW([](unsigned w, unsigned f, unsigned) { return w | f; })},
        {"OR %,W", toF([](unsigned w, unsigned f, unsigned) { return w | f; })},
        {"AND W,%", toW([](unsigned w, unsigned f, unsigned) { return w & f; })},
        {"AND %,W", toF([](unsigned w, unsigned f, unsigned) { return w & f; })},
        {"XOR W,%", toW([](unsigned w, unsigned f, unsigned) { return w ^ f; })},
        {"XOR %,W", toF([](unsigned w, unsigned f, unsigned) { return w ^ f; })},
        {"ADD W,%", toW([](unsigned w, unsigned f, unsigned) { return w + f; })},
        {"ADD %,W", toF([](unsigned w, unsigned f, unsigned) { return w + f; })},
        {"MOV W,%", toW([](unsigned, unsigned f, unsigned) { return f; })},
        {"TEST %", toF(keepF)},
        {"MOV W,/%", toW([](unsigned, unsigned f, unsigned) { return ~f; })},
        {"NOT %", toF([](unsigned, unsigned f, unsigned) { return ~f; })},
        {"MOV W,++%", toW([](unsigned, unsigned f, unsigned) { return f + 1; })},
        {"INC %", toF([](unsigned, unsigned f, unsigned) { return f + 1; })},
        {"MOVSZ W,--%", toW([](unsigned, unsigned f, unsigned) { return f - 1; })},
        {"DECSZ %", toF([](unsigned, unsigned f, unsigned) { return f - 1; })},
        {"MOV W,>>%", toW([](unsigned, unsigned f, unsigned c) { return (f >> 1) | (c << 7); })},
        {"RR %", toF([](unsigned, unsigned f, unsigned c) { return (f >> 1) | (c << 7); })},
        {"MOV W,<<%", toW([](unsigned, unsigned f, unsigned c) { return (f << 1) | c; })},
        {"RL %", toF([](unsigned, unsigned f, unsigned c) { return (f << 1) | c; })},
        {"MOV W,<>%", toW([](unsigned, unsigned f, unsigned) { return (f << 4) | (f >> 4); })},
        {"SWAP %", toF([](unsigned, unsigned f, unsigned) { return (f << 4) | (f >> 4); })},
        {"MOVSZ W,++%", toW([](unsigned, unsigned f, unsigned) { return f + 1; })},
        {"INCSZ %", toF([](unsigned, unsigned f, unsigned) { return f + 1; })},
    };
    return effects;
}

struct Outcome {
    uint64_t cycles;
    unsigned pc, w, f;
    bool skip, undefined;
    int stack;
};

// The register a field names with FSR 0x30: banked fields in RAM at 0x30 on both families.
int RegisterOf(unsigned fr) {
    return int(fr >= 0x10 ? 0x30 | (fr & 0x0F) : fr);
}

// Steps `word` at `address` once from a known state: W 0x5A, STATUS `status` (page 0),
// FSR 0x30, register field `fr` holding `value`.
Outcome StepOnce(SxCore& core, unsigned word, unsigned address, unsigned fr, uint8_t value,
                 uint8_t status) {
    core.WriteProgramWord(int(address), uint16_t(word));
    core.PowerOn();
    core.SetPc(uint16_t(address));
    core.SetW(0x5A);
    core.SetFsr(0x30);
    core.SetStatus(status);
    core.PokeRegister(RegisterOf(fr), value);
    const uint64_t cycles = core.Cycles(), undefined = core.UndefinedExecuted();
    const int stack = core.StackCount();
    core.Step();
    return {core.Cycles() - cycles,
            core.Pc(),
            core.W(),
            core.PeekRegister(RegisterOf(fr)),
            core.SkipPending(),
            core.UndefinedExecuted() != undefined,
            core.StackCount() - stack};
}

} // namespace

// The disassembler's text says what kind of instruction a word is; the simulator runs it
// that way: undefined words as counted NOPs, skips that skip, branches in branch time,
// IREAD in four cycles, and the register forms change W or the register as named.
TEST(InstructionSet, SimulatorRunsEveryWordAsTheDisassemblerNamesIt) {
    for (int family = 0; family < 2; ++family) {
        SxChipConfig config;
        config.family = family;
        config.memoryWords = family == 1 ? 4096 : 2048;
        config.banks = family == 1 ? 15 : 8;
        config.ports = family == 1 ? 5 : 3;
        SxCore core(config);
        auto record = Placed(family, 0, 0, 0);
        const unsigned jump = family == 1 ? 3 : 2; // family 1 is always turbo
        for (unsigned parity = 0; parity < 2; ++parity) {
            const unsigned address = 0x100 + parity;
            for (unsigned word = 0; word < kWords; ++word) {
                record->assembled[int(address)] = uint16_t(word | kWrittenMark);
                const std::string text = Disassemble(*record, int(address), false);
                const isa::Instruction& row = isa::Decode(word, address);
                SCOPED_TRACE(testing::Message() << "family " << family << " word " << word << " at "
                                                << address << ": " << text);
                const Cycles kind = ClassOfText(text);
                EXPECT_EQ(kind, row.cycles) << "the table's class";
                EXPECT_EQ(text.substr(0, text.find(' ')),
                          row.form == Form::Undefined ? "???" : std::string(row.mnemonic));

                const bool registerField = row.field == Field::Register || row.field == Field::Bit;
                const unsigned fr = registerField ? word & 0x1F : 0x0A;
                const bool ram = fr >= 0x0A; // RAM on both families
                const Outcome o = StepOnce(core, word, address, ram ? fr : 0x0A, 0x3C, 0);
                EXPECT_EQ(o.undefined, text == "???");
                const bool wrotePc = kind != Cycles::Branch && o.pc != address + 1;
                if (wrotePc) {
                    EXPECT_EQ(fr, 2u) << "only a write to PC moves it";
                    EXPECT_EQ(o.cycles, jump) << "a write to PC takes the jump time";
                }
                switch (kind) {
                case Cycles::One:
                    if (!wrotePc && row.form != Form::Sleep) {
                        EXPECT_EQ(o.cycles, 1u);
                    }
                    EXPECT_FALSE(o.skip);
                    break;
                case Cycles::Iread:
                    EXPECT_EQ(o.cycles, 4u);
                    EXPECT_EQ(o.pc, address + 1);
                    break;
                case Cycles::Branch:
                    EXPECT_EQ(o.cycles, jump);
                    if (row.op == Form::Jmp) {
                        EXPECT_EQ(o.pc, word & 0x1FF);
                    } else if (row.op == Form::Call) {
                        EXPECT_EQ(o.pc, word & 0xFF);
                        EXPECT_EQ(o.stack, 1);
                    } else if (row.op == Form::Retw) {
                        EXPECT_EQ(o.w, word & 0xFF);
                    }
                    break;
                case Cycles::Skip:
                    if (!wrotePc) {
                        EXPECT_EQ(o.cycles, 1u);
                    }
                    if (ram || row.field == Field::Bit) {
                        // Some value of the register (or of STATUS for SC, SNZ ...) skips.
                        bool skipped = false;
                        for (uint8_t v : {0x00, 0x01, 0xFF})
                            for (uint8_t status : {0x00, 0x07})
                                skipped =
                                    skipped || StepOnce(core, word, address, fr, v, status).skip;
                        EXPECT_TRUE(skipped || fr < 0x0A) << "never skips";
                    }
                    break;
                }
                if (!ram || row.field != Field::Register) continue;
                // The register forms against a model of what each does.
                std::string pattern = std::string(row.mnemonic) + " " + std::string(row.operands);
                auto effect = RegisterEffects().find(pattern);
                if (effect == RegisterEffects().end()) continue; // JMP W, JMP PC+W
                for (uint8_t carry : {0, 1}) {
                    const Outcome c = StepOnce(core, word, address, fr, 0x3C, carry);
                    EXPECT_EQ(c.w, effect->second.w(0x5A, 0x3C, carry) & 0xFF) << "W";
                    EXPECT_EQ(c.f, effect->second.f(0x5A, 0x3C, carry) & 0xFF) << "register";
                }
            }
        }
    }
}

namespace {

// How orda writes an instruction's operand field as a number.
std::string OrdaField(Field field, unsigned value, char bitSeparator) {
    auto hex = [](unsigned v) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", v);
        return std::string(text);
    };
    switch (field) {
    case Field::Bit:
        return hex(value & 0x1F) + bitSeparator + char('0' + (value >> 5));
    case Field::Page:
        return hex(value * 0x200);
    case Field::Bank:
        return hex(value * 0x20);
    default:
        return hex(value);
    }
}

// The MCHIP mnemonic of each machine form that has one: the text with '%' for the field,
// and the destination bit where the form has one.
const std::map<Form, std::string>& MchipForms() {
    using enum Form;
    static const std::map<Form, std::string> forms = {
        {Nop, "NOP"},
        {MovOptionW, "OPTION"},
        {Sleep, "SLEEP"},
        {ClrWdt, "CLRWDT"},
        {Ret, "RETURN"},
        {Reti, "RETFIE"},
        {MovPortW, "TRIS %"},
        {MovFrW, "MOVWF %"},
        {ClrW, "CLRW"},
        {ClrFr, "CLRF %"},
        {MovWFrMinusW, "SUBWF %,0"},
        {SubFrW, "SUBWF %,1"},
        {MovWDecFr, "DECF %,0"},
        {DecFr, "DECF %,1"},
        {OrWFr, "IORWF %,0"},
        {OrFrW, "IORWF %,1"},
        {AndWFr, "ANDWF %,0"},
        {AndFrW, "ANDWF %,1"},
        {XorWFr, "XORWF %,0"},
        {XorFrW, "XORWF %,1"},
        {AddWFr, "ADDWF %,0"},
        {AddFrW, "ADDWF %,1"},
        {MovWFr, "MOVF %,0"},
        {TestFr, "MOVF %,1"},
        {MovWNotFr, "COMF %,0"},
        {NotFr, "COMF %,1"},
        {MovWIncFr, "INCF %,0"},
        {IncFr, "INCF %,1"},
        {MovszWDecFr, "DECFSZ %,0"},
        {DecszFr, "DECFSZ %,1"},
        {MovWRrFr, "RRF %,0"},
        {RrFr, "RRF %,1"},
        {MovWRlFr, "RLF %,0"},
        {RlFr, "RLF %,1"},
        {MovWSwapFr, "SWAPF %,0"},
        {SwapFr, "SWAPF %,1"},
        {MovszWIncFr, "INCFSZ %,0"},
        {IncszFr, "INCFSZ %,1"},
        {Clrb, "BCF %"},
        {Setb, "BSF %"},
        {Snb, "BTFSC %"},
        {Sb, "BTFSS %"},
        {Retw, "RETLW %"},
        {Call, "CALL %"},
        {Jmp, "GOTO %"},
        {MovWLit, "MOVLW %"},
        {OrWLit, "IORLW %"},
        {AndWLit, "ANDLW %"},
        {XorWLit, "XORLW %"},
    };
    return forms;
}

struct Statement {
    std::string text;
    unsigned word;
    unsigned parity; // of the address it must stand at
};

std::string Expand(std::string_view pattern, const std::string& field) {
    std::string out;
    for (char c : pattern)
        out += c == '%' ? field : std::string(1, c);
    return out;
}

// Every word of every form in orda's SX mnemonics (the table's own text, numbers for the
// field) or in its MCHIP mnemonics: each machine form with all the words it runs as (those
// the disassembler shows by an alias too), each alias with its word.
std::vector<Statement> Statements(bool mchip) {
    std::vector<Statement> out;
    for (const isa::Instruction& row : isa::kInstructions) {
        if (row.form == Form::Undefined) continue;
        std::string pattern = std::string(row.mnemonic) + " " + std::string(row.operands);
        if (mchip) {
            auto it = MchipForms().find(row.form);
            if (it == MchipForms().end()) continue;
            pattern = it->second;
        }
        if (row.form != row.op) { // an alias: one word, and its text has no field
            if (!mchip) out.push_back({pattern, row.pattern, row.at == isa::At::OddAddress});
            continue;
        }
        for (unsigned word = 0; word < kWords; ++word)
            if (isa::Decode(word, 0).op == row.form)
                out.push_back({Expand(pattern, OrdaField(row.field, isa::FieldValue(row, word),
                                                         mchip ? ',' : '.')),
                               word, 0});
    }
    return out;
}

} // namespace

TEST(InstructionSet, OrdaGivesTheTableWordsInBothMnemonicSets) {
    for (bool mchip : {false, true}) {
        const std::vector<Statement> all = Statements(mchip);
        EXPECT_GT(all.size(), mchip ? 3000u : 4000u);
        // In runs of 900 statements, each at an address of its parity below 2048.
        for (size_t from = 0; from < all.size(); from += 900) {
            const size_t to = std::min(all.size(), from + 900);
            std::string source = " DEVICE SX28AC\n FREQ 4000000\n IRC_CAL IRC_SLOW\n";
            std::vector<unsigned> addresses;
            for (size_t i = from; i < to; ++i) {
                const unsigned address = unsigned(2 * (i - from) + all[i].parity);
                source += " ORG " + std::to_string(address) + "\n " + all[i].text + "\n";
                addresses.push_back(address);
            }
            orda::MemoryHost host;
            host.files["/work/t.asm"] = source;
            orda::Orda o(host);
            const int exit = o.Run({"/bin/orda", "/C", mchip ? "MCHIP" : "SX", "/W", "0", "t"});
            ASSERT_NE(exit, 1) << host.console;
            for (size_t i = from; i < to; ++i)
                EXPECT_EQ(o.Image()[addresses[i - from]] & 0xFFF, all[i].word)
                    << (mchip ? "MCHIP " : "SX ") << all[i].text;
        }
    }
}
