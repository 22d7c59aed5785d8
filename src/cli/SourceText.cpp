#include "cli/SourceText.h"

#include <cstdio>
#include <vector>

#include "target/LineEnds.h"

namespace pellix::cli {

namespace {

constexpr int kLinesNamed = 10;

std::string CharacterName(unsigned char c) {
    if (c == 0) return "NUL";
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", c);
    return buf;
}

struct LineLoss {
    int line = 0;
    int count = 0;
    std::string names; // the distinct characters, as named
};

} // namespace

std::string AssemblerSource(std::string_view text, const std::string& name, std::ostream& err) {
    std::vector<LineLoss> losses;
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            continue;
        }
        if (!DroppedForAssembler(c)) continue;
        if (losses.empty() || losses.back().line != line) losses.push_back({line, 0, {}});
        LineLoss& l = losses.back();
        ++l.count;
        std::string n = CharacterName(c);
        if (l.names.find(n) == std::string::npos) l.names += (l.names.empty() ? "" : ", ") + n;
    }
    for (size_t k = 0; k < losses.size() && k < size_t(kLinesNamed); ++k) {
        const LineLoss& l = losses[k];
        err << "pellix-cli: warning: " << name << ":" << l.line << ": dropped " << l.count
            << (l.count == 1 ? " control character (" : " control characters (") << l.names
            << "), as pellix's editor does\n";
    }
    if (losses.size() > size_t(kLinesNamed))
        err << "pellix-cli: warning: " << name << ": and on " << losses.size() - size_t(kLinesNamed)
            << " more lines\n";
    return ToAssemblerText(text);
}

} // namespace pellix::cli
