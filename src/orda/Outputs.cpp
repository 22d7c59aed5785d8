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

std::string HeadingText(const std::tm& time) {
    return Format("ORDA Cross-Assembler %s  %24.24s", kVersion, AscTime(time).c_str());
}

std::string SymbolLine(const std::string& name, const Symbol& s, bool corvanex) {
    bool watch = s.type >= kWatchFirst && s.type <= kWatchLast && corvanex;
    std::string out = Format("%-32s  %4s   %08X", name.c_str(), SymbolTypeName(s.type, corvanex),
                             uint32_t(s.value));
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

} // namespace

// ---- list file ----

void Orda::OpenListAndMap() {
    list_ = Listing{};
    list_.listFile = host_.Create(opt_.OutputPath(".lst"));
    if (!list_.listFile) {
        host_.Print("\nCannot create program listing file");
        Exit(1);
    }
    list_.mapFile = host_.Create(opt_.OutputPath(".map"));
    if (!list_.mapFile) {
        host_.Print("\nCannot create map file");
        list_.listFile.reset();
        Exit(1);
    }
    list_.mapData.assign(2560, '\0');
    list_.columnHeader = kColumnHeader;
}

void Orda::ListRaw(std::string_view text) {
    if (list_.listFile) list_.listFile->Write(text);
}

void Orda::PageHeader() {
    ++list_.pageNumber;
    std::string h;
    if (list_.pageNumber > 1) h += '\f';
    h += Format("Page %2d ", list_.pageNumber) + HeadingText(run_.time) + "\r\n";
    list_.pageLines = 3;
    if (!p_.title.empty()) {
        h += p_.title + "\r\n";
        ++list_.pageLines;
    }
    const std::string& subtitle = list_.crossReference ? "Cross Reference" : p_.subtitle;
    if (!subtitle.empty()) {
        h += subtitle + "\r\n";
        ++list_.pageLines;
    }
    h += "\r\n";
    ++list_.pageLines;
    if (!list_.columnHeader.empty()) {
        h += list_.columnHeader + "\r\n";
        ++list_.pageLines;
    }
    ListRaw(h);
}

void Orda::ListLine(std::string_view text) {
    int length = p_.s.pageLengthInForce;
    if (length > 0 && (list_.pageNumber == 0 || list_.pageLines >= length)) PageHeader();
    std::string line(text);
    line += "\r\n";
    ListRaw(line);
    ++list_.listCount;
    ++list_.pageLines;
}

void Orda::ListMessage(std::string text) {
    list_.queue.push_back(std::move(text));
}

void Orda::FlushQueue() {
    if (list_.queue.empty()) return;
    if (list_.listFile)
        for (const std::string& m : list_.queue)
            ListLine(m);
    list_.queue.clear();
}

void Orda::FinishListing() {
    FlushQueue();
    if (list_.mapFile) FinishMap();
    if (list_.listFile) {
        ListLeftOut();
        ListCrossReference();
    }
    CloseOutput(list_.listFile, opt_.outputBase + ".lst");
}

void Orda::AbandonListing() {
    if (list_.listFile) {
        FlushQueue();
        ListLeftOut();
        CloseOutput(list_.listFile, opt_.outputBase + ".lst");
    }
    list_.mapFile.reset();
}

std::string Orda::SourceForList(bool& truncated) const {
    truncated = false;
    // a line holds at most 255 characters, so only tabs can take it past the limit
    if (st_.line.find('\t') == std::string::npos && st_.line.find(char(31)) == std::string::npos)
        return st_.line;
    std::string out;
    int width = p_.s.tabWidth ? p_.s.tabWidth : 1;
    int col = 0;
    for (char c : st_.line) {
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
    if (!list_.mapFile) return;
    Put16(list_.mapData, list_.mapPos, uint16_t(address));
    Put16(list_.mapData, list_.mapPos + 2, uint16_t(st_.fileLine));
    Put16(list_.mapData, list_.mapPos + 4, uint16_t(list_.listCount));
    Put16(list_.mapData, list_.mapPos + 6, uint16_t(st_.fileIndex));
    list_.mapPos += 8;
}

void Orda::ListStatement() {
    if (!list_.listFile) {
        list_.queue.clear();
        return;
    }
    char flag = st_.fromExpansion ? 'm' : (st_.level > 0 ? '+' : ' ');
    bool hidden =
        !p_.s.expand && (st_.fromExpansion || st_.level > 0) && st_.listKind != kListTextNoFlag;
    if (st_.listKind == kListNothing || hidden) {
        FlushQueue();
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
    switch (st_.listKind) {
    case kListValue:
        line += '=';
        AppendHex(line, uint32_t(st_.listValue), 8);
        if (st_.listHasBit) {
            line += '.';
            line += char('0' + (st_.listBit & 7));
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
        twoWords(st_.listAddress, st_.words.empty() ? 0 : st_.words[0]);
        ListLine(line);
        MapRecord(st_.listAddress);
        for (size_t i = 1; i < st_.words.size(); i += 4) {
            std::string c = "        ";
            AppendHex(c, (st_.listAddress + uint32_t(i)) & 0xFFFF, 4);
            c += "  ";
            for (size_t j = i; j < i + 4 && j < st_.words.size(); ++j) {
                if (j > i) c += ' ';
                AppendHex(c, st_.words[j], 4);
            }
            ListLine(c);
            MapRecord(st_.listAddress + uint32_t(i));
        }
        break;
    }
    case kListFuses:
        twoWords(p_.fuse, p_.fusex);
        ListLine(line);
        break;
    case kListReset:
        twoWords(st_.listAddress, st_.resetWord);
        ListLine(line);
        MapRecord(st_.listAddress);
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
        tail(st_.listKind == kListTextNoFlag ? ' ' : flag);
        ListLine(line);
        if (st_.listKind == kListSpace)
            for (int i = 0; i < st_.spaceLines; ++i)
                ListLine("");
        break;
    case kListNothing:
        break;
    }
    FlushQueue();
}

void Orda::ListLeftOut() {
    for (int n = 1; n <= kMessageCount; ++n) {
        if (reports_.unlisted[size_t(n)] == 0) continue;
        ListLine("****** " +
                 LeftOutLine(n, reports_.listed[size_t(n)], reports_.unlisted[size_t(n)]));
    }
}

void Orda::ListCrossReference() {
    FlushQueue();
    list_.crossReference = true;
    list_.columnHeader.clear();
    ListLine("");
    ListLine("Cross Reference");
    ListLine(Format("%d symbols", int(symbols_.Count())));
    ListLine("");
    ListLine(kSymbolHeader);
    for (const auto& [name, s] : symbols_.Tree())
        ListLine(SymbolLine(name, s, p_.s.corvanex));
}

void Orda::FinishMap() {
    Put16(list_.mapData, 0, 0xAAFF);
    Put16(list_.mapData, 2, 0x0100);
    Put16(list_.mapData, 4, uint16_t(p_.dev.index));
    Put16(list_.mapData, 6, uint16_t(p_.dev.memSize - 1));
    Put16(list_.mapData, 8, uint16_t(p_.dev.highest));
    Put16(list_.mapData, 10, 0xFFFF);
    for (size_t i = 0; i < files_.size() && i < 31; ++i) {
        std::string name = files_[i].name;
        size_t slash = name.rfind('/');
        // without directories under /Z, or when the whole path does not fit its slot
        if ((!p_.s.fullPathsInMap || name.size() > 63) && slash != std::string::npos)
            name = name.substr(slash + 1);
        if (name.size() > 63) name.resize(63);
        size_t at = 32 + 64 * i;
        list_.mapData[at] = char(name.size());
        std::memcpy(&list_.mapData[at + 1], name.data(), name.size());
    }
    list_.mapFile->Write(list_.mapData);
    CloseOutput(list_.mapFile, opt_.outputBase + ".map");
}

// ---- symbol file ----

bool Orda::WriteSymbolFile() {
    auto f = host_.Create(opt_.OutputPath(".sym"));
    if (!f) {
        host_.Print("\nCannot create symbol file");
        return false;
    }
    std::string out = "Cross Reference\r\n";
    out += Format("%d symbols\r\n", int(symbols_.Count()));
    out += "\r\n";
    out += kSymbolHeader;
    for (const auto& [name, s] : symbols_.Tree()) {
        out += "\r\n";
        out += SymbolLine(name, s, p_.s.corvanex);
    }
    out += "\r\n";
    f->Write(out);
    // a file cut short is said and removed, the listing stays
    CloseOutput(f, opt_.outputBase + ".sym");
    return true;
}

// ---- objects ----

void Orda::BuildConfig() {
    image_.SetConfig({p_.fuse, p_.fusex, 0xFFFF, p_.dev.deviceWord, uint16_t(p_.freq >> 16),
                      uint16_t(p_.freq & 0xFFFF), p_.s.corvanex ? p_.irc : uint16_t(0xFFFF),
                      p_.breakAddr});
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
    auto f = host_.Create(opt_.OutputPath(".obj"));
    if (!f) {
        host_.Print("\nCannot create object file");
        return false;
    }
    image_.MaskProgram();
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
    CloseOutput(f, opt_.outputBase + ".obj");
    return true;
}

bool Orda::WriteHex(int format) {
    BuildConfig();
    bool split = format == kInhx8s;
    bool bytes = format == kInhx8m || format == kInhx32;
    const char* ext = split ? ".hxl" : ".hex";
    auto f = host_.Create(opt_.OutputPath(ext));
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
        high = host_.Create(opt_.OutputPath(".hxh"));
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
    CloseOutput(f, opt_.outputBase + ext);
    if (split) {
        outHigh += ":00000001FF\r\n";
        high->Write(outHigh);
        CloseOutput(high, opt_.outputBase + ".hxh");
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
    std::string path = opt_.outputBase + ".sxe";
    auto f = host_.Create(opt_.Resolve(path, false));
    if (!f) {
        host_.Print(Format("\nCannot open IEEE-695 object file: %s", path.c_str()));
        return false;
    }
    BuildConfig();
    const std::tm& t = run_.time;
    const Counters total = reports_.Total();
    const int printed = total.printed, errors = total.errors;
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
        m.Name(opt_.sourceName);
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
        atn(env, 51), m.Name(opt_.commandLine), m.End();
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
        m.Byte(0xF8), m.Number(1), m.Number2(0), m.Name(image_.IdText()), m.End();
        m.Byte(0xF9), m.End();
        m.Byte(0xF8), m.Number(3), m.Number2(0), m.Name(image_.IdText()), m.End();
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
        m.Byte(0xF8), m.Number(10), m.Number2(0), m.Name(opt_.sourceName), m.Name(""), m.Number(16),
            m.Name(kVersion), date(), m.End();
        for (const auto& [name, s] : symbols_.Tree()) {
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
