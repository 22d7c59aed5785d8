// Cutting the source text into tokens.
#include <cstring>

#include "asm/Engine.h"

namespace pellix::asmr {

namespace {

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool IsNameStart(unsigned char c) {
    return IsLetter(c) || c == '_' || c == ':';
}
bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || IsDigit(c);
}

int DigitValue(unsigned char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 99;
}
bool IsHexDigit(unsigned char c) {
    return DigitValue(c) < 16;
}

} // namespace

Token Engine::FromEntry(Token t, int entry) {
    t.entry = int16_t(entry);
    if (entry >= 0) {
        t.kind = symbols_[entry].kind;
        t.value = symbols_[entry].value;
    } else {
        t.kind = Kind::Undefined;
        t.value = 0;
    }
    return t;
}

// Every token marks itself as the place of an error found now.
Token Engine::Next() {
    Token t = Scan();
    r_.errorStart = t.start;
    r_.errorEnd = t.end;
    return t;
}

Token Engine::Scan() {
    PassState& p = pass_;
    p.ringPos[p.ringCount & 3] = p.pos;
    p.ringString[p.ringCount & 3] = p.string;
    ++p.ringCount;

    Token t;

    // Inside a character string: its characters, with a comma between each two.
    if (p.string == StringState::AfterChar) {
        unsigned char c = At(p.pos);
        if (c == '\'') {
            ++p.pos;
            p.string = StringState::Outside;
        } else if (c == '\r' || c == '\0') {
            FailAt(p.pos, p.pos, "Expected a terminating quote");
        } else {
            p.string = StringState::AfterComma;
            t.kind = Kind::Comma;
            t.start = t.end = p.pos;
            return t;
        }
    } else if (p.string == StringState::AfterComma) {
        t.kind = Kind::Constant;
        t.value = At(p.pos);
        t.start = p.pos;
        t.end = ++p.pos;
        p.string = StringState::AfterChar;
        return t;
    }

    for (unsigned char c = At(p.pos); c != '\0' && c != '\r' && c <= 0x20; c = At(p.pos))
        ++p.pos;

    const uint32_t start = p.pos;
    const unsigned char c = At(start);
    t.start = start;

    if (c == ';') {
        p.pos += uint32_t(std::strcspn(text_ + p.pos, "\r"));
        t.start = p.pos;
    }
    if (At(p.pos) == '\r' || At(p.pos) == '\0') {
        t.kind = Kind::EndOfLine;
        t.start = p.pos;
        if (At(p.pos) == '\r') {
            t.end = ++p.pos;
        } else {
            t.end = p.pos;
            t.endOfText = true;
        }
        return t;
    }
    if (c == ',') {
        t.kind = Kind::Comma;
        t.end = ++p.pos;
        return t;
    }
    if (c == '\'') {
        unsigned char first = At(start + 1);
        if (first == '\'') FailAt(start, start + 2, "Empty string");
        if (first == '\r' || first == '\0')
            FailAt(start, start + 1, "Expected a terminating quote");
        t.kind = Kind::Constant;
        t.value = first;
        t.start = start + 1;
        t.end = p.pos = start + 2;
        p.string = StringState::AfterChar;
        return t;
    }
    if (c == '$') {
        if (IsHexDigit(At(start + 1))) {
            t = ScanNumber(start, start + 1, 16, false);
        } else {
            t.kind = Kind::Constant;
            t.value = st_.address;
            t.end = p.pos = start + 1;
        }
        return t;
    }
    if (c == '%') {
        if (At(start + 1) == '0' || At(start + 1) == '1') {
            t = ScanNumber(start, start + 1, 2, false);
        } else {
            t.kind = Kind::Constant;
            t.value = st_.reptCount;
            t.end = p.pos = start + 1;
        }
        return t;
    }
    if (IsDigit(c)) {
        // The radix comes from the longest run of hexadecimal digits: an H after it, or a B
        // as its last digit, make it hexadecimal or binary.
        uint32_t run = start;
        while (IsHexDigit(At(run)))
            ++run;
        unsigned char after = At(run), last = At(run - 1);
        if (after == 'H' || after == 'h')
            t = ScanNumber(start, start, 16, true);
        else if (last == 'B' || last == 'b')
            t = ScanNumber(start, start, 2, true);
        else
            t = ScanNumber(start, start, 10, false);
        return t;
    }
    if (IsNameStart(c)) {
        t = ScanName(start);
        return t;
    }
    t = ScanOperator(start);
    return t;
}

Token Engine::ScanNumber(uint32_t start, uint32_t digitsFrom, unsigned radix, bool suffixed) {
    uint64_t value = 0;
    unsigned count = 0;
    uint32_t q = digitsFrom;
    for (;;) {
        unsigned char c = At(q);
        if (c == '_' && q > digitsFrom) {
            if (++count > 64) FailAt(start, q + 1, "Constant exceeds 64 digits");
            ++q;
            continue;
        }
        unsigned d = unsigned(DigitValue(c));
        if (d >= radix) break;
        value = value * radix + d;
        if (value > 0xFFFF'FFFFull) FailAt(start, q + 1, "Constant exceeds 32 bits");
        if (++count > 64) FailAt(start, q + 1, "Constant exceeds 64 digits");
        ++q;
    }
    if (suffixed) {
        // The digits of a hexadecimal run always end at its H. Binary digits may stop before
        // the B (as in 12B): the spare digit would be lost as the suffix, so that is refused.
        unsigned char c = At(q);
        if (radix == 2 && ((c != 'B' && c != 'b') || IsHexDigit(At(q + 1))))
            FailAt(start, q + 1, "Invalid digit in binary constant");
        ++q;
    }
    Token t;
    t.kind = Kind::Constant;
    t.value = uint32_t(value);
    t.start = start;
    t.end = pass_.pos = q;
    return t;
}

Token Engine::ScanName(uint32_t start) {
    uint32_t q = start;
    uint8_t length = 0;
    while (IsNameChar(At(q))) {
        if (length == kMaxNameLength) FailAt(start, q + 1, "Symbol exceeds 32 characters");
        char c = char(At(q));
        if (!pass_.caseSensitive && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        name_[length++] = c;
        ++q;
    }
    nameLength_ = length;
    Token t;
    t.isName = true;
    t.local = name_[0] == ':';
    keyLength_ = 0;
    if (t.local) {
        std::memcpy(key_, pass_.prefix, pass_.prefixLength);
        keyLength_ = pass_.prefixLength;
    }
    std::memcpy(key_ + keyLength_, name_, length);
    keyLength_ = uint8_t(keyLength_ + length);
    t = FromEntry(t, symbols_.Find({key_, keyLength_}));
    t.start = start;
    t.end = pass_.pos = q;
    return t;
}

Token Engine::ScanOperator(uint32_t start) {
    // Two-character operators may have blanks (but no other separator) between their halves.
    uint32_t q = start + 1;
    while (At(q) == ' ')
        ++q;
    const char pair[2] = {char(At(start)), char(At(q))};
    Token t;
    t.start = start;
    if (At(q) > 0x20) {
        int e = symbols_.Find({pair, 2});
        if (e >= 0) {
            t = FromEntry(t, e);
            t.end = pass_.pos = q + 1;
            return t;
        }
    }
    int e = symbols_.Find({pair, 1});
    if (e < 0) FailAt(start, start + 1, "Unrecognized character");
    t = FromEntry(t, e);
    t.end = pass_.pos = start + 1;
    return t;
}

void Engine::PushBack(int count) {
    PassState& p = pass_;
    p.ringCount -= unsigned(count);
    p.pos = p.ringPos[p.ringCount & 3];
    p.string = p.ringString[p.ringCount & 3];
}

void Engine::SkipToLineEnd() {
    pass_.string = StringState::Outside;
    pass_.pos += uint32_t(std::strcspn(text_ + pass_.pos, "\r"));
}

// Where scanning can start again later with no string open: a pushed-back token may leave the
// scanner just before the closing quote of a string.
uint32_t Engine::ResumeOffset() const {
    if (pass_.string == StringState::AfterChar && At(pass_.pos) == '\'') return pass_.pos + 1;
    return pass_.pos;
}

void Engine::JumpTo(uint32_t offset) {
    pass_.pos = offset;
    pass_.string = StringState::Outside;
}

} // namespace pellix::asmr
