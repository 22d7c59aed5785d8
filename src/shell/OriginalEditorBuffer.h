// The single text buffer of the original editor. Every built-in assembly reads its source
// from here: lines end in a lone CR and the text is contiguous and NUL-terminated.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

// Text as the buffer takes it from the clipboard: CR LF and a lone LF become CR (a line
// is never joined to the next), tab, CR and the characters 32 to 255 are kept and every
// other control character is dropped. `origin[k]` is the offset in the given text of the
// kept character k; `origin[text.size()]` is the given text's length.
struct FilteredText {
    std::string text;
    std::vector<size_t> origin;
};
FilteredText FilterPastedText(std::string_view text);

class OriginalEditorBuffer {
public:
    void Clear();
    // Inserts the filtered text at the caret, replacing the selection; returns the
    // filtered text and where each of its characters came from.
    FilteredText Paste(std::string_view text);

    const std::string& Text() const { return text_; }
    const char* CText() const { return text_.c_str(); }
    size_t Length() const { return text_.size(); }

    size_t Caret() const { return caret_; }
    size_t SelectionStart() const { return selStart_; }
    size_t SelectionEnd() const { return selEnd_; }
    void Select(size_t start, size_t end);

    // The line holding `offset`: its start, and the offset of its CR (or the end).
    size_t LineStart(size_t offset) const;
    size_t LineEnd(size_t offset) const;
    // 0-based line number of `offset`.
    size_t LineOf(size_t offset) const;

private:
    std::string text_;
    size_t caret_ = 0;
    size_t selStart_ = 0;
    size_t selEnd_ = 0;
};

} // namespace pellix
