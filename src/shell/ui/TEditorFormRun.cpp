// The main window's Run menu: assembly with either assembler, its error list and highlight,
// Program, Run, View List, Clock, Device and Configure.
#include "shell/ui/TEditorForm.h"

#include <cctype>

#include "platform/FileIo.h"
#include "platform/SilentAbort.h"
#include "shell/ui/OriginalEditorView.h"
#include "shell/ui/TEditorFormShared.h"

namespace pellix {

using editor_form::BusyCursor;
using editor_form::Lower;

namespace {

constexpr const char* kEmptyEditor = "Current editor is empty.  There is no code to assemble.";
constexpr const char* kReadOnlyAssemble =
    "Current file is READ ONLY and must be saved under a new name before assembling.";
constexpr const char* kNeverSaved =
    "Current file has never been saved.  ORDA assembles the file on disk, so save it before "
    "assembling.";

// "Programming Successful" and how long it took, to a tenth of a second.
std::string ProgrammingSuccessText(uint32_t milliseconds) {
    const uint32_t tenths = (milliseconds + 50) / 100;
    return "Programming Successful (" + std::to_string(tenths / 10) + "." +
           std::to_string(tenths % 10) + " s)";
}

} // namespace

// ---- the error list and the error highlight ---------------------------------------------

void TEditorForm::ApplyErrorListRule() {
    RefreshErrorList(false);
}

void TEditorForm::RefreshErrorList(bool reload) {
    if (services_.externalAssembler) {
        ExternalAssemblerService& orda = *services_.externalAssembler;
        if (reload) orda.LoadErrorList();
        const std::vector<std::string>& lines = orda.ErrorList();
        errorList_->clear();
        for (const std::string& line : lines)
            errorList_->addItem(QString::fromLocal8Bit(line.c_str()));
    }
    bool show = errorList_->count() > 0 && settings_.useOrda;
    bool appearing = show && errorList_->isHidden();
    errorList_->setVisible(show);
    // It comes up 64 pixels high; the splitter above it lets the user change that.
    if (appearing)
        errorSplit_->setSizes(
            {std::max(errorSplit_->height() - 64 - errorSplit_->handleWidth(), 1), 64});
    errorSplit_->handle(1)->setVisible(show);
}

void TEditorForm::ClearErrorsMENUITMClick() {
    if (services_.externalAssembler) services_.externalAssembler->ClearErrors();
    errorList_->clear();
    ApplyErrorListRule();
    RemoveErrorHighlight();
    SetStatus(2, {});
}

void TEditorForm::ErrorLBDblClick(int row) {
    if (!settings_.useNewEditor || !settings_.useOrda) {
        prompter_.Message("Jumping to errors not supported with old editor.", "Double Click ERROR",
                          PromptButtons::Ok, PromptIcon::Error);
        return;
    }
    Command([this, row] {
        // A jump only shows the line; it must not make the file look edited.
        SourceEditor& before = files_->CurrentEditor();
        bool modified = before.Modified();
        JumpToError(row);
        if (&files_->CurrentEditor() == &before) before.SetModified(modified);
    });
}

void TEditorForm::JumpToError(int row) {
    ExternalAssemblerService* orda = services_.externalAssembler;
    if (!orda || row < 0 || row >= int(orda->ErrorList().size())) return;
    std::string name = orda->ErrorFileName(row);
    if (name.empty()) return;
    // Names in the error file are as orda opened them, relative to the source's folder.
    std::string folder = FolderPart(orda->AssembledSource());
    std::string path = FullPath(name[0] == '/' || folder.empty() ? name : folder + "/" + name);
    auto find = [&]() {
        int exact = files_->Entries().Find(path);
        if (exact >= 0) return exact;
        for (int i = 0; i < files_->Count(); ++i)
            if (Lower(files_->Entry(i).fileName) == Lower(path)) return i;
        return -1;
    };
    int index = find();
    if (index < 0) {
        if (files_->OpenFile(path)) SetRunButtonsEnabled(true);
        index = find();
    }
    if (index < 0) return;
    if (index != files_->CurrentIndex()) files_->Select(index);
    int line = orda->ErrorLineNumber(row);
    TPlusMemo& e = CurrentEditor();
    if (line < 1 || line > e.LineCount()) return;
    ShowErrorHighlight(line - 1, e.PositionOfLine(line - 1), e.LineEndPosition(line - 1));
}

void TEditorForm::RemoveErrorHighlight() {
    if (files_ && files_->Count() > 0) CurrentEditor().ClearHighlight();
    highlightLine_ = highlightStart_ = highlightEnd_ = -1;
}

void TEditorForm::ShowErrorHighlight(int line, int start, int end) {
    RemoveErrorHighlight();
    TPlusMemo& e = CurrentEditor();
    if (e.CurrentLine() != line) e.SetCurrentLine(line);
    e.ScrollCaretIntoView();
    e.Highlight(start, end, settings_.errorBgColor & 0x00FFFFFF);
    highlightLine_ = line;
    highlightStart_ = start;
    highlightEnd_ = end;
}

// ---- assembly ---------------------------------------------------------------------------

void TEditorForm::LocateAssemblyError(const FilteredText& pasted) {
    // The buffer was made from this editor's text, and each of its characters knows where
    // it came from, so the offending range maps back exactly (a search for the line's text
    // would stop at an earlier line that reads the same).
    size_t n = pasted.text.size();
    size_t from = pasted.origin[std::min<size_t>(record_.errorStart, n)];
    size_t to = pasted.origin[std::min<size_t>(std::max(record_.errorEnd, record_.errorStart), n)];
    TPlusMemo& e = CurrentEditor();
    int line = e.LineOfPosition(int(from));
    int lineStart = e.PositionOfLine(line);
    int lineEnd = e.LineEndPosition(line);
    int start = std::clamp(int(from), lineStart, lineEnd);
    int end = std::clamp(int(to), start, lineEnd);
    // An error at the end of a line still shows on it.
    if (end <= start) {
        start = lineStart;
        end = lineEnd;
    }
    ShowErrorHighlight(line, start, end);
}

void TEditorForm::DoAssemble() {
    BusyCursor busy;
    SetStatus(2, {});
    const bool original = OriginalEditorInUse();
    TPlusMemo& e = CurrentEditor();
    RemoveErrorHighlight();
    if (original ? buffer_.Empty() : e.IsEmpty()) {
        SetStatus(2, "ASSEMBLY ERROR");
        prompter_.Message(kEmptyEditor, "Assembly ERROR", PromptButtons::Ok, PromptIcon::Error);
        throw SilentAbort();
    }
    if (settings_.useOrda) {
        AssembleWithOrda();
        return;
    }
    if (!services_.assembler) {
        NotAvailable("The built-in assembler");
        throw SilentAbort();
    }

    // The source goes into the original editor's buffer, with CR line ends and the
    // characters a paste takes, for the assembler; the original editor's buffer is the
    // source itself. The user's clipboard is not the way there: it keeps what it holds.
    FilteredText pasted;
    if (!original) {
        std::string text = e.Text();
        buffer_.Clear();
        if (!buffer_.Paste(text, &pasted)) {
            SetStatus(2, "ASSEMBLY ERROR");
            prompter_.Message("The source is too long to assemble: the assembler takes at most "
                              "1,000,000 characters.",
                              "Assembly ERROR", PromptButtons::Ok, PromptIcon::Error);
            throw SilentAbort();
        }
    }
    record_.source = std::string(buffer_.Text());
    record_.status = 1;
    record_.message.clear();
    services_.assembler->Assemble(record_);

    if (record_.status != 0) {
        SetStatus(2, "ASSEMBLY ERROR: " + record_.message);
        buffer_.Select(record_.errorStart, record_.errorEnd);
        if (original) {
            buffer_.EnsureCaretVisible();
            originalView_->Refresh();
            OriginalCaretMoved();
        } else {
            LocateAssemblyError(pasted);
        }
        throw SilentAbort();
    }
    AssemblySucceeded(original ? nullptr : &e, false, std::move(pasted));
}

void TEditorForm::AssemblySucceeded(TPlusMemo* editor, bool external, FilteredText pasted) {
    lastAssembly_ = {editor, files_->CurrentFileName(), external, std::move(pasted)};
    if (services_.windows) services_.windows->AssemblySucceeded();
    SetStatus(2, "Assembly Successful");
    emit Assembled();
}

void TEditorForm::AssembleWithOrda() {
    ExternalAssemblerService* orda = services_.externalAssembler;
    if (!orda) {
        NotAvailable("Assembling with the external assembler");
        throw SilentAbort();
    }
    bool ok = true;
    std::string message;
    if (files_->CurrentModified() && settings_.saveFileBeforeAssembly) {
        const std::string& name = files_->CurrentFileName();
        bool answer = services_.windows ? services_.windows->AskSaveBeforeAssembly(name) : true;
        if (answer) {
            bool attribute = name != kUntitledName && HasReadOnlyAttribute(name);
            if (attribute || files_->ReadOnly()) {
                message = kReadOnlyAssemble;
                ok = false;
            } else {
                files_->Save();
                // A cancelled Save As leaves it modified.
                if (files_->CurrentModified()) ok = false;
            }
        } else {
            ok = false;
            ClearErrorsMENUITMClick();
        }
    }
    // orda reads the file on disk; an editor that never had one has nothing there.
    if (ok && files_->CurrentFileName() == kUntitledName) {
        message = kNeverSaved;
        ok = false;
    }
    if (ok) {
        int result = orda->Run(files_->CurrentFileName());
        if (result >= 0 && result <= 5) RefreshErrorList(true);
        auto missing = [&](const char* text) {
            std::string detail = orda->FailureDetail();
            return detail.empty() ? std::string(text) : detail;
        };
        switch (result) {
        case 0:
        case 2:
            break;
        case 1:
            message = "Unable to assemble due to errors in source code.";
            break;
        case 3:
            message = missing(".MAP file not found on disk");
            break;
        case 4:
            message = missing(".OBJ file not found on disk");
            break;
        case 5:
            message = missing(".SYM file not found on disk");
            break;
        default:
            break;
        }
        ok = result == 0 || result == 2;
    }
    if (!message.empty())
        prompter_.Message(message, "Assembly ERROR", PromptButtons::Ok, PromptIcon::Error);
    if (!ok) {
        SetStatus(2, "ASSEMBLY ERROR");
        if (settings_.useNewEditor && settings_.jumpToAssemblyError && errorList_->count() > 0) {
            int first = orda->FirstErrorIndex();
            if (first >= 0) {
                JumpToError(first);
                errorList_->setCurrentRow(first);
            }
        }
        throw SilentAbort();
    }
    AssemblySucceeded(OriginalEditorInUse() ? nullptr : &CurrentEditor(), true, {});
    // Only orda lets a program name a clock the key cannot make; said once, here.
    std::string notice = services_.chip ? services_.chip->ClockNotice(record_.debug.frequency) : "";
    if (!notice.empty()) SetStatus(2, "Assembly Successful; " + notice);
}

// ---- Run menu ---------------------------------------------------------------------------

void TEditorForm::RunAssembleItemClick() {
    Command([this] { DoAssemble(); });
}

void TEditorForm::RunProgramItemClick() {
    Command([this] {
        BusyCursor busy;
        if (!CompilerMode()) DoAssemble();
        const uint32_t start = ticks_->Milliseconds();
        Chip("Programming the chip").ProgramChip(false);
        if (settings_.extras.programMessage)
            SetStatus(2, ProgrammingSuccessText(ticks_->Milliseconds() - start));
    });
}

void TEditorForm::RunRunItemClick() {
    Command([this] {
        BusyCursor busy;
        if (!CompilerMode()) DoAssemble();
        ChipService& chip = Chip("Running the program on the chip");
        RequireKeyClock(chip, "Run ERROR");
        chip.RequireFullKey();
        chip.ProgramChip(true);
        uint32_t f = record_.debug.frequency;
        Windows().ShowClockGenInfo(f);
        SetStatus(2, chip.ClockText(f));
    });
}

void TEditorForm::RequireKeyClock(ChipService& chip, const char* caption) {
    std::string notice = chip.ClockNotice(record_.debug.frequency);
    if (notice.empty()) return;
    notice[0] = char(std::toupper(static_cast<unsigned char>(notice[0])));
    prompter_.Message(notice + ".\rRun and Debug need that clock; Program writes the program "
                               "without it.",
                      caption, PromptButtons::Ok, PromptIcon::Error);
    throw SilentAbort();
}

void TEditorForm::ViewDebugCodeMNUITEMClick() {
    Command([this] {
        BusyCursor busy;
        if (!CompilerMode()) DoAssemble();
        if (settings_.useOrda && !CompilerMode()) {
            // The list file needs no chip; the debug preparation runs when there is one.
            if (services_.chip && !services_.chip->PrepareDebug()) {
                prompter_.Message(record_.message, "Debug ERROR", PromptButtons::Ok,
                                  PromptIcon::Error);
                return;
            }
            if (!Windows().BrowseList(files_->CurrentFileName()))
                prompter_.Message("Couldn't load file for viewing debug code", "View Debug ERROR",
                                  PromptButtons::Ok, PromptIcon::Error);
            return;
        }
        ChipService& chip = Chip("Viewing the assembled code");
        if (!chip.PrepareDebug()) {
            prompter_.Message(record_.message, "Debug ERROR", PromptButtons::Ok, PromptIcon::Error);
            return;
        }
        Windows().ToggleCodeView();
    });
}

void TEditorForm::RunClockItemClick() {
    Command([this] {
        ChipService& chip = Chip("The clock generator");
        chip.RequireFullKey();
        chip.ConnectKey();
        QToolButton* clock = buttons_["ClockTBTN"];
        clock->setEnabled(false);
        struct Reenable {
            QToolButton* b;
            ~Reenable() { b->setEnabled(true); }
        } reenable{clock};
        Windows().ShowClockWindow();
    });
}

void TEditorForm::RunDeviceItemClick() {
    Command([this] { Windows().ShowDeviceWindow(); });
}
void TEditorForm::RunPinsItemClick() {
    Command([this] { Windows().ShowPinsWindow(); });
}
void TEditorForm::RunTerminalItemClick() {
    Command([this] { Windows().ShowTerminalWindow(); });
}
void TEditorForm::RunConfigureItemClick() {
    Command([this] { Windows().ShowConfigure(); });
}

void TEditorForm::ToggleAssemblerClick(bool checked) {
    settings_.useOrda = checked;
}

} // namespace pellix
