// Runs the orda program as a process in a folder of its own, as users and the environment do.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace ordatest {

struct ProcessResult {
    int exitCode = -1;
    std::string out; // standard output
};

std::string OrdaPath();

// Runs `program` with `args` in `dir`, standard input from /dev/null, a fixed locale, time
// zone and date.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& dir);

// A fresh empty folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const; // empty when missing
    bool Exists(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Splits on blanks; a "quoted part" stays one argument.
std::vector<std::string> SplitArgs(const std::string& line);

// Text of an orda text file with CR LF turned into LF; `ok` false when a line feed comes
// without its carriage return.
std::string FromCrLf(const std::string& text, bool& ok);

// Console text with the run's folder and time taken made constant: "CWD = ." and
// "compiled in 0.00 seconds".
std::string Steady(const std::string& out);

} // namespace ordatest
