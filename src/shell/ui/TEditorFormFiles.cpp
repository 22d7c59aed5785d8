// The main window's files: the open files as the window shows them (the file list, captions,
// modified marks), the File menu, recent files, drops and printing.
#include "shell/ui/TEditorForm.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QUrl>

#include <Qsci/qsciprinter.h>

#include "platform/FileIo.h"
#include "shell/PrintLayout.h"
#include "shell/ui/TEditorFormShared.h"
#include "shell/ui/TPrintForm.h"
#include "shell/ui/TPrintStatusForm.h"

namespace pellix {

using editor_form::Latin1;

namespace {

// Keys the window's menus use that the editor component would otherwise take for itself.
// Undo, redo and the clipboard keys stay with the editor: both do the same.
const std::vector<int> kMenuKeys = {
    (Qt::CTRL | Qt::Key_A).toCombined(),
    (Qt::CTRL | Qt::Key_D).toCombined(),
    (Qt::CTRL | Qt::ALT | Qt::Key_D).toCombined(),
    (Qt::CTRL | Qt::Key_F).toCombined(),
    (Qt::CTRL | Qt::Key_G).toCombined(),
    (Qt::CTRL | Qt::Key_H).toCombined(),
    (Qt::CTRL | Qt::Key_I).toCombined(),
    (Qt::CTRL | Qt::Key_K).toCombined(),
    (Qt::CTRL | Qt::Key_L).toCombined(),
    (Qt::CTRL | Qt::Key_O).toCombined(),
    (Qt::CTRL | Qt::Key_P).toCombined(),
    (Qt::CTRL | Qt::Key_R).toCombined(),
    (Qt::CTRL | Qt::Key_S).toCombined(),
    (Qt::CTRL | Qt::Key_U).toCombined(),
    int(Qt::Key_F3),
    int(Qt::Key_F4),
    int(Qt::Key_F5),
    int(Qt::Key_F6),
    int(Qt::Key_F7),
    int(Qt::Key_F8),
    int(Qt::Key_F9),
    int(Qt::Key_F10),
    (Qt::SHIFT | Qt::Key_F5).toCombined(),
};

} // namespace

// ---- OpenFilesView ----------------------------------------------------------------------

std::unique_ptr<SourceEditor> TEditorForm::CreateEditor(int index) {
    auto editor = std::make_unique<TPlusMemo>();
    editor->setObjectName(QStringLiteral("PlusMemo%1").arg(index));
    editor->setProperty("tag", index);
    editor->ReleaseKeys(kMenuKeys);
    editor->SetLook(template_->Look());
    editor->setTabWidth(2); // until it is shown and takes the template's tab stops
    TPlusMemo* e = editor.get();
    editorStack_->addWidget(e);
    connect(e, &TPlusMemo::CaretMoved, this, [this, e] { CaretMoved(e); });
    connect(e, &TPlusMemo::TextChanged, this, [this, e] {
        if (IsCurrent(e)) UpdateEditCommands();
    });
    connect(e, &TPlusMemo::ModifiedChanged, this, [this, e] {
        if (IsCurrent(e)) UpdateEditCommands();
        ModifiedChanged(e);
    });
    emit EditorCreated(e);
    return editor;
}

void TEditorForm::ShowEditor(SourceEditor& shown, SourceEditor* hidden) {
    auto* now = static_cast<TPlusMemo*>(&shown);
    // Font, tab stops and keyword list travel with the visible editor.
    now->SetLook(hidden ? static_cast<TPlusMemo*>(hidden)->Look() : template_->Look());
    editorStack_->setCurrentWidget(now);
    if (isVisible()) now->setFocus();
    CaretMoved(now);
}

void TEditorForm::FileListChanged() {
    syncingList_ = true;
    while (filesList_->count() > files_->Count())
        delete filesList_->takeItem(filesList_->count() - 1);
    for (int i = 0; i < files_->Count(); ++i) {
        const std::string& line = files_->Entry(i).listLine;
        QListWidgetItem* item = filesList_->item(i);
        if (!item) {
            item = new QListWidgetItem;
            filesList_->addItem(item);
        }
        item->setData(Qt::UserRole, Latin1(line));
        item->setText(ListText(i));
        item->setToolTip(Latin1(line));
    }
    int current = files_->CurrentIndex();
    if (current >= 0 && current < filesList_->count()) {
        filesList_->setCurrentRow(current);
        filesList_->setToolTip(Latin1(files_->Entry(current).listLine));
    }
    syncingList_ = false;
}

void TEditorForm::SetCaption(const std::string& caption) {
    caption_ = Latin1(caption);
    ShowCaption();
}

bool TEditorForm::ShowsModified(int index) const {
    if (!settings_.extras.modifiedMarks || !files_ || index < 0 || index >= files_->Count())
        return false;
    const EditorEntry& entry = files_->Entry(index);
    return entry.writable && entry.editor && entry.editor->Modified();
}

QString TEditorForm::ListText(int index) const {
    QString text = Latin1(FilePart(files_->Entry(index).listLine));
    return ShowsModified(index) ? text + QLatin1Char('*') : text;
}

void TEditorForm::ShowCaption() {
    if (compilerLoaded_) return;
    const bool marked =
        !OriginalEditorInUse() && ShowsModified(files_ ? files_->CurrentIndex() : -1);
    setWindowTitle(marked ? caption_ + QLatin1Char('*') : caption_);
}

void TEditorForm::ModifiedChanged(const TPlusMemo* editor) {
    for (int i = 0; files_ && i < files_->Count(); ++i)
        if (files_->Entry(i).editor.get() == static_cast<const SourceEditor*>(editor)) {
            if (QListWidgetItem* item = filesList_->item(i)) item->setText(ListText(i));
            if (i == files_->CurrentIndex()) ShowCaption();
        }
}

void TEditorForm::ClearAssemblyStatus() {
    SetStatus(2, {});
}

void TEditorForm::SetRunButtonsEnabled(bool enabled) {
    for (const char* name :
         {"AssemblyTBTN", "ProgramTBTN", "RunTBTN", "DebugTBTN", "DebugAgainTBTN"})
        buttons_[name]->setEnabled(enabled);
}

void TEditorForm::SetSaveButtonEnabled(bool enabled) {
    buttons_["SaveTBTN"]->setEnabled(enabled);
}

void TEditorForm::EditorStateChanged() {
    UpdateEditCommands();
}

void TEditorForm::RecentFilesChanged() {
    const RecentFiles& recent = files_->Recent();
    for (int i = 0; i < kRecentFileSlots; ++i) {
        const std::string& path = recent[i];
        // A "&" in a path is shown, not taken as the item's shortcut letter.
        reopenItems_[i]->setText(QStringLiteral("&%1 ").arg(i) +
                                 Latin1(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        reopenItems_[i]->setVisible(!path.empty());
    }
    reopenMenu_->menuAction()->setVisible(!recent[0].empty());
}

// ---- File menu --------------------------------------------------------------------------

void TEditorForm::FileNewItemClick() {
    Command([this] { files_->New(); });
}
void TEditorForm::FileOpenItemClick() {
    Command([this] { files_->OpenCommand(); });
}
void TEditorForm::Close1Click() {
    Command([this] { files_->Close(); });
}
void TEditorForm::FileSaveItemClick() {
    Command([this] { files_->Save(); });
}
void TEditorForm::FileSaveAsItemClick() {
    Command([this] { files_->SaveAs(); });
}
void TEditorForm::ReopenItemClick(int slot) {
    Command([this, slot] { files_->Reopen(slot); });
}

void TEditorForm::FileListToggleItemClick() {
    ViewDebugCodeMNUITEMClick();
}

void TEditorForm::FilePrintItemClick() {
    Command([this] {
        if (OriginalEditorInUse())
            OriginalPrint();
        else
            EnhancedPrint();
    });
}

void TEditorForm::FileExitItemClick() {
    close();
}

// ---- dropped files ----------------------------------------------------------------------

void TEditorForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TEditorForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    FilesDropped(paths);
}

void TEditorForm::FilesDropped(const std::vector<std::string>& paths) {
    Command([&] { files_->DropFiles(paths); });
}

// ---- printing ---------------------------------------------------------------------------

void TEditorForm::OriginalPrint() {
    if (!printForm_ || !printStatus_) {
        NotAvailable("Printing");
        return;
    }
    const std::string text(buffer_.Text());
    const std::string selected = buffer_.SelectedText();
    printForm_->Prepare(PrintLineCount(text),
                        buffer_.HasSelection() ? PrintLineCount(selected) : 0);
    if (!printForm_->Ask()) return;
    QPrinter& printer = printForm_->Printer();
    if (printForm_->ToFile()) {
        const std::string& name = files_->CurrentFileName();
        std::string base = FilePart(name);
        base = base.substr(0, base.size() - ExtensionOf(base).size());
        FileDialogRequest request{
            "Print to File", name == kUntitledName ? std::string() : FolderPart(name),
            base + ".pdf", "PDF Files (*.pdf)|*.PDF|All Files (*.*)|*.*", "pdf"};
        std::optional<std::string> path = prompter_.SaveFileName(request);
        if (!path) return;
        printer.setOutputFileName(QString::fromStdString(*path));
    }
    PrintOutcome outcome =
        printForm_->Print(printForm_->SelectionChosen() ? selected : text, *printStatus_);
    if (outcome == PrintOutcome::Failed)
        prompter_.Message("Couldn't print \"" + files_->CurrentFileName() + "\".", "Print ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
}

void TEditorForm::EnhancedPrint() {
    TPlusMemo& e = CurrentEditor();
    QsciPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Pellix"));
    printer.setCreator(QStringLiteral("Pellix"));
    const bool hasSelection = e.SelectionLength() > 0;
    bool go = false;
    if (printDialog_) {
        go = printDialog_(printer, hasSelection);
    } else {
        QPrintDialog dialog(&printer, this);
        dialog.setObjectName(QStringLiteral("PrintDialog_PDLG"));
        dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
        go = dialog.exec() == QDialog::Accepted;
    }
    if (!go) return;
    int from = -1, to = -1;
    if (hasSelection && static_cast<QPrinter&>(printer).printRange() == QPrinter::Selection) {
        int lineFrom = 0, indexFrom = 0, lineTo = 0, indexTo = 0;
        e.Widget().getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        from = lineFrom;
        // A selection ending at a line's start does not take that line.
        to = indexTo == 0 && lineTo > lineFrom ? lineTo - 1 : lineTo;
    }
    // On paper comments are plain text; keywords keep their look.
    const EditorLook look = e.Look();
    EditorLook plain = look;
    plain.comment = look.text;
    e.SetLook(plain);
    long mode = e.SendScintilla(QsciScintillaBase::SCI_GETPRINTCOLOURMODE);
    e.SendScintilla(QsciScintillaBase::SCI_SETPRINTCOLOURMODE,
                    QsciScintillaBase::SC_PRINT_COLOURONWHITE);
    bool printed = printer.printRange(&e.Widget(), from, to);
    e.SendScintilla(QsciScintillaBase::SCI_SETPRINTCOLOURMODE, (unsigned long)mode);
    e.SetLook(look);
    if (!printed)
        prompter_.Message("Couldn't print \"" + files_->CurrentFileName() + "\".", "Print ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
}

} // namespace pellix
