#include "cli/SourcePlaces.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/FileIo.h"
#include "shell/SXCUnit.h"

namespace pellix::cli {

namespace {

// A word of a list line that the map has no record for sits at most this far after the
// line's first word (orda lists four words on a continuation line).
constexpr uint32_t kWordsPerListLine = 4;

std::string Place(const std::string& file, int line) {
    return (file.empty() ? std::string("?") : file) + ":" + std::to_string(line);
}

} // namespace

SourcePlace BuiltInSourcePlace(const AssemblyRecord& record, const std::string& sourceName) {
    std::vector<size_t> starts{0}; // where each line of the source begins
    for (size_t i = 0; i < record.source.size(); ++i)
        if (record.source[i] == '\r') starts.push_back(i + 1);
    return [&record, starts = std::move(starts), sourceName](uint32_t address) -> std::string {
        const DebugInfo& d = record.debug;
        int line = d.lineOfAddress[address & uint32_t(kCodeWords - 1)];
        if (line < 0 || line >= d.lineCount) return {};
        size_t offset = size_t(d.lineSource[size_t(line)]);
        auto after = std::upper_bound(starts.begin(), starts.end(), offset);
        return Place(sourceName, int(after - starts.begin()));
    };
}

SourcePlace OrdaSourcePlace(const OrdaMap& map, AssemblyRecord& record) {
    std::vector<OrdaMapRecord> records = map.records;
    std::stable_sort(
        records.begin(), records.end(),
        [](const OrdaMapRecord& a, const OrdaMapRecord& b) { return a.address < b.address; });
    auto holding = [records](uint32_t address) -> const OrdaMapRecord* {
        auto it =
            std::upper_bound(records.begin(), records.end(), address,
                             [](uint32_t a, const OrdaMapRecord& r) { return a < r.address; });
        if (it == records.begin()) return nullptr;
        --it;
        // The first record of an address is its list line's own.
        while (it != records.begin() && (it - 1)->address == it->address)
            --it;
        return address - it->address < kWordsPerListLine ? &*it : nullptr;
    };
    // hop compares lines: the words of one source line share the list line that shows its
    // first word, continuation lines and all.
    std::map<std::pair<uint16_t, uint16_t>, uint16_t> firstListLine;
    for (const OrdaMapRecord& r : map.records)
        firstListLine.emplace(std::pair{r.file, r.line}, r.listLine);
    DebugInfo& d = record.debug;
    for (uint32_t a = 0; a < uint32_t(kCodeWords); ++a)
        if (const OrdaMapRecord* r = holding(a); r && d.lineOfAddress[a] < 0)
            d.lineOfAddress[a] = int32_t(firstListLine[{r->file, r->line}]) - 1;
    std::vector<std::string> files = map.files;
    return [holding, files = std::move(files)](uint32_t address) -> std::string {
        const OrdaMapRecord* r = holding(address);
        if (!r) return {};
        return Place(r->file < files.size() ? files[r->file] : std::string(), r->line);
    };
}

SourcePlace OrdaSourcePlaceBeside(const std::string& imageName, AssemblyRecord& record) {
    std::string name = sxc::Companion(sxc::BaseName(imageName), ".map");
    if (name.empty()) return {};
    FileRead file = ReadWholeFile(name);
    OrdaMap map;
    if (!file.ok || !ReadOrdaMap(file.data, map).empty()) return {};
    return OrdaSourcePlace(map, record);
}

SourcePlace CodSourcePlace(const TCode& code) {
    return [&code](uint32_t address) -> std::string {
        std::string file;
        int line = 0;
        if (!code.SourcePlaceOfAddress(address, file, line)) return {};
        return Place(file, line);
    };
}

} // namespace pellix::cli
