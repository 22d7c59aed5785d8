#include "shell/SourceMap.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace pellix {

SourceMap::SourceMap(std::vector<std::string> files, const std::vector<CodePlace>& places)
    : files_(std::move(files)) {
    for (const CodePlace& p : places) {
        if (p.address >= kCodeWords || p.file < 0 || p.file >= int(files_.size()) || p.line < 0)
            continue;
        SourcePlace& at = places_[p.address];
        if (at.file < 0) at = {p.file, p.line};
    }
}

SourceMap SourceMap::FromListing(const DebugInfo& info, const std::vector<size_t>& origin,
                                 std::string_view editorText, std::string file) {
    // Where each line of the editor's text starts.
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < editorText.size(); ++i) {
        if (editorText[i] == '\r' && i + 1 < editorText.size() && editorText[i + 1] == '\n') ++i;
        if (editorText[i] == '\r' || editorText[i] == '\n') starts.push_back(i + 1);
    }
    auto lineOf = [&](size_t offset) {
        return int(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
    };
    std::vector<CodePlace> places;
    const int lines = std::clamp(info.lineCount, 0, kMaxListLines);
    for (int a = 0; a < kCodeWords && !origin.empty(); ++a) {
        const int listing = info.lineOfAddress[size_t(a)];
        if (listing < 0 || listing >= lines) continue;
        const int32_t source = info.lineSource[size_t(listing)];
        if (source < 0) continue;
        const size_t offset = origin[std::min(size_t(source), origin.size() - 1)];
        places.push_back({uint16_t(a), 0, lineOf(offset)});
    }
    return SourceMap({std::move(file)}, places);
}

SourcePlace SourceMap::Place(uint32_t address) const {
    return address < kCodeWords ? places_[address] : SourcePlace{};
}

std::vector<std::pair<int, uint16_t>> SourceMap::CodeLines(int file) const {
    std::map<int, uint16_t> lines;
    for (int a = kCodeWords - 1; a >= 0; --a)
        if (places_[size_t(a)].file == file) lines[places_[size_t(a)].line] = uint16_t(a);
    return {lines.begin(), lines.end()};
}

bool IsBreakStatement(std::string_view line) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t i = 0;
    // A label starts in the first column.
    if (i < line.size() && !blank(line[i]))
        while (i < line.size() && !blank(line[i]) && line[i] != ';')
            ++i;
    while (i < line.size() && blank(line[i]))
        ++i;
    constexpr std::string_view kBreak = "BREAK";
    if (line.size() - i < kBreak.size()) return false;
    for (size_t k = 0; k < kBreak.size(); ++k)
        if (std::toupper(static_cast<unsigned char>(line[i + k])) != kBreak[k]) return false;
    const size_t end = i + kBreak.size();
    return end == line.size() || blank(line[end]) || line[end] == ';' || line[end] == '\r' ||
           line[end] == '\n';
}

} // namespace pellix
