#include "shell/GapBuffer.h"

#include <algorithm>
#include <cstring>

namespace pellix {

namespace {
constexpr size_t kFirstStorage = 4096;
}

GapBuffer::GapBuffer(size_t capacity)
    : capacity_(capacity), data_(std::min(capacity, kFirstStorage) + 1), gapStart_(0),
      gapEnd_(data_.size()) {}

void GapBuffer::Reserve(size_t more) {
    size_t need = Length() + more + 1;
    if (need <= data_.size()) return;
    size_t grown = std::min(std::max(need, data_.size() * 2), capacity_ + 1);
    std::vector<char> bigger(grown);
    size_t tail = data_.size() - gapEnd_;
    std::memcpy(bigger.data(), data_.data(), gapStart_);
    std::memcpy(bigger.data() + grown - tail, data_.data() + gapEnd_, tail);
    gapEnd_ = grown - tail;
    data_.swap(bigger);
}

void GapBuffer::MoveGap(size_t pos) const {
    if (pos == gapStart_) return;
    size_t gap = GapLength();
    if (pos < gapStart_) {
        size_t n = gapStart_ - pos;
        std::memmove(&data_[pos + gap], &data_[pos], n);
    } else {
        size_t n = pos - gapStart_;
        std::memmove(&data_[gapStart_], &data_[gapEnd_], n);
    }
    gapStart_ = pos;
    gapEnd_ = pos + gap;
}

std::string GapBuffer::Substr(size_t pos, size_t count) const {
    size_t len = Length();
    pos = std::min(pos, len);
    count = std::min(count, len - pos);
    std::string out;
    out.reserve(count);
    size_t end = pos + count;
    if (pos < gapStart_) out.append(&data_[pos], std::min(end, gapStart_) - pos);
    if (end > gapStart_) {
        size_t from = std::max(pos, gapStart_);
        out.append(&data_[from + GapLength()], end - from);
    }
    return out;
}

bool GapBuffer::Insert(size_t pos, std::string_view text) {
    if (text.size() > Room()) return false;
    if (text.empty()) return true;
    pos = std::min(pos, Length());
    Reserve(text.size());
    MoveGap(pos);
    std::memcpy(&data_[gapStart_], text.data(), text.size());
    gapStart_ += text.size();
    if (linesValid_) {
        // Later lines move by the inserted length; its own CRs start new lines.
        size_t line = LineOf(pos);
        for (size_t i = line + 1; i < lineStarts_.size(); ++i)
            lineStarts_[i] += text.size();
        std::vector<size_t> added;
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\r') added.push_back(pos + i + 1);
        lineStarts_.insert(lineStarts_.begin() + std::ptrdiff_t(line + 1), added.begin(),
                           added.end());
    }
    return true;
}

void GapBuffer::Erase(size_t pos, size_t count) {
    size_t len = Length();
    pos = std::min(pos, len);
    count = std::min(count, len - pos);
    if (count == 0) return;
    MoveGap(pos);
    gapEnd_ += count;
    if (linesValid_) {
        // The lines that began inside the erased part are gone; later ones move back.
        auto from = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), pos);
        auto to = std::upper_bound(from, lineStarts_.end(), pos + count);
        for (auto it = to; it != lineStarts_.end(); ++it)
            *it -= count;
        lineStarts_.erase(from, to);
    }
}

void GapBuffer::Clear() {
    // A large text's storage goes with it.
    if (data_.size() > kFirstStorage + 1) std::vector<char>(kFirstStorage + 1).swap(data_);
    gapStart_ = 0;
    gapEnd_ = data_.size();
    lineStarts_.assign(1, 0);
    linesValid_ = true;
}

std::string_view GapBuffer::Contiguous() const {
    size_t len = Length();
    MoveGap(len);
    data_[len] = '\0';
    return std::string_view(data_.data(), len);
}

void GapBuffer::IndexLines() const {
    if (linesValid_) return;
    lineStarts_.assign(1, 0);
    size_t len = Length();
    for (size_t pos = Find('\r', 0, len); pos < len; pos = Find('\r', pos + 1, len))
        lineStarts_.push_back(pos + 1);
    linesValid_ = true;
}

size_t GapBuffer::Find(char c, size_t from, size_t to) const {
    to = std::min(to, Length());
    while (from < to) {
        // Search the part of [from, to) on one side of the gap at a time.
        size_t stop = from < gapStart_ ? std::min(to, gapStart_) : to;
        const char* base = from < gapStart_ ? &data_[from] : &data_[from + GapLength()];
        if (const void* hit = std::memchr(base, c, stop - from))
            return from + size_t(static_cast<const char*>(hit) - base);
        from = stop;
    }
    return to;
}

size_t GapBuffer::LineCount() const {
    IndexLines();
    return lineStarts_.size();
}

size_t GapBuffer::LineStart(size_t line) const {
    IndexLines();
    return line < lineStarts_.size() ? lineStarts_[line] : Length();
}

size_t GapBuffer::LineEnd(size_t line) const {
    IndexLines();
    if (line + 1 < lineStarts_.size()) return lineStarts_[line + 1] - 1;
    return Length();
}

size_t GapBuffer::LineOf(size_t pos) const {
    IndexLines();
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), pos);
    return size_t(it - lineStarts_.begin()) - 1;
}

} // namespace pellix
