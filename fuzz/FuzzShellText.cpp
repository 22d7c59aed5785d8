// Text from outside that the shell reads: keyword list files and sources (the copy that
// goes to the assembler, the colouring of each line, the editor's choice of encoding, and
// the lines the debugger's marks land on).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editor/SxLineStyles.h"
#include "editor/TextEncoding.h"
#include "shell/Keywords.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/SourceMap.h"
#include "target/LineEnds.h"

using namespace pellix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);

    auto words = ParseKeywordList(in);
    for (const auto& w : words) {
        if (w.empty() || w.front() == ' ' || w.back() == ' ' ||
            w.find_first_of("\r\n") != std::string::npos)
            std::abort();
    }

    FilteredText f = FilterPastedText(in);
    if (f.origin.size() != f.text.size() + 1 || f.origin.back() != size) std::abort();
    for (size_t k = 0; k < f.text.size(); ++k) {
        unsigned char c = static_cast<unsigned char>(f.text[k]);
        if (c == '\n' || (c < 32 && c != '\t' && c != '\r')) std::abort();
        if (f.origin[k] >= size || (k > 0 && f.origin[k] <= f.origin[k - 1])) std::abort();
    }
    // As many line ends as the plain conversion gives: no line is joined or split.
    std::string cr = ToCrLineEnds(in);
    size_t a = 0, b = 0;
    for (char c : cr)
        a += c == '\r';
    for (char c : f.text)
        b += c == '\r';
    if (a != b) std::abort();
    // pellix-cli hands the assembler what the editor's paste does.
    if (ToAssemblerText(in) != f.text) std::abort();

    KeywordSet keys(words.begin(), words.end());
    if (StyleSxLine(in, &keys).size() != size) std::abort();

    // UTF-8 or not, the same answer after ASCII is added; a continuation byte after whole
    // characters is never UTF-8.
    const bool utf8 = IsUtf8(in);
    if (IsUtf8(std::string(in) + "x") != utf8) std::abort();
    if (utf8 && IsUtf8(std::string(in) + "\x80")) std::abort();
    (void)IsBreakStatement(in);

    // Every statement start the assembler could report maps to a line of the text.
    static DebugInfo info; // large: once
    info.lineOfAddress.fill(-1);
    info.lineCount = 0;
    for (size_t k = 0; k < f.text.size() && info.lineCount < 64; k += 1 + f.text.size() / 64) {
        info.lineSource[size_t(info.lineCount)] = int32_t(k);
        info.lineOfAddress[size_t(info.lineCount)] = info.lineCount;
        ++info.lineCount;
    }
    size_t lines = 1;
    for (size_t i = 0; i < size; ++i) {
        if (in[i] == '\r' && i + 1 < size && in[i + 1] == '\n') ++i;
        if (in[i] == '\r' || in[i] == '\n') ++lines;
    }
    SourceMap map = SourceMap::FromListing(info, f.origin, in, "fuzz");
    for (int a = 0; a < info.lineCount; ++a) {
        SourcePlace p = map.Place(uint32_t(a));
        if (p.file != 0 || p.line < 0 || size_t(p.line) >= lines) std::abort();
    }
    return 0;
}
