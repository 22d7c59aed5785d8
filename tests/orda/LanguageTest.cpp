// The language: numbers, expressions, symbols, instructions, directives, macros, REPT and
// include files, run in-process.
#include <gtest/gtest.h>

#include "OrdaRun.h"

using namespace ordatest;
using orda::Symbol;

namespace {

// Keeps the end-of-pass defaults quiet so that a test sees only its own messages.
const std::string kQuiet = " FREQ 4000000\n IRC_CAL IRC_SLOW\n";

std::vector<uint16_t> W(std::initializer_list<uint16_t> w) {
    return w;
}

int32_t Value(const InProcess& r, const std::string& name) {
    const Symbol* s = r.Sym(name);
    EXPECT_NE(s, nullptr) << name;
    return s ? s->value : -999;
}

int Bit(const InProcess& r, const std::string& name) {
    const Symbol* s = r.Sym(name);
    return s ? s->bit : -999;
}

} // namespace

// ---- numbers ----

TEST(Numbers, EveryFormGivesTheSameValue) {
    auto r = Source(kQuiet + "a EQU 0x1F\nb EQU 1Fh\ncc EQU $1F\nd EQU H'1F'\ne EQU %00011111\n"
                             "f EQU 1_000\ng EQU B'0101'\nh EQU 17o\ni EQU X'ff'\nj EQU 101b\n"
                             "k EQU 99d\nl EQU 0X2a\n");
    EXPECT_EQ(r->exitCode, 0) << r->console();
    for (const char* n : {"a", "b", "cc", "d", "e"})
        EXPECT_EQ(Value(*r, n), 31) << n;
    EXPECT_EQ(Value(*r, "f"), 1000);
    EXPECT_EQ(Value(*r, "g"), 5);
    EXPECT_EQ(Value(*r, "h"), 15);
    EXPECT_EQ(Value(*r, "i"), 255);
    EXPECT_EQ(Value(*r, "j"), 5);
    EXPECT_EQ(Value(*r, "k"), 99);
    EXPECT_EQ(Value(*r, "l"), 42);
}

TEST(Numbers, ShortBAndDWordsAreHexadecimalUnderRadix16) {
    auto r = Source(kQuiet + "a EQU 1B\nb EQU 101B\ncc EQU 0D\nd EQU 12D\n", "/E CORVANEX /R HEX");
    EXPECT_EQ(Value(*r, "a"), 0x1B);
    EXPECT_EQ(Value(*r, "b"), 5);
    EXPECT_EQ(Value(*r, "cc"), 0x0D);
    EXPECT_EQ(Value(*r, "d"), 12);
    // reported in pass 2 only, once for each short word
    EXPECT_EQ(r->Count("Warning 33, Pass 2: Assume value is in HEXADECIMAL"), 2) << r->console();
    EXPECT_EQ(r->Count("Pass 1: Assume"), 0);
    EXPECT_EQ(r->exitCode, 2);
}

TEST(Numbers, BadDigitsAreError23) {
    for (const char* text : {"12Q", "19o", "102b", "0x1G", "B'012'"}) {
        auto r = Source(kQuiet + std::string("a EQU ") + text + "\n");
        EXPECT_TRUE(r->Says("Error 23, Pass 1: Invalid digit in numeric constant")) << text;
        EXPECT_EQ(r->exitCode, 1) << text;
    }
}

TEST(Numbers, DefaultRadixAppliesWithoutSuffix) {
    auto r = Source(kQuiet + "a EQU 10\n RADIX = OCT\nb EQU 10\n RADIX = BIN\ncc EQU 10\n");
    EXPECT_EQ(Value(*r, "a"), 10);
    EXPECT_EQ(Value(*r, "b"), 8);
    EXPECT_EQ(Value(*r, "cc"), 2);
    EXPECT_EQ(r->exitCode, 0) << r->console();
}

TEST(Numbers, RadixChangeDoesNotReachBackIntoPass2) {
    // the second pass starts from the command line's radix again, so `a` means the same
    // in both passes and the code after it keeps its address
    auto r = Source(kQuiet + "a EQU 10\n RADIX = HEX\nb EQU 10\n MOV W,#a\n");
    EXPECT_EQ(Value(*r, "a"), 10);
    EXPECT_EQ(Value(*r, "b"), 16);
    EXPECT_EQ(r->Words(0, 1), W({0xC0A}));
}

// ---- expressions ----

TEST(Expressions, BitPartsCarryIntoTheRegister) {
    auto r = Source(kQuiet + "a EQU RA.2\nb EQU RA.7+1\ncc EQU RA.9\nd EQU RA.1-0.3\n"
                             "e EQU RA.5+0.4\nf EQU .(RA.6)\n");
    EXPECT_EQ(Value(*r, "a"), 5);
    EXPECT_EQ(Bit(*r, "a"), 2);
    EXPECT_EQ(Value(*r, "b"), 6); // a whole register added
    EXPECT_EQ(Bit(*r, "b"), 7);
    EXPECT_EQ(Value(*r, "cc"), 5); // bit 9 masked to 1
    EXPECT_EQ(Bit(*r, "cc"), 1);
    EXPECT_EQ(Value(*r, "d"), 4); // bits 1 - 3 borrow a register
    EXPECT_EQ(Bit(*r, "d"), 6);
    EXPECT_EQ(Value(*r, "e"), 6); // bits 5 + 4 carry
    EXPECT_EQ(Bit(*r, "e"), 1);
    EXPECT_EQ(Value(*r, "f"), 6);
    EXPECT_EQ(r->Count("Warning 41, Pass 2: Bit number out of range"), 1) << r->console();
    EXPECT_EQ(r->Count("Warning 53, Pass 2"), 2);
}

TEST(Expressions, Operators) {
    auto r = Source(kQuiet + "a EQU 7*6\nb EQU 100/7\ncc EQU 100//7\nd EQU 0F0h&3Ch\n"
                             "e EQU 0F0h^0FFh\nf EQU 1<<4\ng EQU -16>>2\nh EQU 0A0h><4\n"
                             "i EQU 1+2*3\nj EQU (1+2)*3\nk EQU ~0\nl EQU !5\nmx EQU ||-9\n"
                             "n EQU 3|4\no EQU 2<3\np EQU 3<=2\nq EQU 4==4\nr EQU 4!=4\n"
                             "s EQU 2&&0\nt EQU 2||0\nu EQU 'A'\nv EQU 1<<33\nwx EQU 0F3h><4\n");
    EXPECT_EQ(Value(*r, "a"), 42);
    EXPECT_EQ(Value(*r, "b"), 14);
    EXPECT_EQ(Value(*r, "cc"), 2);
    EXPECT_EQ(Value(*r, "d"), 0x30);
    EXPECT_EQ(Value(*r, "e"), 0x0F);
    EXPECT_EQ(Value(*r, "f"), 16);
    EXPECT_EQ(Value(*r, "g"), -4);
    EXPECT_EQ(Value(*r, "h"), 0xA0); // low four bits 0000 reversed
    EXPECT_EQ(Value(*r, "i"), 7);
    EXPECT_EQ(Value(*r, "j"), 9);
    EXPECT_EQ(Value(*r, "k"), -1);
    EXPECT_EQ(Value(*r, "l"), 0);
    EXPECT_EQ(Value(*r, "mx"), 9);
    EXPECT_EQ(Value(*r, "n"), 7);
    EXPECT_EQ(Value(*r, "o"), 1);
    EXPECT_EQ(Value(*r, "p"), 0);
    EXPECT_EQ(Value(*r, "q"), 1);
    EXPECT_EQ(Value(*r, "r"), 0);
    EXPECT_EQ(Value(*r, "s"), 0);
    EXPECT_EQ(Value(*r, "t"), 1);
    EXPECT_EQ(Value(*r, "u"), 65);
    EXPECT_EQ(Value(*r, "v"), 2);     // shift counts modulo 32
    EXPECT_EQ(Value(*r, "wx"), 0xFC); // 0011 reversed is 1100
    EXPECT_EQ(r->exitCode, 0) << r->console();
}

TEST(Expressions, DivisionByZero) {
    auto r = Source(kQuiet + "a EQU 10/0\nb EQU 10//0\n");
    EXPECT_EQ(Value(*r, "a"), 0);
    EXPECT_EQ(Value(*r, "b"), 0);
    EXPECT_EQ(r->Count("Warning 58, Pass 1: Division by zero"), 1) << r->console();
    EXPECT_EQ(r->Count("Warning"), 1);
}

TEST(Expressions, DivisionByZeroIsSaidInThePassItArisesIn) {
    // Known in pass 1: said there, once, and listed again in pass 2 without a second count.
    auto r = Source(kQuiet + "a EQU 10/0\n DW 4/0\n");
    EXPECT_EQ(r->Count("Warning 58, Pass 1: Division by zero"), 2) << r->console();
    EXPECT_EQ(r->Count("Warning 58, Pass 2"), 0);
    EXPECT_TRUE(r->Says("\n   2 warnings")) << r->console();
    EXPECT_EQ(r->exitCode, 2);
    // A divisor defined further down is zero only once it is known: pass 2 says so.
    auto s = Source(kQuiet + " DW 4/nought\nnought EQU 0\n");
    EXPECT_EQ(s->Count("Warning 58, Pass 1"), 0) << s->console();
    EXPECT_EQ(s->Count("Warning 58, Pass 2: Division by zero"), 1) << s->console();
}

TEST(Expressions, MissingParenthesisAndSingleComparison) {
    auto r = Source(kQuiet + "a EQU (1+2\n");
    EXPECT_TRUE(r->Says("Error 10, Pass 1: Missing right parenthesis")) << r->console();
    EXPECT_EQ(r->Sym("a"), nullptr);
    auto s = Source(kQuiet + "b EQU 1 < 2 < 3\n");
    EXPECT_EQ(Value(*s, "b"), 1);
}

TEST(Expressions, ProgramCounterAndRepetition) {
    auto r = Source(kQuiet + " ORG 10h\nhere EQU $\n NOP\nnext EQU $+1\n");
    EXPECT_EQ(Value(*r, "here"), 0x10);
    EXPECT_EQ(Value(*r, "next"), 0x12);
}

TEST(Expressions, ReservedWordsAndUndefinedSymbols) {
    auto r = Source(kQuiet + "a EQU MOV\n");
    EXPECT_TRUE(r->Says("Error 4, Pass 1: Symbol is a reserved word")) << r->console();
    // IF needs its value at once: undefined is an error already in pass 1
    auto s = Source(kQuiet + " IF later\n ENDIF\nlater EQU 1\n");
    EXPECT_TRUE(s->Says("Error 3, Pass 1: Symbol <later> is not defined")) << s->console();
    // an instruction operand is only needed in pass 2, where it is known
    auto t = Source(kQuiet + " JMP later\nlater NOP\n");
    EXPECT_EQ(t->exitCode, 0) << t->console();
    EXPECT_EQ(t->Words(0, 2), W({0xA01, 0x000}));
    auto u = Source(kQuiet + " JMP nowhere\n");
    EXPECT_TRUE(u->Says("Error 3, Pass 2: Symbol <nowhere> is not defined")) << u->console();
    EXPECT_EQ(u->exitCode, 1);
}

TEST(Expressions, DeepNestingOverflowsTheStack) {
    std::string e = "1";
    for (int i = 0; i < 40; ++i)
        e = "1+(" + e + ")";
    auto r = Source("a EQU " + e + "\n");
    EXPECT_TRUE(r->Says("\nStack overflow")) << r->console();
    EXPECT_EQ(r->exitCode, 1);
    std::string ok = "1";
    for (int i = 0; i < 20; ++i)
        ok = "1+(" + ok + ")";
    auto s = Source(kQuiet + "a EQU " + ok + "\n");
    EXPECT_EQ(Value(*s, "a"), 21);
}

TEST(Expressions, OperandNamesBecomeSymbolsOnFirstUse) {
    auto r = Source(kQuiet + "a EQU RB\nb EQU Z\n");
    ASSERT_NE(r->Sym("RB"), nullptr);
    EXPECT_EQ(r->Sym("RB")->type, orda::kResv);
    ASSERT_NE(r->Sym("Z"), nullptr);
    EXPECT_EQ(r->Sym("Z")->type, orda::kResb);
    EXPECT_EQ(r->Sym("Z")->value, 3);
    EXPECT_EQ(r->Sym("Z")->bit, 2);
    EXPECT_EQ(r->Sym("RC"), nullptr);
}

// ---- scanner limits ----

TEST(Scanner, LongTokenEndsTheRun) {
    std::string name(121, 'a');
    auto r = Source(name + " EQU 1\n");
    EXPECT_TRUE(r->Says("Error 34, Pass 1: Token length exceeds limit")) << r->console();
    EXPECT_TRUE(r->Says("\nProgram Aborted.\n"));
    EXPECT_EQ(r->exitCode, 1);
    EXPECT_FALSE(r->Says("lines compiled"));
    auto s = Source(kQuiet + std::string(120, 'b') + " EQU 1\n");
    EXPECT_EQ(s->exitCode, 0) << s->console();
}

TEST(Scanner, StringsAndIllegalCharacters) {
    auto r = Source(kQuiet + "a EQU \"AB\n");
    EXPECT_TRUE(r->Says("Error 29, Pass 1: Bad string syntax")) << r->console();
    auto s = Source(kQuiet + " NOP {\n");
    EXPECT_TRUE(s->Says("Warning 35, Pass 2: Illegal character - Ignored")) << s->console();
    auto t = Source(kQuiet + " DW \"" + std::string(130, 'x') + "\"\n");
    EXPECT_TRUE(t->Says("Error 29")) << t->console();
}

TEST(Scanner, FirstTokenMustBeAName) {
    for (const char* line : {"5 NOP", "\"x\"", ", NOP", "# 5"}) {
        auto r = Source(kQuiet + line + "\n");
        EXPECT_TRUE(r->Says("Error 1, Pass 1: Bad instruction statement")) << line;
    }
    auto ok = Source(kQuiet + "; only a comment\n\n   \n+\n");
    EXPECT_EQ(ok->exitCode, 0) << ok->console();
}

// ---- symbols and labels ----

TEST(Symbols, LocalLabelsHangOffTheLastGlobal) {
    auto r = Source(kQuiet + "main NOP\n:loop NOP\nother NOP\n:loop JMP :loop\n");
    EXPECT_EQ(Value(*r, "main:loop"), 1);
    EXPECT_EQ(Value(*r, "other:loop"), 3);
    EXPECT_EQ(r->Words(3, 1), W({0xA03}));
    std::string big(120, 'g');
    auto s = Source(kQuiet + big + " NOP\n:" + std::string(10, 'l') + " NOP\n");
    EXPECT_TRUE(s->Says("Error 57, Pass 1: Local symbol \":llllllllll\" expands to more than "
                        "130 characers"))
        << s->console();
}

TEST(Symbols, RedefinitionAndVariables) {
    auto r = Source(kQuiet + "a NOP\na NOP\n");
    EXPECT_TRUE(r->Says("Error 2, Pass 1: Redefinition of symbol <a>")) << r->console();
    auto s = Source(kQuiet + "v = 1\nv = v+1\nv SET v*10\n DW v\n");
    EXPECT_EQ(s->exitCode, 0) << s->console();
    EXPECT_EQ(Value(*s, "v"), 20);
    EXPECT_EQ(s->Sym("v")->type, orda::kVar);
    auto t = Source(kQuiet + "e EQU 1\ne = 2\n");
    EXPECT_TRUE(t->Says("Error 2, Pass 1: Redefinition of symbol <e>")) << t->console();
    auto u = Source(kQuiet + " EQU 5\n");
    EXPECT_TRUE(u->Says("Error 9, Pass 1: Missing Label")) << u->console();
}

TEST(Symbols, LabelColumns) {
    // alone and indented: an error unless local (and then only with labels allowed anywhere)
    auto r = Source(kQuiet + "  alone\n");
    EXPECT_TRUE(r->Says("Error 45, Pass 1: Label must begin at column 1")) << r->console();
    auto s = Source(kQuiet + "x NOP\n  :here\n");
    EXPECT_TRUE(s->Says("Error 45")) << s->console();
    auto t = Source(kQuiet + "x NOP\n  :here\n", "/E CORVANEX /D LBL_START_ANY");
    EXPECT_EQ(t->exitCode, 0) << t->console();
    EXPECT_EQ(Value(*t, "x:here"), 1);
    auto u = Source(kQuiet + "  x NOP\n", "/E CORVANEX /D LBL_START_ANY");
    EXPECT_TRUE(u->Says("Error 45")) << u->console();
    // EQU labels may stand anywhere
    auto v = Source(kQuiet + "   k EQU 3\n");
    EXPECT_EQ(v->exitCode, 0) << v->console();
}

TEST(Symbols, TreeIsOrderedByNameWithoutRegardToCase) {
    auto r = Source(kQuiet + "beta EQU 1\nAlpha EQU 2\nBETA2 EQU 3\n_x EQU 4\nalpha2 EQU 5\n");
    std::vector<std::string> names;
    for (const auto& [name, s] : r->orda->Symbols())
        names.push_back(name);
    std::vector<std::string> want{"__SX_FREQ", "__SX_IRC_CAL", "__ORDA", "_x",
                                  "Alpha",     "alpha2",       "beta",   "BETA2"};
    std::sort(want.begin(), want.end(), orda::NoCaseLess{});
    EXPECT_EQ(names, want);
    EXPECT_EQ(names[0], "__ORDA");
    auto s = Source(kQuiet + "Same EQU 1\nSAME EQU 2\n");
    EXPECT_TRUE(s->Says("Error 2")) << s->console();
}

// ---- instructions ----

TEST(Instructions, CompoundMovesAndLiterals) {
    auto r = Source(kQuiet + " DEVICE SX28AC, OSCRC\n MOV 8,#5\n MOV W,#300\n");
    EXPECT_EQ(r->Words(0, 3), W({0xC05, 0x028, 0xC2C}));
    EXPECT_EQ(r->Count("Warning 37, Pass 2: Literal truncated to 8 bits"), 1) << r->console();
}

TEST(Instructions, LongJumpAndCallLimits) {
    auto r = Source(kQuiet + " JMP @far\n ORG 200h\nfar NOP\n", "/E CORVANEX /W 0");
    EXPECT_EQ(r->Words(0, 2), W({0x011, 0xA00}));
    EXPECT_TRUE(r->Says("Comment 43, Pass 2: Address exceeds memory limit")) << r->console();
    auto s = Source(kQuiet + " JMP @far\n ORG 200h\nfar NOP\n");
    EXPECT_FALSE(s->Says("Comment 43")) << "comments show only with /W 0";
    auto t = Source(kQuiet + " CALL 100h\n");
    EXPECT_TRUE(t->Says("Error 44, Pass 2: Address is not within lower half of memory page"))
        << t->console();
    auto u = Source(kQuiet + " CALL 0FFh\n CALL 2FFh\n", "/E CORVANEX /W 0");
    EXPECT_EQ(u->Words(0, 2), W({0x9FF, 0x9FF}));
    EXPECT_EQ(u->Count("Comment 43"), 1) << u->console();
}

TEST(Instructions, LongConditionalJumpsSetThePageBeforeTheSkip) {
    auto r = Source(kQuiet + " JNB RA.1,@far\n CJE 8,#3,@far\n DJNZ 9,@far\n ORG 400h\nfar NOP\n");
    EXPECT_EQ(r->Words(0, 3), W({0x012, 0x725, 0xA00}));
    EXPECT_EQ(r->Words(3, 5), W({0x012, 0xC03, 0x088, 0x643, 0xA00}));
    EXPECT_EQ(r->Words(8, 3), W({0x012, 0x2E9, 0xA00}));
    EXPECT_EQ(Value(*r, "far"), 0x400);
}

TEST(Instructions, SkipParity) {
    auto r = Source(kQuiet + " ORG 6\n SKIP\n SKIP\n");
    EXPECT_EQ(r->Words(6, 2), W({0x702, 0x602}));
}

TEST(Instructions, CompareAndSkipTakesThreeWords) {
    auto r = Source(kQuiet + " CSE 8,#3\nafter NOP\n");
    EXPECT_EQ(r->Words(0, 3), W({0xC03, 0x088, 0x743}));
    EXPECT_EQ(Value(*r, "after"), 3);
}

TEST(Instructions, BankWarningAndItsCountdown) {
    auto r = Source(kQuiet + " DEVICE SX28AC, OSCRC\n BANK 20h\n MOV 50h,W\n");
    EXPECT_TRUE(r->Says("Warning 48, Pass 2: File register not in current bank")) << r->console();
    EXPECT_EQ(r->Words(0, 2), W({0x019, 0x030}));
    auto s = Source(kQuiet + " DEVICE SX28AC, OSCRC\n BANK 20h\n NOP\n NOP\n NOP\n NOP\n"
                             " MOV 50h,W\n");
    EXPECT_FALSE(s->Says("Warning 48")) << s->console();
    auto t = Source(kQuiet + " DEVICE SX28AC, OSCRC\n BANK 20h\n NOP\n NOP\n NOP\n MOV 50h,W\n");
    EXPECT_TRUE(t->Says("Warning 48")) << "the fourth code statement is still checked";
    auto u = Source(kQuiet + " BANK 20h\n JMP $+1\n MOV 50h,W\n");
    EXPECT_FALSE(u->Says("Warning 48")) << "a jump ends the countdown";
    auto v = Source(kQuiet + " BANK 20h\n MOV 30h,W\n");
    EXPECT_FALSE(v->Says("Warning 48")) << v->console();
}

TEST(Instructions, PageWarning) {
    auto r = Source(kQuiet + " PAGE 0\n JMP far\n ORG 200h\nfar NOP\n", "/E CORVANEX /W 0");
    EXPECT_TRUE(r->Says("Warning 42, Pass 2: Destination address not in selected page"))
        << r->console();
    auto s = Source(kQuiet + " PAGE 200h\n JMP far\n ORG 200h\nfar NOP\n");
    EXPECT_FALSE(s->Says("Warning 42")) << s->console();
    EXPECT_EQ(s->Words(0, 2), W({0x011, 0xA00}));
}

TEST(Instructions, MicrochipForms) {
    auto r = Source(kQuiet + " ADDWF 10h\n ADDWF 10h,0\n ADDWF 10h,1\n ADDWF 10h,F\n ADDWF 10h,W\n"
                             " BTFSS 3,2\n MOVLW 0AAh\n CLRF 9\n",
                    "/E CORVANEX /C MCHIP /W 0");
    EXPECT_EQ(r->Words(0, 8), W({0x1F0, 0x1D0, 0x1F0, 0x1F0, 0x1D0, 0x743, 0xCAA, 0x069}));
    EXPECT_EQ(r->Count("Comment 39, Pass 2: No destination bit"), 1) << r->console();
    auto s = Source(kQuiet + " BTFSS 3,9\n", "/E CORVANEX /C MCHIP");
    EXPECT_TRUE(s->Says("Error 41, Pass 2: Bit number out of range")) << s->console();
    auto t = Source(kQuiet + " ADDWF 10h,2\n", "/E CORVANEX /C MCHIP");
    EXPECT_TRUE(t->Says("Error 40, Pass 2: Destination bit can only be 0 or 1")) << t->console();
}

TEST(Instructions, AddlwAndSublwAreNoSxInstructions) {
    for (const char* m : {"ADDLW 5", "SUBLW 5"}) {
        auto r = Source(kQuiet + " " + m + "\n NOP\n", "/E CORVANEX /C MCHIP");
        EXPECT_TRUE(r->Says("Error 1, Pass 1: Bad instruction statement")) << m;
        EXPECT_EQ(r->exitCode, 1);
    }
}

TEST(Instructions, DataWords) {
    auto r = Source(kQuiet + " DW \"AB\",1\n DATA 0FFFh, -1\n RETW 'x', 300, \"hi\"\n",
                    "/E CORVANEX /C ALL");
    EXPECT_EQ(r->Words(0, 3), W({0x041, 0x042, 0x001}));
    EXPECT_EQ(r->Words(3, 2), W({0x0FFF, 0xFFFF}));
    EXPECT_EQ(r->Words(5, 4), W({0x878, 0x82C, 0x868, 0x869}));
    auto s = Source(kQuiet + " DW 5000\n");
    EXPECT_TRUE(s->Says("Warning 59, Pass 2: Literal truncated to 12 bits")) << s->console();
    auto t = Source(kQuiet + " DW\n");
    EXPECT_TRUE(t->Says("Error 1")) << t->console();
}

TEST(Instructions, OperandErrors) {
    auto r = Source(kQuiet + " NOP 5\n");
    EXPECT_TRUE(r->Says("Error 6, Pass 1: Too many operands")) << r->console();
    auto s = Source(kQuiet + " INC\n");
    EXPECT_TRUE(s->Says("Error 7, Pass 1: Missing file register")) << s->console();
    auto t = Source(kQuiet + " MOV 8\n");
    EXPECT_TRUE(t->Says("Error 1, Pass 1: Bad instruction statement")) << t->console();
    auto u = Source(kQuiet + " BANK\n");
    EXPECT_TRUE(u->Says("Error 5, Pass 1: Missing operand(s)")) << u->console();
}

TEST(Instructions, OverwritingAndMemoryLimit) {
    auto r = Source(kQuiet + " NOP\n ORG 0\n NOP\n");
    EXPECT_TRUE(r->Says("Error 30, Pass 2: Overwriting same program counter location"))
        << r->console();
    auto s = Source(kQuiet + " ORG 7FFh\n MOV 8,#1\n");
    EXPECT_TRUE(s->Says("Error 43")) << s->console();
    auto t = Source(kQuiet + " ORG 800h\n");
    EXPECT_TRUE(t->Says("Error 43, Pass 1: Address exceeds memory limit")) << t->console();
}

TEST(Instructions, MnemonicSets) {
    struct Case {
        const char* set;
        bool setb, jb, bitName, btfss, fifo;
    } cases[] = {
        {"SX", true, false, false, false, false},   {"CORVANEX", true, true, true, false, false},
        {"MCHIP", true, false, false, true, false}, {"ALL", true, true, true, true, false},
        {"DEBUGGER", true, true, true, true, true},
    };
    for (const Case& c : cases) {
        std::string opts = std::string("/E CORVANEX /C ") + c.set;
        auto setb = Source(kQuiet + " SETB 3.1\n", opts);
        EXPECT_EQ(setb->exitCode == 0, c.setb) << c.set << setb->console();
        auto jb = Source(kQuiet + "x JB 3.1,x\n", opts);
        EXPECT_EQ(jb->exitCode == 0, c.jb) << c.set << jb->console();
        auto bit = Source(kQuiet + " SETB C\n", opts);
        EXPECT_EQ(bit->exitCode == 0, c.bitName) << c.set << bit->console();
        auto btfss = Source(kQuiet + " BTFSS 3,1\n", opts);
        EXPECT_EQ(btfss->exitCode == 0, c.btfss) << c.set << btfss->console();
        auto fifo = Source(kQuiet + " FIFO\n", opts);
        EXPECT_EQ(fifo->exitCode == 0, c.fifo) << c.set << fifo->console();
    }
}

TEST(Instructions, SizesAgreeBetweenPasses) {
    // labels after every kind of statement keep their pass-1 addresses in pass 2
    auto r =
        Source(kQuiet + "a MOVB RA.1,RB.2\nb CJNE 8,#1,a\ncx JMP @a\nd DW \"abc\"\ne RETW 1,2\n"
                        "f MOV W,8-W\ng NOP\n");
    EXPECT_EQ(r->exitCode, 0) << r->console();
    EXPECT_EQ(Value(*r, "b"), 4);
    EXPECT_EQ(Value(*r, "cx"), 8);
    EXPECT_EQ(Value(*r, "d"), 10);
    EXPECT_EQ(Value(*r, "e"), 13);
    EXPECT_EQ(Value(*r, "f"), 15);
    EXPECT_EQ(Value(*r, "g"), 16);
    EXPECT_EQ(r->Words(15, 1), W({0x088}));
}

// ---- directives ----

TEST(Directives, ConditionalsSkipOnZeroAndNegative) {
    auto r = Source(kQuiet + " IF 0-1\n NOP\n ELSE\n SLEEP\n ENDIF\n IF 2\n IREAD\n ENDIF\n");
    EXPECT_EQ(r->Words(0, 3), W({0x003, 0x041, 0x0FFF}));
    auto s = Source(kQuiet + "x EQU 1\n IFDEF x\n NOP\n ENDIF\n IFNDEF x\n SLEEP\n ENDIF\n"
                             " IF 0\n IF 1\n SLEEP\n ELSE\n SLEEP\n ENDIF\n ENDIF\n");
    EXPECT_EQ(s->Words(0, 2), W({0x000, 0x0FFF}));
    EXPECT_EQ(s->exitCode, 0) << s->console();
}

TEST(Directives, ConditionalErrors) {
    std::string deep;
    for (int i = 0; i < 11; ++i)
        deep += " IF 1\n";
    for (int i = 0; i < 11; ++i)
        deep += " ENDIF\n";
    auto r = Source(kQuiet + deep);
    EXPECT_EQ(r->Count("Error 22, Pass 1: If.else.endif nesting error - too deep"), 1)
        << r->console();
    EXPECT_TRUE(r->Says("(13) Line 13, Error 22")) << "reported at the eleventh IF";
    auto s = Source(kQuiet + " ELSE\n ENDIF\n IF 1\n ELSE\n ELSE\n ENDIF\n IF\n ENDIF\n");
    EXPECT_TRUE(s->Says("Error 19, Pass 1: Unmatched ELSE")) << s->console();
    EXPECT_TRUE(s->Says("Error 20, Pass 1: Unmatched ENDIF"));
    EXPECT_TRUE(s->Says("Error 18, Pass 1: Bad IF-ELSE-ENDIF statement"));
    EXPECT_TRUE(s->Says("Error 11, Pass 1: Missing expression"));
    auto t = Source(kQuiet + " IF 1\n NOP\n");
    EXPECT_TRUE(t->Says("Error 18")) << "an IF left open at the end";
}

TEST(Directives, AConditionalInErrorOpensNoLevel) {
    // The statement is dropped, so its ENDIF has no IF, and the lines between are assembled.
    for (const char* bad : {" IF", " IFDEF 5", " IFNDEF", " IF later"}) {
        auto r = Source(kQuiet + bad + "\n ENDIF\nlater EQU 1\n");
        EXPECT_EQ(r->Count("Error 20, Pass 1: Unmatched ENDIF"), 1) << bad << r->console();
        EXPECT_TRUE(r->State().conds.empty()) << bad;
        EXPECT_EQ(r->exitCode, 1);
    }
    auto s = Source(kQuiet + " IF\n ERROR P1W \"reached\"\n ENDIF\n");
    EXPECT_TRUE(s->Says("USER WARNING: \"reached\"")) << s->console();
}

TEST(Directives, AnIfLeftOpenIsError18) {
    auto r = Source(kQuiet + " IF 1\n NOP\n");
    EXPECT_EQ(r->Count("Error 18, Pass 1: Bad IF-ELSE-ENDIF statement"), 1) << r->console();
    EXPECT_EQ(r->exitCode, 1);
    // A macro's expansion closes what it opened; END stops before the check.
    auto s = Source(kQuiet + "mm MACRO\n IF 0\n DW 1\n ENDM\n mm\n DW 2\n");
    EXPECT_EQ(s->Count("Error 18, Pass 1"), 1) << s->console();
    EXPECT_TRUE(s->State().conds.empty());
    auto t = Source(kQuiet + " IF 1\n NOP\n END\n");
    EXPECT_EQ(t->exitCode, 0) << t->console();
}

TEST(Directives, DeviceOptions) {
    auto r = Source(kQuiet + " DEVICE SX28AC, OSCHS2, TURBO, WATCHDOG\n NOP\n");
    EXPECT_EQ(r->State().fuse, 0x07FD);
    EXPECT_EQ(r->State().fusex, 0x0BFF);
    auto s = Source(kQuiet + " DEVICE SX28AC, OSCHS1, OSCHS2\n");
    EXPECT_EQ(s->State().fuse, 0x0FF8) << "the second oscillator leaves FUSE alone";
    auto t = Source(kQuiet + " DEVICE SX28AC, BOGUS\n");
    EXPECT_TRUE(t->Says("Error 14, Pass 1: Bad argument <BOGUS>")) << t->console();
    auto u = Source(kQuiet + " DEVICE SX52BD, OSCHS, STACKX\n");
    EXPECT_TRUE(u->Says("Warning 51, Pass 1: Obsolete keyword: <OSCHS> for this device"))
        << u->console();
    EXPECT_EQ(u->State().fuse, 0x0EF8);
    EXPECT_EQ(u->State().dev.memSize, 4096);
    auto v = Source(kQuiet + " DEVICE SX28AC, PAGES2, BANKS4\n");
    EXPECT_EQ(v->State().dev.highest, 1023);
    EXPECT_EQ(v->State().fusex, 0x0BFD & 0xFFB);
    auto w = Source(kQuiet + " DEVICE SX18AC\n DEVICE SX28AC, OSCRC\n");
    EXPECT_TRUE(w->Says("Warning 54, Pass 1: Overriding earlier target device declaration"))
        << w->console();
    EXPECT_EQ(w->Count("Warning 54"), 1) << "said once although both passes meet it";
    auto x = Source(kQuiet + " DEVICE SX28AC\n NOP\n");
    EXPECT_TRUE(x->Says("Warning 69, Pass 2: No OSCxxx directive - using default OSCRC"))
        << x->console();
    auto y = Source(kQuiet + " DEVICE SX28AC, OSCRC\n", "/E CORVANEX /P SX28AC /P OLDREV");
    EXPECT_EQ(y->State().dev.deviceWord, 0x9B02);
    auto z = Source(kQuiet + " DEVICE SX52BD, IFBD\n DEVICE FEEDBACKOFF\n");
    EXPECT_TRUE(z->Says("Warning 51, Pass 1: Obsolete keyword: <FEEDBACKOFF>")) << z->console();
    EXPECT_EQ(z->State().fuse, 0x0FBB);
}

TEST(Directives, ReptCountsAndLimits) {
    auto r = Source(kQuiet + " REPT 3\n DW %\n ENDR\n");
    EXPECT_EQ(r->Words(0, 4), W({1, 2, 3, 0x0FFF}));
    auto s = Source(kQuiet + " REPT 255\n NOP\n ENDR\n");
    EXPECT_TRUE(s->Says("Error 47, Pass 1: REPT count exceed limit")) << s->console();
    auto t = Source(kQuiet + " REPT 2\n REPT 2\n DW %\n ENDR\n DW 9\n ENDR\n");
    EXPECT_EQ(t->Words(0, 6), W({1, 2, 9, 1, 2, 9}));
    auto u = Source(kQuiet + " REPT 0\n NOP\n ENDR\n SLEEP\n");
    EXPECT_EQ(u->Words(0, 1), W({0x003}));
    std::string deep, ends;
    for (int i = 0; i < 11; ++i)
        deep += " REPT 1\n", ends += " ENDR\n";
    auto v = Source(kQuiet + deep + " NOP\n" + ends);
    EXPECT_TRUE(v->Says("Error 71, Pass 1: REPT nesting exceeds 10 levels")) << v->console();
    std::string many;
    for (int i = 0; i < 501; ++i)
        many += " NOP\n";
    auto w = Source(kQuiet + " REPT 1\n" + many + " ENDR\n");
    EXPECT_TRUE(w->Says("Error 72, Pass 1: REPT block exceeds 500 lines")) << w->console();
    auto x = Source(kQuiet + " REPT 2\n NOP\n");
    EXPECT_TRUE(x->Says("Error 32, Pass 1: Unexpected EOF")) << x->console();
}

TEST(Directives, LongLinesAreCut) {
    std::string line = " DW 1 ;" + std::string(293, 'c');
    auto r = Source(kQuiet + line + "\n NOP\n");
    EXPECT_TRUE(r->Says("Warning 56, Pass 2: Source line is too long")) << r->console();
    EXPECT_EQ(r->Words(0, 2), W({0x001, 0x000}));
    EXPECT_FALSE(r->Says("Pass 1: Source line"));
}

TEST(Directives, UserErrors) {
    auto r = Source(kQuiet + " ERROR P1W \"check\"\n");
    EXPECT_EQ(r->Count("Warning 70, Pass 1: USER WARNING: \"check\""), 1) << r->console();
    EXPECT_EQ(r->Count("USER WARNING"), 1);
    auto s = Source(kQuiet + " ERROR P1W \"check\"\n", "");
    EXPECT_TRUE(s->Says("Warning 55, Pass 1: ERROR \"check\"")) << s->console();
    auto t = Source(kQuiet + " ERROR \"stop\"\n");
    EXPECT_TRUE(t->Says("Error 55, Pass 2: ERROR \"stop\"")) << t->console();
    EXPECT_EQ(t->exitCode, 1);
    auto u = Source(kQuiet + " ERROR P3E \"x\"\n ERROR P1E 5\n");
    EXPECT_EQ(u->Count("Error 1, Pass 1"), 2) << u->console();
}

TEST(Directives, OrgResEquAndFriends) {
    auto r = Source(kQuiet + " ORG 10h\nbuf DS 4\nzz ZERO 2\nrr RES 1\nend1 NOP\n");
    EXPECT_EQ(Value(*r, "buf"), 0x10);
    EXPECT_EQ(r->Sym("buf")->type, orda::kVar);
    EXPECT_EQ(Value(*r, "zz"), 0x14);
    EXPECT_EQ(Value(*r, "end1"), 0x17);
    auto s = Source(kQuiet + " ORG later\nlater EQU 5\n");
    EXPECT_TRUE(s->Says("Error 3, Pass 1: Symbol <later> is not defined")) << s->console();
    auto t = Source(kQuiet + " ORG\n");
    EXPECT_TRUE(t->Says("Error 11, Pass 1: Missing expression")) << t->console();
    auto u = Source(kQuiet + " NOP\n END\n garbage here\n");
    EXPECT_EQ(u->exitCode, 0) << u->console();
    auto v = Source(kQuiet + " __FUSE 0123h\n __FUSEX 0456h\n ID 'AB'\n");
    EXPECT_EQ(v->State().fuse, 0x123);
    EXPECT_EQ(v->State().fusex, 0x456);
    EXPECT_EQ(v->Words(0x1000, 5), W({0xFF4, 0xFF1, 0xFF4, 0xFF2, 0xFFF}));
    auto w = Source(kQuiet + " ID 'ABCDEFGHI'\n");
    EXPECT_TRUE(w->Says("Error 29")) << w->console();
}

// Pass 1 must know the value of what sizes or places code, or defines a constant: a name
// defined further down is error 3 there. SET, SPAC and RESET take it as 0 in pass 1 and
// get the real value in pass 2.
TEST(Directives, OnlyDirectivesThatNeedTheirValueAtOnceRefuseNamesDefinedLater) {
    const std::string later = "\nlater EQU 3\n";
    for (const char* demanding :
         {" ORG later", "x EQU later", "x GLOBAL later", " RES later", " DS later", " ZERO later",
          " __FUSE later", " __FUSEX later", " REPT later\n NOP\n ENDR"}) {
        auto r = Source(kQuiet + demanding + later);
        EXPECT_TRUE(r->Says("Error 3, Pass 1: Symbol <later> is not defined")) << demanding << "\n"
                                                                               << r->console();
    }
    auto f = Source(" IRC_CAL IRC_SLOW\n FREQ later" + later);
    EXPECT_TRUE(f->Says("Error 3, Pass 1: Symbol <later> is not defined")) << f->console();

    auto s = Source(kQuiet + "x SET later\ny = later+1\n SPAC later\n RESET later" + later);
    EXPECT_EQ(s->exitCode, 0) << s->console();
    EXPECT_EQ(Value(*s, "x"), 3);
    EXPECT_EQ(Value(*s, "y"), 4);
    EXPECT_EQ(Value(*s, "__SX_RESET"), 0xA03) << "the vector jumps to the later address";
    // what is never defined is error 3 in pass 2 for them
    auto u = Source(kQuiet + "x SET nowhere\n");
    EXPECT_TRUE(u->Says("Error 3, Pass 2: Symbol <nowhere> is not defined")) << u->console();
    EXPECT_FALSE(u->Says("Pass 1: Symbol <nowhere>")) << u->console();
}

TEST(Directives, DebugDirectives) {
    auto r = Source(" FREQ 4_000_000\n IRC_CAL IRC_4MHZ\n RESET main\n ORG 10h\nmain NOP\n"
                    " BREAK\n NOP\n");
    EXPECT_EQ(r->exitCode, 0) << r->console();
    EXPECT_EQ(Value(*r, "__SX_FREQ"), 4000000);
    EXPECT_EQ(Value(*r, "__SX_IRC_CAL"), 1);
    EXPECT_EQ(Value(*r, "__SX_RESET"), 0xA10);
    EXPECT_EQ(r->Sym("__SX_RESET")->type, orda::kResb);
    EXPECT_EQ(Value(*r, "__SX_BREAK"), 0x11);
    EXPECT_EQ(r->Words(0x7FF, 1), W({0xA10}));
    auto s = Source(" FREQ 1\n FREQ 2\n RESET 0\n RESET 0\n BREAK\n BREAK\n IRC_CAL IRC_FAST\n"
                    " IRC_CAL IRC_FAST\n");
    for (const char* what : {"<FREQ>", "<RESET>", "<BREAK>", "<IRC_CAL>"})
        EXPECT_TRUE(s->Says(std::string("Error 2, Pass 1: Redefinition of symbol ") + what))
            << what << s->console();
    auto t = Source(kQuiet + " IRC_CAL FAST\n");
    EXPECT_TRUE(t->Says("Error 64, Pass 1: IRC_CAL has invalid or missing parameters"));
    auto u = Source(kQuiet + " RESET 300h\n");
    EXPECT_TRUE(u->Says("Error 52, Pass 2: Reset address not in page 0")) << u->console();
}

TEST(Directives, EndOfPassDefaults) {
    auto r = Source(" NOP\n");
    EXPECT_TRUE(r->Says("t.asm(1) Line 1, Warning 65, Pass 1: No IRC_CAL directive. Default "
                        "IRC_SLOW being used"))
        << r->console();
    EXPECT_TRUE(r->Says("t.asm(1) Line 1, Warning 66, Pass 1: No FREQ directive. Default 50 MHz "
                        "being used"));
    EXPECT_EQ(Value(*r, "__SX_FREQ"), 50000000);
    EXPECT_EQ(Value(*r, "__SX_IRC_CAL"), 0);
    // without the extension IRC_CAL does not exist, so its absence is not reported
    auto s = Source(" NOP\n", "");
    EXPECT_FALSE(s->Says("Warning 65")) << s->console();
    EXPECT_TRUE(s->Says("Warning 66"));
    EXPECT_EQ(s->exitCode, 2);
}

TEST(Directives, WatchEntries) {
    auto r =
        Source(kQuiet + "counter EQU 0Ah\n WATCH counter.3, 1, UBIN\n WATCH counter, 2, SDEC\n");
    const Symbol* w = r->Sym("__SX_WATCH:counter.3");
    ASSERT_NE(w, nullptr) << r->console();
    EXPECT_EQ(w->value, 0x30A);
    EXPECT_EQ(w->bit, 1);
    EXPECT_EQ(w->type, 12);
    EXPECT_EQ(r->Sym("__SX_WATCH:counter")->type, 9);
    auto s = Source(kQuiet + " WATCH later, 1, UBIN\nlater EQU 3\n");
    EXPECT_TRUE(s->Says("Error 3, Pass 1: Symbol <later> is not defined")) << s->console();
    auto t = Source(kQuiet + "cv EQU 1\n WATCH cv, 1\n");
    EXPECT_TRUE(t->Says("Error 63, Pass 1: WATCH is missing parameters")) << t->console();
    auto u = Source(kQuiet + "cv EQU 1\n WATCH cv.20, 1, UHEX\n");
    EXPECT_EQ(u->Sym("__SX_WATCH:cv.20")->value, 0x1401) << u->console();
    EXPECT_FALSE(u->Says("Warning 41")) << "bits up to 31 while watching";
    auto v = Source("cv EQU 1\n WATCH cv, 1, UBIN\n", "");
    EXPECT_EQ(v->Sym("__SX_WATCH:cv"), nullptr) << "no watches without the extension";
}

// ---- macros ----

TEST(Macros, NamedParametersLocalsAndArguments) {
    auto r = Source(kQuiet + "load MACRO reg, val\n MOV reg,#val\n ENDM\n load 8, 5\n"
                             " load {9}, 'A'\n");
    EXPECT_EQ(r->Words(0, 4), W({0xC05, 0x028, 0xC41, 0x029}));
    EXPECT_EQ(r->exitCode, 0) << r->console();
    auto s = Source(kQuiet + "wait MACRO\n LOCAL spin\nspin DJNZ 8,spin\n ENDM\n wait\n wait\n");
    EXPECT_EQ(s->Words(0, 4), W({0x2E8, 0xA00, 0x2E8, 0xA02}));
    EXPECT_NE(s->Sym("??0000"), nullptr);
    EXPECT_NE(s->Sym("??0001"), nullptr);
}

TEST(Macros, PositionalAndExpressionArguments) {
    auto r = Source(kQuiet + "put MACRO\n DW \\0, \\1, \\2\n ENDM\n put ?3*4, 7\n put\n");
    EXPECT_EQ(r->Words(0, 3), W({2, 12, 7}));
    auto s = Source(kQuiet + " RADIX = HEX\nput MACRO\n DW \\1\n ENDM\n put ?0ABh\n");
    EXPECT_EQ(s->Words(0, 1), W({0xAB})) << s->console();
}

TEST(Macros, ArgumentCountMustMatch) {
    auto r = Source(kQuiet + "two MACRO 2\n DW \\1\n ENDM\n two 1\n");
    EXPECT_TRUE(r->Says("Error 16, Pass 2: Macro arguments do not match")) << r->console();
    EXPECT_FALSE(r->Says("Pass 1: Macro arguments"));
}

TEST(Macros, LocalLabelsAreDistinctPerCall) {
    auto r = Source(kQuiet + "main NOP\nloopy MACRO\n:x DJNZ 8,:x\n ENDM\n loopy\n loopy\n"
                             ":x NOP\n");
    EXPECT_EQ(r->exitCode, 0) << r->console();
    EXPECT_NE(r->Sym("main?loopy1:x"), nullptr);
    EXPECT_NE(r->Sym("main?loopy2:x"), nullptr);
    EXPECT_EQ(Value(*r, "main:x"), 5) << "the suffix is gone after the expansion";
}

TEST(Macros, ExitmAndUnmatched) {
    auto r =
        Source(kQuiet + "mm MACRO\n DW 1\n IF \\0 = 0\n EXITM\n ENDIF\n DW 2\n ENDM\n mm\n mm 5\n");
    EXPECT_EQ(r->Words(0, 4), W({1, 1, 2, 0x0FFF}));
    EXPECT_EQ(r->exitCode, 0) << r->console();
    auto s = Source(kQuiet + " ENDM\n EXITM\n");
    EXPECT_EQ(s->Count("Error 17, Pass 1: Unmatched MACRO"), 2) << s->console();
    auto t = Source(kQuiet + "mm MACRO\n NOP\n");
    EXPECT_TRUE(t->Says("Error 32, Pass 1: Unexpected EOF")) << t->console();
    auto u = Source(kQuiet + "mm MACRO\n ENDM\nmm MACRO\n ENDM\n");
    EXPECT_TRUE(u->Says("Error 12, Pass 1: Redefinition of MACRO label <mm>")) << u->console();
}

TEST(Macros, ReptInsideAMacroPicksArguments) {
    auto r = Source(kQuiet + "each MACRO\n REPT \\0\n DW \\%\n ENDR\n ENDM\n each 7, 8, 9\n");
    EXPECT_EQ(r->Words(0, 3), W({7, 8, 9})) << r->console();
}

TEST(Macros, TokenPasting) {
    auto r = Source(kQuiet + "mk MACRO\nlbl?\\1 EQU \\2\n ENDM\n mk one, 1\n mk two, 2\n");
    EXPECT_EQ(Value(*r, "lblone"), 1) << r->console();
    EXPECT_EQ(Value(*r, "lbltwo"), 2);
    auto s = Source(kQuiet + "bad MACRO\nx? EQU 1\n ENDM\n");
    EXPECT_TRUE(s->Says("Error 73, Pass 1: Token paste '?' must join two words")) << s->console();
}

TEST(Macros, RunawayExpansionsStop) {
    auto r = Source(kQuiet + "self MACRO\n self\n ENDM\n self\n");
    EXPECT_TRUE(r->Says("Error 74, Pass 1: MACRO calls nested more than 64 levels deep"))
        << r->console();
    EXPECT_EQ(r->exitCode, 1);
    auto s = Assemble({{"t.asm", kQuiet + " REPT 200\n REPT 200\n NOP\n ENDR\n ENDR\n"}},
                      "/E CORVANEX t", 10000);
    EXPECT_TRUE(s->Says("Error 75, Pass 1: Source expands to more than 10000 lines"))
        << s->console();
    EXPECT_EQ(s->exitCode, 1);
}

// ---- include files ----

TEST(Includes, LinesComeFromTheIncludedFile) {
    auto r = Assemble({{"t.asm", kQuiet + " INCLUDE \"defs.inc\"\n MOV W,#k\n"},
                       {"defs.inc", "k EQU 42\n NOP\n"}},
                      "/E CORVANEX t");
    EXPECT_EQ(r->exitCode, 0) << r->console();
    EXPECT_EQ(r->Words(0, 2), W({0x000, 0xC2A}));
    auto s = Assemble({{"t.asm", kQuiet + " INCLUDE defs.inc\n"}, {"defs.inc", " DW 7\n"}},
                      "/E CORVANEX t");
    EXPECT_EQ(s->Words(0, 1), W({7})) << "a bare file name works too";
}

TEST(Includes, NestingAndMissingFiles) {
    auto r =
        Assemble({{"t.asm", kQuiet + " INCLUDE self.inc\n"}, {"self.inc", " INCLUDE self.inc\n"}},
                 "/E CORVANEX t");
    EXPECT_TRUE(r->Says("Error 21, Pass 1: File nesting error - Exceeded 10 levels"))
        << r->console();
    auto s = Source(kQuiet + " INCLUDE \"gone.inc\"\n");
    EXPECT_TRUE(s->Says("\nCannot open INCLUDE file: gone.inc\n")) << s->console();
    EXPECT_TRUE(s->Says("Error 61, Pass 1: Couldn't open include file: gone.inc"));
    EXPECT_EQ(s->exitCode, 1);
    EXPECT_NE(s->File("t.err").find("Couldn't open include file: gone.inc"), std::string::npos);
    auto t = Source(kQuiet + " INCLUDE \"gone.inc\"\n", "");
    EXPECT_TRUE(t->Says("Cannot open INCLUDE file: gone.inc")) << t->console();
    EXPECT_FALSE(t->Says("Error 61"));
    EXPECT_EQ(t->exitCode, 1);
    auto u = Source(kQuiet + " INCLUDE \"" + std::string(64, 'n') + "\"\n");
    EXPECT_TRUE(u->Says("Cannot open INCLUDE file")) << "pass 1 reads what it can";
}

TEST(Includes, AtMostThirtyOneFiles) {
    std::map<std::string, std::string> files;
    std::string main = kQuiet;
    for (int i = 0; i < 31; ++i) {
        std::string name = "f" + std::to_string(i) + ".inc";
        files[name] = " NOP\n";
        main += " INCLUDE " + name + "\n";
    }
    files["t.asm"] = main;
    auto r = Assemble(files, "/E CORVANEX t");
    EXPECT_EQ(r->Count("Error 67, Pass 1: Total number of INCLUDE files exceeded 31"), 1)
        << r->console();
    files["t.asm"] = main + " INCLUDE f0.inc\n";
    files.erase("f30.inc");
    std::string again = kQuiet;
    for (int i = 0; i < 30; ++i)
        again += " INCLUDE f" + std::to_string(i) + ".inc\n";
    again += " INCLUDE f0.inc\n";
    files["t.asm"] = again;
    auto s = Assemble(files, "/E CORVANEX t");
    EXPECT_EQ(s->exitCode, 0) << "a file included again takes no new slot" << s->console();
}

// ---- marks of pass 1 obeyed by pass 2 ----

TEST(PassMarks, WarningsInPass1KeepTheLineCode) {
    auto r = Source(kQuiet + " DEVICE SX18AC\n DEVICE SX28AC, OSCRC\n NOP\n ERROR P1W \"w\"\n"
                             "x DW 5\n");
    EXPECT_EQ(r->exitCode, 2) << r->console();
    EXPECT_EQ(r->Words(0, 2), W({0x000, 0x005}));
}

TEST(PassMarks, LinesNotSizedInPass1GetNoCode) {
    // IFDEF on a symbol defined further down is false in pass 1, true in pass 2
    auto r = Source(kQuiet + " IFDEF later\n DW 1\n ENDIF\nlater DW 2\n");
    EXPECT_EQ(Value(*r, "later"), 0);
    EXPECT_EQ(r->Words(0, 2), W({2, 0x0FFF}));
}

TEST(Symbols, ALoneAtSignIsANameOfItsOwn) {
    // A lone "@" once named the empty symbol, which the symbol file cannot carry.
    auto r = Assemble({{"t.asm", "@ nop\n"}}, "/E CORVANEX /F BIN16 t");
    EXPECT_NE(r->Sym("@"), nullptr);
    EXPECT_EQ(r->Sym(""), nullptr);
}
