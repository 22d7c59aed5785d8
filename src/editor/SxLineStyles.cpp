#include "editor/SxLineStyles.h"

#include <cctype>

namespace pellix {

namespace {

bool IsNameChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == ':';
}

bool IsKeyword(std::string_view word, const KeywordSet* keywords) {
    if (!keywords || word.empty() || word.size() > 64) return false;
    std::string upper(word);
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return keywords->count(upper) != 0;
}

} // namespace

std::string StyleSxLine(std::string_view line, const KeywordSet* keywords) {
    std::string styles(line.size(), kSxDefault);
    size_t i = 0;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == ';') {
            for (size_t k = i; k < line.size() && line[k] != '\r' && line[k] != '\n'; ++k)
                styles[k] = kSxComment;
            break;
        }
        if (c == '\'') {
            size_t close = line.find('\'', i + 1);
            i = close == std::string_view::npos ? line.size() : close + 1;
            continue;
        }
        if (IsNameChar(c)) {
            size_t end = i;
            while (end < line.size() && IsNameChar(static_cast<unsigned char>(line[end])))
                ++end;
            // Numbers start with a digit and are never keywords.
            if (!std::isdigit(c) && IsKeyword(line.substr(i, end - i), keywords))
                for (size_t k = i; k < end; ++k)
                    styles[k] = kSxKeyword;
            i = end;
            continue;
        }
        ++i;
    }
    return styles;
}

} // namespace pellix
