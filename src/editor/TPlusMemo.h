// The source editor component: one instance per open file. Holds the file's bytes
// unchanged (its own line ends; shown as UTF-8 when they are UTF-8, else one byte a
// character), colours SX keywords and comments, and offers what the main window needs of
// an editor: line numbers, the debugger's marks in a margin of their own, and values under
// the mouse.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>
#include <Qsci/qsciscintilla.h>

#include "editor/SxLexer.h"
#include "shell/SourceEditor.h"

namespace pellix {

// A widget that holds its QScintilla widget, which fills it and takes its focus; the
// editor's calls are SourceEditor's and those below.
class TPlusMemo : public QWidget, public SourceEditor {
    Q_OBJECT
public:
    explicit TPlusMemo(QWidget* parent = nullptr);

    // The component's own widget, for what only it can do (printing, its messages).
    QsciScintilla& Widget() const { return *sci_; }
    template <class... Args>
    long SendScintilla(unsigned msg, Args&&... args) const {
        return sci_->SendScintilla(msg, std::forward<Args>(args)...);
    }
    // The component's own names for what views and tests look at on it.
    QWidget* viewport() const { return sci_->viewport(); }
    int marginWidth(int margin) const { return sci_->marginWidth(margin); }
    int tabWidth() const { return sci_->tabWidth(); }
    void setTabWidth(int width) { sci_->setTabWidth(width); }
    QString text(int line) const { return sci_->text(line); }
    QsciCommandSet* standardCommands() const { return sci_->standardCommands(); }
    bool isReadOnly() const { return sci_->isReadOnly(); }

    // Font, tab stops, colours and keyword list.
    void SetLook(const EditorLook& look);
    const EditorLook& Look() const { return look_; }
    SxLexer& Lexer() { return *lexer_; }
    // The style of the byte at `position` (SxLexer::Style), after colouring the text.
    int StyleAt(int position);
    // Leaves these keys (Qt key codes with modifiers) to the window's shortcuts.
    void ReleaseKeys(const std::vector<int>& keys);

    // Whether the text is shown as UTF-8 (decided from the bytes SetText was given).
    bool Utf8() const { return sci_->isUtf8(); }
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
    void SelectAll() override { sci_->selectAll(true); }
    void ScrollCaretIntoView() override;
    void Cut() override { sci_->cut(); }
    void Copy() override { sci_->copy(); }
    void Paste() override { sci_->paste(); }
    void Undo() override { sci_->undo(); }
    void Redo() override { sci_->redo(); }
    bool CanUndo() const override { return sci_->isUndoAvailable(); }
    bool CanRedo() const override { return sci_->isRedoAvailable(); }
    void ClearUndo() override;
    void BeginUndoGroup() override { sci_->beginUndoAction(); }
    void EndUndoGroup() override { sci_->endUndoAction(); }
    bool Modified() const override { return sci_->isModified(); }
    void SetModified(bool modified) override { sci_->setModified(modified); }
    bool ReadOnly() const override { return sci_->isReadOnly(); }
    void SetReadOnly(bool readOnly) override { sci_->setReadOnly(readOnly); }
    bool Find(const std::string& text, const SearchOptions& options) override;
    void Highlight(int start, int end, unsigned background) override;
    void ClearHighlight() override;

signals:
    // A click in the marks' margin.
    void MarkMarginClicked(int line);
    // The caret moved; the text changed; the modified state changed.
    void CaretMoved();
    void TextChanged();
    void ModifiedChanged(bool modified);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Scintilla;

    void FitLineNumberMargin();
    void ShowHover(int position, int x, int y);

    long Send(unsigned msg, unsigned long w = 0, long l = 0) const {
        return sci_->SendScintilla(msg, w, l);
    }

    QsciScintilla* sci_ = nullptr; // a Scintilla (TPlusMemo.cpp)
    SxLexer* lexer_ = nullptr;
    EditorLook look_;
    int lineNumberDigits_ = 0;
    class QTimer* hoverTimer_ = nullptr;
    QPoint hoverAt_;
};

} // namespace pellix
