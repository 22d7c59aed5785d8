#include "shell/OriginalEditorBuffer.h"

#include <algorithm>

#include "target/LineEnds.h"

namespace pellix {

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Word moves stop where the kind of character changes.
int KindOf(char c) {
    if (IsWordChar(c)) return 0;
    if (IsBlank(c)) return 1;
    if (c == '\r') return 2;
    return 3;
}

int NextTabStop(int column) {
    return (column / kOriginalTabColumns + 1) * kOriginalTabColumns;
}

} // namespace

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
        } else if (!DroppedForAssembler(c)) {
            out.text.push_back(char(c));
            out.origin.push_back(i);
        }
    }
    out.origin.push_back(in.size());
    return out;
}

std::string WithLineFeeds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + size_t(std::count(text.begin(), text.end(), '\r')));
    for (char c : text) {
        out.push_back(c);
        if (c == '\r') out.push_back('\n');
    }
    return out;
}

bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsWordText(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsWordChar);
}

OriginalEditorBuffer::OriginalEditorBuffer() : text_(kOriginalEditorCapacity) {}

// ---- the document -------------------------------------------------------------------------

void OriginalEditorBuffer::Clear() {
    text_.Clear();
    ++changes_;
    caret_ = anchor_ = 0;
    selecting_ = false;
    preferredColumn_ = 0;
    firstLine_ = 0;
    firstColumn_ = 0;
    modified_ = false;
    readOnly_ = false;
}

bool OriginalEditorBuffer::Load(std::string_view data) {
    FilteredText f = FilterPastedText(data);
    if (f.text.size() > text_.Capacity()) return false;
    Clear();
    text_.Insert(0, f.text);
    return true;
}

bool OriginalEditorBuffer::Paste(std::string_view text, FilteredText* filtered) {
    FilteredText f = FilterPastedText(text);
    bool ok = Replace(SelectionStart(), SelectionEnd(), f.text);
    if (ok) EnsureCaretVisible();
    if (filtered) *filtered = std::move(f);
    return ok;
}

size_t OriginalEditorBuffer::LineOf(size_t offset) const {
    return text_.LineOf(std::min(offset, Length()));
}

std::string OriginalEditorBuffer::LineText(size_t line) const {
    size_t s = StartOfLine(line);
    return text_.Substr(s, EndOfLine(line) - s);
}

bool OriginalEditorBuffer::Replace(size_t from, size_t to, std::string_view text, bool track) {
    if (readOnly_) return false;
    to = std::min(to, Length());
    from = std::min(from, to);
    if (text.size() > text_.Room() + (to - from)) return false;
    text_.Erase(from, to - from);
    text_.Insert(from, text);
    caret_ = anchor_ = from + text.size();
    selecting_ = false;
    if (track) preferredColumn_ = Column(caret_);
    if (to > from || !text.empty()) {
        modified_ = true;
        ++changes_;
    }
    return true;
}

// ---- caret and selection ------------------------------------------------------------------

std::string OriginalEditorBuffer::SelectedText() const {
    return text_.Substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void OriginalEditorBuffer::Select(size_t anchor, size_t caret) {
    anchor_ = std::min(anchor, Length());
    caret_ = std::min(caret, Length());
    selecting_ = true;
    preferredColumn_ = Column(caret_);
}

void OriginalEditorBuffer::SetCaret(size_t pos, bool extend) {
    MoveTo(std::min(pos, Length()), extend);
}

void OriginalEditorBuffer::MoveTo(size_t pos, bool extend, bool keepColumn) {
    if (extend) {
        if (!selecting_) {
            anchor_ = caret_;
            selecting_ = true;
        }
    } else {
        selecting_ = false;
        anchor_ = pos;
    }
    caret_ = pos;
    if (!keepColumn) preferredColumn_ = Column(pos);
}

int OriginalEditorBuffer::Column(size_t pos) const {
    pos = std::min(pos, Length());
    int column = 0;
    for (size_t i = LineStart(pos); i < pos; ++i)
        column = text_.At(i) == '\t' ? NextTabStop(column) : column + 1;
    return column;
}

size_t OriginalEditorBuffer::PositionAt(size_t line, int column) const {
    line = std::min(line, LineCount() - 1);
    size_t end = EndOfLine(line);
    int at = 0;
    for (size_t i = StartOfLine(line); i < end; ++i) {
        int next = text_.At(i) == '\t' ? NextTabStop(at) : at + 1;
        if (column < next) return column - at <= next - column ? i : i + 1;
        at = next;
    }
    return end;
}

size_t OriginalEditorBuffer::WordLeft(size_t pos) const {
    if (pos == 0) return 0;
    size_t p = pos;
    while (p > 0 && IsBlank(text_.At(p - 1)))
        --p;
    if (p == 0) return 0;
    // From the start of a line to the end of the one above.
    if (text_.At(p - 1) == '\r') return p == pos ? p - 1 : p;
    int kind = KindOf(text_.At(p - 1));
    while (p > 0 && KindOf(text_.At(p - 1)) == kind)
        --p;
    return p;
}

size_t OriginalEditorBuffer::WordRight(size_t pos) const {
    size_t n = Length();
    if (pos >= n) return n;
    if (text_.At(pos) == '\r') return pos + 1;
    int kind = KindOf(text_.At(pos));
    if (kind != 1)
        while (pos < n && KindOf(text_.At(pos)) == kind)
            ++pos;
    while (pos < n && IsBlank(text_.At(pos)))
        ++pos;
    return pos;
}

// ---- typing and keys ----------------------------------------------------------------------

bool OriginalEditorBuffer::Type(unsigned char c) {
    bool printable = (c >= 32 && c <= 126) || c >= 128 || c == '\t' || c == '\r';
    if (!printable) return false;
    char ch = char(c);
    if (!Replace(SelectionStart(), SelectionEnd(), std::string_view(&ch, 1))) return false;
    EnsureCaretVisible();
    return true;
}

bool OriginalEditorBuffer::DeleteSelection() {
    if (!HasSelection()) return false;
    if (!readOnly_) Replace(SelectionStart(), SelectionEnd(), {});
    return true;
}

void OriginalEditorBuffer::Key(EditKey key, bool shift, bool ctrl) {
    size_t line = CaretLine();
    size_t last = LineCount() - 1;
    size_t visible = size_t(std::max(visibleLines_, 1));
    switch (key) {
    case EditKey::Left:
        if (HasSelection() && !shift)
            MoveTo(SelectionStart(), false);
        else
            MoveTo(ctrl ? WordLeft(caret_) : (caret_ > 0 ? caret_ - 1 : 0), shift);
        break;
    case EditKey::Right:
        if (HasSelection() && !shift)
            MoveTo(SelectionEnd(), false);
        else
            MoveTo(ctrl ? WordRight(caret_) : std::min(caret_ + 1, Length()), shift);
        break;
    case EditKey::Up:
    case EditKey::Down: {
        // Ctrl+Up and Ctrl+Down belong to the text size.
        if (ctrl) return;
        size_t target = key == EditKey::Up ? (line > 0 ? line - 1 : 0) : std::min(line + 1, last);
        if (target == line) {
            MoveTo(caret_, shift, true);
            break;
        }
        MoveTo(PositionAt(target, preferredColumn_), shift, true);
        break;
    }
    case EditKey::Home:
        MoveTo(ctrl ? 0 : StartOfLine(line), shift);
        break;
    case EditKey::End:
        MoveTo(ctrl ? Length() : EndOfLine(line), shift);
        break;
    case EditKey::PageUp: {
        if (ctrl) {
            MoveTo(0, shift);
            break;
        }
        // First to the top line of the window, then a window further.
        size_t target = firstLine_;
        if (line <= firstLine_) {
            target = line > visible ? line - visible : 0;
            firstLine_ = firstLine_ > visible ? firstLine_ - visible : 0;
        }
        MoveTo(PositionAt(target, preferredColumn_), shift, true);
        break;
    }
    case EditKey::PageDown: {
        if (ctrl) {
            MoveTo(Length(), shift);
            break;
        }
        size_t bottom = std::min(firstLine_ + visible - 1, last);
        size_t target = bottom;
        if (line >= bottom) {
            target = std::min(line + visible, last);
            firstLine_ = std::min(firstLine_ + visible, last);
        }
        MoveTo(PositionAt(target, preferredColumn_), shift, true);
        break;
    }
    case EditKey::Backspace:
    case EditKey::Delete: {
        if (DeleteSelection()) break;
        size_t ls = StartOfLine(line), le = EndOfLine(line);
        bool back = key == EditKey::Backspace;
        if (ctrl && !shift) {
            // The whole line with its line end.
            Replace(ls, le < Length() ? le + 1 : le, {});
        } else if (ctrl) {
            if (back)
                Replace(0, caret_, {});
            else
                Replace(caret_, Length(), {});
        } else if (shift) {
            if (back)
                Replace(ls, caret_, {});
            else
                Replace(caret_, le, {});
        } else if (back) {
            if (caret_ > 0) Replace(caret_ - 1, caret_, {});
        } else if (caret_ < Length()) {
            Replace(caret_, caret_ + 1, {});
        }
        break;
    }
    }
    EnsureCaretVisible();
}

// ---- mouse --------------------------------------------------------------------------------

ClickKind OriginalEditorBuffer::Press(size_t pos, uint32_t ms, bool shift) {
    pos = std::min(pos, Length());
    bool quick = clicks_ > 0 && uint32_t(ms - pressTimes_[2]) < kMultiClickMs;
    pressTimes_[0] = pressTimes_[1];
    pressTimes_[1] = pressTimes_[2];
    pressTimes_[2] = ms;
    if (shift) {
        clicks_ = 1;
        MoveTo(pos, true);
        return ClickKind::Caret;
    }
    clicks_ = quick ? clicks_ % 3 + 1 : 1;
    if (clicks_ == 2) {
        size_t ls = LineStart(pos), le = LineEnd(pos);
        size_t s = pos, e = pos;
        // A click just after a word takes that word.
        if (!(e < le && IsWordChar(text_.At(e))) && s > ls && IsWordChar(text_.At(s - 1))) --s;
        while (s > ls && IsWordChar(text_.At(s - 1)))
            --s;
        while (e < le && IsWordChar(text_.At(e)))
            ++e;
        if (s < e) {
            Select(s, e);
            return ClickKind::Word;
        }
        MoveTo(pos, false);
        return ClickKind::Caret;
    }
    if (clicks_ == 3) {
        size_t ls = LineStart(pos), le = LineEnd(pos);
        Select(ls, le < Length() ? le + 1 : le);
        return ClickKind::Line;
    }
    MoveTo(pos, false);
    return ClickKind::Caret;
}

void OriginalEditorBuffer::DragTo(size_t pos) {
    MoveTo(std::min(pos, Length()), true);
}

// ---- view ---------------------------------------------------------------------------------

void OriginalEditorBuffer::SetViewSize(int lines, int columns) {
    visibleLines_ = std::max(lines, 1);
    visibleColumns_ = std::max(columns, 1);
}

void OriginalEditorBuffer::ScrollTo(size_t firstLine, int firstColumn) {
    size_t lines = LineCount();
    size_t top = lines > size_t(visibleLines_) ? lines - size_t(visibleLines_) : 0;
    firstLine_ = std::min(firstLine, top);
    firstColumn_ = std::max(firstColumn, 0);
}

void OriginalEditorBuffer::ScrollLines(long delta) {
    long to = long(firstLine_) + delta;
    ScrollTo(to < 0 ? 0 : size_t(to), firstColumn_);
}

void OriginalEditorBuffer::EnsureCaretVisible() {
    size_t line = CaretLine();
    size_t vis = size_t(std::max(visibleLines_, 1));
    if (line < firstLine_)
        firstLine_ = line;
    else if (line >= firstLine_ + vis)
        firstLine_ = line - vis + 1;
    int column = CaretColumn();
    int cols = std::max(visibleColumns_, 1);
    if (column < firstColumn_)
        firstColumn_ = column;
    else if (column >= firstColumn_ + cols)
        firstColumn_ = column - cols + 1;
}

bool OriginalEditorBuffer::TextBigger() {
    if (fontSize_ >= kOriginalMaxFontSize) return false;
    ++fontSize_;
    return true;
}

bool OriginalEditorBuffer::TextSmaller() {
    if (fontSize_ <= kOriginalMinFontSize) return false;
    --fontSize_;
    return true;
}

// ---- find and replace ---------------------------------------------------------------------

size_t OriginalEditorBuffer::Match(std::string_view what, size_t from, bool wordOnly) const {
    size_t n = Length(), m = what.size();
    if (m == 0 || m > n) return std::string::npos;
    char first = Fold(what[0]);
    for (size_t i = from; i + m <= n; ++i) {
        if (Fold(text_.At(i)) != first) continue;
        size_t k = 1;
        while (k < m && Fold(text_.At(i + k)) == Fold(what[k]))
            ++k;
        if (k < m) continue;
        if (wordOnly &&
            ((i > 0 && IsWordChar(text_.At(i - 1))) || (i + m < n && IsWordChar(text_.At(i + m)))))
            continue;
        return i;
    }
    return std::string::npos;
}

bool OriginalEditorBuffer::Find(std::string_view what, bool fromStart, bool wordOnly) {
    size_t at = Match(what, fromStart ? 0 : caret_, wordOnly);
    if (at == std::string::npos) return false;
    Select(at, at + what.size());
    EnsureCaretVisible();
    return true;
}

bool OriginalEditorBuffer::ReplaceSelection(std::string_view with) {
    // What goes in follows the buffer's rules, however it was entered.
    if (!Replace(SelectionStart(), SelectionEnd(), FilterPastedText(with).text)) return false;
    EnsureCaretVisible();
    return true;
}

int OriginalEditorBuffer::ReplaceAll(std::string_view what, std::string_view with, bool fromStart,
                                     bool wordOnly, bool* full) {
    if (full) *full = false;
    if (what.empty() || readOnly_) return 0;
    const std::string replacement = FilterPastedText(with).text;
    with = replacement;
    int count = 0;
    size_t pos = fromStart ? 0 : SelectionStart();
    text_.ForgetLines();
    for (;;) {
        size_t at = Match(what, pos, wordOnly);
        if (at == std::string::npos) break;
        if (!Replace(at, at + what.size(), with, false)) {
            if (full) *full = true;
            break;
        }
        ++count;
        pos = at + with.size();
    }
    preferredColumn_ = Column(caret_);
    EnsureCaretVisible();
    return count;
}

} // namespace pellix
