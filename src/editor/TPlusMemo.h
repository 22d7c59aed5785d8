// The source editor component: one instance per open file. Holds the file's bytes
// unchanged (its own line ends; shown as UTF-8 when they are UTF-8, else one byte a
// character), colours SX keywords and comments, and offers what the main window needs of
// an editor: line numbers, the debugger's marks in a margin of their own, and values under
// the mouse.
#pragma once

#include <functional>
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

    // Whether the text is shown as UTF-8 (decided from the bytes SetText was given).
    bool Utf8() const { return isUtf8(); }
    // Text typed or found in the window as the bytes of this document, and back.
    std::string Encode(const QString& text) const;
    QString Decode(const std::string& bytes) const;
    // The caret's column in characters, 0-based (a UTF-8 character is one).
    int CaretCharacterColumn() const;

    // The debugger's marks, one line each at most (-1: none). They stay with their line
    // as text is inserted and removed above it.
    void SetBreakpointLine(int line);
    int BreakpointLine() const;
    void SetExecutionLine(int line);
    int ExecutionLine() const;
    // Invisible marks that stay with their line in the same way: where the code of each
    // line was when it was assembled. A handle's line is -1 once the mark is gone.
    int AddAnchor(int line);
    int AnchorLine(int handle) const;
    bool HasAnchor(int line) const;
    void ClearAnchors();
    // Brings `line` into view, a quarter of the window from the edges, when it is not;
    // the caret stays where it is.
    void RevealLine(int line);
    int FirstVisibleLine() const;
    int VisibleLines() const;
    int LineNumberMarginWidth() const;

    // The name under the mouse and what it shows: `hoverText` gives the text for a name
    // (empty for none). HoverTextAt is what resting the mouse on `position` shows.
    std::function<std::string(const std::string& name)> hoverText;
    std::string WordAt(int position) const;
    std::string HoverTextAt(int position) const;

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

signals:
    // A click in the marks' margin.
    void MarkMarginClicked(int line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitLineNumberMargin();
    void ShowHover(int position, int x, int y);

    long Send(unsigned msg, unsigned long w = 0, long l = 0) const {
        return SendScintilla(msg, w, l);
    }

    SxLexer* lexer_;
    EditorLook look_;
    int lineNumberDigits_ = 0;
    class QTimer* hoverTimer_ = nullptr;
    QPoint hoverAt_;
};

} // namespace pellix
