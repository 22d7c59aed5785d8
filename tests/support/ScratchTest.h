// A test's own folder under the temporary directory, removed afterwards, and the built
// programs run from the shell with their output captured, as a user's script runs them.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pellix::test {

struct RunResult {
    int exit = -1;
    std::string out, err;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// For the shell: paths of the temporary directory may hold blanks.
inline std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A program of the build's bin folder; empty when the test runs outside ctest.
inline std::filesystem::path BuiltProgram(const char* name) {
    const char* bin = std::getenv("PELLIX_BIN_DIR");
    return bin ? std::filesystem::path(bin) / name : std::filesystem::path();
}

class ScratchTest : public testing::Test {
protected:
    // Named after the process and the test, so parallel runs never share a folder.
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pellix-test-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        WriteFile(dir_ / name, text);
    }
    std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }

    // `command` is a shell line; standard input comes from `input`.
    RunResult RunShell(const std::string& command, const std::string& input = "") const {
        Write("stdin", input);
        std::string line = command + " <" + Quoted(Path("stdin")) + " >" + Quoted(Path("out")) +
                           " 2>" + Quoted(Path("err"));
        int status = std::system(line.c_str());
        RunResult r;
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Read("out");
        r.err = Read("err");
        return r;
    }

    std::filesystem::path dir_;
};

} // namespace pellix::test
