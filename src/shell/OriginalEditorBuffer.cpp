#include "shell/OriginalEditorBuffer.h"

#include <algorithm>

namespace pellix {

FilteredText FilterPastedText(std::string_view in) {
    FilteredText out;
    out.text.reserve(in.size());
    out.origin.reserve(in.size() + 1);
    for (size_t i = 0; i < in.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (c == '\r' || c == '\n') {
            out.text.push_back('\r');
            out.origin.push_back(i);
            if (c == '\r' && i + 1 < in.size() && in[i + 1] == '\n') ++i;
        } else if (c == '\t' || c >= 32) {
            out.text.push_back(char(c));
            out.origin.push_back(i);
        }
    }
    out.origin.push_back(in.size());
    return out;
}

void OriginalEditorBuffer::Clear() {
    text_.clear();
    caret_ = selStart_ = selEnd_ = 0;
}

FilteredText OriginalEditorBuffer::Paste(std::string_view text) {
    FilteredText f = FilterPastedText(text);
    size_t start = std::min(selStart_, selEnd_), end = std::max(selStart_, selEnd_);
    if (start == end) start = end = caret_;
    text_.replace(start, end - start, f.text);
    caret_ = selStart_ = selEnd_ = start + f.text.size();
    return f;
}

void OriginalEditorBuffer::Select(size_t start, size_t end) {
    selStart_ = std::min(start, text_.size());
    selEnd_ = std::min(end, text_.size());
    caret_ = selEnd_;
}

size_t OriginalEditorBuffer::LineStart(size_t offset) const {
    offset = std::min(offset, text_.size());
    size_t cr = offset == 0 ? std::string::npos : text_.rfind('\r', offset - 1);
    return cr == std::string::npos ? 0 : cr + 1;
}

size_t OriginalEditorBuffer::LineEnd(size_t offset) const {
    size_t cr = text_.find('\r', std::min(offset, text_.size()));
    return cr == std::string::npos ? text_.size() : cr;
}

size_t OriginalEditorBuffer::LineOf(size_t offset) const {
    offset = std::min(offset, text_.size());
    return size_t(std::count(text_.begin(), text_.begin() + std::ptrdiff_t(offset), '\r'));
}

} // namespace pellix
