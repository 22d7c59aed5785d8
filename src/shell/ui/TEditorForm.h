// The main window: the open source files, the File, Edit, Run and Help commands, the
// toolbar, and the assembly that starts every hardware command.
// Defined in TEditorForm.cpp (construction, layout, settings, shared helpers) and, by the
// menu area they serve, TEditorFormFiles.cpp, TEditorFormEdit.cpp, TEditorFormRun.cpp and
// TEditorFormDebug.cpp; helpers more than one of them uses are in TEditorFormShared.h.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

#include "editor/TPlusMemo.h"
#include "platform/Prompter.h"
#include "platform/SettingsRegistry.h"
#include "platform/TickSource.h"
#include "shell/CommandLine.h"
#include "shell/OpenFiles.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/Services.h"
#include "shell/WorkingSettings.h"
#include "target/AssemblyRecord.h"

class QAction;
class QLineEdit;
class QMenu;
class QPrinter;

namespace pellix {

class OriginalEditorView;
class TFindReplaceForm;
class TPrintForm;
class TPrintStatusForm;
class TSearchDialog;

inline constexpr const char* kVersionText = "2.02";
inline constexpr const char* kMainCaption = "Pellix v2.02";

struct EditorFormContext {
    AssemblyRecord& record;
    SettingsRegistry& registry;
    WorkingSettings& settings;
    Prompter& prompter;
    ShellServices services;
    std::vector<std::string> arguments; // the command line without the program name
    TickSource* ticks = nullptr;        // for double clicks; the steady clock when null
};

class TEditorForm : public QMainWindow, private OpenFilesView {
    Q_OBJECT
public:
    explicit TEditorForm(EditorFormContext context, QWidget* parent = nullptr);
    ~TEditorForm() override;

    // Offered to other windows.
    void EnableRunButtons(bool enabled);
    // The debug window's opening (true) and closing: the text size items, the Run menu,
    // the run buttons and the Clock button are off while it is open.
    void SetDebugging(bool debugging);
    std::string SxcFileName() const;
    // Gives an editor the keyword list and the colours of the settings.
    void ApplyKeywordsAndColours(TPlusMemo& editor);
    // After the settings were loaded or changed: editor choice, font, tabs, colours.
    void ApplyEditorChoice();
    // Shows the error list when it has lines and the external assembler is selected.
    void ApplyErrorListRule();

    void SetServices(const ShellServices& services) { services_ = services; }
    void SetDebugCommands(DebugCommandService* commands);
    // The Debug menu's items with their function keys, for the debug windows to take too.
    std::vector<QAction*> DebugActions() const { return debugActions_; }
    // Enables the Debug menu's items as the session allows.
    void UpdateDebugCommands();

    // The last successful assembly: the editor it read (the built-in assembler), the file,
    // and where each character of the assembler's text came from in that editor's text.
    struct Assembly {
        TPlusMemo* editor = nullptr;
        std::string path;
        bool external = false;
        FilteredText pasted;
    };
    const Assembly& LastAssembly() const { return lastAssembly_; }
    // The original editor's find/replace, print options and print status windows.
    void SetOriginalEditorWindows(TFindReplaceForm* findReplace, TPrintForm* print,
                                  TPrintStatusForm* printStatus);
    // The print dialog of the enhanced editor (tests answer it): sets up the printer and
    // says whether to print; the selection may be chosen only when `hasSelection`.
    void SetPrintDialog(std::function<bool(QPrinter&, bool hasSelection)> dialog) {
        printDialog_ = std::move(dialog);
    }
    // What ends the program when the disclaimer is refused (the default quits the
    // application's event loop).
    void SetTerminate(std::function<void()> terminate) { terminate_ = std::move(terminate); }
    // Compiler-output mode's loader of base + ".cod" and base + ".lst" into the record;
    // false when it reported a failure.
    void SetCompilerLoader(std::function<bool(const std::string&)> load) {
        compilerLoad_ = std::move(load);
    }

    // Assembles the current editor; on failure reports it and throws SilentAbort.
    void DoAssemble();
    // The error list's line `row` double-clicked: the file and line it names.
    void ErrorLBDblClick(int row);
    // Error-list line `row`: its file selected (opened when needed), its line highlighted.
    void JumpToError(int row);

    // Handlers of the menus and buttons.
    void FileNewItemClick();
    void FileOpenItemClick();
    void Close1Click();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void ReopenItemClick(int slot);
    void FileListToggleItemClick();
    void FilePrintItemClick();
    void FileExitItemClick();
    void UndoMenuItemClick();
    void RedoMenuItemClick();
    void EditCutItemClick();
    void EditCopyItemClick();
    void EditPasteItemClick();
    void EditFindItemClick();
    void EditFindNextMenuItemClick();
    void EditFindReplaceItemClick();
    void EditReplaceItemClick();
    void EditTextBiggerItemClick();
    void EditTextSmallerItemClick();
    void GoToLineMENUITMClick();
    void ClearErrorsMENUITMClick();
    void RunAssembleItemClick();
    void RunProgramItemClick();
    void RunRunItemClick();
    void RunDebugItemClick();
    void RunDebugAgainItemClick();
    // True when the debug window was shown.
    bool StartDebugging(bool program);
    // Run and Debug need the key's clock at the program's frequency; refuses when the key
    // cannot generate it.
    void RequireKeyClock(ChipService& chip, const char* caption);
    void ViewDebugCodeMNUITEMClick();
    void RunClockItemClick();
    void RunDeviceItemClick();
    void RunPinsItemClick();
    void RunTerminalItemClick();
    void RunConfigureItemClick();
    void HelpContentsItemClick();
    void HelpAboutItemClick();
    void ToggleAssemblerClick(bool checked);
    // The application became active again.
    void ApplicationActivated();
    // Files dropped on the window.
    void FilesDropped(const std::vector<std::string>& paths);

    // The find and replace dialogs' requests.
    void FindDialogFind(TSearchDialog& dialog);
    void ReplaceDialogReplace();
    void ReplaceDialogReplaceAll();

    OpenFiles& Files() { return *files_; }
    TPlusMemo& CurrentEditor();
    TPlusMemo& TemplateEditor() { return *template_; }
    OriginalEditorBuffer& Buffer() { return buffer_; }
    OriginalEditorView& OriginalView() { return *originalView_; }
    // Whether the original editor is the one in use.
    bool OriginalEditorInUse() const { return !settings_.useNewEditor; }
    TSearchDialog& FindDialog() { return *findDialog_; }
    TSearchDialog& ReplaceDialog() { return *replaceDialog_; }
    QString StatusText(int panel) const;
    // For other windows that report in the status bar (the clock window).
    void ShowStatus(int panel, const std::string& text) { SetStatus(panel, text); }
    const CommandLine& Arguments() const { return commandLine_; }
    bool CompilerMode() const { return commandLine_.compilerMode; }
    bool RunButtonsEnabled() const;
    // The error highlight: line, start and end, each -1 when there is none.
    int HighlightLine() const { return highlightLine_; }
    int HighlightStart() const { return highlightStart_; }
    int HighlightEnd() const { return highlightEnd_; }

signals:
    // Every editor of an open file, as it is made.
    void EditorCreated(TPlusMemo* editor);
    // An assembly succeeded (LastAssembly says what it read).
    void Assembled();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // OpenFilesView
    std::unique_ptr<SourceEditor> CreateEditor(int index) override;
    void ShowEditor(SourceEditor& shown, SourceEditor* hidden) override;
    void FileListChanged() override;
    void SetCaption(const std::string& caption) override;
    void ClearAssemblyStatus() override;
    void SetRunButtonsEnabled(bool enabled) override;
    void SetSaveButtonEnabled(bool enabled) override;
    void EditorStateChanged() override;
    void RecentFilesChanged() override;

    void BuildMenus();
    void BuildDebugMenu(QMenu* menu);
    void AssemblySucceeded(TPlusMemo* editor, bool external, FilteredText pasted);
    void BuildToolbar();
    void BuildClient();
    void BuildStatusBar();
    QAction* Item(QMenu* menu, const char* name, const QString& caption, const QString& hint,
                  const QKeySequence& shortcut, void (TEditorForm::*handler)());
    QToolButton* Button(const char* name, const QString& hint, int icon,
                        void (TEditorForm::*handler)());
    void ParseCommandLine();
    void FormShow();
    // Runs a command: the abort that ends a failed command stops here, and an unexpected
    // failure is reported instead of ending the program.
    void Command(const std::function<void()>& body);
    void NotAvailable(const std::string& what);
    void StartCompilerMode();
    void DisableForCompilerMode();
    ChipService& Chip(const std::string& what);
    WindowService& Windows();
    EditorLook MakeLook() const;
    void SetStatus(int panel, const std::string& text);
    void ShowErrorHighlight(int line, int start, int end);
    void RemoveErrorHighlight();
    void LocateAssemblyError(const FilteredText& pasted);
    void AssembleWithOrda();
    // The error list from the bridge's lines; `reload` reads the error file again first.
    void RefreshErrorList(bool reload);
    void CaretMoved(TPlusMemo* editor);
    // Panel 1: "line:column", 1-based, sized for the text's largest line number.
    void ShowCaretPosition(int line, int column);
    // The modified mark: file `index` shows one, its file-list text, the caption with it.
    bool ShowsModified(int index) const;
    QString ListText(int index) const;
    void ShowCaption();
    void ModifiedChanged(const TPlusMemo* editor);
    void OriginalCaretMoved();
    void UpdateEditCommands();
    // The original editor's side of the Edit and File commands.
    void OriginalFindReplace();
    void OriginalFind(bool fromStart);
    void OriginalReplace();
    void OriginalReplaceAll();
    void OriginalTextSize(bool bigger);
    void OriginalPrint();
    void EnhancedPrint();
    void BufferFull();
    void OriginalTextChanged() override;
    bool IsCurrent(const TPlusMemo* editor) const;

    AssemblyRecord& record_;
    SettingsRegistry& registry_;
    WorkingSettings& settings_;
    Prompter& prompter_;
    ShellServices services_;
    std::vector<std::string> arguments_;
    CommandLine commandLine_;
    std::function<void()> terminate_;
    std::function<bool(const std::string&)> compilerLoad_;
    bool compilerLoaded_ = false;

    std::unique_ptr<OpenFiles> files_;
    OriginalEditorBuffer buffer_;
    std::shared_ptr<const KeywordSet> keywords_;

    QSplitter* errorSplit_ = nullptr;
    QSplitter* fileListSplit_ = nullptr;
    QListWidget* filesList_ = nullptr;
    QStackedWidget* editorStack_ = nullptr;
    QListWidget* errorList_ = nullptr;
    TPlusMemo* template_ = nullptr;
    QLineEdit* pasteHolder_ = nullptr;
    QLabel* panels_[3] = {};
    TSearchDialog* findDialog_ = nullptr;
    TSearchDialog* replaceDialog_ = nullptr;
    QTimer* cursorTimer_ = nullptr;
    QTimer* selectTimer_ = nullptr;
    QTimer* sxcModeTimer_ = nullptr;
    QWidget* editorArea_ = nullptr;
    OriginalEditorView* originalView_ = nullptr;
    SteadyTickSource steadyTicks_;
    TickSource* ticks_ = nullptr;
    TFindReplaceForm* findReplace_ = nullptr;
    TPrintForm* printForm_ = nullptr;
    TPrintStatusForm* printStatus_ = nullptr;
    std::function<bool(QPrinter&, bool)> printDialog_;
    bool replaceUsed_ = false;

    std::map<std::string, QAction*> items_;
    std::vector<QAction*> debugActions_; // by DebugCommand
    QMenu* debugMenu_ = nullptr;
    Assembly lastAssembly_;
    std::map<QAction*, bool> enabledBeforeDebugging_;
    std::map<std::string, QToolButton*> buttons_;
    QMenu* reopenMenu_ = nullptr;
    QAction* reopenItems_[kRecentFileSlots] = {};

    QString caption_; // as the open files set it, without the modified mark
    std::string lastSearch_;
    SearchOptions lastOptions_;
    int highlightLine_ = -1;
    int highlightStart_ = -1;
    int highlightEnd_ = -1;
    bool shown_ = false;
    bool syncingList_ = false;
    bool terminated_ = false;
};

} // namespace pellix
