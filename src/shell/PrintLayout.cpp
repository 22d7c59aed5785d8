#include "shell/PrintLayout.h"

#include <algorithm>

namespace pellix {

PrintLayout ComputePrintLayout(const PrintMetrics& m, int sections, int lines) {
    PrintLayout l;
    l.sections = std::max(sections, 1);
    l.lines = std::max(lines, 0);
    if (m.charWidth <= 0 || m.charHeight <= 0) return l;
    int across = m.pageWidth / m.charWidth;
    // Side by side, each section gives up a column to the rules around it.
    l.columns = l.sections == 1 ? across : (across - l.sections - 1) / l.sections;
    l.linesPerPage = std::max(m.pageHeight / m.charHeight, 0);
    l.printable = l.columns >= 1 && l.linesPerPage >= 1 && l.lines > 0;
    if (l.linesPerPage >= 1) {
        int perPage = l.sections * l.linesPerPage;
        l.pages = (l.lines + perPage - 1) / perPage;
    }
    if (l.columns >= 1) {
        l.width = (l.sections * l.columns + l.sections - 1) * m.charWidth;
        l.height = l.linesPerPage * m.charHeight;
        l.left = std::max((m.pageWidth - l.width) / 2, 0);
        l.top = std::max((m.pageHeight - l.height) / 2, 0);
    }
    return l;
}

std::string ColumnsText(const PrintLayout& l) {
    return std::to_string(std::max(l.columns, 0)) + " Column x " +
           std::to_string(l.linesPerPage * l.sections) + " Line Page";
}

std::string CharacterText(const PrintMetrics& m) {
    return std::to_string(m.charWidth) + " x " + std::to_string(m.charHeight) + " Pixel Characters";
}

std::string PagesText(const PrintLayout& l) {
    return std::to_string(l.lines) + " Lines = " + std::to_string(l.pages) + " Page" +
           (l.pages != 1 ? "s" : "");
}

int PrintLineCount(std::string_view text) {
    if (text.empty()) return 0;
    int crs = int(std::count(text.begin(), text.end(), '\r'));
    return text.back() == '\r' ? crs : crs + 1;
}

std::vector<std::string> PrintLines(std::string_view text, int columns) {
    std::vector<std::string> out;
    size_t width = size_t(std::max(columns, 0));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\r', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line;
        for (size_t i = start; i < end && line.size() < width; ++i) {
            if (text[i] == '\t')
                line.append(8 - line.size() % 8, ' ');
            else
                line.push_back(text[i]);
        }
        if (line.size() > width) line.resize(width);
        out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

} // namespace pellix
