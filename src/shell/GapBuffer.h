// The text of the original editor: a gap buffer of fixed capacity, with the line starts
// kept alongside so that painting and caret moves need not scan the whole text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

class GapBuffer {
public:
    explicit GapBuffer(size_t capacity);

    size_t Capacity() const { return capacity_; }
    size_t Length() const { return data_.size() - GapLength(); }
    bool Empty() const { return Length() == 0; }
    size_t Room() const { return capacity_ - Length(); }

    char At(size_t pos) const { return pos < gapStart_ ? data_[pos] : data_[pos + GapLength()]; }
    std::string Substr(size_t pos, size_t count) const;

    // Inserts the whole of `text` at `pos`, or nothing when it does not fit.
    bool Insert(size_t pos, std::string_view text);
    void Erase(size_t pos, size_t count);
    void Clear();

    // The whole text, contiguous and followed by a NUL (moves the gap to the end).
    std::string_view Contiguous() const;
    const char* CString() const { return Contiguous().data(); }

    // Lines end in a CR; a text of n CRs has n + 1 lines.
    size_t LineCount() const;
    size_t LineStart(size_t line) const;
    // The offset of the line's CR, or the text's end for the last line.
    size_t LineEnd(size_t line) const;
    size_t LineOf(size_t pos) const;

    // Many edits in a row: the line index is rebuilt once, when next asked for, instead of
    // being kept up to date by each of them.
    void ForgetLines() { linesValid_ = false; }

    // The first offset at or after `from` (before `to`) holding `c`, or `to`.
    size_t Find(char c, size_t from, size_t to) const;

private:
    size_t GapLength() const { return gapEnd_ - gapStart_; }
    void MoveGap(size_t pos) const;
    // Makes room for `more` characters (storage grows up to the capacity).
    void Reserve(size_t more);
    void IndexLines() const;

    size_t capacity_;
    // At least one byte beyond the text, so the gap never closes and a contiguous text
    // always has room for its NUL; it grows as the text does, up to the capacity + 1.
    mutable std::vector<char> data_;
    mutable size_t gapStart_;
    mutable size_t gapEnd_;
    mutable std::vector<size_t> lineStarts_{0};
    mutable bool linesValid_ = true;
};

} // namespace pellix
