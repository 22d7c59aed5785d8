#include "target/LineEnds.h"

namespace pellix {

namespace {

template <typename Keep>
std::string WithCrLineEnds(std::string_view text, Keep keep) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            out.push_back('\r');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out.push_back('\r');
        } else if (keep(static_cast<unsigned char>(c))) {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

std::string ToCrLineEnds(std::string_view text) {
    return WithCrLineEnds(text, [](unsigned char) { return true; });
}

std::string ToAssemblerText(std::string_view text) {
    return WithCrLineEnds(text, [](unsigned char c) { return !DroppedForAssembler(c); });
}

} // namespace pellix
