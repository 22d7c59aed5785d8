#include "shell/T_PMEditorArray.h"

#include "shell/FileNames.h"

namespace pellix {

int T_PMEditorArray::Add(std::unique_ptr<SourceEditor> editor, std::string listLine) {
    if (entries_.size() == capacity_) capacity_ *= 2;
    entries_.reserve(capacity_);
    EditorEntry e;
    e.editor = std::move(editor);
    e.fileName = kUntitledEntryName;
    e.listLine = std::move(listLine);
    entries_.push_back(std::move(e));
    return Count() - 1;
}

void T_PMEditorArray::Remove(int i) {
    if (!Valid(i)) return;
    if (entries_.size() == 1) {
        entries_[0].editor->SetText({});
        return;
    }
    entries_.erase(entries_.begin() + i);
    if (entries_.size() * 2 <= capacity_ && entries_.size() >= 2) {
        capacity_ = entries_.size();
        entries_.shrink_to_fit();
    }
}

int T_PMEditorArray::Find(const std::string& path) const {
    for (int i = 0; i < Count(); ++i)
        if (entries_[size_t(i)].fileName == path) return i;
    return -1;
}

} // namespace pellix
