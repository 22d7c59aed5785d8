// Everything orda needs from the outside world: console, files, clock. The real host talks
// to the operating system; MemoryHost keeps files in memory for tests, fuzzing and timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace orda {

// A file open for writing. Write returns the number of bytes stored; a failure is kept for
// Close, which flushes and closes the file and returns the system's reason for the first
// failure of a write or of the close (empty when everything was stored).
class OutFile {
public:
    virtual ~OutFile() = default;
    virtual size_t Write(const void* data, size_t size) = 0;
    size_t Write(std::string_view s) { return Write(s.data(), s.size()); }
    virtual std::string Close() = 0;
};

class OrdaHost {
public:
    virtual ~OrdaHost() = default;
    virtual void Print(std::string_view text) = 0;
    // One keystroke without echo; returns at once when the console cannot give one.
    virtual void WaitKey() = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // Null when the file cannot be created.
    virtual std::unique_ptr<OutFile> Create(const std::string& path) = 0;
    virtual void Remove(const std::string& path) = 0;
    // -1 when the file does not exist.
    virtual long long FileSize(const std::string& path) = 0;
    // Makes the folder and any missing ones above it; true when it exists afterwards.
    virtual bool MakeDirectory(const std::string& path) = 0;
    // Absolute, without a trailing separator.
    virtual std::string CurrentDirectory() = 0;
    // Folder of the running program, with a trailing separator; empty when unknown.
    virtual std::string ProgramDirectory(const std::string& argv0) = 0;
    // The per-user output folder (UserFolder.h), absolute with a trailing separator, for
    // when the one beside the program cannot be made; empty when there is none.
    virtual std::string UserOutputDirectory() = 0;
    virtual uint64_t Milliseconds() = 0;
    virtual std::tm LocalTime() = 0;
};

// The operating system. SOURCE_DATE_EPOCH, when set, fixes the date shown in list
// headings and written into the debug module (seconds since 1970, shown in local time).
class SystemHost final : public OrdaHost {
public:
    void Print(std::string_view text) override;
    void WaitKey() override;
    std::optional<std::string> ReadFile(const std::string& path) override;
    std::unique_ptr<OutFile> Create(const std::string& path) override;
    void Remove(const std::string& path) override;
    long long FileSize(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override;
    std::string CurrentDirectory() override;
    std::string ProgramDirectory(const std::string& argv0) override;
    std::string UserOutputDirectory() override;
    uint64_t Milliseconds() override;
    std::tm LocalTime() override;
};

// Files in a map, console text in a string, a fixed date; for tests, fuzzing and timing.
class MemoryHost final : public OrdaHost {
public:
    std::map<std::string, std::string> files;
    std::string console;
    std::string cwd = "/work";
    std::string programDir = "/bin/";
    std::string userOutputDir;     // none unless a test sets one
    std::string failMakeDirPrefix; // MakeDirectory fails for paths starting with this
    int keysWaited = 0;
    bool failCreate = false;      // every Create fails
    std::string failCreateSuffix; // Create fails for names ending in this
    size_t shortWriteLimit = 0;   // when set, each Write stores at most this many bytes
    // Bytes the disk still takes, over all files written; beyond them writes fail as on a
    // full disk.
    size_t diskSpace = SIZE_MAX;
    std::string failCloseSuffix; // closing fails for names ending in this
    std::tm now{};

    MemoryHost();
    void Print(std::string_view text) override { console += text; }
    void WaitKey() override { ++keysWaited; }
    std::optional<std::string> ReadFile(const std::string& path) override;
    std::unique_ptr<OutFile> Create(const std::string& path) override;
    void Remove(const std::string& path) override { files.erase(path); }
    long long FileSize(const std::string& path) override;
    bool MakeDirectory(const std::string& path) override {
        return failMakeDirPrefix.empty() || path.rfind(failMakeDirPrefix, 0) != 0;
    }
    std::string CurrentDirectory() override { return cwd; }
    std::string ProgramDirectory(const std::string&) override { return programDir; }
    std::string UserOutputDirectory() override { return userOutputDir; }
    uint64_t Milliseconds() override { return 0; }
    std::tm LocalTime() override { return now; }
};

} // namespace orda
