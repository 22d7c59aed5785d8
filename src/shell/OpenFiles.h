// The document side of the main window: which files are open in which editor, under which
// names, whether they may be written, and the commands New, Open, Close, Save, Save As,
// Reopen and dropping files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Prompter.h"
#include "platform/SettingsRegistry.h"
#include "shell/FileNames.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/RecentFiles.h"
#include "shell/T_PMEditorArray.h"
#include "shell/WorkingSettings.h"

namespace pellix {

struct FileRead;

// What the open files need of the window that shows them.
class OpenFilesView {
public:
    virtual ~OpenFilesView() = default;
    // A new editor instance, configured for sources, for entry `index`.
    virtual std::unique_ptr<SourceEditor> CreateEditor(int index) = 0;
    // Makes `shown` the visible editor, handing it the look of `hidden` (the editor that
    // was visible before; may be null or the same).
    virtual void ShowEditor(SourceEditor& shown, SourceEditor* hidden) = 0;
    // The file list's lines or its selected line changed.
    virtual void FileListChanged() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void ClearAssemblyStatus() = 0;
    // Assemble, Program, Run, Debug and Debug Again.
    virtual void SetRunButtonsEnabled(bool enabled) = 0;
    virtual void SetSaveButtonEnabled(bool enabled) = 0;
    // Undo and Redo availability of the current editor changed.
    virtual void EditorStateChanged() = 0;
    virtual void RecentFilesChanged() = 0;
    // The original editor's text was replaced (loaded, emptied).
    virtual void OriginalTextChanged() {}
};

class OpenFiles {
public:
    OpenFiles(OpenFilesView& view, Prompter& prompter, SettingsRegistry& registry,
              const WorkingSettings& settings, std::string applicationTitle);

    // One editor listed as "{Blank_1}", the recent files loaded.
    void StartUp();

    // Commands.
    void New();
    void OpenCommand();
    void Close();
    bool Save();
    bool SaveAs();
    void Reopen(int slot);
    void DropFiles(const std::vector<std::string>& paths);

    // Opens `path` (made absolute) in an editor; false when it could not be loaded.
    bool OpenFile(const std::string& path);
    // Makes entry i the visible, current editor and checks its file on disk.
    void Select(int i);
    // Asks about saving the current file when it is modified; false means Cancel (or a
    // save that did not happen), and the calling command stops.
    bool AskSaveChanges();
    void SetCurrentFileName(const std::string& name);
    // Asked when the program is to close: every modified file in turn. False keeps it open.
    bool CloseQuery();
    // The application became active again: re-select the current editor, or with the
    // original editor look whether its file changed on disk.
    void Activate();

    // The original editor's buffer; the commands work on it while that editor is in use.
    void SetOriginalBuffer(OriginalEditorBuffer* buffer) { original_ = buffer; }
    // Switches between the editors. The current document goes across with its text, name,
    // modified and read-only state, so neither editor shows or saves a stale copy; the
    // other files of the enhanced editor stay open in it.
    void UseOriginalEditor(bool on);
    bool OriginalMode() const { return originalMode_; }

    // The /R switch: applies to the next file opened only.
    void SetReadOnlySwitch(bool on) { readOnlySwitch_ = on; }
    // Compiler-output mode: its files are read-only when /R was given.
    void SetReadOnly(bool on) { readOnly_ = on; }

    bool CurrentModified() const;
    int CurrentIndex() const { return current_; }
    SourceEditor& CurrentEditor() { return *entries_[current_].editor; }
    const std::string& CurrentFileName() const { return currentName_; }
    bool ReadOnly() const { return readOnly_; }
    const std::string& Caption() const { return caption_; }
    int Count() const { return entries_.Count(); }
    const EditorEntry& Entry(int i) const { return entries_[i]; }
    T_PMEditorArray& Entries() { return entries_; }
    const RecentFiles& Recent() const { return recent_; }
    int BlankCounter() const { return blankCounter_; }

private:
    int AddEditor(std::string listLine);
    // Loads `path` into the current entry; false when it could not be read.
    bool LoadIntoCurrent(const std::string& path);
    bool SaveUnder(const std::string& name);
    bool NewerOnDisk(const EditorEntry& e) const;
    std::string StartFolder() const;
    void StoreRecent();
    void Info(const std::string& text);
    void Error(const std::string& text, const std::string& caption);
    bool ReportUnreadable(const FileRead& r, const std::string& path);
    // The original editor's side of the commands.
    void NewOriginal();
    bool OpenOriginal(const std::string& path, bool fromDisk = false);
    bool SaveOriginal(const std::string& name);
    bool CloseQueryOriginal();
    void HandBack();
    int IndexOf(const SourceEditor* editor) const;

    OpenFilesView& view_;
    Prompter& prompter_;
    SettingsRegistry& registry_;
    const WorkingSettings& settings_;
    std::string title_;

    T_PMEditorArray entries_;
    int current_ = 0;
    SourceEditor* visible_ = nullptr;
    std::string currentName_ = kUntitledName;
    std::string caption_;
    bool readOnly_ = false;
    bool readOnlySwitch_ = false;
    RecentFiles recent_;
    bool firstNewTaken_ = false;
    int blankCounter_ = 1;
    bool checkingDisk_ = false;

    OriginalEditorBuffer* original_ = nullptr;
    bool originalMode_ = false;
    // The enhanced editor whose document the buffer took over, if it did.
    SourceEditor* bound_ = nullptr;
    // The file's time when the buffer's document was loaded or saved.
    int64_t originalTime_ = 0;
};

} // namespace pellix
