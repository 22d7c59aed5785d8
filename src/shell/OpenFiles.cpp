#include "shell/OpenFiles.h"

#include "platform/FileIo.h"

namespace pellix {

namespace {

constexpr const char* kOpenFilter = "Source Files (*.src)|*.SRC|All Files (*.*)|*.*";
constexpr const char* kSaveFilter = "Source Files (*.SRC)|*.SRC|All Files (*.*)|*.*";
constexpr const char* kReadOnlySave =
    "This is a READ ONLY file and must be saved under a different name.";
constexpr int64_t kOneMillisecond = 1'000'000; // file times are in nanoseconds

} // namespace

OpenFiles::OpenFiles(OpenFilesView& view, Prompter& prompter, SettingsRegistry& registry,
                     const WorkingSettings& settings, std::string applicationTitle)
    : view_(view), prompter_(prompter), registry_(registry), settings_(settings),
      title_(std::move(applicationTitle)) {}

void OpenFiles::StartUp() {
    recent_.Load(registry_);
    AddEditor(BlankLine(1));
    Select(0);
}

int OpenFiles::AddEditor(std::string listLine) {
    int i = entries_.Add(view_.CreateEditor(entries_.Count()), std::move(listLine));
    view_.FileListChanged();
    return i;
}

bool OpenFiles::CurrentModified() const {
    const EditorEntry& e = entries_[current_];
    return e.writable && e.editor->Modified();
}

void OpenFiles::Info(const std::string& text) {
    prompter_.Message(text, "Information", PromptButtons::Ok, PromptIcon::Information);
}

void OpenFiles::Error(const std::string& text, const std::string& caption) {
    prompter_.Message(text, caption, PromptButtons::Ok, PromptIcon::Error);
}

std::string OpenFiles::StartFolder() const {
    return currentName_ == kUntitledName ? std::string() : FolderPart(currentName_);
}

void OpenFiles::StoreRecent() {
    recent_.Store(registry_);
    registry_.Flush();
}

bool OpenFiles::NewerOnDisk(const EditorEntry& e) const {
    // Entries never loaded or saved have no time to compare with; a file that happens to
    // carry their placeholder name is not theirs.
    if (e.modTime == 0 || IsBlankLine(e.listLine) || !FileExists(e.fileName)) return false;
    return ModificationTime(e.fileName) - e.modTime >= kOneMillisecond;
}

void OpenFiles::New() {
    if (!firstNewTaken_) {
        firstNewTaken_ = true;
        // The start-up editor is taken over only while it is still the untouched blank;
        // once a file went into it, a New must not hand that editor out again.
        const EditorEntry& e = entries_[0];
        if (entries_.Count() == 1 && e.listLine == BlankLine(1) && e.editor->IsEmpty() &&
            !e.editor->Modified()) {
            Select(0);
            view_.SetSaveButtonEnabled(false);
            view_.SetRunButtonsEnabled(false);
            SetCurrentFileName(kUntitledName);
            return;
        }
    }
    int i = AddEditor(BlankLine(++blankCounter_));
    Select(i);
    view_.SetSaveButtonEnabled(false);
    view_.SetRunButtonsEnabled(false);
    SetCurrentFileName(kUntitledName);
}

void OpenFiles::OpenCommand() {
    FileDialogRequest request{"Open Source", StartFolder(), "", kOpenFilter, "SRC"};
    auto chosen = prompter_.OpenFileName(request);
    if (!chosen) return;
    if (OpenFile(*chosen)) view_.SetRunButtonsEnabled(true);
}

bool OpenFiles::LoadIntoCurrent(const std::string& path) {
    FileRead r = ReadWholeFile(path);
    if (!r.ok) {
        if (r.notFound)
            Error("\"" + path + "\"\rNot found on disk.", "File NotFound");
        else
            Error("Couldn't open \"" + path + "\":\r" + r.error, "File Open ERROR");
        return false;
    }
    EditorEntry& e = entries_[current_];
    // A reload keeps the entry's protection; a fresh entry takes the /R switch alone.
    bool reload = e.fileName == path && !IsBlankLine(e.listLine);
    e.writable = (reload ? e.writable : true) && !readOnlySwitch_;
    e.editor->SetReadOnly(false);
    e.editor->SetText(r.data);
    e.editor->SetModified(false);
    e.editor->ClearUndo();
    e.fileName = path;
    e.modTime = ModificationTime(path);
    e.listLine = path;
    view_.FileListChanged();
    view_.EditorStateChanged();
    return true;
}

bool OpenFiles::OpenFile(const std::string& name) {
    const std::string path = FullPath(name);
    int found = entries_.Find(path);
    if (found >= 0) {
        bool load = false;
        if (NewerOnDisk(entries_[found]))
            load = prompter_.Message("There is a newer version on disk of:\r\r" + path +
                                         "\r\rLoad the new version?",
                                     "File Load Warning", PromptButtons::YesNo,
                                     PromptIcon::Warning) == PromptAnswer::Yes;
        if (!load) {
            bool guard = checkingDisk_;
            checkingDisk_ = true;
            Select(found);
            checkingDisk_ = guard;
            return true;
        }
        current_ = found;
        if (!LoadIntoCurrent(path)) return false;
    } else {
        // Find out whether the file can be read before an editor is made for it.
        FileRead probe = ReadWholeFile(path);
        if (!probe.ok) {
            if (probe.notFound)
                Error("\"" + path + "\"\rNot found on disk.", "File NotFound");
            else
                Error("Couldn't open \"" + path + "\":\r" + probe.error, "File Open ERROR");
            return false;
        }
        const EditorEntry& cur = entries_[current_];
        if (!IsBlankLine(cur.listLine) || cur.editor->Modified()) New();
        if (!LoadIntoCurrent(path)) return false;
    }
    readOnlySwitch_ = false;
    bool guard = checkingDisk_;
    checkingDisk_ = true; // just loaded: nothing newer to ask about
    Select(current_);
    checkingDisk_ = guard;
    if (HasReadOnlyAttribute(path))
        prompter_.Message("This file is READ ONLY.  To assemble or save it, either\rsave it "
                          "under a new name or change it to Read/Write",
                          "READ ONLY file loaded", PromptButtons::Ok, PromptIcon::Information);
    return true;
}

void OpenFiles::Select(int i) {
    if (entries_.Valid(i)) {
        SourceEditor* before = visible_;
        current_ = i;
        EditorEntry& e = entries_[i];
        readOnly_ = !e.writable;
        e.editor->SetReadOnly(readOnly_);
        visible_ = e.editor.get();
        view_.ShowEditor(*e.editor, before);
        view_.FileListChanged();
        view_.EditorStateChanged();
        view_.SetSaveButtonEnabled(e.editor->CanUndo());
        currentName_ = IsBlankLine(e.listLine) ? std::string(kUntitledName) : e.listLine;
        if (!checkingDisk_ && NewerOnDisk(e)) {
            checkingDisk_ = true;
            std::string path = e.fileName;
            OpenFile(path);
            checkingDisk_ = false;
        }
    }
    SetCurrentFileName(currentName_);
}

void OpenFiles::SetCurrentFileName(const std::string& name) {
    view_.ClearAssemblyStatus();
    currentName_ = name;
    caption_ = title_ + " - " + FilePart(name) + (readOnly_ ? " : READ ONLY" : "");
    view_.SetCaption(caption_);
    if (recent_.Add(name)) StoreRecent();
    view_.RecentFilesChanged();
}

bool OpenFiles::AskSaveChanges() {
    if (!CurrentModified()) return true;
    PromptAnswer a = prompter_.Message("Save changes to " + currentName_, "Confirm",
                                       PromptButtons::YesNoCancel, PromptIcon::Question);
    if (a == PromptAnswer::Cancel) return false;
    if (a != PromptAnswer::Yes) return true;
    Save();
    // A cancelled Save As or a failed write leaves the changes unsaved: stop rather than
    // let the calling command throw them away.
    return !CurrentModified();
}

bool OpenFiles::Save() {
    bool attribute = currentName_ != kUntitledName && HasReadOnlyAttribute(currentName_);
    if (readOnly_ || attribute) {
        Info(kReadOnlySave);
        return false;
    }
    if (currentName_ == kUntitledName) return SaveAs();
    return SaveUnder(currentName_);
}

bool OpenFiles::SaveAs() {
    bool attribute = currentName_ != kUntitledName && HasReadOnlyAttribute(currentName_);
    if (readOnly_ || attribute) Info(kReadOnlySave);
    FileDialogRequest request{"Save Source as...", StartFolder(),
                              currentName_ == kUntitledName ? "" : FilePart(currentName_),
                              kSaveFilter, "src"};
    auto chosen = prompter_.SaveFileName(request);
    if (!chosen) return false;
    const std::string path = FullPath(*chosen);
    bool sameName = currentName_ != kUntitledName && SameFile(path, currentName_);
    if (readOnly_ && sameName) {
        prompter_.Message("Choose a different name to save the READ ONLY file:", "Warning",
                          PromptButtons::Ok, PromptIcon::Warning);
        return false;
    }
    for (int i = 0; i < entries_.Count(); ++i)
        if (i != current_ && !IsBlankLine(entries_[i].listLine) &&
            SameFile(entries_[i].fileName, path)) {
            // Two editors on one file would overwrite each other's saves.
            Error("\"" + path +
                      "\" is open in another editor.\rClose it there before saving "
                      "under its name.",
                  "Save As");
            return false;
        }
    if (FileExists(path) &&
        prompter_.Message("OK to overwrite " + path, "Confirm", PromptButtons::YesNoCancel,
                          PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    // Under a new name the protection of /R (which guards the original file) is lifted.
    if (!sameName) entries_[current_].writable = true;
    if (!SaveUnder(path)) return false;
    SetCurrentFileName(path);
    return true;
}

bool OpenFiles::SaveUnder(const std::string& name) {
    EditorEntry& e = entries_[current_];
    if (!e.writable) return false;
    if (settings_.createBackups && FileExists(name)) {
        std::string backup = BackupName(name);
        if (!SameFile(backup, name)) {
            std::string err = CopyFileBytes(name, backup);
            if (!err.empty()) {
                Error("Couldn't make the backup \"" + backup + "\":\r" + err +
                          "\rThe file was not saved.",
                      "File Save ERROR");
                return false;
            }
        }
    }
    std::string err = ReplaceFileContents(name, e.editor->Text());
    if (!err.empty()) {
        Error("Couldn't save \"" + name + "\":\r" + err, "File Save ERROR");
        return false;
    }
    e.fileName = name;
    e.modTime = ModificationTime(name);
    e.editor->SetModified(false);
    e.listLine = name;
    view_.FileListChanged();
    view_.SetRunButtonsEnabled(true);
    if (readOnly_) {
        readOnly_ = false;
        Select(current_);
    }
    view_.EditorStateChanged();
    return true;
}

void OpenFiles::Close() {
    if (!AskSaveChanges()) return;
    int closing = current_;
    bool only = entries_.Count() == 1;
    if (only) {
        // The array never runs empty: an empty editor takes the closed one's place.
        firstNewTaken_ = true;
        AddEditor(BlankLine(++blankCounter_));
    }
    int next = closing == 0 ? 0 : closing - 1;
    if (visible_ == entries_[closing].editor.get()) visible_ = nullptr;
    entries_.Remove(closing);
    view_.FileListChanged();
    Select(next);
    if (only) view_.SetRunButtonsEnabled(false);
}

void OpenFiles::Reopen(int slot) {
    if (slot < 0 || slot >= kRecentFileSlots || recent_[slot].empty()) return;
    const std::string path = recent_[slot];
    if (FileExists(path)) {
        if (OpenFile(path)) view_.SetRunButtonsEnabled(true);
        return;
    }
    Error("Couldn't find previously opened file:\r\r" + path +
              "\r\rFile will be removed from list.",
          "File Not Found ERROR");
    recent_.Remove(slot);
    StoreRecent();
    recent_.Load(registry_);
    view_.RecentFilesChanged();
}

void OpenFiles::DropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (OpenFile(paths.front())) view_.SetRunButtonsEnabled(true);
}

bool OpenFiles::CloseQuery() {
    int original = current_;
    for (int i = 0; i < entries_.Count(); ++i) {
        const EditorEntry& e = entries_[i];
        if (!(e.writable && e.editor->Modified())) continue;
        Select(i);
        if (!AskSaveChanges()) {
            Select(original);
            return false;
        }
    }
    Select(original);
    return true;
}

} // namespace pellix
