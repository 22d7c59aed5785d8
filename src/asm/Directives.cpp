// The directives: device and configuration, symbols, placement, data, conditionals,
// repetition, macros, listing and case control, and the debug declarations.
#include <cstring>

#include "asm/Engine.h"
#include "asm/Keywords.h"
#include "target/DeviceTables.h"
#include "target/InstructionSet.h"

namespace pellix::asmr {

void Engine::RequireNoLabel() {
    if (st_.pendingLabel || st_.knownLabel) Fail("This directive cannot be preceeded by a symbol");
}

void Engine::DefineLabelAtAddress(uint16_t address) {
    if (st_.pendingLabel) {
        DefineSymbol(Kind::Constant, address);
    }
    if (st_.knownLabel || st_.labelEntry >= 0) st_.hasAddress = true;
}

void Engine::Directive(unsigned number) {
    switch (number) {
    case kDirDevice:
        RequireNoLabel();
        Device();
        return;
    case kDirId:
        RequireNoLabel();
        Id();
        return;
    case kDirReset: {
        DefineLabelAtAddress(mask_);
        uint32_t address = Deferred();
        if (address & 0xE00) Fail("RESET address must be on first page");
        EmitAt(mask_, isa::Opcode(isa::Form::Jmp) + (address & 0x1FF));
        st_.hasAddress = true;
        return;
    }
    case kDirAssign: {
        if (!st_.pendingLabel) Fail("\"=\" must be preceeded by a variable");
        uint32_t value = Strict();
        DefineSymbol(Kind::Variable, value);
        st_.showValue = true;
        st_.value = value;
        return;
    }
    case kDirEqu: {
        if (pass_.pass == 1 && !st_.pendingLabel) Fail("EQU must be preceded by a label");
        uint32_t value = Strict();
        if (st_.pendingLabel) {
            DefineSymbol(Kind::Constant, value);
        }
        // The symbol keeps its first-pass value; the second pass lists the expression's.
        if (pass_.pass == 2) {
            st_.showValue = true;
            st_.value = value;
        }
        return;
    }
    case kDirOrg: {
        uint16_t address = uint16_t(Strict() & mask_);
        pass_.address = address;
        DefineLabelAtAddress(address);
        st_.listAddress = address;
        return;
    }
    case kDirDs: {
        DefineLabelAtAddress(pass_.address);
        pass_.address = uint16_t((pass_.address + Strict()) & mask_);
        return;
    }
    case kDirDw:
        DefineLabelAtAddress(pass_.address);
        st_.hasAddress = true;
        for (;;) {
            Emit(Deferred() & 0xFFF);
            if (Next().kind != Kind::Comma) {
                PushBack(1);
                return;
            }
        }
    case kDirIfdef:
    case kDirIfndef:
    case kDirIf:
    case kDirElse:
    case kDirEndif:
        // Reached only behind a label: without one they are carried out at statement start.
        RequireNoLabel();
        return;
    case kDirRept:
        RequireNoLabel();
        Rept();
        return;
    case kDirEndr:
        RequireNoLabel();
        Endr();
        return;
    case kDirMacro:
        MacroDefinition(false);
        return;
    case kDirExitm:
    case kDirEndm:
        RequireNoLabel();
        MacroReturn();
        return;
    case kDirExpand:
        RequireNoLabel();
        pass_.pendingExpand = true;
        return;
    case kDirNoexpand:
        RequireNoLabel();
        pass_.expand = false;
        pass_.pendingExpand = false;
        return;
    case kDirCase:
        RequireNoLabel();
        pass_.caseSensitive = true;
        return;
    case kDirNocase:
        RequireNoLabel();
        pass_.caseSensitive = false;
        return;
    case kDirError:
        RequireNoLabel();
        Error();
        return;
    case kDirEnd:
        RequireNoLabel();
        pass_.endSeen = true;
        return;
    case kDirBreak:
        DefineLabelAtAddress(pass_.address);
        if (r_.debug.breakAddress != kNoBreak) Fail("Only one BREAK is allowed");
        r_.debug.breakAddress = pass_.address;
        return;
    case kDirWatch:
        RequireNoLabel();
        Watch();
        return;
    case kDirFreq: {
        RequireNoLabel();
        uint32_t hz = Strict();
        if (hz < kMinFrequency || hz > kMaxFrequency)
            Fail("Clock frequency must be from 400_000 to 110_000_000");
        r_.debug.frequency = hz;
        return;
    }
    default:
        return;
    }
}

void Engine::ApplyParameter(int word, uint16_t mask, uint16_t xorValue) {
    if (pass_.claims[word] & mask) Fail("Redundant DEVICE parameter");
    pass_.claims[word] |= mask;
    r_.assembled[kFuseIndex + word] ^= xorValue;
}

void Engine::Device() {
    constexpr const char* kExpectedIdentifier =
        "Expected a device identifier (SX18, SX28, SX48, or SX52)";
    for (;;) {
        Token t = Next();
        if (t.kind != Kind::DeviceWord)
            Fail(pass_.haveIdentifier ? "Expected a DEVICE parameter" : kExpectedIdentifier);
        if (t.value & kIdentifierFlag) {
            if (pass_.haveIdentifier) Fail("Only one device identifier is allowed");
            const DeviceIdentifier& id = DeviceIdentifiers()[t.value & 0xFF];
            pass_.haveIdentifier = true;
            mask_ = Geometry(id.family).addressMask;
            r_.deviceFamily = uint8_t(id.family);
            LoadDeviceKeywords(id.family);
            ApplyParameter(1, id.fusexMask, id.fusexXor);
        } else {
            if (!pass_.haveIdentifier) Fail(kExpectedIdentifier);
            int family = int((t.value >> 8) & 0xFF);
            // Names of the other family stay known when IFDEF picked another DEVICE line in
            // the first pass; they do not apply here.
            if (family != r_.deviceFamily) Fail("Expected a DEVICE parameter");
            const DeviceParameter& p = DeviceParameters(family)[t.value & 0xFF];
            ApplyParameter(p.word == ConfigWord::Fuse ? 0 : 1, p.mask, p.xorValue);
        }
        if (Next().kind != Kind::Comma) {
            PushBack(1);
            return;
        }
    }
}

void Engine::Id() {
    for (int n = 0;; ++n) {
        uint32_t c = Deferred();
        if (c < 0x20 || c > 0x7F) Fail("ID must be a string of up to 8 characters");
        r_.assembled[kIdIndex + 2 * n] = uint16_t(0xFF0 | (c >> 4));
        r_.assembled[kIdIndex + 2 * n + 1] = uint16_t(0xFF0 | (c & 0x0F));
        if (Next().kind != Kind::Comma) {
            PushBack(1);
            return;
        }
        if (n + 1 == kIdCharacters) Fail("ID cannot exceed 8 characters");
    }
}

void Engine::Conditional(unsigned number) {
    PassState& p = pass_;
    switch (number) {
    case kDirIf: {
        bool active = p.ifDepth == p.activeDepth;
        uint32_t value = Strict();
        ++p.ifDepth;
        if (value != 0 && active) ++p.activeDepth;
        return;
    }
    case kDirIfdef:
    case kDirIfndef: {
        Token t = Next();
        if (!t.isName || (t.kind != Kind::Undefined && t.kind != Kind::Constant))
            Fail("Expected a label");
        bool condition = (t.kind == Kind::Constant) == (number == kDirIfdef);
        bool active = p.ifDepth == p.activeDepth;
        ++p.ifDepth;
        if (condition && active) ++p.activeDepth;
        return;
    }
    case kDirElse: {
        if (p.ifDepth == 0) Fail("ELSE/ENDIF must be preceeded by IF");
        int d = p.ifDepth - 1;
        if (d == p.activeDepth)
            ++p.activeDepth;
        else if (d < p.activeDepth)
            --p.activeDepth;
        return;
    }
    case kDirEndif:
        if (p.ifDepth == 0) Fail("ELSE/ENDIF must be preceeded by IF");
        if (p.ifDepth == p.activeDepth) --p.activeDepth;
        --p.ifDepth;
        return;
    default:
        return;
    }
}

void Engine::Rept() {
    if (pass_.reptCount == kMaxRepts) Fail("Limit of 32 nested REPTs exceeded");
    uint32_t count = Strict();
    if (int32_t(count) <= 0) Fail("REPT count must be greater than 0");
    pass_.rept[size_t(pass_.reptCount++)] = {1, count, ResumeOffset()};
}

void Engine::Endr() {
    if (pass_.reptCount == 0) Fail("ENDR must be preceeded by REPT");
    if (++pass_.endrCount > kMaxEndrs) Fail("Limit of 100,000 total REPT loops exceeded");
    ReptRecord& rec = pass_.rept[size_t(pass_.reptCount - 1)];
    if (++rec.iteration > rec.count) {
        --pass_.reptCount;
        return;
    }
    pass_.jumpPending = true;
    pass_.jumpTarget = rec.bodyStart;
    st_.leftOut = true;
}

void Engine::MacroDefinition(bool redefinition) {
    if (!redefinition && !st_.pendingLabel) Fail("MACRO must be preceded by a label");
    uint8_t count = 0x80;
    if (Next().kind == Kind::EndOfLine) {
        PushBack(1);
    } else {
        PushBack(1);
        uint32_t value = Strict();
        if (value > 64) Fail("Expected a value from 0 to 64 or end-of-line");
        count = uint8_t(value);
    }
    if (!redefinition) {
        int e = DefineSymbol(Kind::Macro, ResumeOffset());
        symbols_[e].aux = count;
    }
    pass_.defining = true;
}

void Engine::MacroInvocation(const Token& name) {
    DefineLabelAtAddress(pass_.address);
    const uint8_t count = symbols_[name.entry].aux;
    const uint32_t body = symbols_[name.entry].value;

    // The arguments go into the new frame before it becomes the innermost one, so that "\"
    // in them still reads the arguments of the expansion that makes the call.
    MacroFrames::Builder frame(frames_, pass_.frameTop);
    if (!frame.RoomForHeader()) Fail("Macro stack overflow");
    auto argument = [&] {
        if (!frame.RoomForArgument()) Fail("Macro stack overflow");
        uint32_t value = Deferred();
        frame.AddArgument({lastUnresolved_, value});
    };
    if (count != 0x80) {
        for (unsigned i = 0; i < count; ++i) {
            if (i > 0) ExpectComma();
            argument();
        }
    } else {
        bool none = Next().kind == Kind::EndOfLine;
        PushBack(1);
        if (!none) {
            for (;;) {
                argument();
                if (Next().kind != Kind::Comma) {
                    PushBack(1);
                    break;
                }
            }
        }
    }
    if (!frame.RoomForCaller(pass_.prefixLength)) Fail("Macro stack overflow");
    const uint32_t link = pass_.innermost < 0 ? MacroFrames::kNoFrame : uint32_t(pass_.innermost);
    const size_t end = frame.Finish(link, {pass_.prefix, pass_.prefixLength}, ResumeOffset());
    pass_.innermost = long(pass_.frameTop);
    pass_.frameTop = end;

    // Local labels of the expansion live under its invocation tag.
    std::memcpy(pass_.prefix, pass_.tag, 4);
    pass_.prefixLength = 4;
    for (uint8_t& b : pass_.tag) {
        if (++b <= 32) break;
        b = 1;
    }
    pass_.jumpPending = true;
    pass_.jumpTarget = body;
}

void Engine::MacroReturn() {
    if (pass_.innermost < 0) Fail("EXITM/ENDM must be preceeded by MACRO");
    const size_t frame = size_t(pass_.innermost);
    const std::string_view prefix = frames_.CallerPrefix(frame);
    std::memcpy(pass_.prefix, prefix.data(), prefix.size());
    pass_.prefixLength = uint8_t(prefix.size());
    pass_.jumpPending = true;
    pass_.jumpTarget = frames_.Resume(frame);
    const uint32_t link = frames_.Link(frame);
    pass_.innermost = link == MacroFrames::kNoFrame ? -1 : long(link);
    pass_.frameTop = frame;
    st_.leftOut = true;
}

void Engine::Error() {
    char text[64];
    size_t length = 0;
    for (;;) {
        uint32_t c = Strict();
        if (c < 0x20 || c > 0xFF) Fail("Error message contains control characters");
        if (length == sizeof text) Fail("Error message exceeds 64 characters");
        text[length++] = char(c);
        if (Next().kind != Kind::Comma) {
            PushBack(1);
            break;
        }
    }
    ExpectEndOfLine();
    if (pass_.innermost >= 0) {
        // Inside an expansion the message points at the statement that started it.
        JumpTo(frames_.Resume(frames_.Outermost(size_t(pass_.innermost))));
        Next();
    }
    r_.message.assign(text, length);
    r_.status = 1;
    throw Failure{};
}

void Engine::Watch() {
    if (pass_.pass == 1) {
        SkipToLineEnd();
        return;
    }
    DebugInfo& d = r_.debug;
    if (d.watchCount >= kMaxWatches) Fail("Limit of 32 WATCHs exceeded");
    uint32_t target = Strict();
    uint32_t nameStart = exprStart_, nameEnd = exprEnd_;
    ExpectComma();
    uint32_t length = Strict();
    if (length < 1 || length > 32) Fail("Expected a value from 1 to 32");
    ExpectComma();
    Token format = Next();
    if (format.kind != Kind::WatchFormat)
        Fail("Expected UDEC, SDEC, UHEX, SHEX, UBIN, SBIN, FSTR, or ZSTR");
    WatchRecord& w = d.watches[size_t(d.watchCount++)];
    w = WatchRecord{};
    w.target = uint16_t(target & 0x7FF);
    w.length = uint8_t(length);
    w.format = uint8_t(format.value);
    size_t n = nameEnd > nameStart ? nameEnd - nameStart : 0;
    if (n > kWatchNameSize - 1) n = kWatchNameSize - 1;
    std::memcpy(w.name, text_ + nameStart, n);
    w.name[n] = '\0';
}

} // namespace pellix::asmr
