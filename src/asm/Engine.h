// The built-in assembler's machinery: scanner, expressions, instructions, directives and the
// two-pass driver over one AssemblyRecord. Internal to src/asm; Assembler.h is the entry.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "asm/MacroFrames.h"
#include "asm/SymbolTable.h"
#include "target/AssemblyRecord.h"
#include "target/ListingWriter.h"

namespace pellix::asmr {

// Thrown after the first error has been recorded; caught in Assemble.
struct Failure {};

// Sixteen bytes, so that a token travels in registers.
struct Token {
    Kind kind = Kind::EndOfLine;
    bool isName : 1 = false;    // read from a name (not a number, character, "$" or "%")
    bool local : 1 = false;     // a name beginning with ":"
    bool endOfText : 1 = false; // the NUL that ends the text
    int16_t entry = -1;         // symbol table entry, or -1
    uint32_t value = 0;
    uint32_t start = 0;
    uint32_t end = 0;
};
static_assert(sizeof(Token) == 16);
static_assert(SymbolTable::kStorageBytes / (SymbolTable::kEntryOverhead + 1) < 32768,
              "every entry index fits Token::entry");

enum class StringState : uint8_t { Outside, AfterChar, AfterComma };

inline constexpr int kMaxRepts = 32;
inline constexpr uint32_t kMaxEndrs = 100'000;
// Guards against macro fan-out that would otherwise run for years: every statement costs
// one unit plus one per 64 characters of its text.
inline constexpr uint64_t kMaxStatementWork = 2'000'000;

struct ReptRecord {
    uint32_t iteration;
    uint32_t count;
    uint32_t bodyStart;
};

// Everything that lives for one pass; rebuilt whole at the start of each pass.
struct PassState {
    int pass = 1;

    // Scanner.
    uint32_t pos = 0;
    StringState string = StringState::Outside;
    std::array<uint32_t, 4> ringPos{};
    std::array<StringState, 4> ringString{};
    unsigned ringCount = 0;
    bool caseSensitive = false;
    char prefix[kMaxNameLength] = {};
    uint8_t prefixLength = 0;

    // Driver.
    uint16_t address = 0;
    bool haveIdentifier = false;
    uint16_t claims[2] = {0, 0}; // FUSE, FUSEX
    bool endSeen = false;
    bool jumpPending = false;
    uint32_t jumpTarget = 0;
    uint64_t work = 0;

    // Conditionals, repetition, macros, listing control.
    int ifDepth = 0;
    int activeDepth = 0;
    std::array<ReptRecord, kMaxRepts> rept{};
    int reptCount = 0;
    uint32_t endrCount = 0;
    bool defining = false;
    size_t frameTop = 0;
    long innermost = -1; // offset of the innermost frame, -1 when no expansion is active
    uint8_t tag[4] = {1, 1, 1, 1};
    bool expand = true;
    bool pendingExpand = false;
};

// One statement: what the listing needs, and its label.
struct Statement {
    uint32_t start = 0;
    uint32_t end = 0;         // just after its CR, or at the NUL
    uint16_t address = 0;     // "$"
    uint32_t reptCount = 0;   // "%"
    uint16_t listAddress = 0; // the address the listing shows
    int words = 0;
    bool hasAddress = false;
    bool leftOut = false;
    bool inExpansion = false;
    bool showValue = false; // "=" and the value instead of address and words
    uint32_t value = 0;

    bool pendingLabel = false; // an undefined name waits to be defined
    bool knownLabel = false;   // a label defined in the first pass (second pass)
    uint8_t labelLength = 0;
    char label[kMaxKeyLength] = {};
    int labelEntry = -1;
};

class Engine {
public:
    explicit Engine(AssemblyRecord& record);

    // Both passes and the end checks; throws Failure after recording the first error.
    void Run();

private:
    // Errors.
    [[noreturn]] void Fail(const char* message);
    [[noreturn]] void FailAt(uint32_t start, uint32_t end, const char* message);

    // Scanner.
    Token Next();
    Token Scan();
    void PushBack(int count);
    void SkipToLineEnd();
    void JumpTo(uint32_t offset);
    uint32_t ResumeOffset() const;
    Token ScanNumber(uint32_t start, uint32_t digitsFrom, unsigned radix, bool suffixed);
    Token ScanName(uint32_t start);
    Token ScanOperator(uint32_t start);
    Token FromEntry(Token t, int entry);
    unsigned char At(uint32_t offset) const { return static_cast<unsigned char>(text_[offset]); }

    // Symbols.
    void LoadFirstKeywords();
    void LoadDeviceKeywords(int family);
    void AddKeyword(std::string_view key, Kind kind, uint32_t value, uint8_t aux = 0);
    // Defines the statement's pending label; "Symbol table full" when there is no room.
    int DefineSymbol(Kind kind, uint32_t value);

    // Expressions.
    uint32_t Evaluate(bool strict);
    uint32_t Deferred() { return Evaluate(pass_.pass == 2); }
    uint32_t Strict() { return Evaluate(true); }
    uint32_t exprStart_ = 0;
    uint32_t exprEnd_ = 0;
    bool lastUnresolved_ = false; // the last expression was left unresolved (first pass)

    // Instructions.
    void Instruction(unsigned number);
    void Emit(unsigned word);
    void EmitAt(uint16_t address, unsigned word);
    void ExpectComma();
    unsigned Fr(uint32_t value) const;
    unsigned Bit(uint32_t value) const;
    unsigned RegisterOperand() { return Fr(Deferred()); }
    unsigned BitOperand() { return Bit(Deferred()); }
    uint32_t AddressOperand(bool& page);
    void Mov();
    void FrFrForm(unsigned fr, unsigned frWord);
    void CompareSkip(unsigned number, bool jump);

    // Directives.
    void Directive(unsigned number);
    void RequireNoLabel();
    void DefineLabelAtAddress(uint16_t address);
    void Device();
    void ApplyParameter(int word, uint16_t mask, uint16_t xorValue);
    void Id();
    void Conditional(unsigned number);
    void Rept();
    void Endr();
    void MacroDefinition(bool redefinition);
    void MacroInvocation(const Token& name);
    void MacroReturn();
    void Error();
    void Watch();

    // Driver.
    void Pass(int pass);
    bool Statement1();
    void ExpectEndOfLine();
    void SetPendingLabel(const Token& t);
    void SetPrefix(const char* name, uint8_t length);
    void ListStatement();
    void ListLine(bool withText);
    char* Words(char* out, uint16_t address, int first, int count) const;
    void AddLineEntry();
    void Write(const char* text, size_t length);
    void EndOfText();
    void AddEndEntry();

    AssemblyRecord& r_;
    const char* text_;
    uint32_t textLength_;
    ListingWriter writer_;
    SymbolTable symbols_;
    uint16_t mask_ = 0x7FF;
    int keywordFamily_ = -1; // family whose names are loaded, -1 before any DEVICE
    PassState pass_;
    Statement st_;
    // Name as read (folded unless CASE), and its length, for the local-label prefix.
    char name_[kMaxNameLength] = {};
    uint8_t nameLength_ = 0;
    // Its symbol key: the local-label prefix and the name for a local name.
    char key_[kMaxKeyLength] = {};
    uint8_t keyLength_ = 0;
    MacroFrames frames_;
};

} // namespace pellix::asmr
