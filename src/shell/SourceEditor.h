// What the main window needs of one editor instance. Text is held as 8-bit bytes with the
// line ends it was given; positions are byte offsets.
#pragma once

#include <string>

namespace pellix {

struct SearchOptions {
    bool forward = true;
    bool fromStart = false; // search from the start of the text instead of the caret
    bool wholeWord = false;
    bool matchCase = false;
};

class SourceEditor {
public:
    virtual ~SourceEditor() = default;

    virtual std::string Text() const = 0;
    // Replaces the whole text (one undoable step); the line ends are kept as given.
    virtual void SetText(const std::string& text) = 0;
    virtual bool IsEmpty() const = 0;
    virtual int LineCount() const = 0;
    // The text of line `line` (0-based) without its line end.
    virtual std::string LineText(int line) const = 0;
    virtual int LineOfPosition(int position) const = 0;
    virtual int PositionOfLine(int line) const = 0;
    // The position just before the line end of `line`.
    virtual int LineEndPosition(int line) const = 0;

    virtual int SelectionStart() const = 0;
    virtual int SelectionLength() const = 0;
    virtual void SetSelection(int start, int length) = 0;
    virtual std::string SelectedText() const = 0;
    virtual void ReplaceSelection(const std::string& text) = 0;
    virtual int CaretPosition() const = 0;
    // Caret line and column, both 0-based.
    virtual int CurrentLine() const = 0;
    virtual int CurrentColumn() const = 0;
    // Moves the caret to the start of `line`.
    virtual void SetCurrentLine(int line) = 0;
    virtual void SetCaret(int line, int column) = 0;
    virtual void SelectAll() = 0;
    virtual void ScrollCaretIntoView() = 0;

    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    virtual bool CanUndo() const = 0;
    virtual bool CanRedo() const = 0;
    virtual void ClearUndo() = 0;
    virtual void BeginUndoGroup() = 0;
    virtual void EndUndoGroup() = 0;

    virtual bool Modified() const = 0;
    virtual void SetModified(bool modified) = 0;
    virtual bool ReadOnly() const = 0;
    virtual void SetReadOnly(bool readOnly) = 0;

    // Searches from the caret (or the start); a hit becomes the selection.
    virtual bool Find(const std::string& text, const SearchOptions& options) = 0;

    // The error highlight: [start, end) in the editor's font colour on `background`
    // (0x00BBGGRR); cleared by ClearHighlight, which restores the normal colours.
    virtual void Highlight(int start, int end, unsigned background) = 0;
    virtual void ClearHighlight() = 0;
};

} // namespace pellix
