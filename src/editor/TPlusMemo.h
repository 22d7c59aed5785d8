// The source editor component: one instance per open file. Holds the file's bytes
// unchanged (8-bit, its own line ends), colours SX keywords and comments, and offers what
// the main window needs of an editor.
#pragma once

#include <string>
#include <vector>

#include <Qsci/qsciscintilla.h>

#include "editor/SxLexer.h"
#include "shell/SourceEditor.h"

namespace pellix {

class TPlusMemo : public QsciScintilla, public SourceEditor {
    Q_OBJECT
public:
    explicit TPlusMemo(QWidget* parent = nullptr);

    // Font, tab stops, colours and keyword list.
    void SetLook(const EditorLook& look);
    const EditorLook& Look() const { return look_; }
    SxLexer& Lexer() { return *lexer_; }
    // The style of the byte at `position` (SxLexer::Style), after colouring the text.
    int StyleAt(int position);
    // Leaves these keys (Qt key codes with modifiers) to the window's shortcuts.
    void ReleaseKeys(const std::vector<int>& keys);

    // SourceEditor
    std::string Text() const override;
    void SetText(const std::string& text) override;
    bool IsEmpty() const override;
    int LineCount() const override;
    std::string LineText(int line) const override;
    int LineOfPosition(int position) const override;
    int PositionOfLine(int line) const override;
    int LineEndPosition(int line) const override;
    int SelectionStart() const override;
    int SelectionLength() const override;
    void SetSelection(int start, int length) override;
    std::string SelectedText() const override;
    void ReplaceSelection(const std::string& text) override;
    int CaretPosition() const override;
    int CurrentLine() const override;
    int CurrentColumn() const override;
    void SetCurrentLine(int line) override;
    void SetCaret(int line, int column) override;
    void SelectAll() override { selectAll(true); }
    void ScrollCaretIntoView() override;
    void Cut() override { cut(); }
    void Copy() override { copy(); }
    void Paste() override { paste(); }
    void Undo() override { undo(); }
    void Redo() override { redo(); }
    bool CanUndo() const override { return isUndoAvailable(); }
    bool CanRedo() const override { return isRedoAvailable(); }
    void ClearUndo() override;
    void BeginUndoGroup() override { beginUndoAction(); }
    void EndUndoGroup() override { endUndoAction(); }
    bool Modified() const override { return isModified(); }
    void SetModified(bool modified) override { setModified(modified); }
    bool ReadOnly() const override { return isReadOnly(); }
    void SetReadOnly(bool readOnly) override { setReadOnly(readOnly); }
    bool Find(const std::string& text, const SearchOptions& options) override;
    void Highlight(int start, int end, unsigned background) override;
    void ClearHighlight() override;

private:
    long Send(unsigned msg, unsigned long w = 0, long l = 0) const {
        return SendScintilla(msg, w, l);
    }

    SxLexer* lexer_;
    EditorLook look_;
};

} // namespace pellix
