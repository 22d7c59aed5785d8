// pellix-cli debug SOURCE|IMAGE [--port PORT] [--script FILE]
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "asm/Assembler.h"
#include "asm/Report.h"
#include "cli/CliCommand.h"
#include "link/DebugConsole.h"
#include "link/DebugControl.h"
#include "link/DebugKernel.h"
#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "link/PortFactory.h"
#include "link/SilentAbort.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"
#include "target/DeviceTables.h"
#include "target/ImageFile.h"
#include "target/LineEnds.h"
#include "target/MemoryGeometry.h"

namespace pellix::cli {

namespace {

bool ReadFile(const std::string& name, std::string& text) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return false;
    text = s.str();
    return true;
}

bool IsImageName(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    return EqualsNoCase(ext, ".sxh") || EqualsNoCase(ext, ".obj") || EqualsNoCase(ext, ".hex");
}

// Link errors as "error: TEXT." on standard error; the key's failures need no answer.
class ConsolePrompter final : public Prompter {
public:
    PromptAnswer Message(const std::string& text, const std::string&, PromptButtons,
                         PromptIcon) override {
        std::string line = text;
        for (char& ch : line)
            if (ch == '\r') ch = ' ';
        std::fprintf(stderr, "error: %s\n", line.c_str());
        return PromptAnswer::Abort;
    }
    std::optional<std::string> OpenFileName(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFileName(const FileDialogRequest&) override { return {}; }
};

// Programs the transfer image as Program does, with the IRC trim at its slowest setting.
// Stands in for the programmer's ProgramChip(false) until that lands; nothing else here
// depends on how it is done.
void ProgramTransferImage(KeyLink& link, const AssemblyRecord& record) {
    constexpr uint16_t kSlowestTrimBits = 0xB00; // trim 7: FUSEX bits 8, 9 and 11
    KeyProtocol key(link);
    link.ConnectKey();
    if (link.FirmwareVersion() != 3) key.ClockOff();
    key.EraseFor();
    const ProgramImage& image = record.transfer;
    int family = record.deviceFamily == 1 ? 1 : 0;
    MemoryGeometry g = ComputeGeometry(family, record.assembled.Fusex());
    uint16_t fusex = uint16_t((image.Fusex() & 0x4FF) | (family == 1 ? 0x08C : 0x00C) |
                              (family == 1 ? 0x300 : kSlowestTrimBits));
    uint16_t fuse = uint16_t(family == 1 ? (image.Fuse() | 0xA00) : image.Fuse());
    std::vector<uint16_t> code(size_t(g.memorySize)), id(kIdWords);
    for (int a = 0; a < g.memorySize; ++a)
        code[size_t(a)] = image.Code(a);
    for (int i = 0; i < kIdWords; ++i)
        id[size_t(i)] = image[kIdIndex + i] & 0x0FFF;
    key.ProgramStart();
    const uint16_t config[] = {fusex, fuse};
    key.ProgramBlock(config, kConfigPulseTime);
    key.ProgramWords(code, kCodePulseTime);
    key.ProgramWords(id, kCodePulseTime, kIdWords);
    key.ProgramEnd();
    key.Reset();
    link.ReleaseKey();
}

int Usage() {
    std::fprintf(stderr, "Usage: pellix-cli debug SOURCE|IMAGE [--port PORT] [--script FILE]\n");
    return 2;
}

int Run(const std::vector<std::string>& args) {
    std::string input, port = kDefaultPortName, script;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--port" || a == "--script") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return Usage();
            (a == "--port" ? port : script) = args[++i];
        } else if (a == "--help" || a == "-h") {
            std::printf("Usage: pellix-cli debug SOURCE|IMAGE [--port PORT] [--script FILE]\n"
                        "Prepares the program for debugging, programs it and reads commands\n"
                        "from FILE or standard input. PORT is COM1 to COM4, a device path or\n"
                        "sim (the virtual key); COM1 when not given.\n\n%s",
                        DebugConsole::HelpText().c_str());
            return 0;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else if (input.empty()) {
            input = a;
        } else {
            return Usage();
        }
    }
    if (input.empty()) return Usage();

    std::string text;
    if (!ReadFile(input, text)) {
        std::fprintf(stderr, "pellix-cli: cannot read %s: %s\n", input.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::ifstream scriptFile;
    if (!script.empty()) {
        scriptFile.open(script, std::ios::binary);
        if (!scriptFile) {
            std::fprintf(stderr, "pellix-cli: cannot read %s: %s\n", script.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    if (IsImageName(input)) {
        if (!LoadImageText(*record, text)) {
            std::fprintf(stderr, "pellix-cli: %s: %s\n", input.c_str(), record->message.c_str());
            return 1;
        }
    } else {
        record->source = ToCrLineEnds(text);
        Assemble(*record);
        if (record->status != 0) {
            std::fputs(DiagnosticText(*record, input).c_str(), stderr);
            return 1;
        }
    }
    PrepareDebug(*record);
    if (record->status != 0) {
        std::fprintf(stderr, "pellix-cli: %s\n", record->message.c_str());
        return 1;
    }

    SteadyTickSource ticks;
    ConsolePrompter prompter;
    VirtualKey virtualKey(record->deviceFamily);
    PortFactory ports(&virtualKey, ticks);
    KeyLink link(ports, ticks, prompter);
    link.portName = port;
    std::istream& in = script.empty() ? std::cin : scriptFile;
    const std::string source = script.empty() ? "stdin" : script;
    // At a terminal a mistyped command is only reported; in a script it ends the session.
    const bool interactive = script.empty() && ::isatty(0);
    bool failed = false;
    try {
        ProgramTransferImage(link, *record);
        DebugControl control(link, *record);
        DebugConsole console(control, std::cout);
        std::string error;
        if (!console.Begin(error)) {
            std::fprintf(stderr, "pellix-cli: %s\n", error.c_str());
            control.StopDebugging();
            return 1;
        }
        std::cout.flush();
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            DebugConsole::Result r = console.Execute(line, error);
            std::cout.flush();
            if (r == DebugConsole::Result::Quit) break;
            if (r == DebugConsole::Result::Error) {
                std::fprintf(stderr, "pellix-cli: %s:%d: %s\n", source.c_str(), number,
                             error.c_str());
                failed = true;
                if (!interactive) break;
            }
        }
        control.StopDebugging();
    } catch (const SilentAbort&) {
        return 1; // the link error has been told
    }
    return failed ? 1 : 0;
}

const CliRegistration registration({"debug", "SOURCE|IMAGE [--port PORT] [--script FILE]",
                                    "program for debugging and run debug commands from FILE "
                                    "or standard input",
                                    Run});

} // namespace

} // namespace pellix::cli
