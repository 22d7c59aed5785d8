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

void Orda::StartLine() {
    pos_ = 0;
    havePeek_ = false;
    tok_.type = 0;
    tok_.text.clear();
    stackDepth_ = 0;
}

int Orda::Peek() {
    if (!havePeek_) {
        Token saved = tok_;
        Next();
        peek_ = std::move(tok_);
        tok_ = std::move(saved);
        havePeek_ = true;
    }
    return peek_.type;
}

int Orda::Next() {
    if (havePeek_) {
        tok_ = std::move(peek_);
        havePeek_ = false;
        return tok_.type;
    }
    const size_t n = line_.size();
    while (pos_ < n) {
        unsigned char c = (unsigned char)line_[pos_];
        if (c == ' ' || c == '\t' || c == 31) {
            ++pos_;
            continue;
        }
        break;
    }
    tok_.start = pos_;
    tok_.text.clear();
    tok_.number = 0;
    if (pos_ >= n) return tok_.type = kTokEnd;
    unsigned char c = (unsigned char)line_[pos_];
    if (IsStatementEnd(c) || c == ';') {
        pos_ = n;
        return tok_.type = kTokEnd;
    }
    if (c == ',') {
        ++pos_;
        return tok_.type = kTokComma;
    }
    switch (kCharClass[c]) {
    case kClassName:
    case kClassDigit:
        return tok_.type = ScanWord();
    case kClassQuote:
        return tok_.type = ScanString();
    case kClassOp:
        return tok_.type = ScanOperator();
    default:
        // reported and passed over, so that the statement reads as if it were not there
        ++pos_;
        if (p_.pass == 2) Report(kWarning, kIllegalCharacter);
        return Next();
    }
}

int Orda::ScanWord() {
    const size_t start = pos_;
    const size_t n = line_.size();
    while (pos_ < n && IsWordChar((unsigned char)line_[pos_]))
        ++pos_;
    std::string_view word(line_.data() + start, pos_ - start);
    if (word.size() > kMaxToken) {
        Report(kError, kTokenTooLong);
        host_.Print("\nProgram Aborted.\n");
        Exit(1);
    }
    auto nameOf = [&](std::string_view w) {
        tok_.text.clear();
        for (char ch : w)
            if (ch != 31) tok_.text += ch;
    };
    char c0 = word[0];
    if (kCharClass[(unsigned char)c0] == kClassName) {
        if (word.size() == 1 && (c0 == '$' || c0 == '%')) {
            tok_.text.assign(1, c0);
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
                if (const Frame* m = InnermostMacro()) {
                    uint32_t n2 = 0;
                    bool numeric = word.size() > 1;
                    for (char ch : word.substr(1)) {
                        if (ch < '0' || ch > '9') {
                            numeric = false;
                            break;
                        }
                        n2 = n2 * 10 + uint32_t(ch - '0');
                    }
                    if (numeric) tok_.text = Format("??000%01X", m->localBase + n2);
                }
            }
            return kTokName;
        }
        ConvertNumber(digits, radix, tok_.number);
        tok_.text.assign(word);
        return kTokNumber;
    }
    // Starts with a digit.
    tok_.text.assign(word);
    std::string_view w = word.substr(0, word.size() > 32 ? 32 : word.size());
    if (w.size() >= 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) {
        ConvertNumber(w.substr(2), 16, tok_.number);
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
    ConvertNumber(digits, radix, tok_.number);
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
    char quote = line_[pos_++];
    const size_t n = line_.size();
    bool bad = false;
    while (true) {
        if (pos_ >= n || IsStatementEnd((unsigned char)line_[pos_])) {
            bad = true;
            break;
        }
        char c = line_[pos_++];
        if (c == quote) break;
        if (tok_.text.size() >= kMaxString) {
            bad = true;
            // skip to the closing quote so that scanning can go on after the string
            while (pos_ < n && line_[pos_] != quote && !IsStatementEnd((unsigned char)line_[pos_]))
                ++pos_;
            if (pos_ < n && line_[pos_] == quote) ++pos_;
            break;
        }
        tok_.text += c;
    }
    if (bad) Report(kError, kBadString);
    return kTokString;
}

int Orda::ScanOperator() {
    char c = line_[pos_];
    char d = pos_ + 1 < line_.size() ? line_[pos_ + 1] : '\0';
    auto two = [&](int type) {
        pos_ += 2;
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
    ++pos_;
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

void Orda::Push() {
    if (++stackDepth_ > kStackSize) {
        host_.Print("\nStack overflow");
        Exit(1);
    }
}

void Orda::Pop() {
    if (stackDepth_ > 0) --stackDepth_;
}

bool Orda::Evaluate(Value& out, bool demand) {
    bool savedDemand = demand_;
    demand_ = demand;
    exprError_ = false;
    out = Value{};
    bool ok = ParseRelational(out) && !exprError_;
    demand_ = savedDemand;
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
    int op = tok_.type;
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
    while (tok_.type == kTokPlus || tok_.type == kTokMinus || tok_.type == kTokOr) {
        int op = tok_.type;
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
        int op = tok_.type;
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
        const uint32_t unresolvedBefore = unresolved_;
        bool ok = ParseBitSelect(r);
        Pop();
        if (!ok) return false;
        // A divisor pass 1 knows is zero in pass 2 too: say so where it arises.
        const bool divisorKnown = p_.pass != 1 || unresolved_ == unresolvedBefore;
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
    while (tok_.type == kTokDot) {
        Next();
        Push();
        Value b;
        bool ok = ParsePrimary(b);
        Pop();
        if (!ok) return false;
        bool wide = inWatch_ && p_.s.corvanex;
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
    switch (tok_.type) {
    case kTokNumber:
        out = Value{tok_.number, 0};
        Next();
        return true;
    case kTokString:
        out = Value{tok_.text.empty() ? 0 : int32_t(int8_t(tok_.text[0])), 0};
        Next();
        return true;
    case kTokLParen: {
        Next();
        if (!ParseRelational(out)) return false;
        if (tok_.type != kTokRParen) {
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
        int op = tok_.type;
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
        std::string name = tok_.text;
        if (!NameValue(name, out)) return false;
        Next();
        return true;
    }
    default:
        Report(kError, kBadExpression);
        return false;
    }
}

bool Orda::InRept() const {
    for (auto it = p_.frames.rbegin(); it != p_.frames.rend(); ++it)
        if (it->kind == Frame::kRept) return true;
    return false;
}

int Orda::ReptNumber() const {
    for (auto it = p_.frames.rbegin(); it != p_.frames.rend(); ++it)
        if (it->kind == Frame::kRept) return it->rep;
    return 1;
}

const Frame* Orda::InnermostMacro() const {
    for (auto it = p_.frames.rbegin(); it != p_.frames.rend(); ++it)
        if (it->kind == Frame::kMacro) return &*it;
    return nullptr;
}

std::string Orda::LocalLabelName(std::string_view name) const {
    return p_.lastGlobal + std::string(name);
}

bool Orda::NameValue(const std::string& name, Value& out) {
    if (name == "$") {
        out = Value{int32_t(p_.statementPc), 0};
        return true;
    }
    if (name == "%" && InRept()) {
        out = Value{ReptNumber(), 0};
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
            if (!FindSymbol(k.name))
                EnterSymbol(k.name, k.value, k.bit < 0 ? 0 : k.bit, k.bit < 0 ? kResv : kResb);
            return true;
        }
    }
    bool local = name[0] == ':';
    const Symbol* s = FindSymbol(local ? std::string_view(LocalLabelName(name)) : name);
    if (s) {
        out = Value{s->value, s->type >= kWatchFirst ? 0 : s->bit};
        return true;
    }
    out = Value{0, 0};
    if (p_.pass == 2 || demand_) {
        arg_ = local ? LocalLabelName(name) : name;
        Report(kError, kUndefined);
        return false;
    }
    ++unresolved_;
    return true;
}

// ---- symbols ----

Symbol* Orda::FindSymbol(std::string_view name) {
    foldBuffer_.assign(name);
    for (char& c : foldBuffer_)
        c = Upper(c);
    auto it = symbolIndex_.find(foldBuffer_);
    return it == symbolIndex_.end() ? nullptr : it->second;
}

void Orda::EnterSymbol(const std::string& name, int32_t value, int bit, int type) {
    Symbol* existing = FindSymbol(name);
    if (!existing) {
        existing = &symbols_[name];
        symbolIndex_.emplace(foldBuffer_, existing);
    }
    Symbol& s = *existing;
    s.value = value;
    s.bit = uint16_t(bit);
    s.type = uint8_t(type);
    s.line = p_.listingLine;
}

bool Orda::DefineOrUpdate(const std::string& name, int32_t value, int bit, int type) {
    if (Symbol* s = FindSymbol(name)) {
        if (s->type != type) return false;
        s->value = value;
        s->bit = uint16_t(bit);
        return true;
    }
    EnterSymbol(name, value, bit, type);
    return true;
}

} // namespace orda
