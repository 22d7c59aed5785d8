// Files in orda's formats built by hand, an orda stand-in that writes them, and a runner
// that starts the real orda, for the bridge's tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/ChildProcess.h"
#include "shell/OrdaUnit.h"
#include "shell/TempFolder.h"

namespace pellix::test {

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

inline void PutLe16(std::string& d, size_t at, uint16_t w) {
    d[at] = char(w & 0xFF);
    d[at + 1] = char(w >> 8);
}

inline void AppendLe16(std::string& d, uint16_t w) {
    d += char(w & 0xFF);
    d += char(w >> 8);
}

// A map file as orda writes it: the header, the name table, records from 2048, zero padding
// up to 2560 bytes.
struct MapBuilder {
    uint16_t device = 2; // SX28AC
    uint16_t top = 0x7FF;
    std::vector<OrdaMapRecord> records;
    std::vector<std::string> names; // the source files by index
    bool pad = true;

    MapBuilder& Add(uint16_t address, uint16_t line, uint16_t listLine, uint16_t file = 0) {
        records.push_back({address, line, listLine, file});
        return *this;
    }
    std::string Bytes() const {
        std::string d(2048, '\0');
        const uint16_t header[6] = {0xAAFF, 0x0100, device, top, top, 0xFFFF};
        for (size_t i = 0; i < 6; ++i)
            PutLe16(d, 2 * i, header[i]);
        for (size_t i = 0; i < names.size(); ++i) {
            d[32 + 64 * i] = char(names[i].size());
            d.replace(33 + 64 * i, names[i].size(), names[i]);
        }
        for (const OrdaMapRecord& r : records) {
            AppendLe16(d, r.address);
            AppendLe16(d, r.line);
            AppendLe16(d, r.listLine);
            AppendLe16(d, r.file);
        }
        if (pad && d.size() < 2560) d.resize(2560, '\0');
        return d;
    }
};

// A BIN16 object with the ID and configuration words.
struct ObjectBuilder {
    int words = 2048;
    std::vector<uint16_t> code = std::vector<uint16_t>(4096, 0x0FFF);
    uint16_t id[16] = {0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF,
                       0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF, 0x0FFF};
    uint16_t fuse = 0x0FFB, fusex = 0x0BFF, deviceWord = 0xAB02;
    uint32_t frequency = 50'000'000;
    uint16_t irc = 0, breakWord = 0xFFFF;

    std::string Bytes() const {
        std::string d;
        for (int a = 0; a < words; ++a)
            AppendLe16(d, code[size_t(a)]);
        for (uint16_t w : id)
            AppendLe16(d, w);
        for (uint16_t w : {fuse, fusex, uint16_t(0xFFFF), deviceWord, uint16_t(frequency >> 16),
                           uint16_t(frequency & 0xFFFF), irc, breakWord})
            AppendLe16(d, w);
        return d;
    }
};

// A symbol file in orda's layout.
struct SymbolsBuilder {
    std::vector<std::string> lines;

    SymbolsBuilder& Add(const std::string& name, const char* type, uint32_t value, int line,
                        const char* bit = "  ") {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%-32s  %4s   %08X%s %04d", name.c_str(), type, value, bit,
                      line);
        lines.push_back(buf);
        return *this;
    }
    SymbolsBuilder& Watch(const std::string& text, const char* type, uint32_t value, unsigned count,
                          int line) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%-32s  %4s   %08X %02X %04d",
                      ("__SX_WATCH:" + text).c_str(), type, value, count, line);
        lines.push_back(buf);
        return *this;
    }
    std::string Text() const {
        std::string t = "Cross Reference\r\n" + std::to_string(lines.size()) +
                        " symbols\r\n\r\nSymbol                            Type   Value      Line";
        for (const std::string& l : lines)
            t += "\r\n" + l;
        return t + "\r\n";
    }
};

// Where orda puts the files of `source` for these arguments.
inline std::string OrdaOutputBase(const std::string& programFolder,
                                  const std::vector<std::string>& args) {
    std::string source = args.back();
    bool outDir = false;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "/O" && args[i + 1] == "USE_OUTPUT_DIR") outDir = true;
    std::filesystem::path p(source);
    std::string stem = p.stem().string();
    if (outDir) return programFolder + "/ORDA Output/" + stem;
    return p.parent_path().string() + "/" + stem;
}

// Stands in for orda: remembers how it was started and writes what the test gives it.
class FakeOrda final : public ChildProcess {
public:
    struct Call {
        std::string program;
        std::vector<std::string> arguments;
    };
    std::vector<Call> calls;
    std::string programFolder;
    // Files to write as output base + extension, then the exit code.
    std::vector<std::pair<std::string, std::string>> files;
    std::optional<int> exitCode = 0;

    explicit FakeOrda(std::string folder) : programFolder(std::move(folder)) {}

    std::optional<int> Run(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string&) override {
        calls.push_back({program, arguments});
        if (!exitCode) return exitCode;
        std::string base = OrdaOutputBase(programFolder, arguments);
        std::filesystem::create_directories(std::filesystem::path(base).parent_path());
        for (const auto& [ext, data] : files)
            WriteFile(base + ext, data);
        return exitCode;
    }
};

// Starts a program with fork and exec, its console sent nowhere, as the windowed program's
// runner does.
class PosixChildProcess final : public ChildProcess {
public:
    std::optional<int> Run(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& dir) override {
        pid_t pid = ::fork();
        if (pid < 0) return std::nullopt;
        if (pid == 0) {
            int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 0);
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            if (!dir.empty() && ::chdir(dir.c_str()) != 0) ::_exit(126);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const std::string& a : arguments)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) < 0) return std::nullopt;
        if (WIFEXITED(status)) {
            if (WEXITSTATUS(status) == 127) return std::nullopt;
            return WEXITSTATUS(status);
        }
        return kChildEndedAbnormally;
    }
};

inline std::string OrdaProgram() {
    const char* bin = std::getenv("PELLIX_BIN_DIR");
    return std::string(bin ? bin : "../../BUILD/bin") + "/orda";
}

inline std::string SourceDir() {
    const char* src = std::getenv("PELLIX_SOURCE_DIR");
    return src ? src : "../..";
}

} // namespace pellix::test
