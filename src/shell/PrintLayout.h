// How the original editor's text goes onto printed pages: sections of lines side by side,
// as many as fit, the block of them centred on the page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pellix {

// Sizes in the printer's pixels: the printable page and one character of the font.
struct PrintMetrics {
    int pageWidth = 0;
    int pageHeight = 0;
    int charWidth = 0;
    int charHeight = 0;
};

struct PrintLayout {
    int sections = 1;
    int columns = 0;      // per section; below 1 nothing fits
    int linesPerPage = 0; // per section
    int lines = 0;        // lines to print
    int pages = 0;
    // The block of sections with the one-column gaps between them, centred on the page.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool printable = false; // a section is at least one column wide and there are lines

    // Where section s starts, and where the rule before it runs (s >= 1).
    int SectionLeft(int s, int charWidth) const { return left + s * (columns + 1) * charWidth; }
    int RuleX(int s, int charWidth) const {
        return SectionLeft(s, charWidth) - charWidth + charWidth / 2;
    }
    // The first line on page p (0-based) in section s.
    int FirstLine(int page, int s) const { return (page * sections + s) * linesPerPage; }
};

PrintLayout ComputePrintLayout(const PrintMetrics& metrics, int sections, int lines);

// The three labels of the print options window.
std::string ColumnsText(const PrintLayout& layout);
std::string CharacterText(const PrintMetrics& metrics);
std::string PagesText(const PrintLayout& layout);

// The number of lines a text of CR-ended lines prints as (a final CR starts no line).
int PrintLineCount(std::string_view text);
// Its lines as printed: tabs expanded to multiples of 8 columns, cut at `columns`.
std::vector<std::string> PrintLines(std::string_view text, int columns);

} // namespace pellix
