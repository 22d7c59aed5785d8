// Object files, the list file, the line map, the symbol file and the IEEE-695 module.
#include <cstring>

#include "orda/Orda.h"
#include "orda/OrdaText.h"

namespace orda {

namespace {

constexpr const char* kColumnHeader = "Line    PC    Opcode    Source";
constexpr const char* kSymbolHeader = "Symbol                            Type   Value      Line";

void Put16(std::string& s, size_t at, uint16_t v) {
    if (s.size() < at + 2) s.resize(at + 2, '\0');
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}

std::string AscTime(const std::tm& t) {
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int wday = t.tm_wday >= 0 && t.tm_wday < 7 ? t.tm_wday : 0;
    int mon = t.tm_mon >= 0 && t.tm_mon < 12 ? t.tm_mon : 0;
    return Format("%s %s %2d %02d:%02d:%02d %d", kDays[wday], kMonths[mon], t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec, t.tm_year + 1900);
}

} // namespace

std::string Orda::HeadingText() const {
    return Format("ORDA Cross-Assembler %s  %24.24s", kVersion, AscTime(runTime_).c_str());
}

// ---- list file ----

void Orda::OpenListAndMap() {
    listFile_ = host_.Create(Resolve(outputBase_ + ".lst", false));
    if (!listFile_) {
        host_.Print("\nCannot create program listing file");
        p_.s.listMode = options_.listMode = kListNone;
        Exit(1);
    }
    listOpen_ = true;
    mapFile_ = host_.Create(Resolve(outputBase_ + ".map", false));
    if (!mapFile_) {
        host_.Print("\nCannot create map file");
        p_.s.listMode = options_.listMode = kListNone;
        listFile_.reset();
        listOpen_ = false;
        Exit(1);
    }
    mapOpen_ = true;
    mapData_.assign(2560, '\0');
    mapPos_ = 2048;
    listCount_ = 0;
    pageNumber_ = 0;
    pageLines_ = 0;
    columnHeader_ = kColumnHeader;
}

void Orda::ListRaw(std::string_view text) {
    if (listFile_) listFile_->Write(text);
}

void Orda::PageHeader() {
    ++pageNumber_;
    std::string h;
    if (pageNumber_ > 1) h += '\f';
    h += Format("Page %2d ", pageNumber_) + HeadingText() + "\r\n";
    pageLines_ = 3;
    if (!p_.title.empty()) {
        h += p_.title + "\r\n";
        ++pageLines_;
    }
    if (!p_.subtitle.empty()) {
        h += p_.subtitle + "\r\n";
        ++pageLines_;
    }
    h += "\r\n";
    ++pageLines_;
    if (!columnHeader_.empty()) {
        h += columnHeader_ + "\r\n";
        ++pageLines_;
    }
    ListRaw(h);
}

void Orda::ListLine(std::string_view text) {
    int length = p_.s.pageLengthInForce;
    if (length > 0 && (pageNumber_ == 0 || pageLines_ >= length)) PageHeader();
    std::string line(text);
    line += "\r\n";
    ListRaw(line);
    ++listCount_;
    ++pageLines_;
}

void Orda::FlushQueue(bool) {
    if (p_.queue.empty()) return;
    if (listOpen_)
        for (const QueuedMessage& m : p_.queue)
            ListLine(m.text);
    p_.queue.clear();
}

std::string Orda::SourceForList(bool& truncated) {
    truncated = false;
    // a line holds at most 255 characters, so only tabs can take it past the limit
    if (line_.find('\t') == std::string::npos && line_.find(char(31)) == std::string::npos)
        return line_;
    std::string out;
    int width = p_.s.tabWidth ? p_.s.tabWidth : 1;
    int col = 0;
    for (char c : line_) {
        if (c == '\t') {
            int next = (col / width + 1) * width;
            if (next > 256) {
                truncated = true;
                break;
            }
            out.append(size_t(next - col), ' ');
            col = next;
            continue;
        }
        out += c == 31 ? '`' : c;
        if (++col > 256) {
            truncated = true;
            break;
        }
    }
    return out;
}

void Orda::MapRecord(uint32_t address) {
    if (!mapOpen_) return;
    Put16(mapData_, mapPos_, uint16_t(address));
    Put16(mapData_, mapPos_ + 2, uint16_t(curFileLine_));
    Put16(mapData_, mapPos_ + 4, uint16_t(listCount_));
    Put16(mapData_, mapPos_ + 6, uint16_t(curFileIndex_));
    mapPos_ += 8;
}

void Orda::ListStatement() {
    if (!listOpen_) {
        p_.queue.clear();
        return;
    }
    char flag = fromExpansion_ ? 'm' : (curLevel_ > 0 ? '+' : ' ');
    bool hidden = !p_.s.expand && (fromExpansion_ || curLevel_ > 0) && listKind_ != kListTextNoFlag;
    if (listKind_ == kListNothing || hidden) {
        FlushQueue(false);
        return;
    }
    bool truncated;
    std::string source = SourceForList(truncated);
    if (truncated) Report(kWarning, kListLineTruncated);
    std::string line;
    AppendDecimal(line, p_.listingLine, 6);
    line += "  ";
    auto tail = [&](char f) {
        line += ' ';
        line += ' ';
        line += f;
        line += "  ";
        line += source;
    };
    auto twoWords = [&](uint32_t a, uint16_t b) {
        AppendHex(line, a & 0xFFFF, 4);
        line += "  ";
        AppendHex(line, b, 4);
        line += ' ';
        tail(flag);
    };
    switch (listKind_) {
    case kListValue:
        line += '=';
        AppendHex(line, uint32_t(listValue_), 8);
        if (listHasBit_) {
            line += '.';
            line += char('0' + (listBit_ & 7));
        } else {
            line += "  ";
        }
        line += "  ";
        line += flag;
        line += "  ";
        line += source;
        ListLine(line);
        break;
    case kListCode: {
        twoWords(listAddress_, stmtWords_.empty() ? 0 : stmtWords_[0]);
        ListLine(line);
        MapRecord(listAddress_);
        for (size_t i = 1; i < stmtWords_.size(); i += 4) {
            std::string c = "        ";
            AppendHex(c, (listAddress_ + uint32_t(i)) & 0xFFFF, 4);
            c += "  ";
            for (size_t j = i; j < i + 4 && j < stmtWords_.size(); ++j) {
                if (j > i) c += ' ';
                AppendHex(c, stmtWords_[j], 4);
            }
            ListLine(c);
            MapRecord(listAddress_ + uint32_t(i));
        }
        break;
    }
    case kListFuses:
        twoWords(p_.fuse, p_.fusex);
        ListLine(line);
        break;
    case kListReset:
        twoWords(listAddress_, listWords_[0]);
        ListLine(line);
        MapRecord(listAddress_);
        break;
    case kListEject:
        if (p_.s.pageLengthInForce > 0) PageHeader();
        line.append(11, ' ');
        tail(flag);
        ListLine(line);
        break;
    case kListTextNoFlag:
    case kListText:
    case kListSpace:
        line.append(11, ' ');
        tail(listKind_ == kListTextNoFlag ? ' ' : flag);
        ListLine(line);
        if (listKind_ == kListSpace)
            for (int i = 0; i < spaceLines_; ++i)
                ListLine("");
        break;
    case kListNothing:
        break;
    }
    FlushQueue(false);
}

std::string Orda::SymbolLine(const std::string& name, const Symbol& s) const {
    bool watch = s.type >= kWatchFirst && s.type <= kWatchLast && p_.s.corvanex;
    std::string out = Format("%-32s  %4s   %08X", name.c_str(),
                             SymbolTypeName(s.type, p_.s.corvanex), uint32_t(s.value));
    if (watch) {
        out += Format(" %02X", unsigned(s.bit));
    } else if (s.bit > 0) {
        out += '.';
        out += char('0' + (s.bit & 7));
    } else {
        out += "  ";
    }
    out += Format(" %04u", s.line);
    return out;
}

void Orda::ListLeftOut() {
    for (int n = 1; n <= kMessageCount; ++n) {
        if (unlisted_[size_t(n)] == 0) continue;
        ListLine("****** " + LeftOutLine(n, listed_[size_t(n)], unlisted_[size_t(n)]));
        unlisted_[size_t(n)] = 0;
    }
}

void Orda::ListCrossReference() {
    FlushQueue(true);
    p_.subtitle = "Cross Reference";
    columnHeader_.clear();
    ListLine("");
    ListLine("Cross Reference");
    ListLine(Format("%d symbols", int(symbols_.size())));
    ListLine("");
    ListLine(kSymbolHeader);
    for (const auto& [name, s] : symbols_)
        ListLine(SymbolLine(name, s));
}

void Orda::FinishMap() {
    Put16(mapData_, 0, 0xAAFF);
    Put16(mapData_, 2, 0x0100);
    Put16(mapData_, 4, uint16_t(p_.dev.index));
    Put16(mapData_, 6, uint16_t(p_.dev.memSize - 1));
    Put16(mapData_, 8, uint16_t(p_.dev.highest));
    Put16(mapData_, 10, 0xFFFF);
    for (size_t i = 0; i < files_.size() && i < 31; ++i) {
        std::string name = files_[i].name;
        size_t slash = name.rfind('/');
        // without directories under /Z, or when the whole path does not fit its slot
        if ((!p_.s.fullPathsInMap || name.size() > 63) && slash != std::string::npos)
            name = name.substr(slash + 1);
        if (name.size() > 63) name.resize(63);
        size_t at = 32 + 64 * i;
        mapData_[at] = char(name.size());
        std::memcpy(&mapData_[at + 1], name.data(), name.size());
    }
    mapFile_->Write(mapData_);
    CloseOutput(mapFile_, outputBase_ + ".map");
    mapOpen_ = false;
}

void Orda::LineRecord(ListKind kind, uint32_t address) {
    if (kind == kListCode || kind == kListReset)
        p_.lineEntries.push_back({LineEntry::kLine, curFileIndex_, curFileLine_, address});
}

// ---- symbol file ----

void Orda::WriteSymbolFile() {
    auto f = host_.Create(Resolve(outputBase_ + ".sym", false));
    if (!f) {
        host_.Print("\nCannot create symbol file");
        p_.s.listMode = kListNone;
        return;
    }
    std::string out = "Cross Reference\r\n";
    out += Format("%d symbols\r\n", int(symbols_.size()));
    out += "\r\n";
    out += kSymbolHeader;
    for (const auto& [name, s] : symbols_) {
        out += "\r\n";
        out += SymbolLine(name, s);
    }
    out += "\r\n";
    f->Write(out);
    CloseOutput(f, outputBase_ + ".sym");
}

// ---- objects ----

void Orda::BuildConfig() {
    uint16_t* c = &image_[kConfigBase];
    c[0] = p_.fuse;
    c[1] = p_.fusex;
    c[2] = 0xFFFF;
    c[3] = p_.dev.deviceWord;
    c[4] = uint16_t(p_.freq >> 16);
    c[5] = uint16_t(p_.freq & 0xFFFF);
    c[6] = p_.s.corvanex ? p_.irc : 0xFFFF;
    c[7] = p_.breakAddr;
}

bool Orda::WriteObject() {
    switch (p_.s.objectFormat) {
    case kBin16:
        return WriteBin16();
    case kInhx16:
    case kInhx8m:
    case kInhx8s:
    case kInhx32:
        return WriteHex(p_.s.objectFormat);
    case kIeee695:
        return WriteIeee695();
    }
    return false;
}

bool Orda::WriteBin16() {
    auto f = host_.Create(Resolve(outputBase_ + ".obj", false));
    if (!f) {
        host_.Print("\nCannot create object file");
        return false;
    }
    for (int i = 0; i < 16384; ++i)
        image_[size_t(i)] &= 0x0FFF;
    if (p_.s.corvanex) BuildConfig();
    int words = p_.dev.memSize + (p_.s.corvanex ? 24 : 0);
    std::string out;
    out.reserve(size_t(words) * 2);
    auto put = [&](uint16_t w) {
        out += char(w & 0xFF);
        out += char(w >> 8);
    };
    for (int i = 0; i < p_.dev.memSize; ++i)
        put(image_[size_t(i)]);
    if (p_.s.corvanex)
        for (int i = 0; i < 24; ++i)
            put(image_[size_t(kIdBase + i)]);
    f->Write(out);
    CloseOutput(f, outputBase_ + ".obj");
    return true;
}

bool Orda::WriteHex(int format) {
    BuildConfig();
    bool split = format == kInhx8s;
    bool bytes = format == kInhx8m || format == kInhx32;
    const char* ext = split ? ".hxl" : ".hex";
    auto f = host_.Create(Resolve(outputBase_ + ext, false));
    if (!f) {
        switch (format) {
        case kInhx16:
            host_.Print("\nCannot create Intel 16-bit hex file");
            break;
        case kInhx8s:
            host_.Print("\nCannot create low-byte object file");
            break;
        default:
            host_.Print("\nCannot create Intel 8-bit merged hex file");
            break;
        }
        return false;
    }
    std::unique_ptr<OutFile> high;
    if (split) {
        high = host_.Create(Resolve(outputBase_ + ".hxh", false));
        if (!high) {
            host_.Print("\nCannot create high-byte object file");
            return false;
        }
    }
    int perRecord = bytes ? 4 : 8;
    std::string out, outHigh;
    // One record; part 0: whole words, 1: low bytes, 2: high bytes.
    auto record = [&](std::string& s, int first, int count, int part) {
        unsigned n = bytes ? unsigned(count * 2) : unsigned(count);
        unsigned address = bytes ? unsigned(first * 2) : unsigned(first);
        unsigned sum = n + ((address >> 8) & 0xFF) + (address & 0xFF);
        s += ':';
        AppendHex(s, n, 2);
        AppendHex(s, address & 0xFFFF, 4);
        s += "00";
        for (int i = 0; i < count; ++i) {
            uint16_t w = image_[size_t(first + i)];
            unsigned lo = w & 0xFF, hi = w >> 8;
            if (part == 0) {
                if (bytes) {
                    AppendHex(s, lo, 2);
                    AppendHex(s, hi, 2);
                } else {
                    AppendHex(s, hi, 2);
                    AppendHex(s, lo, 2);
                }
                sum += lo + hi;
            } else {
                unsigned b = part == 1 ? lo : hi;
                AppendHex(s, b, 2);
                sum += b;
            }
        }
        AppendHex(s, (0x100 - (sum & 0xFF)) & 0xFF, 2);
        s += "\r\n";
    };
    auto emit = [&](int first, int count) {
        if (split) {
            record(out, first, count, 1);
            record(outHigh, first, count, 2);
        } else {
            record(out, first, count, 0);
        }
    };
    if (format == kInhx32) out += ":020000040000FA\r\n";
    int start = -1, count = 0;
    for (int a = 0; a < p_.dev.memSize; ++a) {
        if (image_[size_t(a)] == kBlank) {
            if (count) emit(start, count);
            count = 0;
            continue;
        }
        if (!count) start = a;
        if (++count == perRecord) {
            emit(start, count);
            count = 0;
        }
    }
    if (count) emit(start, count);
    for (int i = 0; i < 16; i += 4)
        emit(kIdBase + i, 4);
    emit(kConfigBase, 8);
    out += ":00000001FF\r\n";
    f->Write(out);
    CloseOutput(f, outputBase_ + ext);
    if (split) {
        outHigh += ":00000001FF\r\n";
        high->Write(outHigh);
        CloseOutput(high, outputBase_ + ".hxh");
    }
    return true;
}

// ---- IEEE-695 module ----

namespace {

class Module {
public:
    std::vector<std::string> records;
    std::string cur;
    size_t size = 0;
    void Byte(unsigned b) { cur += char(b & 0xFF); }
    void Number(int32_t v) {
        if (v < 0) {
            Number4(v);
            return;
        }
        uint32_t u = uint32_t(v) & 0xFFFF;
        if (uint32_t(v) <= 127) {
            Byte(uint32_t(v));
        } else if (u <= 0xFF) {
            Byte(0x81);
            Byte(u);
        } else {
            Byte(0x82);
            Byte(u >> 8);
            Byte(u);
        }
    }
    void Number2(uint32_t v) {
        Byte(0x82);
        Byte(v >> 8);
        Byte(v);
    }
    void Number4(int32_t v) {
        uint32_t u = uint32_t(v);
        Byte(0x84);
        Byte(u >> 24);
        Byte(u >> 16);
        Byte(u >> 8);
        Byte(u);
    }
    void Name(std::string_view s) {
        if (s.size() < 128) {
            Byte(unsigned(s.size()));
        } else if (s.size() < 256) {
            Byte(0xDE);
            Byte(unsigned(s.size()));
        } else {
            Byte(0xDF);
            Byte(unsigned(s.size() >> 8));
            Byte(unsigned(s.size()));
        }
        cur.append(s);
    }
    void Letter(char c) { Byte(0xC0 + unsigned(c - 0x40)); }
    void End() {
        size += cur.size();
        records.push_back(std::move(cur));
        cur.clear();
    }
};

} // namespace

bool Orda::WriteIeee695() {
    std::string path = outputBase_ + ".sxe";
    auto f = host_.Create(Resolve(path, false));
    if (!f) {
        host_.Print(Format("\nCannot open IEEE-695 object file: %s", path.c_str()));
        return false;
    }
    BuildConfig();
    const std::tm& t = runTime_;
    int printed = pass0_.printed + pass1_.printed + pass2_.printed;
    int errors = pass0_.errors + pass1_.errors + pass2_.errors;
    int status = printed == 0 ? 0 : (errors ? 3 : 1);
    uint32_t offsets[8] = {};
    bool wide = false; // part offsets beyond 64 KB take 4-byte numbers
    Module m;
    // The first run counts to learn the part offsets, the last writes them; a middle run
    // settles the offsets when they need the wider numbers.
    for (int run = 0; run < 3; ++run) {
        m = Module{};
        int index = 33;
        auto date = [&] {
            m.Number(t.tm_year + 1900);
            m.Number(t.tm_mon + 1);
            m.Number(t.tm_mday);
            m.Number(t.tm_hour);
            m.Number(t.tm_min);
            m.Number(t.tm_sec);
        };
        auto atn = [&](int idx, int attribute) {
            m.Byte(0xF1);
            m.Byte(0xCE);
            m.Number(idx);
            m.Number(0);
            m.Number(attribute);
        };
        auto nn = [&](int idx, std::string_view name) {
            m.Byte(0xF0);
            m.Number(idx);
            m.Name(name);
            m.End();
        };
        uint32_t found[8] = {};
        auto part = [&](int n) { found[n] = uint32_t(m.size); };
        // header
        m.Byte(0xE0);
        m.Name(DeviceNameOf(p_.dev.index));
        m.Name(sourceName_);
        m.End();
        m.Byte(0xEC);
        m.Number(8);
        m.Number(2);
        m.Letter('L');
        m.End();
        for (int n = 0; n < 8; ++n) {
            m.Byte(0xE2);
            m.Byte(0xD7);
            m.Number(n);
            if (wide)
                m.Number4(int32_t(offsets[n]));
            else
                m.Number2(offsets[n]);
            m.End();
        }
        // AD extension
        part(0);
        int ad = index++;
        nn(ad, "AD Info");
        atn(ad, 37), m.Number(4), m.Number(1), m.End();
        atn(ad, 38), m.Number(1), m.End();
        atn(ad, 39), m.Number(p_.s.caseInsensitive ? 1 : 2), m.End();
        // environment
        part(1);
        int env = index++;
        nn(env, "ORDA Env");
        atn(env, 50), date(), m.End();
        atn(env, 51), m.Name(commandLine_), m.End();
        atn(env, 52), m.Number(status), m.End();
        atn(env, 53), m.Number(2), m.End();
        atn(env, 54), m.Number(16), m.Number(1), m.Number(50), m.End();
        // sections
        part(2);
        m.Byte(0xE6), m.Number(1), m.Letter('A'), m.Letter('S'), m.Letter('D'), m.Name("DATA"),
            m.Number(0), m.Number(0), m.End();
        m.Byte(0xE2), m.Byte(0xD3), m.Number(1), m.Number(0), m.End();
        m.Byte(0xE2), m.Byte(0xCC), m.Number(1), m.Number4(0), m.End();
        m.Byte(0xE6), m.Number(2), m.Letter('A'), m.Letter('S'), m.Letter('P'), m.Name("CODE"),
            m.Number(0), m.Number(0), m.End();
        m.Byte(0xE2), m.Byte(0xD3), m.Number(2), m.Number(p_.dev.memSize), m.End();
        m.Byte(0xE2), m.Byte(0xCC), m.Number(2), m.Number(0), m.End();
        m.Byte(0xE2), m.Byte(0xC6), m.Number(2), m.Number(-2), m.End();
        // external part: empty, offset 0
        // debug information
        part(4);
        m.Byte(0xF8), m.Number(1), m.Number2(0), m.Name(idText_), m.End();
        m.Byte(0xF9), m.End();
        m.Byte(0xF8), m.Number(3), m.Number2(0), m.Name(idText_), m.End();
        m.Byte(0xF9), m.End();
        {
            std::vector<int> blocks;
            auto open = [&](const std::string& name) {
                m.Byte(0xF8), m.Number(5), m.Number(0), m.Name(name), date(), m.End();
                int idx = index++;
                nn(idx, "LineNumbers");
                blocks.push_back(idx);
            };
            open(files_[0].name);
            for (const LineEntry& e : p_.lineEntries) {
                switch (e.kind) {
                case LineEntry::kEnter:
                    open(files_[size_t(e.fileIndex)].name);
                    break;
                case LineEntry::kLeave:
                    if (blocks.size() > 1) {
                        m.Byte(0xF9), m.End();
                        blocks.pop_back();
                        nn(blocks.back(), "LineNumbers");
                    }
                    break;
                case LineEntry::kLine:
                    atn(blocks.back(), 7), m.Number(int32_t(e.line)), m.Number(0), m.End();
                    m.Byte(0xE2), m.Byte(0xCE), m.Number(blocks.back()),
                        m.Number(int32_t(e.address)), m.End();
                    break;
                }
            }
            while (!blocks.empty()) {
                m.Byte(0xF9), m.End();
                blocks.pop_back();
            }
        }
        m.Byte(0xF8), m.Number(10), m.Number2(0), m.Name(sourceName_), m.Name(""), m.Number(16),
            m.Name(kVersion), date(), m.End();
        for (const auto& [name, s] : symbols_) {
            int idx = index++;
            nn(idx, name);
            int type = s.type == kAddr ? 15
                       : (s.type == kData || s.type == kVar || s.type == kBdat || s.type == kBvar ||
                          s.type == kResb)
                           ? 2
                           : 0;
            m.Byte(0xF1), m.Byte(0xCE), m.Number(idx), m.Number(type), m.Number(19), m.Number(1),
                m.Number(0), m.End();
            m.Byte(0xE2), m.Byte(0xCE), m.Number(idx),
                m.Number(int32_t((uint32_t(s.value) & 0xFFF) | ((s.bit & 7u) << 12))), m.End();
        }
        m.Byte(0xF9), m.End();
        // data
        part(5);
        m.Byte(0xE5), m.Number(2), m.End();
        m.Byte(0xE2), m.Byte(0xD0), m.Number(2), m.Number(0), m.End();
        const int total = kConfigBase + 8;
        for (int w = 0; w < total; w += 63) {
            int n = total - w < 63 ? total - w : 63;
            m.Byte(0xED);
            m.Byte(unsigned(n * 2));
            for (int i = 0; i < n; ++i) {
                uint16_t v = image_[size_t(w + i)];
                m.Byte(v & 0xFF);
                m.Byte(v >> 8);
            }
            m.End();
        }
        // trailer
        part(6);
        m.Byte(0xE2), m.Byte(0xC7), m.Byte(0xBE), m.Byte(0), m.Byte(0xBF), m.End();
        part(7);
        m.Byte(0xE1), m.End();
        std::memcpy(offsets, found, sizeof offsets);
        for (uint32_t o : found)
            wide = wide || o > 0xFFFF;
    }
    for (const std::string& r : m.records) {
        size_t wrote = f->Write(r);
        if (wrote < r.size()) {
            host_.Print(Format("\nCommand Buffer Length: %i bytes\t", int(r.size())));
            host_.Print(Format("But Only Wrote: %i bytes\n", int(wrote)));
            break;
        }
    }
    CloseOutput(f, path);
    return true;
}

} // namespace orda
