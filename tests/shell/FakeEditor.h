// A SourceEditor over a string, for the document logic's tests.
#pragma once

#include <algorithm>
#include <string>

#include "shell/SourceEditor.h"

namespace pellix::test {

class FakeEditor final : public SourceEditor {
public:
    std::string text;
    bool modified = false;
    bool readOnly = false;
    int undoSteps = 0;
    int caret = 0, anchor = 0;
    int highlightStart = -1, highlightEnd = -1;

    // What the user does: types at the end.
    void Type(const std::string& s) {
        if (readOnly) return;
        text += s;
        modified = true;
        ++undoSteps;
    }

    std::string Text() const override { return text; }
    void SetText(const std::string& t) override {
        text = t;
        modified = true;
        ++undoSteps;
        caret = anchor = 0;
    }
    bool IsEmpty() const override { return text.empty(); }
    int LineCount() const override { return int(std::count(text.begin(), text.end(), '\n')) + 1; }
    std::string LineText(int) const override { return {}; }
    int LineOfPosition(int) const override { return 0; }
    int PositionOfLine(int) const override { return 0; }
    int LineEndPosition(int) const override { return int(text.size()); }
    int SelectionStart() const override { return std::min(caret, anchor); }
    int SelectionLength() const override { return std::abs(caret - anchor); }
    void SetSelection(int start, int length) override {
        anchor = start;
        caret = start + length;
    }
    std::string SelectedText() const override {
        return text.substr(size_t(SelectionStart()), size_t(SelectionLength()));
    }
    void ReplaceSelection(const std::string& s) override {
        text.replace(size_t(SelectionStart()), size_t(SelectionLength()), s);
        modified = true;
    }
    int CaretPosition() const override { return caret; }
    int CurrentLine() const override { return 0; }
    int CurrentColumn() const override { return caret; }
    void SetCurrentLine(int) override { caret = anchor = 0; }
    void SetCaret(int, int column) override { caret = anchor = column; }
    void SelectAll() override {
        anchor = 0;
        caret = int(text.size());
    }
    void ScrollCaretIntoView() override {}
    void Cut() override {}
    void Copy() override {}
    void Paste() override {}
    void Undo() override {}
    void Redo() override {}
    bool CanUndo() const override { return undoSteps > 0; }
    bool CanRedo() const override { return false; }
    void ClearUndo() override { undoSteps = 0; }
    void BeginUndoGroup() override {}
    void EndUndoGroup() override {}
    bool Modified() const override { return modified; }
    void SetModified(bool m) override { modified = m; }
    bool ReadOnly() const override { return readOnly; }
    void SetReadOnly(bool r) override { readOnly = r; }
    bool Find(const std::string&, const SearchOptions&) override { return false; }
    void Highlight(int start, int end, unsigned) override {
        highlightStart = start;
        highlightEnd = end;
    }
    void ClearHighlight() override { highlightStart = highlightEnd = -1; }
};

} // namespace pellix::test
