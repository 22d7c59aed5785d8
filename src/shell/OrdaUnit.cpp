#include "shell/OrdaUnit.h"

#include "orda/UserFolder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIo.h"
#include "shell/FileNames.h"

namespace pellix {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMapRecordsOffset = 2048;
constexpr size_t kMapRecordSize = 8;
constexpr uint16_t kMapSignature = 0xAAFF;
constexpr size_t kObjectTail = 48; // 16 ID words and the 8-word configuration block

// Far above anything orda writes for a 4096-word chip, low enough that a stray huge file
// cannot take the program's memory.
constexpr size_t kMapLimit = kMapRecordsOffset + kMapRecordSize * 4'000'000;
constexpr size_t kObjectLimit = 2 * kCodeWords + kObjectTail;
constexpr size_t kSymbolLimit = 64u << 20;
constexpr size_t kErrorLimit = 8u << 20;

// orda writes these beside its base name; a source carrying one of them as its own
// extension would be overwritten when the outputs go beside it.
const char* const kOutputExtensions[] = {".obj", ".map", ".sym", ".err", ".lst"};

struct Loaded {
    bool ok = false;
    bool missing = false;
    bool truncated = false;
    bool tooLarge = false;
    std::string data;
    std::string error;
};

// Reads at most `limit` bytes; a longer file fails unless `keepStart` takes its start.
Loaded ReadLimited(const std::string& path, size_t limit, bool keepStart = false) {
    Loaded r;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        r.missing = errno == ENOENT;
        r.error = std::strerror(errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        r.error = std::strerror(errno);
        ::close(fd);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.error = "it is not a regular file";
        ::close(fd);
        return r;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = std::strerror(errno);
            ::close(fd);
            r.data.clear();
            return r;
        }
        if (n == 0) break;
        r.data.append(buf, size_t(n));
        if (r.data.size() > limit) {
            if (!keepStart) {
                ::close(fd);
                r.data.clear();
                r.tooLarge = true;
                r.error = "it is larger than " + std::to_string(limit) + " bytes";
                return r;
            }
            r.data.resize(limit);
            r.truncated = true;
            break;
        }
    }
    ::close(fd);
    r.ok = true;
    return r;
}

uint16_t Le16(std::string_view d, size_t at) {
    return uint16_t(uint8_t(d[at]) | (uint8_t(d[at + 1]) << 8));
}

std::string Hex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s(size_t(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        s[size_t(i)] = kDigits[value & 0xF];
    return s;
}

std::string TrimLeft(std::string_view s) {
    size_t i = s.find_first_not_of(" \t");
    return i == std::string_view::npos ? std::string() : std::string(s.substr(i));
}

std::string Trim(std::string_view s) {
    std::string t = TrimLeft(s);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.pop_back();
    return t;
}

// Lines of a text with CR LF, LF or CR ends; a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> f;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start) f.push_back(line.substr(start, i - start));
    }
    return f;
}

// Hexadecimal digits only, at most 8 of them; anything else is -1.
int64_t HexField(std::string_view s) {
    if (s.empty() || s.size() > 8) return -1;
    int64_t v = 0;
    for (char c : s) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                       : -1;
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

// Decimal digits only, at most 9 of them; anything else is -1.
int32_t DecField(std::string_view s) {
    if (s.empty() || s.size() > 9) return -1;
    int32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// The source's file name without its extension.
std::string Stem(const std::string& path) {
    std::string file = FilePart(path);
    return file.substr(0, file.size() - ExtensionOf(path).size());
}

void RemoveFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

} // namespace

// ---- readers ---------------------------------------------------------------------------

std::string ReadOrdaMap(std::string_view d, OrdaMap& m) {
    m = OrdaMap{};
    if (d.size() < kMapRecordsOffset)
        return "it holds " + std::to_string(d.size()) + " bytes, fewer than the " +
               std::to_string(kMapRecordsOffset) + " of its header and file names";
    for (size_t i = 0; i < m.header.size(); ++i)
        m.header[i] = Le16(d, 2 * i);
    if (m.header[0] != kMapSignature)
        return "it begins with " + Hex(m.header[0], 4) + " instead of the map signature " +
               Hex(kMapSignature, 4);
    uint16_t top = m.header[3];
    if (top != 0x7FF && top != 0xFFF)
        return "it gives a program memory of " + std::to_string(top + 1) +
               " words instead of 2048 or 4096";
    uint16_t device = m.header[2];
    if ((device <= 2 && top != 0x7FF) || ((device == 3 || device == 4) && top != 0xFFF))
        return "its device index " + std::to_string(device) + " does not go with " +
               std::to_string(top + 1) + " words of program memory";
    // The file names: a length byte and the characters in 64-byte slots after the header.
    constexpr size_t kNamesOffset = 32, kNameSlot = 64;
    for (size_t at = kNamesOffset; at + kNameSlot <= kMapRecordsOffset; at += kNameSlot) {
        size_t length = std::min<size_t>(uint8_t(d[at]), kNameSlot - 1);
        m.files.emplace_back(d.substr(at + 1, length));
    }
    while (!m.files.empty() && m.files.back().empty())
        m.files.pop_back();
    for (size_t at = kMapRecordsOffset; at + kMapRecordSize <= d.size(); at += kMapRecordSize) {
        OrdaMapRecord r{Le16(d, at), Le16(d, at + 2), Le16(d, at + 4), Le16(d, at + 6)};
        if (r.address == 0 && r.line == 0 && r.listLine == 0 && r.file == 0) break;
        if (r.address > top)
            return "record " + std::to_string(m.records.size() + 1) + " names address " +
                   Hex(r.address, 4) + ", beyond program memory";
        m.records.push_back(r);
    }
    return {};
}

std::string ReadOrdaObject(std::string_view d, const OrdaMap& map, OrdaObject& o) {
    o = OrdaObject{};
    const size_t words = size_t(map.MemoryWords());
    if (words > size_t(kCodeWords)) return "the map gives more program memory than a chip has";
    const size_t expected = 2 * words + kObjectTail;
    if (d.size() != expected)
        return "it holds " + std::to_string(d.size()) + " bytes instead of the " +
               std::to_string(expected) + " of a program of " + std::to_string(words) +
               " words with its ID and configuration";
    // Memory the chip does not have stays erased, as in a cleared image.
    o.code.fill(kUnwritten);
    for (size_t a = 0; a < words; ++a) {
        uint16_t w = Le16(d, 2 * a);
        if (w > 0x0FFF)
            return "the word at address " + Hex(unsigned(a), 3) + " is " + Hex(w, 4) +
                   ", not a 12-bit instruction";
        o.code[a] = w == kUnwritten ? w : uint16_t(w | kWrittenMark);
    }
    const size_t tail = d.size() - kObjectTail;
    for (size_t i = 0; i < size_t(kIdWords); ++i) {
        o.id[i] = Le16(d, tail + 2 * i);
        if (o.id[i] > 0x0FFF)
            return "ID word " + std::to_string(i) + " is " + Hex(o.id[i], 4) +
                   ", not a 12-bit word";
    }
    const size_t c = tail + 2 * kIdWords;
    o.fuse = Le16(d, c);
    o.fusex = Le16(d, c + 2);
    if (o.fuse > 0x0FFF || o.fusex > 0x0FFF)
        return "its FUSE " + Hex(o.fuse, 4) + " or FUSEX " + Hex(o.fusex, 4) +
               " is not a 12-bit word";
    uint16_t device = Le16(d, c + 6);
    if (((device >> 8) != 0xAB && (device >> 8) != 0x9B) || (device & 0xFF) != map.header[2])
        return "its device word " + Hex(device, 4) + " does not go with the map's device index " +
               std::to_string(map.header[2]);
    // Any frequency is the program's: one the key cannot generate still programs.
    o.frequency = uint32_t(Le16(d, c + 8)) * 65536u + Le16(d, c + 10);
    o.irc = uint8_t(d[c + 12]);
    if (o.irc > 2)
        return "its IRC calibration choice " + std::to_string(o.irc) + " is not 0, 1 or 2";
    uint16_t brk = Le16(d, c + 14);
    if (brk == 0xFFFF) {
        o.breakAddress = kNoBreak;
    } else if (brk >= words) {
        return "its break address " + Hex(brk, 4) + " is beyond program memory";
    } else {
        o.breakAddress = brk;
    }
    return {};
}

std::string ReadOrdaSymbols(std::string_view text, OrdaSymbols& s) {
    s = OrdaSymbols{};
    std::vector<std::string_view> lines = SplitLines(text);
    if (lines.size() < 2) return "it ends before its symbol count";
    if (Trim(lines[0]) != "Cross Reference") return "it does not begin with \"Cross Reference\"";
    std::string second = Trim(lines[1]);
    size_t blank = second.find(' ');
    if (blank == std::string::npos) return {};
    int32_t count = DecField(second.substr(0, blank));
    if (count < 0) return "its symbol count \"" + second.substr(0, blank) + "\" is not a number";
    if (count == 0) return {};
    if (lines.size() < 4 || lines.size() - 4 < size_t(count))
        return "it announces " + std::to_string(count) + " symbols but holds " +
               std::to_string(lines.size() < 4 ? 0 : lines.size() - 4);
    s.symbols.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        const size_t lineNo = 5 + size_t(i);
        std::vector<std::string_view> f = Fields(lines[4 + size_t(i)]);
        if (f.size() < 4)
            return "line " + std::to_string(lineNo) + " holds " + std::to_string(f.size()) +
                   " fields instead of name, type, value and line";
        std::string name(f[0]);
        if (name.size() < 3 || name.compare(0, 2, "__") != 0) {
            s.symbols.push_back({name, HexField(f[2]), DecField(f[3])});
            continue;
        }
        size_t colon = name.find(':');
        if (colon == std::string::npos) {
            if (name == "__SX_BREAK") s.breakSymbol = {name, HexField(f[2]), DecField(f[3])};
            if (name == "__SX_RESET") s.resetSymbol = {name, HexField(f[2]), DecField(f[3])};
            continue;
        }
        // Everything after the first colon is the watched text, which may hold colons of
        // its own (local labels).
        if (name.compare(0, colon, "__SX_WATCH") != 0) continue;
        if (f.size() < 5)
            return "watch line " + std::to_string(lineNo) + " holds " + std::to_string(f.size()) +
                   " fields instead of name, type, value, count and line";
        ++s.watchesFound;
        if (s.watches.size() >= size_t(kMaxWatches)) continue;
        T_EXTLANG_WatchInfo w;
        w.name = name.substr(colon + 1);
        w.address = HexField(f[2]);
        int64_t length = HexField(f[3]);
        w.length = length >= 0 && length <= 0xFF ? uint8_t(length) : 0;
        w.line = DecField(f[4]);
        for (uint8_t k = 0; k < 8; ++k)
            if (f[1] == kWatchFormatNames[k]) w.format = k;
        s.watches.push_back(std::move(w));
    }
    s.symbols.shrink_to_fit();
    return {};
}

std::vector<std::string> ReadOrdaErrors(std::string_view text) {
    std::vector<std::string> out;
    for (std::string_view l : SplitLines(text))
        out.emplace_back(l);
    return out;
}

OrdaErrorLine ParseOrdaErrorLine(const std::string& line) {
    OrdaErrorLine e;
    // orda's form, "name(12) Line 40, Error 3, ...", found as a whole so that a path
    // holding commas or parentheses of its own still reads right.
    for (size_t open = line.find('('); open != std::string::npos; open = line.find('(', open + 1)) {
        size_t i = open + 1, digits = i;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
            ++i;
        if (i == digits || line.compare(i, 7, ") Line ") != 0) continue;
        size_t j = i + 7, listDigits = j;
        while (j < line.size() && std::isdigit(static_cast<unsigned char>(line[j])))
            ++j;
        if (j == listDigits || line.compare(j, 2, ", ") != 0) continue;
        e.file = line.substr(0, open);
        e.line = DecField(std::string_view(line).substr(digits, i - digits));
        e.isError = line.compare(j + 2, 5, "Error") == 0;
        return e;
    }
    // Any other line: the name before the last "(" of the part before the first comma.
    size_t comma = line.find(',');
    std::string head = line.substr(0, comma);
    size_t open = head.rfind('(');
    if (open != std::string::npos) {
        e.file = head.substr(0, open);
        size_t close = head.find(')', open);
        e.line = close == std::string::npos
                     ? -1
                     : DecField(std::string_view(head).substr(open + 1, close - open - 1));
    }
    if (comma != std::string::npos)
        e.isError = TrimLeft(line.substr(comma + 1)).rfind("Error", 0) == 0;
    return e;
}

int ViewLineOfListingLine(const std::function<std::string(int)>& lineText, int lineCount, int n) {
    bool restarted = false;
    for (int i = std::max(n - 1, 0); i < lineCount; ++i) {
        std::string text = lineText(i);
        std::string head =
            TrimLeft(std::string_view(text).substr(0, std::min<size_t>(6, text.size())));
        if (head.empty() || head[0] == '*') continue;
        if (head.rfind("Cross ", 0) == 0) break;
        // The number is the whole run of digits, which passes the six columns from a
        // million lines on.
        std::string rest = TrimLeft(text);
        size_t digits = 0;
        while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits])))
            ++digits;
        if (digits == 0 || (digits < rest.size() && rest[digits] != ' ')) continue;
        int32_t c = DecField(std::string_view(rest).substr(0, digits));
        if (c < 0) continue;
        if (c > n && !restarted) {
            restarted = true;
            i = 1; // the loop moves on to the third line
            continue;
        }
        if (c == n) return i + 1;
    }
    return -1;
}

std::vector<int> ListLinesOfView(const std::function<std::string(int)>& lineText, int lineCount) {
    std::vector<int> list(size_t(std::max(lineCount, 0)), 0);
    int counted = 0;
    for (int i = 0; i < lineCount; ++i) {
        std::string text = lineText(i);
        std::string_view t(text);
        if (!t.empty() && t[0] == '\f') t.remove_prefix(1);
        // A page header: "Page nn ORDA Cross-Assembler ...", the title lines, an empty line
        // and the column header when there is one.
        bool header =
            t.rfind("Page ", 0) == 0 && t.find(" ORDA Cross-Assembler") != std::string_view::npos;
        if (!header) {
            list[size_t(i)] = ++counted;
            continue;
        }
        while (i + 1 < lineCount && !lineText(i + 1).empty())
            ++i;
        if (i + 1 < lineCount) ++i; // the empty line
        if (i + 1 < lineCount && lineText(i + 1) == "Line    PC    Opcode    Source") ++i;
    }
    return list;
}

SourceMap SourceMapOfOrda(const OrdaMap& map, const std::string& sourcePath) {
    const std::string folder = FolderPart(sourcePath);
    std::vector<std::string> files{sourcePath};
    for (size_t i = 1; i < map.files.size(); ++i) {
        const std::string& n = map.files[i];
        files.push_back(n.empty()                       ? std::string()
                        : n[0] == '/' || folder.empty() ? FullPath(n)
                                                        : FullPath(folder + "/" + n));
    }
    std::vector<CodePlace> places;
    for (int k = 0; k < 4; ++k)
        for (const OrdaMapRecord& r : map.records)
            if (r.line >= 1 && r.address + k < kCodeWords)
                places.push_back({uint16_t(r.address + k), int(r.file), int(r.line) - 1});
    return SourceMap(std::move(files), places);
}

std::vector<std::string> OrdaArguments(const WorkingSettings& settings, const std::string& source) {
    std::vector<std::string> a = {"/F", "BIN16", "/E", "CORVANEX"};
    if (settings.useNewEditor) {
        a.push_back("/T");
        a.push_back(std::to_string(settings.tabSize));
    }
    if (settings.ordaFilesToOutputDir) {
        a.push_back("/O");
        a.push_back("USE_OUTPUT_DIR");
    }
    if (!settings.localLabelStartCol) {
        a.push_back("/D");
        a.push_back("LBL_START_ANY");
    }
    // orda takes an argument that starts with "/" and holds no other one for an option.
    if (source.size() > 1 && source[0] == '/' && source.find('/', 1) == std::string::npos)
        a.push_back("/." + source);
    else
        a.push_back(source);
    return a;
}

// ---- the bridge ------------------------------------------------------------------------

OrdaUnit::OrdaUnit(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
                   ChildProcess& process, std::string programFolder)
    : record_(record), settings_(settings), prompter_(prompter), process_(process),
      programFolder_(WithSlash(std::move(programFolder))) {}

std::string OrdaFolder(const std::string& programFolder, const std::string& installedFolder) {
    const std::string own = WithSlash(programFolder);
    if (FileExists(own + kOrdaProgramName) || installedFolder.empty()) return programFolder;
    fs::path installed = fs::path(installedFolder).is_absolute() ? fs::path(installedFolder)
                                                                 : fs::path(own) / installedFolder;
    std::string folder = installed.lexically_normal().string();
    return FileExists(WithSlash(folder) + kOrdaProgramName) ? folder : programFolder;
}

void OrdaUnit::Message(const std::string& text, const std::string& caption, PromptIcon icon) {
    prompter_.Message(text, caption, PromptButtons::Ok, icon);
}

void OrdaUnit::Init() {
    ORDA_Init();
    EmptyOutputFolder();
}

bool OrdaUnit::ORDA_Init() {
    std::error_code ec;
    if (!fs::is_directory(programFolder_, ec)) {
        if (fs::create_directories(programFolder_, ec))
            Message("ORDA Directory: " + programFolder_, "Created directory for ORDA.",
                    PromptIcon::Information);
        else
            Message("Couldn't create \r" + programFolder_ + "\ras ORDA directory.",
                    "Error creating directory for ORDA.", PromptIcon::Error);
    }
    if (!FileExists(programFolder_ + kOrdaProgramName)) {
        Message("ORDA will not be available as an assembler option.\rORDA.DLL is missing from "
                "Pellix directory.\r",
                "ORDA_Init() Error", PromptIcon::Error);
        return false;
    }
    errorList_.clear();
    map_ = OrdaMap{};
    symbols_ = OrdaSymbols{};
    return true;
}

std::string OrdaUnit::OutputFolder() const {
    std::error_code ec;
    std::string folder = programFolder_ + kOrdaOutputFolderName + "/";
    if (fs::is_directory(folder, ec)) return folder;
    // orda falls back on the same per-user folder when it cannot make the one above.
    folder = orda::UserOutputFolder();
    if (!folder.empty() && fs::is_directory(folder, ec)) return folder;
    return {};
}

void OrdaUnit::MakeOutputFolder() {
    std::error_code ec;
    if (fs::create_directory(programFolder_ + kOrdaOutputFolderName, ec) ||
        fs::is_directory(programFolder_ + kOrdaOutputFolderName, ec))
        return;
    if (std::string user = orda::UserOutputFolder(); !user.empty())
        fs::create_directories(user, ec);
}

void OrdaUnit::EmptyOutputFolder() {
    const std::string folder = OutputFolder();
    std::error_code ec;
    if (folder.empty()) return;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code e2;
        // A link is removed itself, never what it points to.
        if (entry.symlink_status(e2).type() != fs::file_type::directory)
            fs::remove(entry.path(), e2);
    }
}

std::string OrdaUnit::OutputFolderFor(const std::string& sourcePath) const {
    if (settings_.ordaFilesToOutputDir)
        if (std::string folder = OutputFolder(); !folder.empty()) return folder;
    // orda writes beside the source when it cannot make its output folder.
    return WithSlash(FolderPart(sourcePath));
}

std::string OrdaUnit::OutputFileFor(const std::string& sourcePath, const std::string& ext) const {
    if (!sourcePath_.empty() && sourcePath == sourcePath_) return outputBase_ + ext;
    return OutputFolderFor(sourcePath) + Stem(sourcePath) + ext;
}

int OrdaUnit::ORDA_Run(const std::string& sourcePath) {
    failureDetail_.clear();
    const std::string exe = programFolder_ + kOrdaProgramName;
    if (!FileExists(exe)) {
        Message("Couldn't find ORDA.\r" + exe, "ORDA start up ERROR", PromptIcon::Error);
        return kOrdaNotRun;
    }
    const std::string ext = ExtensionOf(sourcePath);
    if (ext.empty() || Stem(sourcePath).empty()) {
        // orda would add ".asm" and assemble some other file.
        Message("ORDA assembles only files whose names have an extension, such as .SRC:\r" +
                    sourcePath,
                "Assembly ERROR", PromptIcon::Error);
        return kOrdaNotRun;
    }
    if (settings_.ordaFilesToOutputDir) MakeOutputFolder();
    const std::string folder = OutputFolderFor(sourcePath);
    const std::string base = folder + Stem(sourcePath);
    for (const char* out : kOutputExtensions)
        if (FullPath(base + out) == FullPath(sourcePath)) {
            Message("ORDA would write its " + std::string(out) + " file over the source:\r" +
                        sourcePath + "\rSave the source under another extension, such as .SRC.",
                    "Assembly ERROR", PromptIcon::Error);
            return kOrdaNotRun;
        }

    lastArguments_ = OrdaArguments(settings_, sourcePath);
    record_.status = 1;
    sourcePath_ = sourcePath;
    outputBase_ = base;
    // Files an earlier run left must not pass for this run's (a LIST NONE in the source
    // stops orda writing its map, for one).
    for (const char* out : kOutputExtensions)
        RemoveFile(outputBase_ + out);

    std::optional<int> code = process_.Run(exe, lastArguments_, {});
    if (!code) {
        Message("Couldn't start ORDA.", "ORDA start up ERROR", PromptIcon::Error);
        return kOrdaNotRun;
    }
    if (*code == kChildEndedAbnormally) {
        Message("ORDA ended abnormally while assembling\r" + sourcePath, "ORDA ERROR",
                PromptIcon::Error);
        return kOrdaNotRun;
    }
    int exit = *code & 0xFF;
    if (exit != 0 && exit != 2) return exit;
    int result = ReadOutputs();
    if (result != 0) {
        sourcePath_.clear();
        return result;
    }
    return exit;
}

int OrdaUnit::ReadOutputs() {
    struct Step {
        const char* ext;
        const char* kind;
        size_t limit;
        int failure;
    };
    const Step steps[] = {{".map", ".MAP", kMapLimit, kOrdaMapFailed},
                          {".obj", ".OBJ", kObjectLimit, kOrdaObjectFailed},
                          {".sym", ".SYM", kSymbolLimit, kOrdaSymbolsFailed}};
    OrdaMap map;
    OrdaObject object;
    OrdaSymbols symbols;
    for (const Step& step : steps) {
        const std::string path = outputBase_ + step.ext;
        Loaded f = ReadLimited(path, step.limit);
        if (f.tooLarge) {
            failureDetail_ = std::string(step.kind) + " file is damaged: " + f.error + ".\r" + path;
            return step.failure;
        }
        if (!f.ok) {
            if (!f.missing)
                failureDetail_ = std::string("Couldn't read the ") + step.kind + " file \"" + path +
                                 "\":\r" + f.error;
            return step.failure;
        }
        std::string wrong;
        switch (step.failure) {
        case kOrdaMapFailed:
            wrong = ReadOrdaMap(f.data, map);
            break;
        case kOrdaObjectFailed:
            wrong = ReadOrdaObject(f.data, map, object);
            break;
        default:
            wrong = ReadOrdaSymbols(f.data, symbols);
            break;
        }
        if (!wrong.empty()) {
            failureDetail_ = std::string(step.kind) + " file is damaged: " + wrong + ".\r" + path;
            return step.failure;
        }
    }

    // Everything was read: only now does the record change.
    map_ = std::move(map);
    symbols_ = std::move(symbols);
    for (int a = 0; a < kCodeWords; ++a)
        record_.assembled[a] = record_.transfer[a] = object.code[size_t(a)];
    for (int i = 0; i < kIdWords; ++i)
        record_.assembled[kIdIndex + i] = record_.transfer[kIdIndex + i] = object.id[size_t(i)];
    record_.assembled.Fuse() = record_.transfer.Fuse() = object.fuse;
    record_.assembled.Fusex() = record_.transfer.Fusex() = object.fusex;
    DebugInfo& d = record_.debug;
    d.frequency = object.frequency;
    d.breakAddress = object.breakAddress;
    // The program's own choice, for its chip operations; the configuration keeps the user's.
    d.ircChoice = object.irc;
    uint16_t device = map_.header[2];
    if (device <= 2)
        record_.deviceFamily = 0;
    else if (device <= 4)
        record_.deviceFamily = 1;
    // The built-in assembler's listing belongs to another program now.
    d.SetListingText({});
    d.lineCount = 0;
    d.lineOfAddress.fill(-1);
    TransferWatches();
    record_.status = 0;
    record_.message.clear();
    record_.errorStart = record_.errorEnd = 0;
    return 0;
}

void OrdaUnit::TransferWatches() {
    if (symbols_.watchesFound > kMaxWatches)
        Message("You have exceeded the maximum number of WATCH variables.\rOnly the first 32 "
                "will be used.",
                "Too Many Watch Variables", PromptIcon::Warning);
    DebugInfo& d = record_.debug;
    int n = 0;
    for (const T_EXTLANG_WatchInfo& w : symbols_.watches) {
        // The watch view reads 1 to 32 bits or characters from a register target.
        if (w.address < 0 || w.address > 0xFFFF || w.length < 1 || w.length > 32) {
            Message("WATCH " + w.name + " is left out: it watches " + std::to_string(w.length) +
                        " bits or characters, and a watch shows 1 to 32.",
                    "Watch Variable Left Out", PromptIcon::Warning);
            continue;
        }
        WatchRecord r;
        r.target = uint16_t(w.address);
        r.length = w.length;
        r.format = w.format;
        size_t len = std::min<size_t>(w.name.size(), kWatchNameSize - 2);
        std::memcpy(r.name, w.name.data(), len);
        r.name[len] = '\0';
        d.watches[size_t(n++)] = r;
    }
    for (size_t i = size_t(n); i < d.watches.size(); ++i)
        d.watches[i] = WatchRecord{};
    d.watchCount = n;
}

// ---- error list ------------------------------------------------------------------------

void OrdaUnit::LoadErrorList() {
    errorList_.clear();
    if (outputBase_.empty()) return;
    Loaded f = ReadLimited(outputBase_ + ".err", kErrorLimit, true);
    if (!f.ok) return;
    errorList_ = ReadOrdaErrors(f.data);
    if (f.truncated)
        errorList_.push_back("(The error file goes on beyond " + std::to_string(kErrorLimit >> 20) +
                             " MB; the rest is not shown.)");
}

void OrdaUnit::ClearErrors() {
    errorList_.clear();
    if (!sourcePath_.empty()) RemoveFile(outputBase_ + ".err");
}

int OrdaUnit::FirstErrorIndex() const {
    for (size_t i = 0; i < errorList_.size(); ++i)
        if (ParseOrdaErrorLine(errorList_[i]).isError) return int(i);
    return -1;
}

std::string OrdaUnit::ErrorFileName(int i) const {
    if (i < 0 || size_t(i) >= errorList_.size()) return {};
    return ParseOrdaErrorLine(errorList_[size_t(i)]).file;
}

int OrdaUnit::ErrorLineNumber(int i) const {
    if (i < 0 || size_t(i) >= errorList_.size()) return -1;
    return ParseOrdaErrorLine(errorList_[size_t(i)]).line;
}

void OrdaUnit::RemoveIntermediateFiles() {
    if (sourcePath_.empty()) return;
    const std::string source = FullPath(sourcePath_);
    const std::string beside = WithSlash(FolderPart(sourcePath_)) + Stem(sourcePath_);
    for (const std::string& base : {beside, outputBase_})
        for (const char* ext : {".err", ".sym", ".map"})
            if (FullPath(base + ext) != source) RemoveFile(base + ext);
}

// ---- lookups ---------------------------------------------------------------------------

int OrdaUnit::MapIndexOfAddress(int address) const {
    for (size_t i = 0; i < map_.records.size(); ++i)
        if (map_.records[i].address == address) return int(i);
    return -1;
}

int OrdaUnit::MapIndexOfListLine(int listLine) const {
    for (size_t i = 0; i < map_.records.size(); ++i)
        if (map_.records[i].listLine == listLine) return int(i);
    return -1;
}

int OrdaUnit::ListLineOfRecord(int i) const {
    if (i < 0 || size_t(i) >= map_.records.size()) return -1;
    return map_.records[size_t(i)].listLine;
}

int OrdaUnit::AddressOfRecord(int i) const {
    if (i < 0 || size_t(i) >= map_.records.size()) return -1;
    return map_.records[size_t(i)].address;
}

T_EXTLANG_SymbolInfo OrdaUnit::FindSymbol(const std::string& name, bool exact) const {
    for (const T_EXTLANG_SymbolInfo& s : symbols_.symbols)
        if (exact ? s.name == name : EqualNoCase(s.name, name)) return s;
    return {};
}

int OrdaUnit::ResetLine() const {
    if (sourcePath_.empty()) return -1;
    return symbols_.resetSymbol.line;
}

} // namespace pellix
