// The main window's editing: the Edit menu, find and replace in both editors, the caret's panel
// and the original editor's side of the commands.
#include "shell/ui/TEditorForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>

#include "shell/ui/OriginalEditorView.h"
#include "shell/ui/TEditorFormShared.h"
#include "shell/ui/TFindReplaceForm.h"
#include "shell/ui/TSearchDialog.h"

namespace pellix {

using editor_form::Latin1;
using editor_form::Lower;

namespace {

constexpr const char* kBufferFull =
    "The text does not fit: the original editor holds at most 1,000,000 characters.";

} // namespace

// ---- Edit menu --------------------------------------------------------------------------

void TEditorForm::UndoMenuItemClick() {
    if (OriginalEditorInUse()) return;
    CurrentEditor().Undo();
    UpdateEditCommands();
}

void TEditorForm::RedoMenuItemClick() {
    if (OriginalEditorInUse()) return;
    CurrentEditor().Redo();
    UpdateEditCommands();
}

void TEditorForm::EditCutItemClick() {
    if (!OriginalEditorInUse()) {
        CurrentEditor().Cut();
        return;
    }
    if (!buffer_.HasSelection()) return;
    QApplication::clipboard()->setText(Latin1(buffer_.CopyText()));
    buffer_.DeleteSelection();
    originalView_->Refresh();
    OriginalCaretMoved();
}
void TEditorForm::EditCopyItemClick() {
    if (!OriginalEditorInUse()) {
        CurrentEditor().Copy();
        return;
    }
    // Lines go out as CR LF, as other programs expect them.
    if (buffer_.HasSelection()) QApplication::clipboard()->setText(Latin1(buffer_.CopyText()));
}
void TEditorForm::EditPasteItemClick() {
    if (!OriginalEditorInUse()) {
        CurrentEditor().Paste();
        return;
    }
    QByteArray clip = QApplication::clipboard()->text().toLatin1();
    if (clip.isEmpty() || buffer_.ReadOnly()) return;
    if (!buffer_.Paste(std::string_view(clip.constData(), size_t(clip.size())))) BufferFull();
    originalView_->Refresh();
    OriginalCaretMoved();
}

void TEditorForm::EditFindItemClick() {
    if (OriginalEditorInUse()) {
        Command([this] { OriginalFindReplace(); });
        return;
    }
    findDialog_->SetFindString(CurrentEditor().Decode(CurrentEditor().SelectedText()));
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
}

void TEditorForm::EditFindReplaceItemClick() {
    if (OriginalEditorInUse()) {
        Command([this] { OriginalFindReplace(); });
        return;
    }
    replaceDialog_->SetFindString(CurrentEditor().Decode(CurrentEditor().SelectedText()));
    replaceDialog_->show();
    replaceDialog_->raise();
    replaceDialog_->activateWindow();
}

void TEditorForm::FindDialogFind(TSearchDialog& dialog) {
    lastSearch_ = CurrentEditor().Encode(dialog.FindString());
    lastOptions_ = dialog.Options();
    if (lastSearch_.empty()) return;
    if (CurrentEditor().Find(lastSearch_, lastOptions_)) return;
    bool quoted = dialog.GetKind() == TSearchDialog::Kind::Replace;
    prompter_.Message("Couldn't find: " + (quoted ? "\"" + lastSearch_ + "\"" : lastSearch_),
                      "Word Not Found", PromptButtons::Ok, PromptIcon::Information);
}

void TEditorForm::EditFindNextMenuItemClick() {
    if (OriginalEditorInUse()) {
        Command([this] { OriginalFind(false); });
        return;
    }
    if (lastSearch_.empty()) return;
    if (!CurrentEditor().Find(lastSearch_, lastOptions_))
        prompter_.Message("Couldn't find: \"" + lastSearch_ + "\"", "Word Not Found",
                          PromptButtons::Ok, PromptIcon::Information);
}

void TEditorForm::ReplaceDialogReplace() {
    TPlusMemo& e = CurrentEditor();
    std::string find = e.Encode(replaceDialog_->FindString());
    SearchOptions o = replaceDialog_->Options();
    std::string selected = e.SelectedText();
    // Only a selection that is the searched text is replaced; then the next one is found.
    bool matches = o.matchCase ? selected == find : Lower(selected) == Lower(find);
    if (!find.empty() && !selected.empty() && matches)
        e.ReplaceSelection(e.Encode(replaceDialog_->ReplaceString()));
    FindDialogFind(*replaceDialog_);
}

void TEditorForm::ReplaceDialogReplaceAll() {
    TPlusMemo& e = CurrentEditor();
    std::string find = e.Encode(replaceDialog_->FindString());
    std::string with = e.Encode(replaceDialog_->ReplaceString());
    SearchOptions o = replaceDialog_->Options();
    if (find.empty()) return;
    int line = e.CurrentLine(), column = e.CurrentColumn();
    e.SetCurrentLine(0);
    int count = 0;
    e.BeginUndoGroup();
    while (e.Find(find, o)) {
        e.ReplaceSelection(with);
        ++count;
    }
    e.EndUndoGroup();
    e.SetCaret(line, column);
    e.ScrollCaretIntoView();
    prompter_.Message("Replaced: " + find + "\rwith: " + with + "\r" + std::to_string(count) +
                          " times.",
                      o.matchCase ? "Case Sensitive Find and Replace" : "Find and Replace",
                      PromptButtons::Ok, PromptIcon::Information);
}

void TEditorForm::EditReplaceItemClick() {
    if (OriginalEditorInUse()) Command([this] { OriginalReplace(); });
}

void TEditorForm::EditTextBiggerItemClick() {
    OriginalTextSize(true);
}

void TEditorForm::EditTextSmallerItemClick() {
    OriginalTextSize(false);
}

void TEditorForm::GoToLineMENUITMClick() {
    if (OriginalEditorInUse()) return;
    Command([this] {
        std::optional<int> n = Windows().AskLineNumber();
        if (!n) return;
        TPlusMemo& e = CurrentEditor();
        int line = std::min(*n - 1, e.LineCount() - 1);
        if (e.CurrentLine() != line) e.SetCurrentLine(line);
        e.ScrollCaretIntoView();
    });
}

// ---- the caret and the Edit items' state ------------------------------------------------

void TEditorForm::UpdateEditCommands() {
    if (!files_ || files_->Count() == 0 || OriginalEditorInUse()) return;
    TPlusMemo& e = CurrentEditor();
    items_["UndoMenuItem"]->setEnabled(e.CanUndo());
    items_["RedoMenuItem"]->setEnabled(e.CanRedo());
    buttons_["SaveTBTN"]->setEnabled(e.CanUndo());
}

void TEditorForm::CaretMoved(TPlusMemo* editor) {
    if (!IsCurrent(editor)) return;
    ShowCaretPosition(editor->CurrentLine() + 1, editor->CaretCharacterColumn() + 1);
    // Moving past the highlighted range on its line takes the highlight away.
    if (highlightLine_ >= 0 && editor->CurrentLine() == highlightLine_ &&
        editor->CaretPosition() > highlightEnd_)
        RemoveErrorHighlight();
}

void TEditorForm::ShowCaretPosition(int line, int column) {
    QLabel* panel = panels_[1];
    panel->setText(QStringLiteral("%1:%2").arg(line).arg(column));
    // Wide enough for the largest line number of the text and a column of three digits (or
    // the one shown), so the number is never cut; 50 pixels at least.
    int lines = OriginalEditorInUse()
                    ? int(buffer_.LineCount())
                    : (files_ && files_->Count() ? CurrentEditor().LineCount() : 1);
    const QString widest =
        QString(QString::number(std::max(lines, line)).size(), QLatin1Char('9')) +
        QLatin1Char(':') +
        QString(std::max<qsizetype>(3, QString::number(column).size()), QLatin1Char('9'));
    const int frame = 2 * panel->frameWidth() + panel->margin() * 2 + 6;
    const int width = std::max(50, panel->fontMetrics().horizontalAdvance(widest) + frame);
    if (width != panel->width()) panel->setFixedWidth(width);
}

// ---- the original editor ----------------------------------------------------------------

void TEditorForm::OriginalTextChanged() {
    originalView_->Refresh();
    OriginalCaretMoved();
}

void TEditorForm::OriginalCaretMoved() {
    if (!OriginalEditorInUse()) return;
    size_t caret = buffer_.Caret();
    ShowCaretPosition(int(buffer_.LineOf(caret)) + 1, int(caret - buffer_.LineStart(caret)) + 1);
}

void TEditorForm::BufferFull() {
    prompter_.Message(kBufferFull, "Original Editor", PromptButtons::Ok, PromptIcon::Warning);
}

void TEditorForm::OriginalFindReplace() {
    if (!findReplace_) {
        NotAvailable("Find/Replace");
        return;
    }
    int result = findReplace_->Ask(buffer_.SelectedText(), buffer_.HasSelection());
    if (result == 0) return;
    // From now on F4 repeats the replacement.
    replaceUsed_ = true;
    items_["EditReplaceItem"]->setVisible(true);
    switch (result) {
    case TFindReplaceForm::FindResult:
        OriginalFind(findReplace_->FromStart());
        break;
    case TFindReplaceForm::ReplaceResult:
        OriginalReplace();
        break;
    case TFindReplaceForm::AllResult:
        OriginalReplaceAll();
        break;
    default:
        break;
    }
}

void TEditorForm::OriginalFind(bool fromStart) {
    std::string what = findReplace_ ? findReplace_->FindText() : std::string();
    if (what.empty()) {
        prompter_.Message("Nothing to Find", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
        return;
    }
    if (!buffer_.Find(what, fromStart, findReplace_->WordOnly()))
        prompter_.Message("Nothing Found", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
    OriginalTextChanged();
}

void TEditorForm::OriginalReplace() {
    if (!buffer_.HasSelection()) {
        prompter_.Message("Nothing Selected", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
        return;
    }
    if (buffer_.ReadOnly()) {
        prompter_.Message("The file is READ ONLY: nothing was replaced.", "Find/Replace",
                          PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    if (!buffer_.ReplaceSelection(findReplace_ ? findReplace_->ReplaceText() : std::string())) {
        BufferFull();
        return;
    }
    // On to the next match, so F4 walks through them.
    std::string what = findReplace_ ? findReplace_->FindText() : std::string();
    if (!what.empty()) buffer_.Find(what, false, findReplace_->WordOnly());
    OriginalTextChanged();
}

void TEditorForm::OriginalReplaceAll() {
    if (buffer_.ReadOnly()) {
        prompter_.Message("The file is READ ONLY: nothing was replaced.", "Find/Replace",
                          PromptButtons::Ok, PromptIcon::Information);
        return;
    }
    bool full = false;
    int count = buffer_.ReplaceAll(findReplace_->FindText(), findReplace_->ReplaceText(),
                                   findReplace_->FromStart(), findReplace_->WordOnly(), &full);
    OriginalTextChanged();
    if (full)
        prompter_.Message(std::string(kBufferFull) + "\r" + std::to_string(count) +
                              " replacements were made before it was full.",
                          "Find/Replace", PromptButtons::Ok, PromptIcon::Warning);
    else if (count == 0)
        prompter_.Message("Nothing Found", "Find/Replace", PromptButtons::Ok,
                          PromptIcon::Information);
}

void TEditorForm::OriginalTextSize(bool bigger) {
    if (!OriginalEditorInUse()) return;
    if (bigger ? buffer_.TextBigger() : buffer_.TextSmaller()) originalView_->FontChanged();
}

} // namespace pellix
