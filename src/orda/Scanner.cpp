// Tokens, numbers, expressions with bit parts, and the symbol tree.
#include <cstring>

#include "orda/Orda.h"
#include "orda/OrdaText.h"

namespace orda {

namespace {

constexpr size_t kMaxToken = 120;
constexpr size_t kMaxString = 119;
constexpr int kStackSize = 32;

bool ArithmeticUnderflowSafeNeg(int32_t v, int32_t& out) {
    out = int32_t(0u - uint32_t(v));
    return true;
}

} // namespace

void Orda::StartLine(std::string_view text) {
    cur_.text = text;
    cur_.tok.type = 0;
    cur_.tok.text.clear();
    cur_.stackDepth = 0;
    ScanFrom(0);
}

void Orda::ScanFrom(size_t pos) {
    cur_.pos = pos;
    cur_.havePeek = false;
}

int Orda::Peek() {
    if (!cur_.havePeek) {
        Token saved = cur_.tok;
        Next();
        cur_.peek = std::move(cur_.tok);
        cur_.tok = std::move(saved);
        cur_.havePeek = true;
    }
    return cur_.peek.type;
}

int Orda::Next() {
    if (cur_.havePeek) {
        cur_.tok = std::move(cur_.peek);
        cur_.havePeek = false;
        return cur_.tok.type;
    }
    const size_t n = cur_.text.size();
    while (cur_.pos < n) {
        unsigned char c = (unsigned char)cur_.text[cur_.pos];
        if (c == ' ' || c == '\t' || c == 31) {
            ++cur_.pos;
            continue;
        }
        break;
    }
    cur_.tok.start = cur_.pos;
    cur_.tok.text.clear();
    cur_.tok.number = 0;
    if (cur_.pos >= n) return cur_.tok.type = kTokEnd;
    unsigned char c = (unsigned char)cur_.text[cur_.pos];
    if (IsStatementEnd(c) || c == ';') {
        cur_.pos = n;
        return cur_.tok.type = kTokEnd;
    }
    if (c == ',') {
        ++cur_.pos;
        return cur_.tok.type = kTokComma;
    }
    switch (kCharClass[c]) {
    case kClassName:
    case kClassDigit:
        return cur_.tok.type = ScanWord();
    case kClassQuote:
        return cur_.tok.type = ScanString();
    case kClassOp:
        return cur_.tok.type = ScanOperator();
    default:
        // reported and passed over, so that the statement reads as if it were not there
        ++cur_.pos;
        if (p_.pass == 2) Report(kWarning, kIllegalCharacter);
        return Next();
    }
}

int Orda::ScanWord() {
    const size_t start = cur_.pos;
    const size_t n = cur_.text.size();
    while (cur_.pos < n && IsWordChar((unsigned char)cur_.text[cur_.pos]))
        ++cur_.pos;
    std::string_view word(cur_.text.data() + start, cur_.pos - start);
    if (word.size() > kMaxToken) {
        Report(kError, kTokenTooLong);
        host_.Print("\nProgram Aborted.\n");
        Exit(1);
    }
    auto nameOf = [&](std::string_view w) {
        cur_.tok.text.clear();
        for (char ch : w)
            if (ch != 31) cur_.tok.text += ch;
    };
    char c0 = word[0];
    if (kCharClass[(unsigned char)c0] == kClassName) {
        if (word.size() == 1 && (c0 == '$' || c0 == '%')) {
            cur_.tok.text.assign(1, c0);
            return kTokName;
        }
        if (c0 == '@') {
            // "@" alone is an ordinary name
            if (word.size() == 1) {
                nameOf(word);
                return kTokName;
            }
            nameOf(word.substr(1));
            return kTokAtName;
        }
        int radix = 0;
        std::string_view digits;
        if (c0 == '$') {
            radix = 16;
            digits = word.substr(1);
        } else if (c0 == '%') {
            radix = 2;
            digits = word.substr(1);
        } else if (word.size() >= 2 && (word[1] == '\'' || word[1] == '"' || word[1] == 31)) {
            switch (Upper(c0)) {
            case 'B':
                radix = 2;
                break;
            case 'D':
                radix = 10;
                break;
            case 'H':
            case 'X':
                radix = 16;
                break;
            case 'O':
            case 'Q':
                radix = 8;
                break;
            }
            if (radix) {
                digits = word.substr(2);
                size_t close = digits.find(word[1]);
                if (close != std::string_view::npos) digits = digits.substr(0, close);
            }
        }
        if (!radix) {
            nameOf(word);
            // Labels local to a macro expansion.
            if (c0 == '`') {
                if (const Frame* m = p_.src.InnermostMacro()) {
                    uint32_t n2 = 0;
                    bool numeric = word.size() > 1;
                    for (char ch : word.substr(1)) {
                        if (ch < '0' || ch > '9') {
                            numeric = false;
                            break;
                        }
                        n2 = n2 * 10 + uint32_t(ch - '0');
                    }
                    if (numeric) cur_.tok.text = Format("??000%01X", m->localBase + n2);
                }
            }
            return kTokName;
        }
        ConvertNumber(digits, radix, cur_.tok.number);
        cur_.tok.text.assign(word);
        return kTokNumber;
    }
    // Starts with a digit.
    cur_.tok.text.assign(word);
    std::string_view w = word.substr(0, word.size() > 32 ? 32 : word.size());
    if (w.size() >= 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) {
        ConvertNumber(w.substr(2), 16, cur_.tok.number);
        return kTokNumber;
    }
    char last = Upper(w.back());
    int radix = p_.s.radix;
    std::string_view digits = w;
    if (last == 'H' || last == 'X') {
        radix = 16;
        digits = w.substr(0, w.size() - 1);
    } else if (last == 'O') {
        radix = 8;
        digits = w.substr(0, w.size() - 1);
    } else if (last == 'B' || last == 'D') {
        if (p_.s.radix == 16 && w.size() < 3) {
            radix = 16;
            if (p_.pass == 2) Report(kWarning, kAssumeHex);
        } else {
            radix = last == 'B' ? 2 : 10;
            digits = w.substr(0, w.size() - 1);
        }
    }
    ConvertNumber(digits, radix, cur_.tok.number);
    return kTokNumber;
}

bool Orda::ConvertNumber(std::string_view digits, int radix, int32_t& out) {
    uint32_t v = 0;
    for (char ch : digits) {
        if (ch == '_' || ch == 31) continue;
        int d = -1;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        if (d < 0 || d >= radix) {
            Report(kError, kInvalidDigit);
            out = -1;
            return false;
        }
        v = v * uint32_t(radix) + uint32_t(d);
    }
    out = int32_t(v);
    return true;
}

int Orda::ScanString() {
    char quote = cur_.text[cur_.pos++];
    const size_t n = cur_.text.size();
    bool bad = false;
    while (true) {
        if (cur_.pos >= n || IsStatementEnd((unsigned char)cur_.text[cur_.pos])) {
            bad = true;
            break;
        }
        char c = cur_.text[cur_.pos++];
        if (c == quote) break;
        if (cur_.tok.text.size() >= kMaxString) {
            bad = true;
            // skip to the closing quote so that scanning can go on after the string
            while (cur_.pos < n && cur_.text[cur_.pos] != quote &&
                   !IsStatementEnd((unsigned char)cur_.text[cur_.pos]))
                ++cur_.pos;
            if (cur_.pos < n && cur_.text[cur_.pos] == quote) ++cur_.pos;
            break;
        }
        cur_.tok.text += c;
    }
    if (bad) Report(kError, kBadString);
    return kTokString;
}

int Orda::ScanOperator() {
    char c = cur_.text[cur_.pos];
    char d = cur_.pos + 1 < cur_.text.size() ? cur_.text[cur_.pos + 1] : '\0';
    auto two = [&](int type) {
        cur_.pos += 2;
        return type;
    };
    switch (c) {
    case '/':
        if (d == '/') return two(kTokRem);
        break;
    case '=':
        if (d == '=') return two(kTokEq);
        break;
    case '!':
        if (d == '=') return two(kTokNe);
        break;
    case '&':
        if (d == '&') return two(kTokLAnd);
        break;
    case '|':
        if (d == '|') return two(kTokLOr);
        break;
    case '<':
        if (d == '=') return two(kTokLe);
        if (d == '<') return two(kTokShl);
        break;
    case '>':
        if (d == '=') return two(kTokGe);
        if (d == '>') return two(kTokShr);
        if (d == '<') return two(kTokRev);
        break;
    case '?':
        if (d == '?') return two(kTokQQ);
        break;
    }
    ++cur_.pos;
    switch (c) {
    case '!':
        return kTokNot;
    case '#':
        return kTokHash;
    case '&':
        return kTokAnd;
    case '(':
        return kTokLParen;
    case ')':
        return kTokRParen;
    case '*':
        return kTokStar;
    case '+':
        return kTokPlus;
    case '-':
        return kTokMinus;
    case '.':
        return kTokDot;
    case '/':
        return kTokSlash;
    case '<':
        return kTokLt;
    case '=':
        return kTokAssign;
    case '>':
        return kTokGt;
    case '?':
        return kTokQ;
    case '[':
        return kTokLBracket;
    case ']':
        return kTokRBracket;
    case '^':
        return kTokCaret;
    case '|':
        return kTokOr;
    default:
        return kTokTilde;
    }
}

// ---- expressions ----

bool Orda::EvaluateAlone(std::string_view text, Value& out) {
    const std::string_view line = cur_.text;
    const size_t pos = cur_.pos;
    StartLine(text);
    Next();
    bool whole = Evaluate(out) && cur_.tok.type == kTokEnd;
    // the statement's line goes on from where it was, with nothing more to read
    cur_.text = line;
    ScanFrom(pos);
    cur_.tok.type = kTokEnd;
    return whole;
}

void Orda::Push() {
    if (++cur_.stackDepth > kStackSize) {
        host_.Print("\nStack overflow");
        Exit(1);
    }
}

void Orda::Pop() {
    if (cur_.stackDepth > 0) --cur_.stackDepth;
}

bool Orda::Evaluate(Value& out, bool demand, bool watch) {
    bool savedDemand = cur_.demand, savedWatch = cur_.inWatch;
    cur_.demand = demand;
    cur_.inWatch = watch;
    cur_.exprError = false;
    out = Value{};
    bool ok = ParseRelational(out) && !cur_.exprError;
    cur_.demand = savedDemand;
    cur_.inWatch = savedWatch;
    return ok;
}

namespace {

void Normalize(Value& v) {
    // carry whole registers out of the bit part, eight bits to a register
    if (v.bit > 7 || v.bit < 0) {
        int carry = v.bit >= 0 ? v.bit / 8 : -((7 - v.bit) / 8);
        v.v = int32_t(uint32_t(v.v) + uint32_t(carry));
        v.bit -= carry * 8;
    }
}

} // namespace

bool Orda::ParseRelational(Value& out) {
    if (!ParseAdditive(out)) return false;
    int op = cur_.tok.type;
    switch (op) {
    case kTokAssign:
    case kTokEq:
    case kTokNe:
    case kTokLt:
    case kTokGt:
    case kTokLe:
    case kTokGe:
    case kTokLAnd:
    case kTokLOr:
        break;
    default:
        return true;
    }
    Next();
    Push();
    Value r;
    bool ok = ParseAdditive(r);
    Pop();
    if (!ok) return false;
    if ((op == kTokLAnd || op == kTokLOr) && (out.bit || r.bit) && checks())
        Report(kWarning, kBitfieldOperator);
    auto less = [](const Value& a, const Value& b) {
        return a.v < b.v || (a.v == b.v && a.bit < b.bit);
    };
    bool res = false;
    switch (op) {
    case kTokAssign:
    case kTokEq:
        res = out.v == r.v && out.bit == r.bit;
        break;
    case kTokNe:
        res = !(out.v == r.v && out.bit == r.bit);
        break;
    case kTokLt:
        res = less(out, r);
        break;
    case kTokGt:
        res = less(r, out);
        break;
    case kTokLe:
        res = !less(r, out);
        break;
    case kTokGe:
        res = !less(out, r);
        break;
    case kTokLAnd:
        res = out.v != 0 && r.v != 0;
        break;
    case kTokLOr:
        res = out.v != 0 || r.v != 0;
        break;
    }
    out = Value{res ? 1 : 0, 0};
    return true;
}

bool Orda::ParseAdditive(Value& out) {
    if (!ParseMultiplicative(out)) return false;
    while (cur_.tok.type == kTokPlus || cur_.tok.type == kTokMinus || cur_.tok.type == kTokOr) {
        int op = cur_.tok.type;
        Next();
        Push();
        Value r;
        bool ok = ParseMultiplicative(r);
        Pop();
        if (!ok) return false;
        if (out.bit && r.bit && checks()) Report(kWarning, kBitfieldOperator);
        if (op == kTokPlus) {
            out.v = int32_t(uint32_t(out.v) + uint32_t(r.v));
            out.bit += r.bit;
        } else if (op == kTokMinus) {
            out.v = int32_t(uint32_t(out.v) - uint32_t(r.v));
            out.bit -= r.bit;
        } else {
            out.v |= r.v;
            out.bit |= r.bit;
        }
        Normalize(out);
    }
    return true;
}

bool Orda::ParseMultiplicative(Value& out) {
    if (!ParseBitSelect(out)) return false;
    while (true) {
        int op = cur_.tok.type;
        switch (op) {
        case kTokStar:
        case kTokSlash:
        case kTokRem:
        case kTokAnd:
        case kTokCaret:
        case kTokShl:
        case kTokShr:
        case kTokRev:
            break;
        default:
            return true;
        }
        Next();
        Push();
        Value r;
        const uint32_t unresolvedBefore = cur_.unresolved;
        bool ok = ParseBitSelect(r);
        Pop();
        if (!ok) return false;
        // A divisor pass 1 knows is zero in pass 2 too: say so where it arises.
        const bool divisorKnown = p_.pass != 1 || cur_.unresolved == unresolvedBefore;
        if ((out.bit || r.bit) && checks()) Report(kWarning, kBitfieldOperator);
        uint32_t a = uint32_t(out.v), b = uint32_t(r.v);
        int32_t res = 0;
        switch (op) {
        case kTokStar:
            res = int32_t(a * b);
            break;
        case kTokSlash:
            if (b == 0) {
                if (divisorKnown) Report(kWarning, kDivisionByZero);
                res = 0;
            } else if (out.v == INT32_MIN && r.v == -1) {
                res = INT32_MIN;
            } else {
                res = out.v / r.v;
            }
            break;
        case kTokRem:
            if (b == 0 || (out.v == INT32_MIN && r.v == -1))
                res = 0;
            else
                res = out.v % r.v;
            break;
        case kTokAnd:
            res = int32_t(a & b);
            break;
        case kTokCaret:
            res = int32_t(a ^ b);
            break;
        case kTokShl:
            res = int32_t(a << (b & 31));
            break;
        case kTokShr:
            res = out.v >> (b & 31);
            break;
        case kTokRev: {
            int count = r.v < 0 ? 0 : (r.v > 32 ? 32 : r.v);
            uint32_t low = 0;
            for (int i = 0; i < count; ++i)
                if (a & (1u << i)) low |= 1u << (count - 1 - i);
            uint32_t mask = count == 32 ? 0xFFFFFFFFu : ((1u << count) - 1);
            res = int32_t((a & ~mask) | low);
            break;
        }
        }
        out = Value{res, 0};
    }
}

bool Orda::ParseBitSelect(Value& out) {
    if (!ParsePrimary(out)) return false;
    while (cur_.tok.type == kTokDot) {
        Next();
        Push();
        Value b;
        bool ok = ParsePrimary(b);
        Pop();
        if (!ok) return false;
        bool wide = cur_.inWatch && p_.s.corvanex;
        int limit = wide ? 31 : 7;
        if (checks()) {
            if (b.v < 0 || b.v > limit) Report(kWarning, kBitRange);
            if (out.bit || b.bit) Report(kWarning, kBitfieldOperator);
        }
        out.bit = int(uint32_t(b.v) & (wide ? 31u : 7u));
    }
    return true;
}

bool Orda::ParsePrimary(Value& out) {
    switch (cur_.tok.type) {
    case kTokNumber:
        out = Value{cur_.tok.number, 0};
        Next();
        return true;
    case kTokString:
        out = Value{cur_.tok.text.empty() ? 0 : int32_t(int8_t(cur_.tok.text[0])), 0};
        Next();
        return true;
    case kTokLParen: {
        Next();
        if (!ParseRelational(out)) return false;
        if (cur_.tok.type != kTokRParen) {
            Report(kError, kMissingParen);
            return false;
        }
        Next();
        return true;
    }
    case kTokPlus:
        Next();
        return ParsePrimary(out);
    case kTokMinus:
    case kTokTilde:
    case kTokNot:
    case kTokLOr:
    case kTokDot: {
        int op = cur_.tok.type;
        Next();
        if (!ParsePrimary(out)) return false;
        if (op != kTokDot && out.bit && checks()) Report(kWarning, kBitfieldOperator);
        int32_t v = out.v;
        switch (op) {
        case kTokMinus:
            ArithmeticUnderflowSafeNeg(v, v);
            break;
        case kTokTilde:
            v = ~v;
            break;
        case kTokNot:
            v = v == 0;
            break;
        case kTokLOr:
            if (v < 0) ArithmeticUnderflowSafeNeg(v, v);
            break;
        case kTokDot:
            v = out.bit;
            break;
        }
        out = Value{v, 0};
        return true;
    }
    case kTokName:
    case kTokAtName: {
        std::string name = cur_.tok.text;
        if (!NameValue(name, out)) return false;
        Next();
        return true;
    }
    default:
        Report(kError, kBadExpression);
        return false;
    }
}

bool Orda::NameValue(const std::string& name, Value& out) {
    if (name == "$") {
        out = Value{int32_t(p_.statementPc), 0};
        return true;
    }
    if (name == "%" && p_.src.InRept()) {
        out = Value{p_.src.ReptNumber(), 0};
        return true;
    }
    if (name.size() <= 9) {
        int kw = LookupKeyword(name, p_.s.mnemonicSet);
        if (kw >= 0) {
            const Keyword& k = KeywordAt(kw);
            if (k.kind != kKwOperand) {
                Report(kError, kReservedWord);
                return false;
            }
            out = Value{k.value, k.bit < 0 ? 0 : k.bit};
            if (!symbols_.Find(k.name))
                symbols_.Enter(k.name, k.value, k.bit < 0 ? 0 : k.bit, k.bit < 0 ? kResv : kResb,
                               p_.listingLine);
            return true;
        }
    }
    bool local = name[0] == ':';
    const Symbol* s = symbols_.Find(local ? std::string_view(p_.LocalLabelName(name)) : name);
    if (s) {
        out = Value{s->value, s->type >= kWatchFirst ? 0 : s->bit};
        return true;
    }
    out = Value{0, 0};
    if (p_.pass == 2 || cur_.demand) {
        Report(kError, kUndefined, local ? p_.LocalLabelName(name) : name);
        return false;
    }
    ++cur_.unresolved;
    return true;
}

} // namespace orda
