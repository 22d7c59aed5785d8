// Where a pass reads its lines from: the source files of the run, and the stack of include
// files, macro expansions and REPT blocks, with the macros defined so far.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orda/Symbols.h"

namespace orda {

struct Macro {
    std::string name;
    int declared = -1; // argument count, -1 when free
    std::vector<std::string> params;
    std::vector<std::string> locals;
    std::vector<std::string> body;
};

// One source of lines: a file, a macro expansion or a REPT block being repeated.
struct Frame {
    enum Kind : uint8_t { kFile, kMacro, kRept } kind = kFile;
    // file
    int fileIndex = 0;
    const std::string* text = nullptr;
    size_t pos = 0;
    uint32_t line = 0;
    int level = 0; // include level
    // macro
    const Macro* macro = nullptr;
    std::vector<std::string> args;
    uint32_t localBase = 0;
    std::string suffix;
    size_t condDepth = 0;
    // macro and rept
    size_t next = 0;
    // rept
    std::shared_ptr<const std::vector<std::string>> lines;
    int count = 0;
    int rep = 1;
};

// One registered source file (main file first).
struct FileRecord {
    std::string name;     // as opened
    std::string resolved; // path used to read it
    std::string text;
    uint32_t lineCount = 0;
    std::vector<uint16_t> marks; // pass-1 mark per line
};

// The source files of the run. Frames point into it, so a record never moves.
class FileTable {
public:
    // Returns the new file's index.
    int Add(std::string name, std::string resolved, std::string text) {
        FileRecord& r = files_.emplace_back();
        r.name = std::move(name);
        r.resolved = std::move(resolved);
        r.text = std::move(text);
        r.lineCount = uint32_t(std::count(r.text.begin(), r.text.end(), '\n'));
        r.marks.assign(r.lineCount + 10, 0);
        return int(files_.size() - 1);
    }
    // -1 when no file was read from that path.
    int Find(const std::string& resolved) const {
        for (size_t i = 0; i < files_.size(); ++i)
            if (files_[i].resolved == resolved) return int(i);
        return -1;
    }
    size_t size() const { return files_.size(); }
    FileRecord& operator[](size_t i) { return files_[i]; }
    const FileRecord& operator[](size_t i) const { return files_[i]; }

private:
    std::deque<FileRecord> files_;
};

// The macro, REPT and include stacks of a pass.
struct SourceStacks {
    std::vector<Frame> frames;
    std::map<std::string, Macro, NoCaseLess> macros;
    // macro definition in progress; a refused definition is collected into `refused`
    Macro* defining = nullptr;
    int defineDepth = 0;
    size_t defineFrames = 0;
    Macro refused;
    // REPT collection in progress
    bool collecting = false;
    int collectDepth = 0;
    size_t collectFrames = 0;
    int collectCount = 0;
    bool collectOverflow = false;
    std::vector<std::string> collected;
    uint32_t invocations = 0;
    uint32_t localCounter = 0;

    // Frames of one kind on the stack.
    int Count(Frame::Kind kind) const {
        int n = 0;
        for (const Frame& f : frames)
            n += f.kind == kind;
        return n;
    }
    // The innermost REPT block's repetition, 1 outside any.
    int ReptNumber() const {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if (it->kind == Frame::kRept) return it->rep;
        return 1;
    }
    bool InRept() const {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if (it->kind == Frame::kRept) return true;
        return false;
    }
    const Frame* InnermostMacro() const {
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if (it->kind == Frame::kMacro) return &*it;
        return nullptr;
    }
};

} // namespace orda
