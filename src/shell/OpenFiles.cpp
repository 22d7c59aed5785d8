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
    if (originalMode_) return original_->Modified();
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
    if (originalMode_) {
        NewOriginal();
        return;
    }
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
    if (originalMode_ && !AskSaveChanges()) return;
    FileDialogRequest request{"Open Source", StartFolder(), "", kOpenFilter, "SRC"};
    auto chosen = prompter_.OpenFileName(request);
    if (!chosen) return;
    if (OpenFile(*chosen)) view_.SetRunButtonsEnabled(true);
}

bool OpenFiles::ReportUnreadable(const FileRead& r, const std::string& path) {
    if (r.ok) return false;
    if (r.notFound)
        Error("\"" + path + "\"\rNot found on disk.", "File NotFound");
    else
        Error("Couldn't open \"" + path + "\":\r" + r.error, "File Open ERROR");
    return true;
}

bool OpenFiles::LoadIntoCurrent(const std::string& path) {
    FileRead r = ReadWholeFile(path);
    if (ReportUnreadable(r, path)) return false;
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
    if (originalMode_) return OpenOriginal(path);
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
        if (ReportUnreadable(ReadWholeFile(path), path)) return false;
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
    // The enhanced editors stay out of sight while the original editor is in use.
    if (entries_.Valid(i) && !originalMode_) {
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
    SourceEditor* rebind = nullptr;
    for (int i = 0; i < entries_.Count(); ++i) {
        const EditorEntry& other = entries_[i];
        bool mine = originalMode_ ? other.editor.get() == bound_ : i == current_;
        if (mine || IsBlankLine(other.listLine) || !SameFile(other.fileName, path)) continue;
        if (originalMode_ && !(other.writable && other.editor->Modified())) {
            // That editor holds nothing of its own: it takes this document when the
            // enhanced editor comes back.
            rebind = other.editor.get();
            continue;
        }
        // Two editors on one file would overwrite each other's saves.
        Error("\"" + path +
                  (originalMode_ ? "\" is open in the enhanced editor with changes of its "
                                   "own.\rSave under another name."
                                 : "\" is open in another editor.\rClose it there before "
                                   "saving under its name."),
              "Save As");
        return false;
    }
    if (FileExists(path) &&
        prompter_.Message("OK to overwrite " + path, "Confirm", PromptButtons::YesNoCancel,
                          PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    // Under a new name the protection of /R (which guards the original file) is lifted.
    if (!sameName) {
        if (originalMode_)
            original_->SetReadOnly(false);
        else
            entries_[current_].writable = true;
    }
    if (!SaveUnder(path)) return false;
    if (rebind) bound_ = rebind;
    SetCurrentFileName(path);
    return true;
}

bool OpenFiles::SaveUnder(const std::string& name) {
    if (originalMode_) return SaveOriginal(name);
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
    if (originalMode_) {
        NewOriginal();
        return;
    }
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
        if (originalMode_ && !AskSaveChanges()) return;
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
    if (originalMode_ && !AskSaveChanges()) return;
    if (OpenFile(paths.front())) view_.SetRunButtonsEnabled(true);
}

bool OpenFiles::CloseQuery() {
    if (originalMode_) return CloseQueryOriginal();
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

// ---- the original editor -------------------------------------------------------------------

namespace {

constexpr const char* kTooLong =
    "\" is too long for the original editor, which holds at most 1,000,000 characters.";

// The buffer's CR line ends in the style of `like` (the text an enhanced editor holds).
std::string InLineEndsOf(std::string_view text, const std::string& like) {
    size_t i = like.find_first_of("\r\n");
    const char* eol = "\n";
    if (i != std::string::npos && like[i] == '\r')
        eol = i + 1 < like.size() && like[i + 1] == '\n' ? "\r\n" : "\r";
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\r')
            out += eol;
        else
            out.push_back(c);
    }
    return out;
}

} // namespace

int OpenFiles::IndexOf(const SourceEditor* editor) const {
    for (int i = 0; i < entries_.Count(); ++i)
        if (entries_[i].editor.get() == editor) return i;
    return -1;
}

void OpenFiles::Activate() {
    if (!originalMode_) {
        Select(current_);
        return;
    }
    if (checkingDisk_ || currentName_ == kUntitledName || originalTime_ == 0 ||
        !FileExists(currentName_) ||
        ModificationTime(currentName_) - originalTime_ < kOneMillisecond)
        return;
    checkingDisk_ = true;
    std::string path = currentName_;
    if (prompter_.Message(
            "There is a newer version on disk of:\r\r" + path + "\r\rLoad the new version?",
            "File Load Warning", PromptButtons::YesNo, PromptIcon::Warning) == PromptAnswer::Yes) {
        readOnlySwitch_ = readOnly_;
        SourceEditor* bound = bound_;
        // The enhanced editor's copy of the file follows when that editor comes back.
        if (OpenOriginal(path, true)) bound_ = bound;
    } else {
        // Asked once per change.
        originalTime_ = ModificationTime(path);
    }
    checkingDisk_ = false;
}

void OpenFiles::UseOriginalEditor(bool on) {
    if (!original_ || on == originalMode_) return;
    if (!on) {
        originalMode_ = false;
        HandBack();
        return;
    }
    EditorEntry& e = entries_[current_];
    bool modified = CurrentModified();
    originalMode_ = true;
    if (!original_->Load(e.editor->Text())) {
        Error("\"" + currentName_ + kTooLong + "\rIt stays open in the enhanced editor.",
              "Original Editor");
        original_->Clear();
        bound_ = nullptr;
        originalTime_ = 0;
        readOnly_ = false;
        SetCurrentFileName(kUntitledName);
    } else {
        original_->SetReadOnly(readOnly_);
        original_->SetModified(modified);
        bound_ = e.editor.get();
        originalTime_ = e.modTime;
    }
    view_.OriginalTextChanged();
    view_.EditorStateChanged();
}

void OpenFiles::HandBack() {
    const bool named = currentName_ != kUntitledName;
    const bool modified = original_->Modified();
    const std::string name = currentName_;
    int target = bound_ ? IndexOf(bound_) : -1;
    bound_ = nullptr;
    if (target < 0 && named) target = entries_.Find(name);
    if (target < 0) {
        if (!named && original_->Empty() && !modified) {
            Select(current_);
            return;
        }
        // A file the enhanced editor does not have open yet comes from disk; an untitled
        // text or a file that went missing goes into a new editor.
        if (!named || !FileExists(name) || !OpenFile(name)) New();
        target = current_;
    }
    EditorEntry& e = entries_[target];
    std::string now = e.editor->Text();
    if (FilterPastedText(now).text != original_->Text()) {
        bool ro = e.editor->ReadOnly();
        e.editor->SetReadOnly(false);
        e.editor->SetText(InLineEndsOf(original_->Text(), now));
        e.editor->SetReadOnly(ro);
    }
    e.editor->SetModified(modified);
    if (named) {
        // An editor whose document was saved under a new name meanwhile takes that name.
        e.fileName = name;
        e.listLine = name;
        if (originalTime_ != 0) e.modTime = originalTime_;
    }
    e.writable = !original_->ReadOnly();
    view_.FileListChanged();
    bool guard = checkingDisk_;
    checkingDisk_ = true; // the buffer was the newest copy
    Select(target);
    checkingDisk_ = guard;
}

void OpenFiles::NewOriginal() {
    if (!AskSaveChanges()) return;
    original_->Clear();
    bound_ = nullptr;
    originalTime_ = 0;
    readOnly_ = false;
    view_.OriginalTextChanged();
    view_.SetSaveButtonEnabled(false);
    view_.SetRunButtonsEnabled(false);
    view_.EditorStateChanged();
    SetCurrentFileName(kUntitledName);
}

bool OpenFiles::OpenOriginal(const std::string& path, bool fromDisk) {
    int found = entries_.Find(path);
    const EditorEntry* open = found >= 0 ? &entries_[found] : nullptr;
    // Changes the enhanced editor holds for this file are part of it.
    bool fromEditor = !fromDisk && open && open->writable && open->editor->Modified();
    std::string data;
    int64_t time = 0;
    if (fromEditor) {
        data = open->editor->Text();
        time = open->modTime;
    } else {
        FileRead r = ReadWholeFile(path);
        if (ReportUnreadable(r, path)) return false;
        data = std::move(r.data);
        time = ModificationTime(path);
    }
    if (!original_->Load(data)) {
        Error("\"" + path + kTooLong, "File Open ERROR");
        return false;
    }
    readOnly_ = readOnlySwitch_ || (open && !open->writable);
    readOnlySwitch_ = false;
    original_->SetReadOnly(readOnly_);
    original_->SetModified(fromEditor);
    bound_ = open ? open->editor.get() : nullptr;
    originalTime_ = time;
    view_.OriginalTextChanged();
    view_.EditorStateChanged();
    SetCurrentFileName(path);
    if (HasReadOnlyAttribute(path))
        prompter_.Message("This file is READ ONLY.  To assemble or save it, either\rsave it "
                          "under a new name or change it to Read/Write",
                          "READ ONLY file loaded", PromptButtons::Ok, PromptIcon::Information);
    return true;
}

bool OpenFiles::SaveOriginal(const std::string& name) {
    if (original_->ReadOnly()) return false;
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
    // The buffer keeps its lone CRs; the file gets CR LF.
    std::string err = ReplaceFileContents(name, original_->FileText());
    if (!err.empty()) {
        Error("Couldn't save \"" + name + "\":\r" + err, "File Save ERROR");
        return false;
    }
    originalTime_ = ModificationTime(name);
    original_->SetModified(false);
    view_.SetRunButtonsEnabled(true);
    if (readOnly_) {
        readOnly_ = false;
        SetCurrentFileName(currentName_);
    }
    view_.EditorStateChanged();
    return true;
}

bool OpenFiles::CloseQueryOriginal() {
    if (!AskSaveChanges()) return false;
    // Files left in the enhanced editor with changes are asked about too: nothing that
    // was typed goes unasked.
    const std::string name = currentName_;
    const bool ro = readOnly_;
    const int current = current_;
    bool ok = true;
    originalMode_ = false;
    for (int i = 0; i < entries_.Count() && ok; ++i) {
        const EditorEntry& e = entries_[i];
        if (e.editor.get() == bound_ || !(e.writable && e.editor->Modified())) continue;
        bool guard = checkingDisk_;
        checkingDisk_ = true;
        Select(i);
        checkingDisk_ = guard;
        ok = AskSaveChanges();
    }
    originalMode_ = true;
    current_ = current;
    readOnly_ = ro;
    SetCurrentFileName(name);
    return ok;
}

} // namespace pellix
