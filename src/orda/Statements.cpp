// Reading lines (files, includes, macro and REPT expansions) and every statement kind.
#include <algorithm>

#include "orda/Orda.h"
#include "orda/OrdaText.h"

namespace orda {

namespace {

constexpr size_t kLineLimit = 255;
constexpr int kMaxIncludeLevel = 9;
constexpr size_t kMaxFiles = 31;
constexpr int kMaxConds = 10;
constexpr int kMaxRepts = 10;
constexpr size_t kMaxReptLines = 500;
constexpr int kMaxMacroDepth = 64;

bool IsNameOrDigit(unsigned char c) {
    uint8_t k = kCharClass[c];
    return k == kClassName || k == kClassDigit;
}

// The first two words of a line (empty when the line does not start with them).
void FirstWords(const std::string& line, std::string& w1, std::string& w2, bool& w1Col1) {
    w1.clear();
    w2.clear();
    size_t i = 0, n = line.size();
    auto word = [&](std::string& out) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t s = i;
        while (i < n && IsWordChar((unsigned char)line[i]))
            ++i;
        out.assign(line, s, i - s);
        return s;
    };
    w1Col1 = word(w1) == 0;
    if (!w1.empty()) word(w2);
}

int DirectiveCode(const std::string& w) {
    int kw = LookupKeyword(w, kSetSx);
    if (kw < 0) return -1;
    const Keyword& k = KeywordAt(kw);
    return k.kind == kKwDirective ? k.code : -1;
}

// A number as the source would write it in the radix in force.
std::string FormatRadix(int32_t v, int radix) {
    bool neg = v < 0;
    uint32_t m = neg ? 0u - uint32_t(v) : uint32_t(v);
    std::string digits;
    if (radix == 10) {
        AppendDecimal(digits, m, 0);
    } else {
        static const char kDigits[] = "0123456789ABCDEF";
        do {
            digits.insert(digits.begin(), kDigits[m % uint32_t(radix)]);
            m /= uint32_t(radix);
        } while (m);
        // a leading letter would read back as a name, a last B or D as a radix letter
        if (digits[0] > '9') digits.insert(digits.begin(), '0');
        if (radix == 16 && (digits.back() == 'B' || digits.back() == 'D')) digits += 'h';
    }
    return neg ? "-" + digits : digits;
}

// A line of a macro's body with the call's arguments in place of their references.
std::string ExpandMacroLine(const std::string& stored, const Frame& f, int radix, bool& tooLong) {
    std::string out;
    out.reserve(stored.size() + 16);
    char quote = 0;
    const size_t n = stored.size();
    for (size_t i = 0; i < n; ++i) {
        char c = stored[i];
        if (quote) {
            out += c;
            if (c == quote) quote = 0;
            continue;
        }
        if (c == ';') {
            out.append(stored, i, std::string::npos);
            break;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            out += c;
            continue;
        }
        if (c == '\\' && i + 1 < n && stored[i + 1] >= '0' && stored[i + 1] <= '9') {
            unsigned char prev = i ? (unsigned char)stored[i - 1] : ' ';
            size_t j = i + 1;
            uint32_t num = 0;
            while (j < n && stored[j] >= '0' && stored[j] <= '9' && num < 100000)
                num = num * 10 + uint32_t(stored[j++] - '0');
            bool boundary = (!IsNameOrDigit(prev) || prev == '@') &&
                            (j >= n || !IsNameOrDigit((unsigned char)stored[j]));
            if (boundary) {
                if (num == 0) {
                    out += FormatRadix(int32_t(f.args.size()), radix);
                    i = j - 1;
                    continue;
                }
                if (num <= f.args.size()) {
                    out += f.args[num - 1];
                    i = j - 1;
                    continue;
                }
            }
        }
        out += c;
    }
    if (out.size() > kLineLimit) {
        out.resize(kLineLimit);
        tooLong = true;
    }
    return out;
}

} // namespace

// ---- lines ----

void Orda::ReadFileLine(Frame& f) {
    const std::string& t = *f.text;
    size_t end = t.find('\n', f.pos);
    size_t stop = end == std::string::npos ? t.size() : end;
    size_t len = stop - f.pos;
    if (len > 0 && t[stop - 1] == '\r') --len;
    st_.tooLong = len > kLineLimit;
    st_.line.assign(t, f.pos, st_.tooLong ? kLineLimit : len);
    f.pos = end == std::string::npos ? t.size() : end + 1;
    ++f.line;
    ++p_.linesRead;
}

void Orda::PushFile(int fileIndex, int level) {
    Frame f;
    f.kind = Frame::kFile;
    f.fileIndex = fileIndex;
    f.text = &files_[size_t(fileIndex)].text;
    f.level = level;
    if (p_.pass == 2 && level > 0) p_.lineEntries.push_back({LineEntry::kEnter, fileIndex, 0, 0});
    p_.src.frames.push_back(std::move(f));
}

void Orda::PopFrame() {
    Frame& f = p_.src.frames.back();
    if (f.kind == Frame::kFile && p_.pass == 2 && f.level > 0) {
        p_.lineEntries.push_back({LineEntry::kLeave, f.fileIndex, 0, 0});
    }
    p_.src.frames.pop_back();
    if (p_.src.defining && p_.src.frames.size() < p_.src.defineFrames) {
        Report(kError, kUnexpectedEof);
        p_.src.defining = nullptr;
    }
    if (p_.src.collecting && p_.src.frames.size() < p_.src.collectFrames) {
        Report(kError, kUnexpectedEof);
        p_.src.collecting = false;
        p_.src.collected.clear();
    }
}

void Orda::EndExpansion(size_t index, bool natural) {
    Frame& m = p_.src.frames[index];
    if (natural && p_.conds.size() > m.condDepth) Report(kError, kBadIfElse);
    if (p_.conds.size() > m.condDepth) p_.conds.resize(m.condDepth);
    const std::string& suffix = m.suffix;
    std::string& g = p_.lastGlobal;
    if (g.size() >= suffix.size() &&
        g.compare(g.size() - suffix.size(), suffix.size(), suffix) == 0)
        g.resize(g.size() - suffix.size());
    while (p_.src.frames.size() > index)
        PopFrame();
}

bool Orda::NextLine() {
    while (!p_.src.frames.empty()) {
        Frame& f = p_.src.frames.back();
        st_.tooLong = false;
        if (f.kind == Frame::kFile) {
            if (f.pos >= f.text->size()) {
                if (f.level == 0) return false;
                PopFrame();
                continue;
            }
            ReadFileLine(f);
        } else if (f.kind == Frame::kMacro) {
            if (f.next >= f.macro->body.size()) {
                EndExpansion(p_.src.frames.size() - 1, true);
                continue;
            }
            st_.line = ExpandMacroLine(f.macro->body[f.next++], f, p_.s.radix, st_.tooLong);
        } else {
            if (f.next >= f.lines->size()) {
                if (++f.rep > f.count) {
                    PopFrame();
                    continue;
                }
                f.next = 0;
                if (f.lines->empty()) continue;
            }
            const std::string& stored = (*f.lines)[f.next++];
            const Frame* mf = p_.src.InnermostMacro();
            if (mf && stored.find("\\%") != std::string::npos) {
                st_.line.clear();
                for (size_t i = 0; i < stored.size(); ++i) {
                    if (stored[i] == '\\' && i + 1 < stored.size() && stored[i + 1] == '%') {
                        size_t n = size_t(f.rep);
                        if (n >= 1 && n <= mf->args.size()) {
                            st_.line += mf->args[n - 1];
                            ++i;
                            continue;
                        }
                    }
                    st_.line += stored[i];
                }
                if (st_.line.size() > kLineLimit) {
                    st_.line.resize(kLineLimit);
                    st_.tooLong = true;
                }
            } else {
                st_.line = stored;
            }
        }
        // Where the line stands: the innermost file, and whether an expansion delivers it.
        st_.fromExpansion = false;
        for (auto it = p_.src.frames.rbegin(); it != p_.src.frames.rend(); ++it) {
            if (it->kind == Frame::kFile) {
                st_.fileIndex = it->fileIndex;
                st_.fileLine = it->line;
                st_.level = it->level;
                break;
            }
            if (it->kind == Frame::kMacro) st_.fromExpansion = true;
        }
        ++p_.listingLine;
        return true;
    }
    return false;
}

// ---- statements ----

void Orda::HandleStatement() {
    StartLine(st_.line);
    st_.listKind = kListText;
    st_.listHasBit = false;
    st_.spaceLines = 0;
    st_.words.clear();
    p_.statementPc = p_.pc;
    bool fromFile = !p_.src.frames.empty() && p_.src.frames.back().kind == Frame::kFile;
    st_.codeAllowed = true;
    if (p_.pass == 2 && fromFile && size_t(st_.fileIndex) < files_.size()) {
        const auto& marks = files_[size_t(st_.fileIndex)].marks;
        uint16_t mark = st_.fileLine < marks.size() ? marks[st_.fileLine] : 0;
        st_.codeAllowed = mark != 0 && (mark & 0xFF) != 3;
    }
    if (st_.tooLong && p_.pass == 2) Report(kWarning, kLineTooLong);

    bool handled = true;
    if (p_.src.defining) {
        DefineLine();
    } else if (p_.src.collecting) {
        CollectLine();
    } else if (p_.Skipping()) {
        SkipStatement();
        handled = false;
    } else {
        int t = Next();
        if (t == kTokName || t == kTokAtName)
            HandleName();
        else if (t == kTokComma || t == kTokNumber || t == kTokString || t == kTokHash)
            Report(kError, kBadInstruction);
    }

    if (p_.pass == 1) MarkLine(handled, fromFile);
    if (p_.pass == 2) {
        ListStatement();
        // the debug module's line for each statement that stores code
        if (st_.listKind == kListCode || st_.listKind == kListReset)
            p_.lineEntries.push_back(
                {LineEntry::kLine, st_.fileIndex, st_.fileLine, st_.listAddress});
    }
}

// Pass 1 marks each file line with what it said about it, for pass 2 to know which lines
// may store code.
void Orda::MarkLine(bool handled, bool fromFile) {
    const LineMarks said = reports_.MarksOf(p_.listingLine);
    const bool hadMessage = said.message != 0;
    if (!(handled || hadMessage) || !fromFile || size_t(st_.fileIndex) >= files_.size()) return;
    auto& marks = files_[size_t(st_.fileIndex)].marks;
    if (st_.fileLine >= marks.size()) return;
    uint16_t mark = 1;
    if (hadMessage) mark = uint16_t((said.message << 8) | (said.error ? 3 : 2));
    if (marks[st_.fileLine] == 0 || (marks[st_.fileLine] & 0xFF) < (mark & 0xFF))
        marks[st_.fileLine] = mark;
}

void Orda::EndPass1() {
    // said at the first line of the main file
    st_.fileIndex = 0;
    st_.fileLine = 1;
    const uint32_t saved = p_.listingLine;
    p_.listingLine = 1;
    if (!symbols_.Find("__SX_IRC_CAL")) {
        symbols_.Enter("__SX_IRC_CAL", 0, 0, kData, p_.listingLine);
        // Without the extension IRC_CAL does not exist, so its absence is no news.
        if (p_.s.corvanex) Report(kWarning, kNoIrcCal);
    }
    if (!symbols_.Find("__SX_FREQ")) {
        symbols_.Enter("__SX_FREQ", 50000000, 0, kData, p_.listingLine);
        Report(kWarning, kNoFreq);
    }
    p_.listingLine = saved;
}

bool Orda::SkipStatement() {
    std::string w1, w2;
    bool col1;
    FirstWords(st_.line, w1, w2, col1);
    int code = DirectiveCode(w1);
    if (code < 0 && LookupKeyword(w1, p_.s.mnemonicSet) < 0) code = DirectiveCode(w2);
    switch (code) {
    case kDirIf:
    case kDirIfdef:
    case kDirIfndef:
    case kDirElse:
    case kDirEndif: {
        // position the scanner after the directive word
        StartLine(st_.line);
        while (Next() != kTokEnd) {
            if ((cur_.tok.type == kTokName) && DirectiveCode(cur_.tok.text) == code) break;
        }
        Conditional(code);
        return true;
    }
    }
    return false;
}

void Orda::DefineLine() {
    std::string w1, w2;
    bool col1;
    FirstWords(st_.line, w1, w2, col1);
    int c1 = DirectiveCode(w1), c2 = DirectiveCode(w2);
    if (c1 == kDirMacro || c2 == kDirMacro) ++p_.src.defineDepth;
    if (c1 == kDirEndm || (c1 < 0 && c2 == kDirEndm)) {
        if (--p_.src.defineDepth == 0) {
            p_.src.defining = nullptr;
            return;
        }
    }
    Macro& m = *p_.src.defining;
    if (p_.src.defineDepth == 1 && EqualNoCase(w1, "LOCAL")) {
        size_t i = st_.line.find_first_not_of(" \t");
        i += 5;
        std::string name;
        auto flush = [&] {
            if (!name.empty()) m.locals.push_back(name);
            name.clear();
        };
        for (; i < st_.line.size() && st_.line[i] != ';'; ++i) {
            char c = st_.line[i];
            if (c == ',' || c == ' ' || c == '\t')
                flush();
            else
                name += c;
        }
        flush();
        return;
    }
    // Parameters become positional references, LOCAL names numbered ones, and a `?`
    // between two words joins them.
    std::string out;
    char quote = 0;
    bool badPaste = false;
    const size_t n = st_.line.size();
    for (size_t i = 0; i < n;) {
        char c = st_.line[i];
        if (quote) {
            out += c;
            if (c == quote) quote = 0;
            ++i;
            continue;
        }
        if (c == ';') {
            out.append(st_.line, i, std::string::npos);
            break;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        unsigned char prev = i ? (unsigned char)st_.line[i - 1] : ' ';
        if (c == '?' && IsNameOrDigit(prev)) {
            if (i + 1 < n && IsNameOrDigit((unsigned char)st_.line[i + 1])) {
                out += char(31);
            } else {
                badPaste = true;
                out += c;
            }
            ++i;
            continue;
        }
        if (IsNameOrDigit((unsigned char)c) && !IsNameOrDigit(prev)) {
            size_t j = i;
            while (j < n && IsNameOrDigit((unsigned char)st_.line[j]))
                ++j;
            std::string_view word(st_.line.data() + i, j - i);
            bool at = word.size() > 1 && word[0] == '@';
            std::string_view bare = at ? word.substr(1) : word;
            bool done = false;
            for (size_t k = 0; k < m.params.size() && !done; ++k)
                if (EqualNoCase(bare, m.params[k])) {
                    out += at ? "@\\" : "\\";
                    AppendDecimal(out, uint32_t(k + 1), 0);
                    done = true;
                }
            for (size_t k = 0; k < m.locals.size() && !done; ++k)
                if (EqualNoCase(word, m.locals[k])) {
                    out += '`';
                    AppendDecimal(out, uint32_t(k), 0);
                    done = true;
                }
            if (!done) out.append(word);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    if (badPaste && p_.pass == 1) Report(kError, kBadPaste);
    m.body.push_back(std::move(out));
}

void Orda::CollectLine() {
    std::string w1, w2;
    bool col1;
    FirstWords(st_.line, w1, w2, col1);
    int c1 = DirectiveCode(w1), c2 = DirectiveCode(w2);
    if (c1 == kDirRept || (c1 < 0 && c2 == kDirRept)) ++p_.src.collectDepth;
    if (c1 == kDirEndr || (c1 < 0 && c2 == kDirEndr)) {
        if (--p_.src.collectDepth == 0) {
            p_.src.collecting = false;
            st_.listKind = kListNothing;
            int repts = 0;
            for (const Frame& f : p_.src.frames)
                repts += f.kind == Frame::kRept;
            if (!p_.src.collectOverflow && p_.src.collectCount > 0) {
                if (repts >= kMaxRepts) {
                    Report(kError, kReptNesting);
                } else {
                    Frame f;
                    f.kind = Frame::kRept;
                    f.lines = std::make_shared<const std::vector<std::string>>(
                        std::move(p_.src.collected));
                    f.count = p_.src.collectCount;
                    f.rep = 1;
                    p_.src.frames.push_back(std::move(f));
                }
            }
            p_.src.collected.clear();
            return;
        }
    }
    if (p_.src.collected.size() >= kMaxReptLines) {
        if (!p_.src.collectOverflow) Report(kError, kReptTooLong);
        p_.src.collectOverflow = true;
        return;
    }
    p_.src.collected.push_back(st_.line);
}

void Orda::HandleName() {
    std::string word = cur_.tok.text;
    size_t start = cur_.tok.start;
    bool col1 = start == 0;
    if (cur_.tok.type == kTokAtName) {
        Report(kError, kBadInstruction);
        return;
    }
    int kw = LookupKeyword(word, p_.s.mnemonicSet);
    if (kw >= 0) {
        const Keyword& k = KeywordAt(kw);
        if (k.kind == kKwDirective)
            Directive(k.code, nullptr, col1);
        else if (k.kind == kKwMnemonic)
            Instruction(kw);
        else
            Report(kError, kReservedWord);
        return;
    }
    if (auto it = p_.src.macros.find(word);
        it != p_.src.macros.end() && &it->second != p_.src.defining) {
        // `name MACRO` again is a redefinition, not a call
        size_t afterName = cur_.pos;
        size_t a = st_.line.find_first_not_of(" \t", cur_.pos);
        size_t b = a;
        while (b < st_.line.size() && IsWordChar((unsigned char)st_.line[b]))
            ++b;
        bool redefinition = a != std::string::npos &&
                            EqualNoCase(std::string_view(st_.line).substr(a, b - a), "MACRO");
        if (!redefinition) {
            MacroCall(it->second, afterName);
            return;
        }
    }
    // A label, then maybe a statement.
    int t = Next();
    if (t == kTokEnd) {
        st_.listKind = kListValue;
        st_.listValue = int32_t(p_.pc);
        DefineLabel(word, int32_t(p_.pc), 0, kAddr, col1, true);
        return;
    }
    if (t == kTokAssign) {
        Directive(kDirSet, &word, col1);
        return;
    }
    if (t == kTokName) {
        int kw2 = LookupKeyword(cur_.tok.text, p_.s.mnemonicSet);
        if (kw2 >= 0) {
            const Keyword& k = KeywordAt(kw2);
            if (k.kind == kKwDirective) {
                Directive(k.code, &word, col1);
                return;
            }
            if (k.kind == kKwMnemonic) {
                DefineLabel(word, int32_t(p_.pc), 0, kAddr, col1, false);
                Instruction(kw2);
                return;
            }
        } else if (auto it = p_.src.macros.find(cur_.tok.text);
                   it != p_.src.macros.end() && &it->second != p_.src.defining) {
            DefineLabel(word, int32_t(p_.pc), 0, kAddr, col1, false);
            MacroCall(it->second, cur_.pos);
            return;
        }
    }
    Report(kError, kBadInstruction);
}

bool Orda::DefineLabel(const std::string& rawName, int32_t value, int bit, int type, bool col1,
                       bool alone) {
    std::string name = rawName;
    if (name.size() > 1 && name.back() == ':') name.pop_back();
    bool local = name[0] == ':';
    if (!col1) {
        bool bad;
        if (alone)
            bad = (!p_.s.labelStartAny && p_.s.corvanex) || !local;
        else
            bad = !st_.fromExpansion;
        if (bad) {
            Report(kError, kLabelColumn);
            return false;
        }
    }
    std::string full = local ? p_.LocalLabelName(name) : name;
    if (local && full.size() > 130) {
        Report(kError, kLocalTooLong, name);
        return false;
    }
    // Labels made inside an expansion keep the caller's scope for local labels.
    if (!local && col1 && !st_.fromExpansion) p_.lastGlobal = full;
    if (Symbol* s = symbols_.Find(full)) {
        if (p_.pass == 1 && s->type != kVar) {
            Report(kError, kRedefinition, full);
            return false;
        }
        s->value = value;
        s->bit = uint16_t(bit);
        return true;
    }
    symbols_.Enter(full, value, bit, type, p_.listingLine);
    return true;
}

// ---- directives ----

// Reads a directive's one operand; false (with its message) when missing or bad. `demand`:
// the directive needs the value in pass 1 already; pass 2 demands every name anyway.
bool Orda::ReadOperand(Value& v, bool demand) {
    if (Next() == kTokEnd) {
        Report(kError, kMissingExpression);
        return false;
    }
    return Evaluate(v, demand);
}

void Orda::Directive(int code, const std::string* label, bool labelCol1) {
    auto defineHere = [&](int32_t value, int type = kAddr) {
        if (label) DefineLabel(*label, value, 0, type, labelCol1, false);
    };
    auto needLabel = [&] {
        if (!label) {
            Report(kError, kMissingLabel);
            return false;
        }
        return true;
    };
    auto showValue = [&](int32_t v, int bit = 0) {
        st_.listKind = kListValue;
        st_.listValue = v;
        st_.listBit = bit;
        st_.listHasBit = bit != 0;
    };
    Value v;
    switch (code) {
    case kDirList:
        ListDirective();
        break;
    case kDirDevice:
    case kDirFuses:
        DeviceDirective();
        st_.listKind = kListFuses;
        if (p_.pass == 2 && p_.s.corvanex && !p_.oscChecked) {
            p_.oscChecked = true;
            if (!run_.pass1OscSeen) Report(kWarning, kNoOsc);
        }
        break;
    case kDirRadix: {
        if (Next() == kTokAssign)
            Next();
        else
            Report(kComment, kExpectedEquals);
        std::string value = cur_.tok.type == kTokEnd ? std::string() : cur_.tok.text;
        int saved = p_.s.radix;
        if (!SetRadix(p_.s, value)) {
            p_.s.radix = saved;
            Report(kError, kBadRadix);
        }
        break;
    }
    case kDirTitle:
    case kDirSubtitle: {
        std::string text;
        if (!ReadNameOrString(text)) {
            Report(kError, kBadString);
            break;
        }
        (code == kDirTitle ? p_.title : p_.subtitle) = text;
        break;
    }
    case kDirLpage:
        defineHere(int32_t(p_.pc));
        st_.listKind = kListEject;
        break;
    case kDirSpac:
        defineHere(int32_t(p_.pc));
        if (!ReadOperand(v, false)) break;
        if (v.v < 0 || v.v > 1000) {
            if (checks()) Report(kWarning, kOutOfRange);
            v.v = v.v < 0 ? 0 : 1000;
        }
        st_.listKind = kListSpace;
        st_.spaceLines = v.v;
        break;
    case kDirInclude:
        IncludeDirective();
        break;
    case kDirMacro:
        MacroDirective(label);
        break;
    case kDirEndm:
    case kDirExitm: {
        size_t index = p_.src.frames.size();
        for (size_t i = p_.src.frames.size(); i-- > 0;)
            if (p_.src.frames[i].kind == Frame::kMacro) {
                index = i;
                break;
            } else if (p_.src.frames[i].kind == Frame::kFile) {
                break;
            }
        if (index == p_.src.frames.size())
            Report(kError, kUnmatchedMacro);
        else
            EndExpansion(index, false);
        break;
    }
    case kDirIf:
    case kDirElse:
    case kDirEndif:
    case kDirIfdef:
    case kDirIfndef:
        Conditional(code);
        break;
    case kDirOrg:
        if (!ReadOperand(v, true)) break;
        if (v.v < 0 || v.v >= p_.dev.memSize) {
            Report(kError, kMemoryLimit);
            break;
        }
        p_.pc = uint32_t(v.v);
        p_.pageCountdown = p_.bankCountdown = 0;
        defineHere(v.v);
        showValue(v.v);
        break;
    case kDirEnd:
        defineHere(int32_t(p_.pc));
        p_.ended = true;
        break;
    case kDirEqu:
    case kDirGlobal: {
        if (!needLabel()) break;
        if (!ReadOperand(v, true)) break;
        showValue(v.v, v.bit);
        Symbol* s = symbols_.Find(*label);
        if (s && p_.pass == 1) {
            Report(kError, kRedefinition, *label);
            break;
        }
        if (s) {
            s->value = v.v;
            s->bit = uint16_t(v.bit);
        } else {
            symbols_.Enter(*label, v.v, v.bit, kData, p_.listingLine);
        }
        break;
    }
    case kDirSet:
        if (!needLabel()) break;
        if (!ReadOperand(v, false)) break;
        showValue(v.v, v.bit);
        if (!symbols_.DefineOrUpdate(*label, v.v, v.bit, kVar, p_.listingLine)) {
            Report(kError, kRedefinition, *label);
        }
        break;
    case kDirRes:
    case kDirDs:
    case kDirZero: {
        uint32_t start = p_.pc;
        if (!ReadOperand(v, true)) {
            defineHere(int32_t(start), code == kDirDs ? kVar : kAddr);
            break;
        }
        defineHere(int32_t(start), code == kDirDs ? kVar : kAddr);
        showValue(int32_t(start));
        if (start >= uint32_t(p_.dev.memSize)) {
            Report(kError, kMemoryLimit);
            break;
        }
        if (v.v < 0) {
            if (checks()) Report(kWarning, kOutOfRange);
            break;
        }
        p_.pc = start + uint32_t(v.v);
        break;
    }
    case kDirReset:
        ResetDirective(label, labelCol1);
        break;
    case kDirId: {
        std::string text;
        if (!ReadNameOrString(text) || text.size() > 8) {
            Report(kError, kBadString);
            break;
        }
        image_.SetId(text);
        break;
    }
    case kDirExpand:
        p_.s.expand = true;
        break;
    case kDirNoexpand:
        p_.s.expand = false;
        break;
    case kDirCase:
        defineHere(int32_t(p_.pc));
        st_.listKind = kListTextNoFlag;
        if (p_.pass == 2) Report(kComment, kUnknownDirective);
        break;
    case kDirRept:
        defineHere(int32_t(p_.pc));
        ReptDirective();
        break;
    case kDirEndr:
        Report(kError, kBadInstruction);
        break;
    case kDirFuse:
    case kDirFusex:
        defineHere(int32_t(p_.pc));
        if (!ReadOperand(v, true)) break;
        (code == kDirFuse ? p_.fuse : p_.fusex) = uint16_t(v.v);
        showValue(v.v);
        break;
    case kDirFreq:
        defineHere(int32_t(p_.pc));
        if (!ReadOperand(v, true)) break;
        showValue(v.v);
        if (p_.seenFreq) {
            Report(kError, kRedefinition, "FREQ");
            break;
        }
        p_.seenFreq = true;
        p_.freq = uint32_t(v.v);
        if (!symbols_.DefineOrUpdate("__SX_FREQ", v.v, 0, kData, p_.listingLine)) {
            Report(kError, kRedefinition, "__SX_FREQ");
        }
        break;
    case kDirBreak:
        defineHere(int32_t(p_.pc));
        showValue(int32_t(p_.pc));
        if (p_.seenBreak) {
            Report(kError, kRedefinition, "BREAK");
            break;
        }
        p_.seenBreak = true;
        p_.breakAddr = uint16_t(p_.pc);
        if (!symbols_.DefineOrUpdate("__SX_BREAK", int32_t(p_.pc), 0, kAddr, p_.listingLine)) {
            Report(kError, kRedefinition, "__SX_BREAK");
        }
        break;
    case kDirWatch:
        defineHere(int32_t(p_.pc));
        WatchDirective();
        break;
    case kDirIrcCal: {
        defineHere(int32_t(p_.pc));
        if (!p_.s.corvanex) break;
        int value = -1;
        if (Next() == kTokName) {
            if (EqualNoCase(cur_.tok.text, "IRC_SLOW"))
                value = 0;
            else if (EqualNoCase(cur_.tok.text, "IRC_4MHZ"))
                value = 1;
            else if (EqualNoCase(cur_.tok.text, "IRC_FAST"))
                value = 2;
        }
        if (value < 0) {
            Report(kError, kIrcCalParams);
            break;
        }
        showValue(value);
        if (p_.seenIrc) {
            Report(kError, kRedefinition, "IRC_CAL");
            break;
        }
        p_.seenIrc = true;
        p_.irc = uint16_t(value);
        if (!symbols_.DefineOrUpdate("__SX_IRC_CAL", value, 0, kData, p_.listingLine)) {
            Report(kError, kRedefinition, "__SX_IRC_CAL");
        }
        break;
    }
    case kDirError:
        ErrorDirective();
        break;
    default:
        break;
    }
}

void Orda::ResetDirective(const std::string* label, bool labelCol1) {
    uint32_t vector = uint32_t(p_.dev.highest);
    if (label) DefineLabel(*label, int32_t(vector), 0, kAddr, labelCol1, false);
    Value v;
    if (!ReadOperand(v, false)) return;
    if (p_.seenReset) {
        Report(kError, kRedefinition, "RESET");
        return;
    }
    p_.seenReset = true;
    if (p_.pass == 1) {
        if (!symbols_.DefineOrUpdate("__SX_RESET", int32_t(p_.pc), 0, kResb, p_.listingLine)) {
            Report(kError, kRedefinition, "__SX_RESET");
        }
        return;
    }
    if (v.v < 0 || v.v > 0x1FF) Report(kError, kResetNotPage0);
    uint16_t word = uint16_t(0xA00 | (v.v & 0x1FF));
    symbols_.DefineOrUpdate("__SX_RESET", word, 0, kResb, p_.listingLine);
    if (st_.codeAllowed && vector < uint32_t(p_.dev.memSize) && !image_.Store(vector, word))
        Report(kError, kOverwriting);
    st_.listKind = kListReset;
    st_.listAddress = vector;
    st_.resetWord = word;
}

bool Orda::ReadNameOrString(std::string& out) {
    int t = Next();
    if (t == kTokString || t == kTokName) {
        out = cur_.tok.text;
        return true;
    }
    return false;
}

void Orda::DeviceDirective() {
    while (Next() != kTokEnd) {
        if (cur_.tok.type == kTokComma || cur_.tok.type == kTokAssign) continue;
        if (cur_.tok.type != kTokName) {
            Report(kError, kBadInstruction);
            break;
        }
        DeviceWord(cur_.tok.text);
    }
}

bool Orda::DeviceWord(const std::string& word) {
    Settings& s = p_.s;
    int d = FindDeviceName(word);
    if (d >= 0) {
        if (s.deviceDeclared && s.device != d) Report(kWarning, kDeviceOverride);
        s.device = d;
        s.deviceDeclared = true;
        DeviceSetUp();
        return true;
    }
    if (EqualNoCase(word, "OLDREV")) {
        s.oldRev = true;
        DeviceSetUp();
        return true;
    }
    if (s.corvanex && word.size() >= 3 && EqualNoCase(std::string_view(word).substr(0, 3), "OSC"))
        p_.oscLineSeen = true;
    bool found = false;
    if (p_.dev.family == 1) {
        static constexpr std::pair<const char*, int> kPages[] = {
            {"PAGES1", 511}, {"PAGES2", 1023}, {"PAGES4", 2047}, {"PAGES8", 2047}};
        for (auto& [name, highest] : kPages)
            if (EqualNoCase(word, name)) {
                p_.dev.highest = highest;
                found = true;
            }
    }
    if (DeviceOption(word)) found = true;
    if (!found) {
        Report(kError, kBadArgument, word);
    }
    return found;
}

namespace {

struct OptionRow {
    uint8_t sets; // bit n: option set n
    const char* name;
    uint8_t fusex; // 0 FUSE, 1 FUSEX
    uint8_t isOr;
    uint16_t value;
    uint16_t field;
    uint8_t obsolete;
};

constexpr uint8_t S1 = 2, S2 = 4, S3 = 8, S4 = 16;

constexpr OptionRow kOptions[] = {
    // oscillator, sets 1 and 3
    {S1 | S3, "OSCLP", 0, 0, 0xFFC, 0x003, 0},
    {S1 | S3, "OSCXT", 0, 0, 0xFFD, 0x003, 0},
    {S1 | S3, "OSCHS", 0, 0, 0xFFE, 0x003, 0},
    {S1 | S3, "OSCRC", 0, 0, 0xFFF, 0x003, 0},
    // oscillator, sets 2 and 4
    {S2 | S4, "OSCLP1", 0, 0, 0xFDC, 0x023, 0},
    {S2 | S4, "OSCLP2", 0, 0, 0xFDD, 0x023, 0},
    {S2 | S4, "OSCXT1", 0, 0, 0xFDE, 0x023, 0},
    {S2 | S4, "OSCXT2", 0, 0, 0xFDF, 0x023, 0},
    {S2 | S4, "OSCHS1", 0, 0, 0xFFC, 0x023, 0},
    {S2 | S4, "OSCHS2", 0, 0, 0xFFD, 0x023, 0},
    {S2 | S4, "OSCHS3", 0, 0, 0xFFE, 0x023, 0},
    {S2, "OSCHS", 0, 0, 0xFFE, 0x023, 0},
    {S2 | S4, "OSCRC", 0, 0, 0xFFF, 0x023, 0},
    // watchdog and protection, every set
    {S1 | S2 | S3 | S4, "WATCHDOG", 0, 1, 0x004, 0x004, 0},
    {S1 | S2 | S3 | S4, "WDT_ON", 0, 1, 0x004, 0x004, 0},
    {S1 | S2 | S3 | S4, "WDT_OFF", 0, 0, 0xFFB, 0x004, 0},
    {S1 | S2 | S3 | S4, "PROTECT", 0, 0, 0xFF7, 0x008, 0},
    // internal oscillator divider, sets 1 and 3
    {S1 | S3, "OSC4MHZ", 0, 0, 0xF0F, 0x070, 0},
    {S1 | S3, "OSC2MHZ", 0, 0, 0xF1F, 0x070, 0},
    {S1 | S3, "OSC1MHZ", 0, 0, 0xF2F, 0x070, 0},
    {S1 | S3, "OSC500KHZ", 0, 0, 0xF3F, 0x070, 0},
    {S1 | S3, "OSC250KHZ", 0, 0, 0xF4F, 0x070, 0},
    {S1 | S3, "OSC125KHZ", 0, 0, 0xF5F, 0x070, 0},
    {S1 | S3, "OSC62KHZ", 0, 0, 0xF6F, 0x070, 0},
    {S1 | S3, "OSC31KHZ", 0, 0, 0xF7F, 0x070, 0},
    {S1 | S3, "IRCDIV1", 0, 0, 0xF0F, 0x070, 0},
    {S1 | S3, "IRCDIV2", 0, 0, 0xF1F, 0x070, 0},
    {S1 | S3, "IRCDIV4", 0, 0, 0xF2F, 0x070, 0},
    {S1 | S3, "IRCDIV8", 0, 0, 0xF3F, 0x070, 0},
    {S1 | S3, "IRCDIV16", 0, 0, 0xF4F, 0x070, 0},
    {S1 | S3, "IRCDIV32", 0, 0, 0xF5F, 0x070, 0},
    {S1 | S3, "IRCDIV64", 0, 0, 0xF6F, 0x070, 0},
    {S1 | S3, "IRCDIV128", 0, 0, 0xF7F, 0x070, 0},
    // internal oscillator divider, sets 2 and 4
    {S2 | S4, "OSC4MHZ", 0, 0, 0xF1F, 0x060, 0},
    {S2 | S4, "OSC1MHZ", 0, 0, 0xF3F, 0x060, 0},
    {S2 | S4, "OSC128KHZ", 0, 0, 0xF5F, 0x060, 0},
    {S2 | S4, "OSC32KHZ", 0, 0, 0xF7F, 0x060, 0},
    {S2 | S4, "IRCDIV1", 0, 0, 0xF1F, 0x060, 0},
    {S2 | S4, "IRCDIV4", 0, 0, 0xF3F, 0x060, 0},
    {S2 | S4, "IRCDIV32", 0, 0, 0xF5F, 0x060, 0},
    {S2 | S4, "IRCDIV128", 0, 0, 0xF7F, 0x060, 0},
    // FUSE bits 8 to 11
    {S1 | S3, "STACKX", 0, 0, 0xEFF, 0x100, 0},
    {S1 | S3, "OPTIONX", 0, 0, 0xDFF, 0x200, 0},
    {S1 | S2 | S3, "SYNC", 0, 0, 0xBFF, 0x400, 0},
    {S1 | S2 | S3, "TURBO", 0, 0, 0x7FF, 0x800, 0},
    // pages and banks, sets 1 and 2
    {S1 | S2, "PAGES1", 1, 0, 0xFFC, 0x003, 0},
    {S1 | S2, "PAGES2", 1, 0, 0xFFD, 0x003, 0},
    {S1 | S2, "PAGES4", 1, 0, 0xFFE, 0x003, 0},
    {S1 | S2, "PAGES8", 1, 0, 0xFFF, 0x003, 0},
    {S1 | S2, "BANKS1", 1, 0, 0xFF3, 0x00C, 0},
    {S1 | S2, "BANKS2", 1, 0, 0xFF7, 0x00C, 0},
    {S1 | S2, "BANKS4", 1, 0, 0xFFB, 0x00C, 0},
    {S1 | S2, "BANKS8", 1, 0, 0xFFF, 0x00C, 0},
    // brown-out
    {S1, "BOROFF", 1, 0, 0xFFF, 0x030, 0},
    {S1, "BOR42", 1, 0, 0xFEF, 0x030, 0},
    {S2 | S4, "BOR22", 1, 0, 0xFEF, 0x030, 0},
    {S2 | S4, "BOR26", 1, 0, 0xFDF, 0x030, 0},
    {S2 | S4, "BOR42", 1, 0, 0xFCF, 0x030, 0},
    {S2 | S4, "BOROFF", 1, 0, 0xFFF, 0x030, 0},
    {S3, "BOROFF", 1, 0, 0xFFF, 0x003, 0},
    {S3, "BOR42", 1, 0, 0xFFC, 0x003, 0},
    // carry
    {S1 | S2 | S4, "CARRYX", 1, 0, 0xFBF, 0x040, 0},
    {S3, "CARRYX", 1, 0, 0xF7F, 0x080, 0},
    // set 2: stack and option extension in FUSEX
    {S2, "STACKX", 1, 0, 0xF7F, 0x080, 0},
    {S2, "OPTIONX", 1, 0, 0xF7F, 0x080, 0},
    {S2, "STACKX_OPTIONX", 1, 0, 0xF7F, 0x080, 1},
    // set 3: watchdog reset time and sleep clock
    {S3, "WDRT60", 1, 0, 0x8FF, 0x700, 0},
    {S3, "WDRT480", 1, 0, 0x9FF, 0x700, 0},
    {S3, "WDRT960", 1, 0, 0xAFF, 0x700, 0},
    {S3, "WDRT1920", 1, 0, 0xBFF, 0x700, 0},
    {S3, "WDRT0", 1, 0, 0xCFF, 0x700, 0},
    {S3, "WDRT006", 1, 0, 0xDFF, 0x700, 0},
    {S3, "WDRT768", 1, 0, 0xEFF, 0x700, 0},
    {S3, "WDRT184", 1, 0, 0xFFF, 0x700, 0},
    {S3, "SLEEPCLK", 1, 0, 0x7FF, 0x800, 0},
    // set 4
    {S4, "XTLBUF_EN", 0, 1, 0x010, 0x010, 0},
    {S4, "XTLBUFD", 0, 0, 0xFEF, 0x010, 0},
    {S4, "XTLBUF_D", 0, 0, 0xFEF, 0x010, 0},
    {S4, "IFBD", 0, 0, 0xFBF, 0x040, 0},
    {S4, "SYNC", 0, 0, 0xBFF, 0x400, 0},
    {S4, "FEEDBACKOFF", 0, 0, 0xFBF, 0x040, 1},
    {S4, "DRIVEOFF", 0, 0, 0xFEF, 0x010, 1},
    {S4, "WDRT60", 1, 0, 0xFFC, 0x003, 0},
    {S4, "WDRT960", 1, 0, 0xFFD, 0x003, 0},
    {S4, "WDRT006", 1, 0, 0xFFE, 0x003, 0},
    {S4, "WDRT184", 1, 0, 0xFFF, 0x003, 0},
    {S4, "SLEEPCLK", 1, 0, 0xBFF, 0x400, 0},
    {S4, "OSCHS", 0, 0, 0xFFC, 0x023, 1},
    {S4, "TURBO", 0, 0, 0x7FF, 0x800, 1},
    {S4, "OPTIONX", 0, 0, 0xDFF, 0x200, 1},
    {S4, "STACKX", 0, 0, 0xEFF, 0x100, 1},
};

} // namespace

bool Orda::DeviceOption(const std::string& word) {
    int set;
    if (p_.dev.family == 1)
        set = p_.s.oldRev ? 1 : 2;
    else
        set = p_.s.oldRev ? 3 : 4;
    if (p_.s.corvanex && (EqualNoCase(word, "IFBD") || EqualNoCase(word, "FEEDBACKOFF"))) set = 4;
    for (const OptionRow& r : kOptions) {
        if (!(r.sets & (1 << set)) || !EqualNoCase(word, r.name)) continue;
        uint16_t& target = r.fusex ? p_.fusex : p_.fuse;
        if (r.obsolete) {
            Report(kWarning, kObsolete, word);
        }
        if (r.isOr) {
            target = uint16_t(target | r.value);
        } else if ((target & r.field) == r.field) {
            target = uint16_t(target & r.value);
        }
        return true;
    }
    return false;
}

void Orda::ListDirective() {
    Settings& s = p_.s;
    while (Next() != kTokEnd) {
        if (cur_.tok.type == kTokComma) continue;
        if (cur_.tok.type != kTokName || cur_.tok.text.size() != 1) {
            Report(kError, kBadInstruction);
            return;
        }
        char letter = Upper(cur_.tok.text[0]);
        if (Next() == kTokAssign)
            Next();
        else
            Report(kComment, kExpectedEquals);
        std::string value;
        if (cur_.tok.type == kTokMinus) {
            value = "-";
            Next();
        }
        if (cur_.tok.type == kTokName || cur_.tok.type == kTokNumber) {
            value += cur_.tok.text;
        } else if (cur_.tok.type != kTokEnd && cur_.tok.type != kTokComma) {
            Report(kError, kUnknownListParam);
            return;
        }
        bool isNumber = !value.empty() && (value[0] == '-' ? value.size() > 1 : true) &&
                        std::all_of(value.begin() + (value[0] == '-'), value.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
        switch (letter) {
        case 'P': {
            int d = FindDeviceName(value);
            if (d < 0 && !EqualNoCase(value, "OLDREV")) {
                Report(kError, kUnknownDevice);
                break;
            }
            DeviceWord(value);
            break;
        }
        case 'R': {
            int saved = s.radix;
            if (!SetRadix(s, value)) {
                s.radix = saved;
                Report(kError, kBadRadix);
            }
            break;
        }
        case 'F': {
            int saved = s.objectFormat;
            if (!SetObjectFormat(s, value)) {
                s.objectFormat = saved;
                Report(kError, kUnknownFormat);
            }
            break;
        }
        case 'L': {
            Settings saved = s;
            if (!SetListMode(s, value)) {
                s = saved;
                Report(kError, kUnknownListParam);
            }
            break;
        }
        case 'N': {
            if (!isNumber || value[0] == '-') {
                Report(kError, kUnknownListParam);
                break;
            }
            int n = ReadDecimal(value);
            if (n >= 1 && n <= 5) break;
            s.pageLength = n;
            if (s.listMode != kListNoPage) s.pageLengthInForce = n;
            break;
        }
        case 'E':
            if (value.empty() || EqualNoCase(value, "NONE") || value == "0")
                s.nohau = false;
            else if (EqualNoCase(value, "NOHAU") || value == "1")
                s.nohau = true;
            else
                Report(kError, kUnknownListParam);
            break;
        case 'Q':
            if (!isNumber || !SetQuiet(s, value)) Report(kError, kUnknownListParam);
            break;
        case 'W': {
            int saved = s.warningLevel;
            if (!isNumber || !SetWarningLevel(s, value)) {
                s.warningLevel = saved;
                Report(kError, kUnknownListParam);
            }
            break;
        }
        case 'X':
            if (EqualNoCase(value, "ON"))
                s.expand = true;
            else if (EqualNoCase(value, "OFF"))
                s.expand = false;
            else
                Report(kError, kUnknownListParam);
            break;
        case 'C':
        case 'D':
            break;
        default:
            Report(kError, kBadInstruction);
            return;
        }
        if (cur_.tok.type == kTokEnd) break;
    }
}

void Orda::IncludeDirective() {
    st_.listKind = kListTextNoFlag;
    std::string name;
    int t = Next();
    if (t == kTokString) {
        name = cur_.tok.text;
    } else if (t != kTokEnd && t != kTokComma) {
        size_t i = cur_.tok.start;
        while (i < st_.line.size() && st_.line[i] != ' ' && st_.line[i] != '\t' &&
               st_.line[i] != ';' && !IsStatementEnd((unsigned char)st_.line[i]))
            name += st_.line[i++];
    }
    if (name.empty()) {
        Report(kError, p_.pass == 1 ? kBadString : kBadInstruction);
        return;
    }
    if (p_.pass == 2 && name.size() > 63) {
        Report(kError, kIncludeNameLong);
        return;
    }
    if (st_.level + 1 > kMaxIncludeLevel) {
        Report(kError, kFileNesting);
        return;
    }
    std::string resolved = opt_.Resolve(name, true);
    int index = files_.Find(resolved);
    if (index < 0) {
        if (files_.size() >= kMaxFiles) {
            Report(kError, kTooManyIncludes);
            return;
        }
        auto text = host_.ReadFile(resolved);
        if (!text) {
            host_.Print(Format("\nCannot open INCLUDE file: %s\n", name.c_str()));
            if (p_.s.corvanex) {
                Fatal(2, kCannotOpenInclude, name);
            }
            Exit(1);
        }
        index = files_.Add(name, resolved, std::move(*text));
    }
    p_.pageCountdown = p_.bankCountdown = 0;
    PushFile(index, st_.level + 1);
}

void Orda::MacroDirective(const std::string* label) {
    Macro* m = &p_.src.refused;
    p_.src.refused = Macro{};
    if (!label) {
        Report(kError, kMissingLabel);
    } else if (p_.src.macros.count(*label)) {
        Report(kError, kMacroRedefinition, *label);
    } else {
        m = &p_.src.macros[*label];
        m->name = *label;
    }
    int t = Next();
    if (t == kTokNumber) {
        m->declared = cur_.tok.number;
    } else {
        while (t != kTokEnd) {
            if (t == kTokName || t == kTokAtName) {
                m->params.push_back(cur_.tok.text);
            } else if (t != kTokComma) {
                Report(kError, kBadArgument, cur_.tok.text);
                break;
            }
            t = Next();
        }
        if (!m->params.empty()) m->declared = int(m->params.size());
    }
    p_.src.defining = m;
    p_.src.defineDepth = 1;
    p_.src.defineFrames = p_.src.frames.size();
}

void Orda::MacroCall(Macro& m, size_t from) {
    std::vector<std::string> args;
    size_t i = from;
    const size_t n = st_.line.size();
    auto skipBlanks = [&] {
        while (i < n && (st_.line[i] == ' ' || st_.line[i] == '\t'))
            ++i;
    };
    auto atEnd = [&] {
        return i >= n || st_.line[i] == ';' || IsStatementEnd((unsigned char)st_.line[i]);
    };
    auto toComma = [&] {
        while (!atEnd() && st_.line[i] != ',')
            ++i;
    };
    skipBlanks();
    if (!atEnd()) {
        while (true) {
            skipBlanks();
            std::string a;
            if (i < n && st_.line[i] == '{') {
                size_t close = st_.line.find('}', i + 1);
                size_t stop = close == std::string::npos ? n : close;
                a.assign(st_.line, i + 1, stop - i - 1);
                i = close == std::string::npos ? n : close + 1;
                toComma();
            } else if (i < n && (st_.line[i] == '"' || st_.line[i] == '\'')) {
                char q = st_.line[i];
                size_t close = st_.line.find(q, i + 1);
                size_t stop = close == std::string::npos ? n : close + 1;
                a.assign(st_.line, i, stop - i);
                i = stop;
                toComma();
            } else if (i < n && st_.line[i] == '?') {
                ScanFrom(i + 1);
                Next();
                Value v;
                if (Evaluate(v)) a = FormatRadix(v.v, p_.s.radix);
                i = cur_.tok.type == kTokEnd ? n : cur_.tok.start;
                toComma();
            } else {
                size_t s = i;
                toComma();
                a.assign(st_.line, s, i - s);
                while (!a.empty() && (a.back() == ' ' || a.back() == '\t'))
                    a.pop_back();
                if (!a.empty() && a[0] == ':') a = p_.lastGlobal + a;
            }
            args.push_back(std::move(a));
            if (i < n && st_.line[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
    }
    if (m.declared >= 0 && int(args.size()) != m.declared)
        ReportOutsidePass1(kError, kMacroArgsMismatch);
    int depth = 0;
    for (const Frame& f : p_.src.frames)
        depth += f.kind == Frame::kMacro;
    if (depth >= kMaxMacroDepth) {
        Report(kError, kMacroNesting);
        return;
    }
    ++p_.src.invocations;
    Frame f;
    f.kind = Frame::kMacro;
    f.macro = &m;
    f.args = std::move(args);
    f.localBase = p_.src.localCounter;
    p_.src.localCounter += uint32_t(m.locals.size());
    f.condDepth = p_.conds.size();
    f.suffix = "?" + m.name.substr(0, 5);
    AppendDecimal(f.suffix, p_.src.invocations, 0);
    p_.lastGlobal += f.suffix;
    p_.src.frames.push_back(std::move(f));
}

void Orda::ReptDirective() {
    Value v;
    int count = 0;
    if (Next() == kTokEnd) {
        Report(kError, kMissingExpression);
    } else if (Evaluate(v, true)) {
        if (v.v < 0 || v.v >= 255)
            Report(kError, kReptLimit);
        else
            count = v.v;
    }
    // The block is collected even when it will not run, so that its lines are not taken
    // for statements.
    p_.src.collecting = true;
    p_.src.collectDepth = 1;
    p_.src.collectFrames = p_.src.frames.size();
    p_.src.collectCount = count;
    p_.src.collectOverflow = false;
    p_.src.collected.clear();
}

void Orda::ErrorDirective() {
    int pass = 2;
    char severity = 'E';
    int t = Next();
    if (t == kTokName) {
        const std::string& w = cur_.tok.text;
        if (w.size() != 3 || Upper(w[0]) != 'P' || (w[1] != '1' && w[1] != '2') ||
            (Upper(w[2]) != 'E' && Upper(w[2]) != 'W' && Upper(w[2]) != 'C')) {
            Report(kError, kBadInstruction);
            return;
        }
        pass = w[1] - '0';
        severity = Upper(w[2]);
        t = Next();
    }
    if (t != kTokString) {
        Report(kError, kBadInstruction);
        return;
    }
    if (p_.pass != pass) return;
    const std::string& text = cur_.tok.text;
    if (severity == 'E')
        Report(kError, kUserError, text);
    else if (severity == 'C')
        Report(kComment, kUserError, text);
    else if (p_.s.corvanex)
        Report(kWarning, kUserWarning, text);
    else
        Report(kWarning, kUserError, text);
}

void Orda::WatchDirective() {
    if (!p_.s.corvanex) return;
    if (Next() == kTokEnd) {
        Report(kError, kWatchParams);
        return;
    }
    size_t exprStart = cur_.tok.start;
    Value v;
    bool ok = Evaluate(v, true, true);
    if (!ok) return;
    size_t exprEnd = cur_.tok.type == kTokEnd ? st_.line.size() : cur_.tok.start;
    std::string text;
    for (size_t i = exprStart; i < exprEnd && i < st_.line.size(); ++i) {
        char c = st_.line[i];
        if (c == ';') break;
        if (c != ' ' && c != '\t') text += c;
    }
    if (cur_.tok.type != kTokComma || Next() != kTokNumber) {
        Report(kError, kWatchParams);
        return;
    }
    int count = ReadDecimal(cur_.tok.text);
    if (Next() != kTokComma || Next() != kTokName) {
        Report(kError, kWatchParams);
        return;
    }
    static constexpr const char* kFormats[] = {"UDEC", "SDEC", "UHEX", "SHEX",
                                               "UBIN", "SBIN", "FSTR", "ZSTR"};
    int type = -1;
    for (int i = 0; i < 8; ++i)
        if (EqualNoCase(cur_.tok.text, kFormats[i])) type = kWatchFirst + i;
    if (type < 0) {
        Report(kError, kBadArgument, cur_.tok.text);
        return;
    }
    int32_t value = int32_t(uint32_t(v.v) | (uint32_t(v.bit) << 8));
    std::string name = "__SX_WATCH:" + text;
    st_.listKind = kListValue;
    st_.listValue = value;
    Symbol* s = symbols_.Find(name);
    if (s && p_.pass == 1) {
        Report(kError, kRedefinition, name);
        return;
    }
    if (s) {
        s->value = value;
        s->bit = uint16_t(count & 0xFF);
        s->type = uint8_t(type);
    } else {
        symbols_.Enter(name, value, count & 0xFF, type, p_.listingLine);
    }
}

void Orda::Conditional(int code) {
    switch (code) {
    case kDirIf:
    case kDirIfdef:
    case kDirIfndef: {
        if (int(p_.conds.size()) >= kMaxConds) {
            Report(kError, kIfNesting);
            return;
        }
        if (p_.Skipping()) {
            p_.conds.push_back({true, false, true});
            return;
        }
        // A statement in error is dropped like any other: it opens no level.
        bool truth = false;
        if (Next() == kTokEnd) {
            Report(kError, kMissingExpression);
            return;
        }
        if (code == kDirIf) {
            Value v;
            if (!Evaluate(v, true)) return;
            truth = v.v >= 1;
        } else if (cur_.tok.type != kTokName) {
            Report(kError, kBadInstruction);
            return;
        } else {
            const std::string key =
                cur_.tok.text[0] == ':' ? p_.LocalLabelName(cur_.tok.text) : cur_.tok.text;
            bool defined = symbols_.Find(key) != nullptr;
            truth = code == kDirIfdef ? defined : !defined;
        }
        p_.conds.push_back({!truth, false, false});
        return;
    }
    case kDirElse: {
        if (p_.conds.empty()) {
            Report(kError, kUnmatchedElse);
            return;
        }
        CondLevel& c = p_.conds.back();
        if (c.elseSeen) {
            Report(kError, kBadIfElse);
            return;
        }
        c.elseSeen = true;
        if (!c.parentSkip) c.skip = !c.skip;
        return;
    }
    case kDirEndif:
        if (p_.conds.empty()) {
            Report(kError, kUnmatchedEndif);
            return;
        }
        p_.conds.pop_back();
        return;
    }
}

} // namespace orda
