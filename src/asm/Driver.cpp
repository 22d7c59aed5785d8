// The two-pass driver: statement loop, listing, line tables and the error protocol.
#include <cstring>
#include <memory>
#include <new>

#include "asm/Assembler.h"
#include "asm/Engine.h"
#include "asm/Keywords.h"
#include "target/DeviceTables.h"

namespace pellix {

namespace asmr {

Engine::Engine(AssemblyRecord& record)
    : r_(record), text_(record.source.c_str()), textLength_(0), writer_(record.debug) {
    DebugInfo& d = r_.debug;
    if (d.listing.size() < d.listingCapacity + 1) d.listing.resize(d.listingCapacity + 1, '\0');
}

void Engine::Fail(const char* message) {
    r_.message = message;
    r_.status = 1;
    throw Failure{};
}

void Engine::FailAt(uint32_t start, uint32_t end, const char* message) {
    r_.errorStart = start;
    r_.errorEnd = end;
    Fail(message);
}

void Engine::AddKeyword(std::string_view key, Kind kind, uint32_t value, uint8_t aux) {
    int e = symbols_.Find(key);
    if (e >= 0) {
        // A second family's names replace the first's; a program's own symbol stays.
        if (symbols_[e].keyword) {
            symbols_[e].kind = kind;
            symbols_[e].value = value;
            symbols_[e].aux = aux;
        }
        return;
    }
    e = symbols_.Add(key, kind, value, true);
    if (e < 0) Fail("Symbol table full");
    symbols_[e].aux = aux;
}

void Engine::LoadFirstKeywords() {
    for (const KeywordEntry& k : FirstKeywords())
        AddKeyword(k.key, k.kind, k.value);
}

void Engine::LoadDeviceKeywords(int family) {
    if (keywordFamily_ == family) return;
    if (keywordFamily_ < 0)
        for (const KeywordEntry& k : DeviceKeywords())
            AddKeyword(k.key, k.kind, k.value);
    auto params = DeviceParameters(family);
    for (size_t i = 0; i < params.size(); ++i)
        AddKeyword(params[i].name, Kind::DeviceWord, uint32_t(family) << 8 | uint32_t(i));
    for (const PredefinedName& n : PredefinedNames())
        if (PredefinedInFamily(n, family)) AddKeyword(n.name, Kind::Constant, n.value);
    keywordFamily_ = family;
}

int Engine::DefineSymbol(Kind kind, uint32_t value) {
    int e = symbols_.Add({st_.label, st_.labelLength}, kind, value);
    if (e < 0) Fail("Symbol table full");
    st_.pendingLabel = false;
    st_.labelEntry = e;
    return e;
}

void Engine::Run() {
    textLength_ = uint32_t(std::strlen(text_));
    if (r_.source.size() >= 0xFFFF'0000u) Fail("Source text is too large");
    symbols_.Clear();
    LoadFirstKeywords();
    Pass(1);
    Pass(2);
    r_.errorStart = 0;
    r_.errorEnd = 0;
    r_.transfer = r_.assembled;
    if (r_.debug.listingLength == 0) Fail("Nothing to assemble");
    r_.debug.listing[r_.debug.listingLength] = '\0';
    r_.message.clear();
    r_.status = 0;
}

void Engine::Pass(int pass) {
    pass_ = PassState{};
    pass_.pass = pass;
    DebugInfo& d = r_.debug;
    d.listingLength = 0;
    d.lineCount = 0;
    d.lineOfAddress.fill(-1);
    // The image is cleared with the family the record holds (the first pass's, in the second
    // pass) before the family starts again from 0.
    r_.ClearImage();
    r_.deviceFamily = 0;
    d.breakAddress = kNoBreak;
    d.watchCount = 0;
    d.frequency = kDefaultFrequency;
    d.ircChoice = kNoIrcChoice;

    for (;;) {
        if (pass_.jumpPending) {
            pass_.jumpPending = false;
            JumpTo(pass_.jumpTarget);
            Next();
        }
        if (!Statement1()) break;
        pass_.work += 1 + (st_.end > st_.start ? st_.end - st_.start : 0) / 64;
        if (pass_.work > kMaxStatementWork) Fail("Limit of 2,000,000 total statements exceeded");
        if (pass_.endSeen) {
            // After END the pass ends without the end-of-text checks.
            AddEndEntry();
            return;
        }
    }
    EndOfText();
}

void Engine::EndOfText() {
    r_.errorStart = r_.errorEnd = textLength_;
    if (pass_.defining) Fail("ENDM required to end MACRO definition");
    if (pass_.ifDepth > 0) Fail("ENDIF required to end IF block");
    if (pass_.reptCount > 0) Fail("ENDR required to end REPT block");
    AddEndEntry();
}

// The entry after the last line, so that the last line has an end; the tables hold one more
// entry than the line limit for it.
void Engine::AddEndEntry() {
    DebugInfo& d = r_.debug;
    d.lineSource[size_t(d.lineCount)] = int32_t(textLength_);
    d.lineText[size_t(d.lineCount)] = int32_t(d.listingLength);
    ++d.lineCount;
}

void Engine::ExpectEndOfLine() {
    Token t = Next();
    if (t.kind != Kind::EndOfLine) Fail("Expected end-of-line");
    st_.end = t.end;
}

void Engine::SetPendingLabel(const Token& t) {
    if (!symbols_.HasRoom(keyLength_)) Fail("Symbol table full");
    std::memcpy(st_.label, key_, keyLength_);
    st_.labelLength = keyLength_;
    st_.pendingLabel = true;
    if (!t.local) SetPrefix(name_, nameLength_);
}

// A global name begins a new scope of local labels; inside an expansion the invocation tag
// stays the prefix, so that the local labels of two expansions can never meet.
void Engine::SetPrefix(const char* name, uint8_t length) {
    if (pass_.innermost >= 0) return;
    std::memcpy(pass_.prefix, name, length);
    pass_.prefixLength = length;
}

// One statement; false at the end of the text.
bool Engine::Statement1() {
    st_ = Statement{};
    st_.start = pass_.pos;
    st_.address = st_.listAddress = pass_.address;
    st_.inExpansion = pass_.innermost >= 0;
    if (pass_.pendingExpand) {
        pass_.expand = true;
        pass_.pendingExpand = false;
    }
    st_.reptCount = pass_.reptCount > 0 ? pass_.rept[size_t(pass_.reptCount - 1)].iteration : 0;

    Token t = Next();
    // A last line without CR still counts when it holds anything at all.
    if (t.kind == Kind::EndOfLine && t.endOfText && t.start == st_.start) return false;

    auto skip = [&] {
        if (t.kind != Kind::EndOfLine) {
            SkipToLineEnd();
            t = Next();
        }
        st_.end = t.end;
    };

    if (pass_.defining) {
        if (t.kind == Kind::Directive && t.value == kDirEndm) {
            pass_.defining = false;
            ExpectEndOfLine();
        } else {
            skip();
        }
        ListStatement();
        return true;
    }
    if (t.kind == Kind::Directive && t.value >= kDirIfdef && t.value <= kDirEndif) {
        Conditional(t.value);
        ExpectEndOfLine();
        ListStatement();
        return true;
    }
    if (pass_.ifDepth != pass_.activeDepth) {
        skip();
        ListStatement();
        return true;
    }

    auto setPrefix = [&](const Token& label) {
        if (!label.local) SetPrefix(name_, nameLength_);
    };

    switch (t.kind) {
    case Kind::Undefined:
        if (!pass_.haveIdentifier) Fail("Expected a DEVICE directive");
        SetPendingLabel(t);
        t = Next();
        break;
    case Kind::Variable: {
        if (!t.isName) break;
        setPrefix(t);
        const int entry = t.entry;
        Token eq = Next();
        if (eq.kind != Kind::Compare || eq.value != kOpEq)
            Fail("Variable must be followed by \"=\"");
        uint32_t value = Strict();
        symbols_[entry].value = value;
        st_.showValue = true;
        st_.value = value;
        ExpectEndOfLine();
        ListStatement();
        return true;
    }
    case Kind::Constant:
        // A number, character, "$" or "%" cannot begin a statement.
        if (!t.isName) Fail("Expected a label, directive, or instruction");
        if (pass_.pass == 1) Fail("Label is already defined");
        setPrefix(t);
        st_.knownLabel = true;
        st_.hasAddress = true;
        t = Next();
        break;
    case Kind::Macro: {
        // The definition line itself, met again in the second pass or defined twice.
        char name[kMaxNameLength];
        const uint8_t nameLength = nameLength_;
        std::memcpy(name, name_, nameLength);
        const bool local = t.local;
        Token u = Next();
        if (u.kind == Kind::Directive && u.value == kDirMacro) {
            if (!local) SetPrefix(name, nameLength);
            MacroDefinition(true);
            ExpectEndOfLine();
            ListStatement();
            return true;
        }
        PushBack(1);
        break;
    }
    default:
        break;
    }

    switch (t.kind) {
    case Kind::Compare:
        if (t.value != kOpEq) Fail("Expected a label, directive, or instruction");
        Directive(kDirAssign);
        ExpectEndOfLine();
        break;
    case Kind::Directive:
        Directive(t.value);
        ExpectEndOfLine();
        break;
    case Kind::Logical:
    case Kind::Not:
    case Kind::Instruction: {
        unsigned number = t.kind == Kind::Instruction ? t.value
                          : t.kind == Kind::Not       ? unsigned(kNot)
                          : t.value == kOpLogAnd      ? unsigned(kAnd)
                          : t.value == kOpLogOr       ? unsigned(kOr)
                                                      : unsigned(kXor);
        DefineLabelAtAddress(pass_.address);
        st_.hasAddress = true;
        Instruction(number);
        ExpectEndOfLine();
        break;
    }
    case Kind::Macro:
        MacroInvocation(t);
        ExpectEndOfLine();
        break;
    case Kind::EndOfLine:
        DefineLabelAtAddress(pass_.address);
        st_.end = t.end;
        break;
    default:
        Fail("Expected a label, directive, or instruction");
    }
    ListStatement();
    return true;
}

// The first pass only needs the lengths (its listing is rebuilt by the second), so it counts
// instead of writing; "List is too large" comes at the same statement either way.
void Engine::Write(const char* text, size_t length) {
    bool ok = pass_.pass == 1 ? writer_.Advance(length) : writer_.Put({text, length});
    if (!ok) Fail(kListTooLarge);
}

void Engine::AddLineEntry() {
    DebugInfo& d = r_.debug;
    if (d.lineCount >= kMaxListLines) Fail(kListTooLarge);
    d.lineSource[size_t(d.lineCount)] = int32_t(st_.start);
    d.lineText[size_t(d.lineCount)] = int32_t(d.listingLength);
    ++d.lineCount;
}

namespace {

char* Hex(char* out, unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        *out++ = kDigits[(value >> shift) & 0xF];
    return out;
}

} // namespace

// "AAA-" and up to two words; returns the end of what was put into out.
char* Engine::Words(char* out, uint16_t address, int first, int count) const {
    out = Hex(out, (address + first) & mask_, 3);
    *out++ = '-';
    for (int i = first; i < first + count; ++i) {
        *out++ = ' ';
        out = Hex(out, r_.assembled.Code((address + i) & mask_), 3);
    }
    return out;
}

void Engine::ListLine(bool withText) {
    AddLineEntry();
    char line[32];
    char* end = line;
    if (st_.showValue) {
        *end++ = '=';
        end = Hex(end, st_.value, 8);
    } else if (st_.words > 0 || st_.hasAddress) {
        end = Words(end, st_.listAddress, 0, st_.words < 2 ? st_.words : 2);
    }
    const uint32_t length = st_.end - st_.start;
    if (withText && !(length == 1 && At(st_.start) == '\r')) {
        for (int column = int(end - line); column < 16; column = (column / 8 + 1) * 8)
            *end++ = '\t';
        Write(line, size_t(end - line));
        Write(text_ + st_.start, length);
        if (length == 0 || At(st_.end - 1) != '\r') Write("\r", 1);
    } else {
        *end++ = '\r';
        Write(line, size_t(end - line));
    }
    for (int i = 2; i < st_.words; i += 2) {
        AddLineEntry();
        end = Words(line, st_.listAddress, i, st_.words - i < 2 ? st_.words - i : 2);
        *end++ = '\r';
        Write(line, size_t(end - line));
    }
}

void Engine::ListStatement() {
    if (st_.leftOut) return;
    if (st_.inExpansion && !pass_.expand) {
        if (st_.words > 0) ListLine(false);
        return;
    }
    ListLine(true);
}

} // namespace asmr

void Assemble(AssemblyRecord& record) {
    record.status = 1;
    try {
        auto engine = std::make_unique<asmr::Engine>(record);
        engine->Run();
    } catch (const asmr::Failure&) {
    } catch (const std::bad_alloc&) {
        record.Fail("Not enough memory to assemble");
    } catch (...) {
        record.Fail("Internal assembler error");
    }
}

} // namespace pellix
