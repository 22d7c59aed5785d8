// Text from outside that the shell reads: keyword list files and sources (the copy that
// goes to the assembler, and the colouring of each line).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "editor/SxLineStyles.h"
#include "shell/Keywords.h"
#include "shell/OriginalEditorBuffer.h"
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
    return 0;
}
