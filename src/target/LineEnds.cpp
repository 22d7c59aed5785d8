#include "target/LineEnds.h"

namespace pellix {

std::string ToCrLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out.push_back('\r');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out.push_back('\r');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace pellix
