#include "asm/Report.h"

#include <cstdio>

#include "asm/Disassembler.h"

namespace pellix {

namespace {

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

} // namespace

std::string_view WatchFormatName(uint8_t format) {
    static constexpr std::string_view kNames[] = {"UDEC", "SDEC", "UHEX", "SHEX",
                                                  "UBIN", "SBIN", "FSTR", "ZSTR"};
    return format < 8 ? kNames[format] : "?";
}

SourcePosition PositionOf(std::string_view text, size_t offset) {
    if (offset > text.size()) offset = text.size();
    SourcePosition p;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\r') {
            ++p.line;
            p.lineStart = i + 1;
        }
    }
    p.column = int(offset - p.lineStart) + 1;
    p.lineEnd = p.lineStart;
    while (p.lineEnd < text.size() && text[p.lineEnd] != '\r' && text[p.lineEnd] != '\0')
        ++p.lineEnd;
    return p;
}

std::string SummaryText(const AssemblyRecord& record) {
    const DebugInfo& d = record.debug;
    std::string out = "Assembly Successful\n";
    out += "FAMILY ";
    out += std::to_string(record.deviceFamily);
    out += "\nFREQ ";
    out += std::to_string(d.frequency);
    out += "\nBREAK ";
    out += Hex(d.breakAddress, 1);
    out += "\n";
    for (int i = 0; i < d.watchCount && i < kMaxWatches; ++i) {
        const WatchRecord& w = d.watches[size_t(i)];
        out += "WATCH ";
        out += Hex(w.target, 3);
        out += ' ';
        out += std::to_string(w.length);
        out += ' ';
        out += WatchFormatName(w.format);
        out += " ";
        out += w.name;
        out += "\n";
    }
    return out;
}

std::string DiagnosticText(const AssemblyRecord& record, std::string_view sourceName) {
    std::string_view text = record.source;
    SourcePosition p = PositionOf(text, record.errorStart);
    std::string out(sourceName);
    out += ':';
    out += std::to_string(p.line);
    out += ':';
    out += std::to_string(p.column);
    out += ": error: ";
    out += record.message;
    out += "\n";
    out.append(text.substr(p.lineStart, p.lineEnd - p.lineStart));
    out += "\n";
    // The caret line copies the tabs before the column, so a terminal puts the caret under
    // it whatever its tab stops.
    for (size_t i = p.lineStart; i < p.lineStart + size_t(p.column - 1); ++i)
        out += i < p.lineEnd && text[i] == '\t' ? '\t' : ' ';
    out += '^';
    size_t start = p.lineStart + size_t(p.column - 1);
    size_t end = record.errorEnd < p.lineEnd ? record.errorEnd : p.lineEnd;
    if (end > start + 1) out.append(end - start - 1, '~');
    out += "\n";
    return out;
}

std::string DisassemblyText(const AssemblyRecord& record) {
    std::string out;
    for (int a = 0; a < kCodeWords; ++a) {
        if (!record.assembled.Written(a)) continue;
        out += Hex(unsigned(a), 3);
        out += "- ";
        out += Hex(record.assembled.Code(a), 3);
        out += "  ";
        out += Disassemble(record, a, false);
        out += "\n";
    }
    return out;
}

} // namespace pellix
