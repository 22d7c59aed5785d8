// The original editor: one document in a gap buffer that the main window paints itself.
// Every built-in assembly reads its source from here: lines end in a lone CR and the text
// is contiguous and NUL-terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/GapBuffer.h"

namespace pellix {

inline constexpr size_t kOriginalEditorCapacity = 1'000'000;
inline constexpr int kOriginalTabColumns = 8;
inline constexpr int kOriginalStartFontSize = 9;
inline constexpr int kOriginalMinFontSize = 1, kOriginalMaxFontSize = 72;
// A press this soon after the one before continues a double or triple click.
inline constexpr uint32_t kMultiClickMs = 500;

// Text as the buffer takes it from the clipboard or a file: CR LF and a lone LF become CR
// (a line is never joined to the next), tab, CR and the characters 32 to 255 are kept and
// every other control character is dropped. `origin[k]` is the offset in the given text of
// the kept character k; `origin[text.size()]` is the given text's length.
struct FilteredText {
    std::string text;
    std::vector<size_t> origin;
};
FilteredText FilterPastedText(std::string_view text);
// The buffer's text as it goes to a file or the clipboard: a LF after every CR.
std::string WithLineFeeds(std::string_view text);
// Letters, digits and the underscore make up words.
bool IsWordChar(char c);
// Whether `text` is one non-empty word.
bool IsWordText(std::string_view text);

enum class EditKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, Backspace, Delete };
enum class ClickKind { Caret, Word, Line };

class OriginalEditorBuffer {
public:
    OriginalEditorBuffer();

    // ---- the document
    // Empties the text and puts the caret and the view at the start.
    void Clear();
    // Replaces the text with a file's (filtered); false, with nothing changed, when it
    // does not fit.
    bool Load(std::string_view data);
    // The text as written to a file.
    std::string FileText() const { return WithLineFeeds(Text()); }
    // Inserts the filtered text at the caret, replacing the selection, and tells where
    // each of its characters came from; false, with nothing changed, when the result would
    // not fit (or the document is read-only).
    bool Paste(std::string_view text, FilteredText* filtered = nullptr);

    std::string_view Text() const { return text_.Contiguous(); }
    const char* CText() const { return text_.CString(); }
    size_t Length() const { return text_.Length(); }
    bool Empty() const { return text_.Empty(); }
    size_t Room() const { return text_.Room(); }
    char At(size_t pos) const { return text_.At(pos); }

    // The line holding `offset`: its start, and the offset of its CR (or the end).
    size_t LineStart(size_t offset) const { return text_.LineStart(LineOf(offset)); }
    size_t LineEnd(size_t offset) const { return text_.LineEnd(LineOf(offset)); }
    // 0-based line number of `offset`.
    size_t LineOf(size_t offset) const;
    size_t LineCount() const { return text_.LineCount(); }
    size_t StartOfLine(size_t line) const { return text_.LineStart(line); }
    size_t EndOfLine(size_t line) const { return text_.LineEnd(line); }
    std::string LineText(size_t line) const;

    // Modified only when it may be written: not read-only, not compiler output.
    bool Modified() const { return modified_ && !readOnly_ && !compilerMode_; }
    // Counts every change of the text, so a view can tell whether a key changed it.
    uint64_t Changes() const { return changes_; }
    void SetModified(bool m) { modified_ = m; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool r) { readOnly_ = r; }
    void SetCompilerMode(bool on) { compilerMode_ = on; }

    // ---- caret and selection
    size_t Caret() const { return caret_; }
    size_t Anchor() const { return anchor_; }
    bool HasSelection() const { return selecting_ && anchor_ != caret_; }
    size_t SelectionStart() const { return HasSelection() ? std::min(anchor_, caret_) : caret_; }
    size_t SelectionEnd() const { return HasSelection() ? std::max(anchor_, caret_) : caret_; }
    std::string SelectedText() const;
    // Selects from `anchor` to `caret` (the caret ends at `caret`).
    void Select(size_t anchor, size_t caret);
    // Moves the caret; with `extend` the selection grows from its anchor.
    void SetCaret(size_t pos, bool extend = false);
    void SelectAll() { Select(0, Length()); }
    size_t CaretLine() const { return LineOf(caret_); }
    // Columns count tabs to the next multiple of 8.
    int CaretColumn() const { return Column(caret_); }
    int Column(size_t pos) const;
    // The character boundary of `line` nearest to `column`.
    size_t PositionAt(size_t line, int column) const;

    // ---- typing and keys
    // Printable characters (32 to 126, 128 to 255), tab and CR; replaces the selection.
    // False when it was ignored (read-only, or the buffer is full).
    bool Type(unsigned char c);
    void Key(EditKey key, bool shift, bool ctrl);
    // Removes the selection; false when there was none.
    bool DeleteSelection();

    // ---- clipboard
    // The selection with a LF after every CR; empty without a selection.
    std::string CopyText() const { return WithLineFeeds(SelectedText()); }

    // ---- mouse
    // A press at `pos` at time `ms`: a second press within 500 ms selects the word, a
    // third the line; with `shift` the selection grows to `pos` instead.
    ClickKind Press(size_t pos, uint32_t ms, bool shift);
    // The pointer moved to `pos` with the button down.
    void DragTo(size_t pos);

    // ---- view
    // The number of whole lines and columns the window shows.
    void SetViewSize(int lines, int columns);
    int VisibleLines() const { return visibleLines_; }
    int VisibleColumns() const { return visibleColumns_; }
    size_t FirstLine() const { return firstLine_; }
    int FirstColumn() const { return firstColumn_; }
    void ScrollTo(size_t firstLine, int firstColumn);
    void ScrollLines(long delta);
    // Lines one notch of the wheel scrolls.
    int WheelLines() const { return visibleLines_ / 8 + 1; }
    void EnsureCaretVisible();

    int FontSize() const { return fontSize_; }
    // One point bigger or smaller, within 1 to 72; false at the limit.
    bool TextBigger();
    bool TextSmaller();

    // ---- find and replace (letters compared without regard to case)
    // Searches from the caret (or the start) for `what`; a match becomes the selection.
    bool Find(std::string_view what, bool fromStart, bool wordOnly);
    // Replaces the selection; false when it would not fit (or read-only).
    bool ReplaceSelection(std::string_view with);
    // Replaces every match from the caret (or the start); the count. `full` is set when
    // the buffer filled up before the last match.
    int ReplaceAll(std::string_view what, std::string_view with, bool fromStart, bool wordOnly,
                   bool* full = nullptr);

private:
    // Replaces [from, to) and puts the caret after the new text; `track` keeps the
    // preferred column (a line index lookup) up to date.
    bool Replace(size_t from, size_t to, std::string_view text, bool track = true);
    void MoveTo(size_t pos, bool extend, bool keepColumn = false);
    size_t WordLeft(size_t pos) const;
    size_t WordRight(size_t pos) const;
    size_t Match(std::string_view what, size_t from, bool wordOnly) const;

    GapBuffer text_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    bool selecting_ = false;
    int preferredColumn_ = 0;
    size_t firstLine_ = 0;
    int firstColumn_ = 0;
    int visibleLines_ = 1;
    int visibleColumns_ = 1;
    int fontSize_ = kOriginalStartFontSize;
    bool modified_ = false;
    bool readOnly_ = false;
    bool compilerMode_ = false;
    uint64_t changes_ = 0;
    // The times of the last three presses, the latest last.
    uint32_t pressTimes_[3] = {};
    int clicks_ = 0;
};

} // namespace pellix
