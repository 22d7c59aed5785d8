// Any text as orda's error file and as its list file: the error-line parts, the listing
// line lookup and the page-header count stay within the lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/OrdaUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> lines =
        pellix::ReadOrdaErrors({reinterpret_cast<const char*>(data), size});
    for (const std::string& line : lines) {
        pellix::OrdaErrorLine e = pellix::ParseOrdaErrorLine(line);
        if (e.file.size() > line.size()) std::abort();
    }
    const int count = int(lines.size());
    auto text = [&](int i) {
        if (i < 0 || i >= count) std::abort();
        return lines[size_t(i)];
    };
    for (int n : {0, 1, 2, 3, 13, 100, 123456, 1234567}) {
        int view = pellix::ViewLineOfListingLine(text, count, n);
        if (view != -1 && (view < 1 || view > count)) std::abort();
    }
    std::vector<int> list = pellix::ListLinesOfView(text, count);
    if (list.size() != lines.size()) std::abort();
    return 0;
}
