#include "shell/SXCUnit.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "target/LineEnds.h"
#include "target/ListingWriter.h"

namespace pellix {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 8> kFormatNames = {"UDEC", "SDEC", "UHEX", "SHEX",
                                                          "UBIN", "SBIN", "FSTR", "ZSTR"};
constexpr int kMaxWatchBits = 32;
constexpr int kMaxStringWatchBytes = 16;
constexpr size_t kTransferredNameLength = 31;

// Image words of the code blocks: code, ID, FUSE and FUSEX share their indices with the
// image; the two words after them carry the clock.
constexpr int kFrequencyLowWord = 4114;
constexpr int kFrequencyHighWord = 4115;
constexpr int kImageBlocks = 17;

uint16_t Le16(const CodBlock& b, size_t at) {
    return uint16_t(b[at] | (b[at + 1] << 8));
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// A decimal integer with an optional sign and nothing else.
bool ParseDecimal(std::string_view s, long long& value) {
    if (s.size() > 1 && s.front() == '+' && std::isdigit(static_cast<unsigned char>(s[1])))
        s.remove_prefix(1);
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

std::string Hex4(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", unsigned(v));
    return buf;
}

// Text in double quotes. (Built by appending: GCC 12 warns wrongly about "..." + string at -O3.)
std::string Quoted(std::string_view text) {
    std::string out(1, '"');
    out.append(text).push_back('"');
    return out;
}

// Characters the listing buffer takes, keeping one for the NUL after the text.
size_t BufferRoom(const DebugInfo& d) {
    return std::min(d.listingCapacity, d.listing.empty() ? 0 : d.listing.size() - 1);
}

} // namespace

void SXCLoader::Fail(const std::string& text) {
    prompter_.Message(text, kSxcCaption, PromptButtons::Ok, PromptIcon::Error);
    error_ = text;
}

bool SXCLoader::SXCLoad(const std::string& base) {
    error_.clear();
    break_ = {};
    watches_.clear();
    std::string cod = sxc::Companion(base, ".cod");
    if (cod.empty()) cod = base + ".cod";
    if (!LoadCode(cod)) return false;
    std::string lst = sxc::Companion(base, ".lst");
    if (lst.empty()) lst = base + ".lst";
    if (!LoadFile(lst)) return false;
    if (!PrepareList()) return false;
    SetCodWatchesAndBreak();
    return true;
}

bool SXCLoader::LoadCode(const std::string& codName) {
    error_.clear();
    code_ = std::make_unique<TCode>(prompter_);
    if (!code_->Open(codName)) {
        error_ = code_->ErrorText();
        return false;
    }
    if (!LoadFile(codName)) return false;
    PrepareEEPROM();
    return true;
}

bool SXCLoader::LoadFile(const std::string& name) {
    DebugInfo& d = record_.debug;
    std::error_code ec;
    if (!fs::is_regular_file(name, ec)) {
        Fail("Unable to open file: " + name);
        return false;
    }
    uintmax_t size = fs::file_size(name, ec);
    std::ifstream in(name, std::ios::binary);
    if (ec || !in) {
        Fail("Unable to open file: " + name);
        return false;
    }
    size_t capacity = BufferRoom(d);
    if (size > capacity) {
        Fail("File too large to load: " + name + "\rIt holds " + std::to_string(size) +
             " bytes; the buffer takes at most " + std::to_string(capacity) + " bytes.");
        return false;
    }
    in.read(d.listing.data(), std::streamsize(size));
    size_t got = size_t(in.gcount());
    if (got != size) {
        Fail("Unable to read file: " + name);
        return false;
    }
    d.listingLength = got;
    d.listing[got] = '\0';
    return true;
}

void SXCLoader::PrepareEEPROM() {
    DebugInfo& d = record_.debug;
    ProgramImage& image = record_.assembled;
    d.frequency = kDefaultFrequency;
    d.ircChoice = kNoIrcChoice;
    d.breakAddress = kNoBreak;
    d.watchCount = 0;
    // Nothing of an earlier program may survive where the file gives no words.
    image.Clear(0);
    bool configGiven = false;
    marks_.clear();

    CodMemoryBlocks blocks({reinterpret_cast<const uint8_t*>(d.listing.data()), d.listingLength});
    CodBlock block;
    CodDirectory dir;
    const bool haveDirectory = blocks.Read(0, block);
    if (haveDirectory) dir = CodDirectory::Parse(block);
    flavour_ = dir.Flavour().value_or(CodFlavour::ByteCraft);
    const bool gputils = flavour_ == CodFlavour::Gputils;

    uint32_t frequency = d.frequency;
    for (int i = 0; haveDirectory && i < kImageBlocks; ++i) {
        uint16_t number = dir.codeBlocks[size_t(i)];
        if (number == 0 || !blocks.Read(number, block)) continue;
        for (int w = 0; w < kCodWordsPerBlock; ++w) {
            int c = i * kCodWordsPerBlock + w;
            uint16_t word = Le16(block, size_t(2 * w));
            if (c < kImageWords) {
                image[c] = word & 0x0FFF;
                if (c == kFusexIndex) configGiven = true;
            } else if (c == kFrequencyLowWord) {
                frequency = (frequency & 0xFFFF0000u) | word;
            } else if (c == kFrequencyHighWord) {
                frequency = (frequency & 0x0000FFFFu) | uint32_t(word) << 16;
            }
        }
    }
    d.frequency = std::clamp(frequency, kMinFrequency, kMaxFrequency);

    // Only words inside a used range of the memory map count as written. gputils marks a
    // lone word at address 0 as the range 0 to 1, which the compiler's rule would skip, and
    // marks the ID and configuration words it wrote, which the compiler's file does not.
    std::array<int, kImageWords + 1> cover{};
    const uint32_t lastCovered = gputils ? kImageWords - 1 : kCodeWords - 1;
    if (haveDirectory && dir.memoryMap.Present()) {
        for (uint32_t n = dir.memoryMap.first; n <= dir.memoryMap.last; ++n) {
            if (!blocks.Read(n, block)) continue;
            for (int p = 0; p < 128; ++p) {
                uint32_t first = Le16(block, size_t(4 * p)), last = Le16(block, size_t(4 * p + 2));
                if (gputils ? first == 0 && last == 0 : first <= 1 && last <= 1) continue;
                first /= 2;
                last = std::min<uint32_t>(last / 2, lastCovered);
                if (first > last) continue;
                ++cover[first];
                --cover[last + 1];
            }
        }
    }
    std::array<bool, kImageWords> covered{};
    for (int c = 0, depth = 0; c < kImageWords; ++c) {
        depth += cover[size_t(c)];
        covered[size_t(c)] = depth > 0;
    }
    for (int c = 0; c < kCodeWords; ++c)
        image[c] = covered[size_t(c)] ? uint16_t((image[c] & 0x0FFF) | kWrittenMark) : kUnwritten;

    d.lineOfAddress.fill(-1);
    if (haveDirectory && dir.lineRecords.Present()) {
        int64_t counter = 0;
        bool ended = false;
        const int perBlock = LineRecordsPerBlock(flavour_);
        for (uint32_t n = dir.lineRecords.first; !ended && n <= dir.lineRecords.last; ++n) {
            if (!blocks.Read(n, block)) continue;
            for (int r = 0; r < perBlock; ++r) {
                CodLineRecord record = CodLineRecord::At(block, r);
                // The padding after the last record would otherwise claim address 0.
                if (record.AllZero()) {
                    ended = true;
                    break;
                }
                if (record.flags == 255) {
                    counter += record.address;
                    continue;
                }
                if (!(record.flags & 0x1C) && record.address < kCodeWords) {
                    // gputils' lines are placed once the list file is there.
                    if (gputils)
                        marks_.push_back({record.address, counter});
                    else
                        d.lineOfAddress[record.address] =
                            int32_t(std::min<int64_t>(counter, INT32_MAX));
                }
                if (!(record.flags & 4)) ++counter;
            }
        }
    }

    if (code_) {
        if (const CodSymbol* reset = code_->FindSymbol("__RESET", 0))
            record_.deviceFamily = reset->value == 4095 ? 1 : 0;
    }
    if (!gputils) {
        if (!configGiven) image.Fusex() = ClearedFusex(record_.deviceFamily);
        return;
    }

    // gputils names the part; what it did not write keeps the part's blank values.
    if (int family = FamilyOfProcessor(dir.processor); family >= 0)
        record_.deviceFamily = uint8_t(family);
    const int family = record_.deviceFamily;
    for (int c = kIdIndex; c < kIdIndex + kIdWords; ++c)
        if (!covered[size_t(c)]) image[c] = kUnwritten;
    if (!covered[kFuseIndex]) image.Fuse() = kClearedFuse;
    if (!covered[kFusexIndex])
        image.Fusex() = uint16_t(ClearedFusex(family) |
                                 (family == 0 && ProcessorHasPortC(dir.processor) ? 0x400 : 0));
    if (code_) {
        for (const CodFarWord& far : code_->ConfigWords())
            if (far.address == kGputilsConfigByte) image.Fuse() = far.word & 0x0FFF;
    }
}

bool SXCLoader::PrepareList() {
    DebugInfo& d = record_.debug;
    // Lines end in CR for the views; a list file may come with CR LF, LF or CR.
    std::string text = ToCrLineEnds(d.ListingText());
    size_t lines = size_t(std::count(text.begin(), text.end(), '\r'));
    const bool open = !text.empty() && text.back() != '\r';
    if (lines + (open ? 1 : 0) > size_t(kMaxListLines)) {
        Fail(std::string(kListTooLarge) + "\rThe list file has more than " +
             std::to_string(kMaxListLines) + " lines.");
        return false;
    }
    if (open && text.size() < BufferRoom(d)) text.push_back('\r');
    std::copy(text.begin(), text.end(), d.listing.begin());
    d.listingLength = text.size();
    d.listing[d.listingLength] = '\0';

    d.lineCount = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        d.lineText[size_t(d.lineCount)] = int32_t(start);
        d.lineSource[size_t(d.lineCount)] = 0;
        ++d.lineCount;
        start = i + 1;
    }
    if (start < text.size()) { // a last line without a line end and no room to add one
        d.lineText[size_t(d.lineCount)] = int32_t(start);
        d.lineSource[size_t(d.lineCount)] = 0;
        ++d.lineCount;
    }
    d.lineText[size_t(d.lineCount)] = int32_t(d.listingLength);
    d.lineSource[size_t(d.lineCount)] = 0;

    if (flavour_ == CodFlavour::Gputils) PlaceGputilsLines();
    // A damaged .COD file may name lines the list does not have.
    for (auto& line : d.lineOfAddress)
        if (line >= d.lineCount) line = -1;
    return true;
}

// The list line starts with `address` in hexadecimal and a code word after it, as gpasm
// ("0003   0208") and gplink ("000003   0208") list an instruction.
bool SXCLoader::LineShowsAddress(int64_t line, uint16_t address) const {
    const DebugInfo& d = record_.debug;
    if (line < 0 || line >= d.lineCount) return false;
    const char* text = d.listing.data() + d.lineText[size_t(line)];
    const char* end = d.listing.data() + d.lineText[size_t(line) + 1];
    auto hexRun = [&](const char*& at, uint64_t& value) {
        int digits = 0;
        value = 0;
        for (; at < end && digits < 9 && std::isxdigit(static_cast<unsigned char>(*at));
             ++at, ++digits)
            value = value * 16 +
                    uint64_t(std::isdigit(static_cast<unsigned char>(*at))
                                 ? *at - '0'
                                 : std::toupper(static_cast<unsigned char>(*at)) - 'A' + 10);
        return digits;
    };
    uint64_t value = 0;
    if (hexRun(text, value) < 4 || value != address) return false;
    const char* blanks = text;
    while (text < end && (*text == ' ' || *text == '\t'))
        ++text;
    return text > blanks && hexRun(text, value) >= 3;
}

// gpasm and gplink write a line record for every line of their listing but (some of) those
// of its first heading, so a record's line is its count plus the number of lines without
// one. That number is the one that puts most instruction records on lines showing their
// addresses. Each address then takes the first such line: page headings and messages
// before an instruction, and the continuation lines of data after it, repeat its record.
void SXCLoader::PlaceGputilsLines() {
    constexpr int kLongestHeading = 64;
    constexpr size_t kMarksWeighed = 4096;
    int heading = 0;
    size_t bestCount = 0;
    for (int h = 0; h <= kLongestHeading; ++h) {
        size_t count = 0;
        for (size_t i = 0; i < marks_.size() && i < kMarksWeighed; ++i)
            count += LineShowsAddress(marks_[i].count + h, marks_[i].address) ? 1 : 0;
        if (count > bestCount) {
            bestCount = count;
            heading = h;
        }
    }
    DebugInfo& d = record_.debug;
    for (const LineMark& m : marks_) {
        int64_t line = m.count + heading;
        if (d.lineOfAddress[m.address] < 0 && LineShowsAddress(line, m.address))
            d.lineOfAddress[m.address] = int32_t(line);
    }
}

std::string SXCLoader::LocationText(uint32_t address) const {
    if (!code_) return {};
    std::string file = code_->SourceFileOfAddress(address);
    int line = code_->SourceLineOfAddress(address);
    std::string out;
    if (!file.empty()) out += "Src. File:" + file;
    if (line >= 0) {
        if (!file.empty()) out += "\r";
        out += "Line #" + std::to_string(line) + "\r\r";
    }
    return out;
}

bool SXCLoader::ParseWatch(const CodDebugMessage& message, SxcWatch& out) {
    std::string_view text = message.text;
    size_t comma1 = text.find(',');
    size_t comma2 = comma1 == std::string_view::npos ? comma1 : text.find(',', comma1 + 1);
    std::string_view name = Trim(text.substr(0, comma1));
    std::string_view bits = comma1 == std::string_view::npos
                                ? std::string_view()
                                : Trim(text.substr(comma1 + 1, comma2 - comma1 - 1));
    std::string_view format =
        comma2 == std::string_view::npos ? std::string_view() : Trim(text.substr(comma2 + 1));

    const std::string head = LocationText(message.address) + "Pragma: " + message.text + "\r\r";
    auto report = [&](const std::string& what) {
        prompter_.Message(head + what, kPragmaCaption, PromptButtons::Ok, PromptIcon::Warning);
        return false;
    };

    const CodSymbol* symbol = code_->FindSymbol(name, 0);
    if (!symbol) return report(Quoted(name) + " is not a valid WATCH variable.");

    auto found = std::find_if(kFormatNames.begin(), kFormatNames.end(),
                              [&](std::string_view f) { return SameLetters(f, format); });
    if (found == kFormatNames.end()) return report(Quoted(format) + " is not a valid WATCH type.");
    const int index = int(found - kFormatNames.begin());
    const bool isString = index == FSTR || index == ZSTR;

    long long count = 0;
    if (!ParseDecimal(bits, count))
        return report("Number of WATCH bits must be a valid integer.\r" + Quoted(bits) +
                      " is not a valid integer.");
    if (isString && count > kMaxStringWatchBytes)
        return report(std::to_string(count) +
                      " is greater than the max. # of string WATCH bytes (16).");
    if (!isString && count > kMaxWatchBits)
        return report(std::to_string(count) + " is greater than the max. # of WATCH bits (32).");
    // A watch of no bits cannot be shown, and a negative count would wrap into the record.
    if (count < 1)
        return report(std::to_string(count) +
                      (isString ? " is less than the min. # of string WATCH bytes (1)."
                                : " is less than the min. # of WATCH bits (1)."));

    out = {std::string(name), symbol->value, uint8_t(count), uint8_t(index)};
    return true;
}

void SXCLoader::SetCodWatchesAndBreak() {
    watches_.clear();
    break_ = {};
    if (!code_) return;
    int watchMessages = 0;
    for (const CodDebugMessage& message : code_->DebugMessages()) {
        if (message.type == 'w') {
            if (watchMessages++ < kMaxWatches) {
                SxcWatch watch;
                if (ParseWatch(message, watch)) watches_.push_back(std::move(watch));
            } else {
                prompter_.Message(LocationText(message.address) +
                                      "\rYou have exceeded the maximum number of WATCH "
                                      "variables (32)\rAny additional WATCH variables will be "
                                      "ignored.",
                                  kTooManyWatchesCaption, PromptButtons::Ok, PromptIcon::Warning);
            }
        } else if (message.type == 'b') {
            // 0x1000 and above is no code address: cut to 16 bits it would stop elsewhere.
            if (message.address >= kNoBreak) {
                prompter_.Message(LocationText(message.address) + "The BREAK address " +
                                      Hex4(message.address) +
                                      " lies outside program memory.\rIt will be ignored.",
                                  kSxcCaption, PromptButtons::Ok, PromptIcon::Warning);
            } else if (!break_.set) {
                break_ = {true, "BREAK", message.address,
                          code_->SourceLineOfAddress(message.address)};
            } else {
                prompter_.Message(LocationText(message.address) +
                                      "\rPellix can only have a single BREAK line\rThe first "
                                      "breakpoint (line " +
                                      std::to_string(break_.line) + ") will be used.",
                                  kTooManyBreaksCaption, PromptButtons::Ok, PromptIcon::Warning);
            }
        }
    }

    DebugInfo& d = record_.debug;
    if (!watches_.empty()) {
        d.watches.fill(WatchRecord{});
        d.watchCount = int(std::min<size_t>(watches_.size(), kMaxWatches));
        for (int i = 0; i < d.watchCount; ++i) {
            const SxcWatch& w = watches_[size_t(i)];
            WatchRecord& r = d.watches[size_t(i)];
            r.target = w.address;
            r.length = w.bits;
            r.format = w.format;
            size_t n = std::min(w.name.size(), kTransferredNameLength);
            std::copy_n(w.name.begin(), n, r.name);
            r.name[n] = '\0';
        }
    }
    if (break_.set) d.breakAddress = uint16_t(break_.address);
}

// ---------------------------------------------------------------------------------------

namespace sxc {

std::string BaseName(const std::string& fileName) {
    return fs::path(fileName).replace_extension().string();
}

std::string Companion(const std::string& base, std::string_view extension) {
    std::error_code ec;
    std::string exact = base + std::string(extension);
    if (fs::is_regular_file(exact, ec)) return exact;
    std::string upper(extension);
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    std::string other = base + upper;
    if (fs::is_regular_file(other, ec)) return other;
    return {};
}

bool FilesExist(const std::string& base) {
    return !Companion(base, ".cod").empty() && !Companion(base, ".lst").empty();
}

std::string MainCaption(const std::string& appTitle, const std::string& fileName, bool readOnly) {
    return appTitle + " - ByteCraft SXC Mode - " + fileName + (readOnly ? " : READ ONLY" : "");
}

std::string CodeViewCaption(const std::string& sxcFileName, const std::string& caption) {
    return fs::path(sxcFileName).filename().string() + " -  " + caption;
}

} // namespace sxc

} // namespace pellix
