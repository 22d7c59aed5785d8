// The open files of the enhanced editor: one entry per editor instance, in file-list order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/SourceEditor.h"

namespace pellix {

struct EditorEntry {
    std::unique_ptr<SourceEditor> editor;
    std::string fileName; // full path, or "Untitled.src" until first saved
    bool writable = true; // false for a file opened with /R
    int64_t modTime = 0;  // the file's time when loaded or saved, 0 when none
    std::string listLine; // the file list's line: the path, or "{Blank_n}"
};

class T_PMEditorArray {
public:
    int Count() const { return int(entries_.size()); }
    size_t Capacity() const { return capacity_; }
    EditorEntry& operator[](int i) { return entries_.at(size_t(i)); }
    const EditorEntry& operator[](int i) const { return entries_.at(size_t(i)); }
    bool Valid(int i) const { return i >= 0 && i < Count(); }

    // Appends an entry for `editor`; returns its index.
    int Add(std::unique_ptr<SourceEditor> editor, std::string listLine);
    // Removes entry i; the only entry is never removed, its text is cleared instead.
    void Remove(int i);
    // The entry whose file name is exactly `path`, or -1.
    int Find(const std::string& path) const;

private:
    std::vector<EditorEntry> entries_;
    // Grows by doubling from 2 and shrinks to the count when half empty, so a long
    // session of opening and closing does not hold on to memory.
    size_t capacity_ = 2;
};

} // namespace pellix
