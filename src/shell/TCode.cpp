#include "shell/TCode.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <fstream>
#include <new>

namespace pellix {

namespace {

uint16_t Le16(const CodBlock& b, size_t at) {
    return uint16_t(b[at] | (b[at + 1] << 8));
}

uint32_t Le32(const CodBlock& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

uint32_t Be32(const CodBlock& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
           uint32_t(b[at + 3]);
}

// A name stored as a length byte and its characters, never reaching past `room` bytes.
std::string CountedName(const CodBlock& b, size_t at, size_t room) {
    size_t length = std::min<size_t>(b[at], room);
    return std::string(reinterpret_cast<const char*>(b.data()) + at + 1, length);
}

CodBlockRange RangeAt(const CodBlock& b, size_t at) {
    return {Le16(b, at), Le16(b, at + 2)};
}

class FileBlocks final : public CodBlockSource {
public:
    explicit FileBlocks(const std::string& name) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(name, ec)) in_.open(name, std::ios::binary);
    }
    bool IsOpen() const { return in_.is_open(); }
    bool Read(uint32_t block, CodBlock& out) override {
        in_.clear();
        in_.seekg(std::streamoff(block) * std::streamoff(kCodBlockSize));
        if (!in_) return false;
        in_.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
        return in_.gcount() == std::streamsize(out.size());
    }

private:
    std::ifstream in_;
};

// Entries of the fixed-size tables.
constexpr int kSymbolEntries = 32;
constexpr size_t kSymbolEntrySize = 16;
constexpr size_t kSymbolNameRoom = 12;
constexpr int kFileEntries = 8;
constexpr size_t kFileEntrySize = 64;
constexpr int kMapPairs = 128;

constexpr const char* kLocalScope = "__LOCAL";

} // namespace

bool CodMemoryBlocks::Read(uint32_t block, CodBlock& out) {
    uint64_t start = uint64_t(block) * kCodBlockSize;
    if (start + kCodBlockSize > bytes_.size()) return false;
    std::copy_n(bytes_.begin() + std::ptrdiff_t(start), kCodBlockSize, out.begin());
    return true;
}

CodDirectory CodDirectory::Parse(const CodBlock& b) {
    CodDirectory d;
    for (int i = 0; i < kCodCodeBlocks; ++i)
        d.codeBlocks[i] = Le16(b, size_t(2 * i));
    d.compilerName = CountedName(b, 350, kCodBlockSize - 351);
    d.shortSymbols = RangeAt(b, 426);
    d.sourceFiles = RangeAt(b, 430);
    d.lineRecords = RangeAt(b, 434);
    d.memoryMap = RangeAt(b, 443);
    d.localSymbols = RangeAt(b, 447);
    d.version = Le16(b, 451);
    d.longSymbols = RangeAt(b, 462);
    d.debugMessages = RangeAt(b, 466);
    d.highAddress = Le16(b, 439);
    d.nextDirectory = Le16(b, 441);
    d.processor = CountedName(b, 453, 8);
    return d;
}

std::optional<CodFlavour> CodDirectory::Flavour() const {
    if (version == kCodVersion) return CodFlavour::ByteCraft;
    if (version == kGputilsCodVersion && (compilerName == "gpasm" || compilerName == "gplink"))
        return CodFlavour::Gputils;
    return std::nullopt;
}

int LineRecordsPerBlock(CodFlavour flavour) {
    return flavour == CodFlavour::Gputils ? kGputilsLineRecordsPerBlock : kCodLineRecordsPerBlock;
}

namespace {

// "sx28" and its spellings ("SX28AC"): the part's number, 0 when it is no SX.
int SxNumber(std::string_view processor) {
    if (processor.size() < 4 || std::tolower(static_cast<unsigned char>(processor[0])) != 's' ||
        std::tolower(static_cast<unsigned char>(processor[1])) != 'x')
        return 0;
    int n = 0;
    for (size_t i = 2; i < 4; ++i) {
        if (processor[i] < '0' || processor[i] > '9') return 0;
        n = n * 10 + (processor[i] - '0');
    }
    return n;
}

} // namespace

int FamilyOfProcessor(std::string_view processor) {
    switch (SxNumber(processor)) {
    case 18:
    case 20:
    case 28:
        return 0;
    case 48:
    case 52:
        return 1;
    default:
        return -1;
    }
}

bool ProcessorHasPortC(std::string_view processor) {
    int n = SxNumber(processor);
    return n == 28 || n == 48 || n == 52;
}

int CompilerType(std::string_view name) {
    static constexpr std::pair<std::string_view, int> kCompilers[] = {
        {"BCLC38", 4},   {"BCLC65", 4},      {"BCLSPC700", 4}, {"BCLC6805", 6},  {"BCLC6805KJ1", 6},
        {"BCLK6805", 6}, {"BCLR6805", 6},    {"BCLCST8", 6},   {"BCLC6808", 7},  {"BCLC8051", 0},
        {"BCLCOP8C", 1}, {"BCLCOP8GG", 1},   {"BCLCYC", 8},    {"BCLM8C", 9},    {"BCLM8CASM", 9},
        {"BCLMPC", 2},   {"BCLMPC Tech", 2}, {"BCLSXC", 3},    {"BCLSXCEDU", 3}, {"BCLZ8C", 5},
    };
    for (const auto& [known, type] : kCompilers)
        if (known == name) return type;
    return -1;
}

CodLineRecord CodLineRecord::At(const CodBlock& b, int index) {
    size_t at = size_t(index) * 6;
    return {b[at], b[at + 1], Le16(b, at + 2), Le16(b, at + 4)};
}

// ---------------------------------------------------------------------------------------

bool TCode::Open(const std::string& fileName) {
    Close();
    fileName_ = fileName;
    FileBlocks file(fileName);
    if (!file.IsOpen()) {
        std::string message = "I/O Error: Unable to open code file: " + fileName + " ";
        Show(message, true);
        error_ = message;
        return false;
    }
    return Read(file);
}

bool TCode::Open(std::span<const uint8_t> bytes, const std::string& fileName) {
    Close();
    fileName_ = fileName;
    CodMemoryBlocks blocks(bytes);
    return Read(blocks);
}

void TCode::Close() {
    Release();
    error_.clear();
}

void TCode::Release() {
    open_ = false;
    directory_ = {};
    flavour_ = CodFlavour::ByteCraft;
    compilerType_ = -1;
    std::vector<CodFarWord>().swap(configWords_);
    std::vector<uint16_t>().swap(code_);
    std::vector<CodScope>().swap(scopes_);
    lastScope_ = 0;
    std::vector<std::string>().swap(sourceFiles_);
    std::vector<CodLineEntry>().swap(lines_);
    std::vector<CodLineEntry>().swap(linesByAddress_);
    std::vector<int>().swap(fileStartBefore_);
    std::vector<CodDebugMessage>().swap(messages_);
    std::vector<CodMemoryRange>().swap(memoryMap_);
}

bool TCode::Read(CodBlockSource& source) {
    try {
        ReadDirectory(source);
        ReadCode(source);
        ReadShortSymbols(source);
        ReadLongSymbols(source);
        ReadLocalSymbols(source);
        ReadSourceFiles(source);
        ReadLineRecords(source);
        ReadDebugMessages(source);
        ReadMemoryMap(source);
        if (flavour_ == CodFlavour::Gputils) ReadConfigDirectories(source);
        RunStage(nullptr, "Out of Memory: Unable to load symbol table", [&] { Finish(); });
    } catch (const Failure& failure) {
        Release();
        error_ = failure.text;
        return false;
    }
    open_ = true;
    return true;
}

void TCode::Show(const std::string& text, bool error) {
    prompter_.Message(text, error ? kCodErrorCaption : kCodNoticeCaption, PromptButtons::Ok,
                      error ? PromptIcon::Error : PromptIcon::Warning);
}

void TCode::Fail(const std::string& message, const std::string& errorText) {
    Show(message, true);
    throw Failure{errorText};
}

void TCode::ReadBlock(CodBlockSource& source, uint32_t block, CodBlock& out,
                      const char* blockMessage) {
    if (!source.Read(block, out)) Fail(blockMessage, kErrorReadingBlock);
}

// A table's reading: a short read adds the table's own message after the block's, and
// running out of memory has its message.
template <class Stage>
void TCode::RunStage(const char* tableMessage, const char* memoryMessage, Stage stage) {
    try {
        stage();
    } catch (const Failure&) {
        if (tableMessage) Show(tableMessage, true);
        throw;
    } catch (const std::bad_alloc&) {
        Fail(memoryMessage, memoryMessage);
    }
}

void TCode::ReadDirectory(CodBlockSource& source) {
    RunStage("I/O Error: Unable to read code directory",
             "Out of Memory: Unable to load code directory", [&] {
                 CodBlock block;
                 ReadBlock(source, 0, block, "I/O Error: Unable to read code directory block");
                 directory_ = CodDirectory::Parse(block);
                 scopes_.assign(1, CodScope{});
             });
    std::optional<CodFlavour> flavour = directory_.Flavour();
    if (!flavour) {
        std::string found = "\rThe file is version " + std::to_string(directory_.version);
        if (!directory_.compilerName.empty()) found += " from \"" + directory_.compilerName + "\"";
        Fail(".COD File Version Error: Unrecognized version of .COD file" + found +
                 "; pellix reads version 5 from a Byte Craft compiler and version 1 from "
                 "gpasm or gplink.",
             "Unrecognized version of .COD file");
    }
    flavour_ = *flavour;
    // gputils' name is known by now; the table of compilers is Byte Craft's.
    if (flavour_ == CodFlavour::Gputils) return;
    compilerType_ = CompilerType(directory_.compilerName);
    if (compilerType_ < 0)
        Show(directory_.compilerName + ") is not a recognized Byte Craft compiler.", false);
}

void TCode::ReadCode(CodBlockSource& source) {
    RunStage("I/O Error: Unable to read ROM code image",
             "Out of memory: Unable to load ROM code image", [&] {
                 code_.assign(kCodCodeWords, 0);
                 CodBlock block;
                 for (int i = 0; i < kCodCodeBlocks; ++i) {
                     uint16_t number = directory_.codeBlocks[i];
                     if (number == 0) continue;
                     ReadBlock(source, number, block, "I/O Error: Unable to read ROM code block");
                     for (int w = 0; w < kCodWordsPerBlock; ++w)
                         code_[size_t(i * kCodWordsPerBlock + w)] = Le16(block, size_t(2 * w));
                 }
             });
}

void TCode::ReadShortSymbols(CodBlockSource& source) {
    const CodBlockRange range = directory_.shortSymbols;
    if (!range.Present()) {
        // gputils never writes the short table: its absence says nothing.
        if (flavour_ == CodFlavour::ByteCraft) Show("Short Symbol Table Not Loaded", false);
        return;
    }
    RunStage(nullptr, "Out of Memory: Unable to read short symbol table", [&] {
        CodBlock block;
        for (uint32_t n = range.first; n <= range.last; ++n) {
            ReadBlock(source, n, block, "I/O Error: Unable to read short symbol table block");
            for (int e = 0; e < kSymbolEntries; ++e) {
                size_t at = size_t(e) * kSymbolEntrySize;
                if (block[at] == 0) continue;
                scopes_[0].symbols.push_back({CountedName(block, at, kSymbolNameRoom),
                                              block[at + 13], Le16(block, at + 14)});
            }
        }
    });
}

void TCode::ReadLongSymbols(CodBlockSource& source) {
    const CodBlockRange range = directory_.longSymbols;
    if (!range.Present()) {
        Show("No Long Symbol Table Information Loaded", false);
        return;
    }
    RunStage(
        "I/O Error: Unable to read long symbol table", "Out of Memory: Unable to load symbol table",
        [&] {
            CodBlock block;
            for (uint32_t n = range.first; n <= range.last; ++n) {
                ReadBlock(source, n, block, "I/O Error: Unable to read long symbol table block");
                // length, name, type, three bytes, value high then low
                size_t at = 0;
                while (at < kCodBlockSize - 1) {
                    size_t length = block[at];
                    if (length == 0 || at + length + 7 > kCodBlockSize) break;
                    scopes_[0].symbols.push_back(
                        {std::string(reinterpret_cast<const char*>(block.data()) + at + 1, length),
                         block[at + length + 1],
                         uint16_t(block[at + length + 5] << 8 | block[at + length + 6])});
                    at += length + 7;
                }
            }
        });
}

void TCode::ReadLocalSymbols(CodBlockSource& source) {
    const CodBlockRange range = directory_.localSymbols;
    if (!range.Present()) {
        if (flavour_ == CodFlavour::ByteCraft) Show("No Local Scoping Information Loaded", false);
        return;
    }
    const bool wordAddressed = compilerType_ == 2 || compilerType_ == 3;
    RunStage("I/O Error: Unable read symbol table block",
             "Out of Memory: Unable to load symbol table", [&] {
                 CodBlock block;
                 int current = 0;
                 for (uint32_t n = range.first; n <= range.last; ++n) {
                     ReadBlock(source, n, block,
                               "I/O Error: Unable to read local symbol table block");
                     for (int e = 0; e < kSymbolEntries; ++e) {
                         size_t at = size_t(e) * kSymbolEntrySize;
                         if (block[at] == 0) continue;
                         std::string name = CountedName(block, at, kSymbolNameRoom);
                         if (name == kLocalScope) {
                             uint32_t first = Le32(block, at + 8), last = Le32(block, at + 12);
                             if (wordAddressed) first /= 2, last /= 2;
                             current = PlaceScope(first, last);
                         } else {
                             scopes_[size_t(current)].symbols.push_back(
                                 {std::move(name), block[at + 13], Le16(block, at + 14)});
                         }
                     }
                 }
             });
}

void TCode::ReadSourceFiles(CodBlockSource& source) {
    const CodBlockRange range = directory_.sourceFiles;
    if (!range.Present()) return;
    RunStage("I/O Error: Unable to read list of source files",
             "Out of Memory: Not enough memory to load list of source files", [&] {
                 CodBlock block;
                 for (uint32_t n = range.first; n <= range.last; ++n) {
                     ReadBlock(source, n, block, "I/O Error: Unable to read source files block");
                     for (int e = 0; e < kFileEntries; ++e)
                         sourceFiles_.push_back(
                             CountedName(block, size_t(e) * kFileEntrySize, kFileEntrySize - 1));
                 }
             });
}

void TCode::ReadLineRecords(CodBlockSource& source) {
    const CodBlockRange range = directory_.lineRecords;
    if (!range.Present()) {
        Show("No Source Line Information Available", false);
        return;
    }
    RunStage("I/O Error: Unable read source line information",
             "Out of Memory: Not enough memory to load source line information", [&] {
                 CodBlock block;
                 int32_t counter = 0;
                 CodLineRecord pending;
                 const int perBlock = LineRecordsPerBlock(flavour_);
                 for (uint32_t n = range.first; n <= range.last; ++n) {
                     ReadBlock(source, n, block,
                               "I/O Error: Unable to read source line information block");
                     for (int r = 0; r < perBlock; ++r) {
                         CodLineRecord record = CodLineRecord::At(block, r);
                         if (record.flags == 255) {
                             counter = int32_t(record.address) - 1;
                             continue;
                         }
                         if (!(record.flags & 4)) ++counter;
                         if (pending.sourceLine != 0 && record.address != pending.address) {
                             lines_.push_back({pending.address, pending.file, pending.sourceLine,
                                               counter, pending.flags});
                             pending = {};
                         }
                         if (record.AllZero()) return;
                         if (!(record.flags & (16 | 2))) pending = record;
                     }
                 }
             });
}

void TCode::ReadDebugMessages(CodBlockSource& source) {
    const CodBlockRange range = directory_.debugMessages;
    if (!range.Present()) return;
    RunStage("I/O Error: Unable to read debugging information",
             "Out of Memory: Not enough memory to load debug messages", [&] {
                 CodBlock block;
                 for (uint32_t n = range.first; n <= range.last; ++n) {
                     ReadBlock(source, n, block,
                               "I/O Error: Unable to read debugging information block");
                     // address (4, high first), type, length, text
                     size_t at = 0;
                     while (at + 6 <= kCodBlockSize) {
                         char type = char(block[at + 4]);
                         size_t length = block[at + 5];
                         if (type == 0 || at + 6 + length > kCodBlockSize) break;
                         messages_.push_back(
                             {Be32(block, at), type,
                              std::string(reinterpret_cast<const char*>(block.data()) + at + 6,
                                          length)});
                         at += 6 + length;
                     }
                 }
             });
}

void TCode::ReadMemoryMap(CodBlockSource& source) {
    const CodBlockRange range = directory_.memoryMap;
    if (!range.Present()) return;
    RunStage(
        "I/O Error: Unable to read memory map",
        "Out of Memory: Not enough memory to load memory map", [&] {
            CodBlock block;
            for (uint32_t n = range.first; n <= range.last; ++n) {
                ReadBlock(source, n, block, "I/O Error: Unable to read memory map block");
                for (int p = 0; p < kMapPairs; ++p) {
                    CodMemoryRange r{Le16(block, size_t(4 * p)), Le16(block, size_t(4 * p + 2))};
                    if (r.first == 0 && r.last == 0) continue;
                    memoryMap_.push_back(r);
                }
            }
        });
}

void TCode::ReadConfigDirectories(CodBlockSource& source) {
    RunStage(
        "I/O Error: Unable to read ROM code image", "Out of memory: Unable to load ROM code image",
        [&] {
            std::set<uint32_t> seen{0};
            CodBlock block;
            for (uint32_t next = directory_.nextDirectory; next != 0 && seen.insert(next).second;) {
                ReadBlock(source, next, block, "I/O Error: Unable to read ROM code block");
                const CodDirectory d = CodDirectory::Parse(block);
                next = d.nextDirectory;
                const uint16_t number = d.codeBlocks[kCodCodeBlocks - 1];
                if (d.highAddress != kGputilsConfigSegment || number == 0 || !d.memoryMap.Present())
                    continue;
                // The top block of the top range: byte addresses 0xFE00 to 0xFFFF.
                CodBlock words, map;
                ReadBlock(source, number, words, "I/O Error: Unable to read ROM code block");
                std::array<bool, kCodWordsPerBlock> used{};
                for (uint32_t m = d.memoryMap.first; m <= d.memoryMap.last; ++m) {
                    ReadBlock(source, m, map, "I/O Error: Unable to read memory map block");
                    for (int p = 0; p < kMapPairs; ++p) {
                        uint32_t first = std::max<uint32_t>(Le16(map, size_t(4 * p)), 0xFE00);
                        uint32_t last = Le16(map, size_t(4 * p + 2));
                        for (uint32_t a = first & ~1u; a <= last; a += 2)
                            used[(a - 0xFE00) / 2] = true;
                    }
                }
                configWords_.clear();
                for (int w = 0; w < kCodWordsPerBlock; ++w)
                    if (used[size_t(w)])
                        configWords_.push_back(
                            {uint16_t(0xFE00 + 2 * w), Le16(words, size_t(2 * w))});
            }
        });
}

void TCode::Finish() {
    for (auto& scope : scopes_)
        std::stable_sort(scope.symbols.begin(), scope.symbols.end(),
                         [](const CodSymbol& a, const CodSymbol& b) { return a.name < b.name; });
    linesByAddress_ = lines_;
    std::stable_sort(
        linesByAddress_.begin(), linesByAddress_.end(),
        [](const CodLineEntry& a, const CodLineEntry& b) { return a.address < b.address; });
    fileStartBefore_.resize(linesByAddress_.size());
    int last = -1;
    for (size_t i = 0; i < linesByAddress_.size(); ++i) {
        if (linesByAddress_[i].flags & 0x80) last = int(i);
        fileStartBefore_[i] = last;
    }
}

// ---------------------------------------------------------------------------------------

// The child of `scope` that encloses first..last. Children of one node do not overlap in a
// well-formed file, so only the one starting last at or before `first` can enclose it.
int TCode::ChildHolding(int scope, uint32_t first, uint32_t last) const {
    const auto& children = scopes_[size_t(scope)].children;
    auto it = children.upper_bound({first, INT_MAX});
    if (it == children.begin()) return -1;
    --it;
    const CodScope& child = scopes_[size_t(it->second)];
    return child.first <= first && last <= child.last ? it->second : -1;
}

// Scopes usually arrive nested and in address order, so the search starts from the one
// placed last and climbs only as far as needed; the root holds whatever nothing else does.
int TCode::PlaceScope(uint32_t first, uint32_t last) {
    int node = lastScope_;
    while (node != 0 &&
           !(scopes_[size_t(node)].first <= first && last <= scopes_[size_t(node)].last))
        node = scopes_[size_t(node)].parent;
    for (int child; (child = ChildHolding(node, first, last)) >= 0;)
        node = child;
    int index = int(scopes_.size());
    scopes_.push_back(CodScope{first, last, node, {}, {}});
    scopes_[size_t(node)].children.insert({first, index});
    lastScope_ = index;
    return index;
}

const CodSymbol* TCode::FindSymbol(std::string_view name, uint32_t address) const {
    if (scopes_.empty()) return nullptr;
    std::vector<int> path{0};
    for (int child; (child = ChildHolding(path.back(), address, address)) >= 0;)
        path.push_back(child);
    const uint8_t hidden = compilerType_ == kSxCompilerType ? 156 : 255;
    for (auto s = path.rbegin(); s != path.rend(); ++s) {
        const auto& symbols = scopes_[size_t(*s)].symbols;
        auto it = std::lower_bound(
            symbols.begin(), symbols.end(), name,
            [](const CodSymbol& symbol, std::string_view n) { return symbol.name < n; });
        for (; it != symbols.end() && it->name == name; ++it)
            if (it->type != hidden) return &*it;
    }
    return nullptr;
}

long TCode::NearestEntry(uint32_t address) const {
    if (linesByAddress_.empty()) return -1;
    auto it = std::lower_bound(linesByAddress_.begin(), linesByAddress_.end(), address,
                               [](const CodLineEntry& e, uint32_t a) { return e.address < a; });
    long above = it - linesByAddress_.begin();
    if (it == linesByAddress_.end()) return above - 1;
    if (it->address == address || above == 0) return above;
    uint32_t up = it->address - address, down = address - (it - 1)->address;
    return down <= up ? above - 1 : above;
}

int TCode::SourceLineOfAddress(uint32_t address) const {
    long i = NearestEntry(address);
    return i < 0 ? -1 : linesByAddress_[size_t(i)].sourceLine;
}

bool TCode::SourcePlaceOfAddress(uint32_t address, std::string& file, int& line) const {
    long i = NearestEntry(address);
    if (i < 0 || linesByAddress_[size_t(i)].address != address) return false;
    const CodLineEntry& e = linesByAddress_[size_t(i)];
    line = e.sourceLine;
    if (flavour_ == CodFlavour::Gputils) // every record names its own file
        file = e.file < sourceFiles_.size() ? sourceFiles_[e.file] : std::string();
    else
        file = SourceFileOfAddress(address);
    return true;
}

std::string TCode::SourceFileOfAddress(uint32_t address) const {
    long i = NearestEntry(address);
    if (i < 0) return {};
    int start = fileStartBefore_[size_t(i)];
    if (start < 0) return {};
    size_t file = linesByAddress_[size_t(start)].file;
    return file < sourceFiles_.size() ? sourceFiles_[file] : std::string();
}

} // namespace pellix
