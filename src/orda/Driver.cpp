// Command line, file names, the order of the passes, the message reporter and the summary.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "orda/Orda.h"
#include "orda/OrdaText.h"

namespace orda {

namespace {

struct ExitRequest {
    int code;
};

constexpr const char* kUsage[] = {
    "\nUsage: ORDA [options] file[.asm]         where file = source file name\n",
    "\nOptions summary: ",
    "\nOpt Arguments                            Description           Default",
    "\n--- ----------------------------------   ------------------    -------",
    "\n/F  [INHX8M|INHX16|INHX8S|BIN16|IEEE695] Output Format         INHX8M",
    "\n/P  [SX18AC|SX20AC|SX28AC|SX48BD|SX52BD] Processor Type        SX18AC",
    "\n/R  [HEX|DEC|OCT]                        Default Radix         DEC",
    "\n/T  [TABWIDTH]                           Tab width             8",
    "\n/W  [0|1|2]                              Warning level         1",
    "\n/Q  [n|-n]                               Quiet or Unquiet      all unquieted",
    "\n                                         error messsage n",
    "\n/I  Turn on Case sensitivity             Symbols               Off",
    "\n/L  [NONE|NOPAGE|PAGE]                   List file control     NOPAGE",
    "\n/E  [NONE|NOHAU]                         Extensions for tools  NONE",
    "\n/H or /?                                 Display Help Message",
};

struct DeviceName {
    const char* name;
    int index;
};
constexpr DeviceName kDeviceNames[] = {
    {"SX18AC", 0}, {"SX18", 0},   {"SX18L", 0},  {"PINS18", 0}, {"SX20AC", 1}, {"SX20", 1},
    {"PINS20", 1}, {"SX28AC", 2}, {"SX28", 2},   {"SX28L", 2},  {"PINS28", 2}, {"SX48BD", 3},
    {"SX48", 3},   {"PINS48", 3}, {"SX52BD", 4}, {"SX52", 4},   {"PINS52", 4},
};

struct DeviceRow {
    const char* name;
    int words;
};
constexpr DeviceRow kDevices[] = {
    {"SX18AC", 2048}, {"SX20AC", 2048}, {"SX28AC", 2048}, {"SX48BD", 4096}, {"SX52BD", 4096},
};

} // namespace

int FindDeviceName(std::string_view name) {
    for (const auto& d : kDeviceNames)
        if (EqualNoCase(name, d.name)) return d.index;
    return -1;
}

const char* DeviceNameOf(int index) {
    return kDevices[index >= 0 && index < 5 ? index : 0].name;
}

int ReadDecimal(std::string_view s) {
    size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    uint32_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        v = v * 10 + uint32_t(s[i++] - '0');
    return neg ? -int32_t(v) : int32_t(v);
}

std::string LeftOutLine(int number, uint32_t shown, uint32_t leftOut) {
    return Format("Message %d repeated: %u more reports after the first %u were left out", number,
                  leftOut, shown);
}

Orda::Orda(OrdaHost& host) : host_(host) {}
Orda::~Orda() = default;

void Orda::Exit(int code) {
    throw ExitRequest{code};
}

void Orda::Fatal(int severity, int number, std::string_view arg) {
    if (number != -1) {
        if (!reports_.errorFile && !opt_.errorFileName.empty())
            reports_.errorFile = host_.Create(opt_.ErrorFilePath());
        reports_.fatal = true;
        Report(severity, number, arg);
        reports_.fatal = false;
    }
    Exit(1); // the files are closed on the way out of Run
}

bool Orda::CloseOutput(std::unique_ptr<OutFile>& file, const std::string& name) {
    if (!file) return true;
    std::string reason = file->Close();
    file.reset();
    if (reason.empty()) return true;
    run_.outputFailed = true;
    host_.Print(Format("\nCannot write file '%s': %s\n", name.c_str(), reason.c_str()));
    if (reports_.errorFile)
        reports_.errorFile->Write(
            Format("Cannot write file '%s': %s\r\n", name.c_str(), reason.c_str()));
    host_.Remove(name == opt_.errorFileName ? opt_.ErrorFilePath() : opt_.Resolve(name, false));
    return false;
}

void Orda::RemoveObjectOutputs() {
    for (const char* ext : {".map", ".obj", ".hex", ".hxl", ".hxh", ".sxe"})
        host_.Remove(opt_.OutputPath(ext));
}

void Orda::ReportLeftOut() {
    for (size_t n = 1; n <= kMessageCount; ++n) {
        if (reports_.unshown[n] == 0) continue;
        std::string line = LeftOutLine(int(n), reports_.shown[n], reports_.unshown[n]);
        host_.Print(line + "\n");
        if (reports_.errorFile) reports_.errorFile->Write(line + "\r\n");
        reports_.unshown[n] = 0;
    }
}

int Orda::Run(const std::vector<std::string>& argv) {
    try {
        opt_.argv0 = argv.empty() ? std::string("orda") : argv[0];
        for (const auto& a : argv)
            opt_.commandLine += a;
        if (opt_.commandLine.size() > 1024) {
            host_.Print("AHA- Command Line too long!\n");
            opt_.commandLine.resize(1024);
        }
        host_.Print(Format("\nORDA Cross-Assembler for Halvane SX-based microcontrollers "
                           "%20.20s\n",
                           kVersion));
        host_.Print("Part of the pellix development environment.\n");

        SetMnemonicSet(p_.s, "CORVANEX");
        SetObjectFormat(p_.s, "INHX8M");
        SetRadix(p_.s, "DEC");
        SetListMode(p_.s, "NOPAGE");

        bool usage = false;
        bool ok = ParseOptions(argv, usage);
        if (!ok) {
            PrintUsage();
            host_.Print("\nPress any key to end.\n");
            host_.WaitKey();
            if (usage) PrintMessageTable();
            return 1;
        }
        opt_.settings = p_.s;

        std::string currentDir = host_.CurrentDirectory();
        run_.time = host_.LocalTime();
        opt_.FormFileNames(currentDir);
        if (opt_.settings.corvanex) SetUpOutputDirectory();
        host_.Print(Format("CWD = %.1023s\n", opt_.workDir.c_str()));
        run_.startMs = host_.Milliseconds();

        // Pass 1.
        std::string sourcePath = opt_.Resolve(opt_.sourceName, false);
        auto text = host_.ReadFile(sourcePath);
        if (!text) {
            host_.Print(Format("\nCannot open Source file: <%s>", opt_.sourceName.c_str()));
            if (opt_.settings.corvanex) {
                p_.pass = 1;
                Fatal(2, kCannotOpen, opt_.sourceName);
            }
            return 1;
        }
        files_.Add(opt_.sourceName, sourcePath, std::move(*text));

        BeginPass(1);
        reports_.errorFile = host_.Create(opt_.ErrorFilePath());
        if (!reports_.errorFile)
            host_.Print(Format("\nCannot create error file '%s'", opt_.errorFileName.c_str()));
        RunPass();
        run_.pass1Lines = p_.linesRead;
        run_.pass1OscSeen = p_.oscLineSeen;

        if (reports_.byPass[1].errors == 0) {
            BeginPass(2);
            if (p_.s.listMode != kListNone) OpenListAndMap();
            RunPass();
        }
        ReportLeftOut();
        ++p_.pass;
        run_.endMs = host_.Milliseconds();
        Summary();
        WriteOutputs();
        // Open until now, so that it also tells of output files that could not be written.
        CloseOutput(reports_.errorFile, opt_.errorFileName);
        Cleanup();
        if (run_.outputFailed) {
            RemoveObjectOutputs();
            return 1;
        }

        const Counters total = reports_.Total();
        if (total.printed < 1) return 0;
        if (total.errors > 0) return 1;
        if (total.warnings > 0) return 2;
        return 1;
    } catch (const ExitRequest& e) {
        // A run that stops early leaves no object output of an earlier run standing.
        AbandonListing();
        ReportLeftOut();
        CloseOutput(reports_.errorFile, opt_.errorFileName);
        if (!opt_.outputBase.empty()) RemoveObjectOutputs();
        return e.code;
    }
}

bool Orda::ParseOptions(const std::vector<std::string>& argv, bool& usage) {
    size_t i = 1;
    for (; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a.empty() || (a[0] != '/' && a[0] != '-')) break;
        // an absolute path names the source file, not an option
        if (a[0] == '/' && a.find('/', 1) != std::string::npos) break;
        char letter = a.size() > 1 ? char(std::toupper((unsigned char)a[1])) : '\0';
        std::string value;
        if (letter && std::strchr("FPSRTWCLEQOD", letter)) {
            if (a.size() == 2) {
                if (i + 1 < argv.size() && !argv[i + 1].empty() && argv[i + 1][0] != '/' &&
                    argv[i + 1][0] != '-')
                    value = argv[++i];
                else if (i + 1 < argv.size() && argv[i + 1].empty())
                    ++i;
            } else if (a[2] == '=') {
                value = a.substr(3);
            } else {
                value = a.substr(2);
            }
        }
        if (letter == 'Q') usage = true;
        if (letter == '?' || letter == 'H') {
            PrintUsage();
            Exit(1);
        }
        switch (letter) {
        case 'C':
        case 'D':
        case 'E':
        case 'F':
        case 'I':
        case 'L':
        case 'O':
        case 'P':
        case 'Q':
        case 'R':
        case 'T':
        case 'W':
        case 'Z':
            if (!Option(letter, value)) {
                host_.Print(Format("\nIllegal option /%c %s\n", letter, value.c_str()));
                return false;
            }
            break;
        default:
            if (letter)
                host_.Print(Format("\nIllegal option /%c", letter));
            else
                host_.Print("\nIllegal option /");
            return false;
        }
    }
    if (argv.size() != i + 1 || argv[i].empty()) return false;
    opt_.sourceArg = argv[i];
    return true;
}

// The command line fills the settings of pass 0, which become the options.
bool Orda::Option(char letter, const std::string& v) {
    Settings& s = p_.s;
    switch (letter) {
    case 'C':
        return SetMnemonicSet(s, v);
    case 'D':
        if (EqualNoCase(v, "LBL_START_ONE"))
            s.labelStartAny = false;
        else if (EqualNoCase(v, "LBL_START_ANY"))
            s.labelStartAny = true;
        return true;
    case 'E':
        return SetExtension(s, v);
    case 'F':
        return SetObjectFormat(s, v);
    case 'I':
        s.caseInsensitive = true;
        return true;
    case 'L':
        return SetListMode(s, v);
    case 'O':
        if (EqualNoCase(v, "USE_OUTPUT_DIR"))
            s.outputDirWanted = true;
        else if (EqualNoCase(v, "USE_SRC_DIR"))
            s.outputDirWanted = false;
        return true;
    case 'P':
        return SetDevice(v);
    case 'Q':
        return SetQuiet(s, v);
    case 'R':
        return SetRadix(s, v);
    case 'T':
        return SetTabWidth(s, v);
    case 'W':
        return SetWarningLevel(s, v);
    case 'Z':
        s.fullPathsInMap = false;
        return true;
    }
    return false;
}

bool Orda::SetDevice(const std::string& v) {
    Settings& s = p_.s;
    if (EqualNoCase(v, "OLDREV")) {
        s.oldRev = true;
        DeviceSetUp();
        return true;
    }
    int d = FindDeviceName(v);
    if (d < 0) {
        if (!s.deviceDeclared) {
            s.device = 2;
            DeviceSetUp();
        }
        return false;
    }
    if (s.deviceDeclared && s.device != d) Report(kWarning, kDeviceOverride);
    s.device = d;
    s.deviceDeclared = true;
    DeviceSetUp();
    return true;
}

void Orda::DeviceSetUp() {
    Settings& s = p_.s;
    if (s.device < 0 || s.device > 4) s.device = 0;
    bool changed = p_.dev.index != s.device;
    DeviceValues& d = p_.dev;
    d.index = s.device;
    d.memSize = kDevices[s.device].words ? kDevices[s.device].words : 2048;
    d.highest = d.memSize - 1;
    d.deviceWord = uint16_t((s.oldRev ? 0x9B00 : 0xAB00) + s.device);
    d.family = s.device <= 2 ? 1 : 2;
    if (changed) {
        p_.fuse = 0x0FFB;
        p_.fusex = d.family == 1 ? 0x0BFF : 0x0FFF;
    }
}

void Orda::PrintUsage() {
    for (const char* line : kUsage)
        host_.Print(line);
}

void Orda::PrintMessageTable() {
    host_.Print("\n\nError message numbers for /Q and LIST Q=\nErr Message\n--- -------\n");
    for (const MessageEntry& m : MessageTable()) {
        std::string text = m.takesArgument ? Format(m.text, "--text--") : std::string(m.text);
        host_.Print(Format("%3d ", m.number) + text + "\n");
    }
}

void Orda::SetUpOutputDirectory() {
    symbols_.Enter("__ORDA", 1, 0, kData, p_.listingLine);
    if (!opt_.settings.outputDirWanted) return;
    std::string dir = host_.ProgramDirectory(opt_.argv0) + "ORDA Output/";
    bool made = host_.MakeDirectory(opt_.Resolve(dir, false));
    if (!made) {
        // Installed programs sit in folders the user cannot write to.
        dir = host_.UserOutputDirectory();
        made = !dir.empty() && host_.MakeDirectory(dir);
    }
    if (made) {
        opt_.outputBase = dir + opt_.sourceNameNoExt;
        if (!opt_.settings.nohau) opt_.errorFileName = opt_.outputBase + ".err";
    }
}

void Orda::BeginPass(int pass) {
    PassState fresh;
    fresh.pass = pass;
    fresh.s = opt_.settings;
    fresh.dev.index = -1;
    p_ = std::move(fresh);
    DeviceSetUp();
    p_.s.deviceDeclared = opt_.settings.deviceDeclared;
    PushFile(0, 0);
}

void Orda::RunPass() {
    while (!p_.ended && NextLine()) {
        if (p_.listingLine > maxLinesPerPass)
            Fatal(kError, kTooManyLines, std::to_string(maxLinesPerPass));
        HandleStatement();
    }
    if (!p_.ended) {
        if (p_.src.defining || p_.src.collecting) Report(kError, kUnexpectedEof);
        if (!p_.conds.empty()) Report(kError, kBadIfElse);
    }
    p_.src.frames.clear();
    if (p_.pass == 1)
        EndPass1();
    else if (p_.pass == 2)
        FinishListing();
}

int Orda::Report(int severityAndFlags, int number, std::string_view arg) {
    int severity = severityAndFlags & 0xFF;
    bool listingOnly = (severityAndFlags & kListingOnly) != 0;
    // after the last pass nothing is reported; pass 2 would count it
    Counters& counters = reports_.byPass[size_t(p_.pass < 2 ? p_.pass : 2)];
    const MessageEntry* m = FindMessage(number);
    if (!m) {
        host_.Print(Format("\n!!! Unknown error code %d, halting\n", number));
        ++counters.errors;
        return -1;
    }
    const Settings& s = p_.s;
    if (severity < s.warningLevel || severity < s.quiet[size_t(number)]) return -1;
    std::string text = m->takesArgument ? FormatArg(m->text, arg) : std::string(m->text);
    auto count = [&] {
        if (severity == 0)
            ++counters.comments;
        else if (severity == 1)
            ++counters.warnings;
        else
            ++counters.errors;
    };
    if (p_.pass == 0) {
        count();
        ++counters.printed;
        host_.Print(std::string("\n") + SeverityWord(severity) + ": " + text + "\n");
        return -1;
    }
    // Pass 2 meets again what pass 1 already said about a line: list it, say it once.
    bool repeat = false;
    if (p_.pass == 2 && severity < 2) {
        auto it = reports_.pass1Printed.find({p_.listingLine, number});
        if (it != reports_.pass1Printed.end() && it->second > 0) {
            --it->second;
            repeat = true;
        }
    }
    if (!repeat) count();
    const std::string& fileName =
        st_.fileIndex < int(files_.size()) ? files_[size_t(st_.fileIndex)].name : opt_.sourceName;
    std::string line = fileName + "(" + std::to_string(st_.fileLine) + ") Line " +
                       std::to_string(p_.listingLine) + ", " + SeverityWord(severity) + " " +
                       std::to_string(number) + ", Pass " + std::to_string(p_.pass) + ": " + text;
    const size_t n = size_t(number);
    if (list_.listFile) {
        if (reports_.listed[n] < kMaxRepeats || reports_.fatal) {
            ++reports_.listed[n];
            ListMessage("****** " + line);
        } else {
            ++reports_.unlisted[n];
        }
    }
    if (repeat) return -1;
    if (!listingOnly) {
        ++counters.printed;
        if (reports_.shown[n] < kMaxRepeats || reports_.fatal) {
            ++reports_.shown[n];
            host_.Print(line + "\n");
            if (s.nohau) {
                size_t open = line.find('(');
                if (open != std::string::npos) line[open] = '#';
                size_t close = line.find(')');
                if (close != std::string::npos) line[close] = '#';
            }
            if (reports_.errorFile) reports_.errorFile->Write(line + "\r\n");
        } else {
            ++reports_.unshown[n];
        }
    }
    if (p_.pass == 1) {
        ++reports_.pass1Printed[{p_.listingLine, number}];
        LineMarks& marks = reports_.marks;
        if (marks.line != p_.listingLine) marks = LineMarks{p_.listingLine};
        marks.message = number;
        if (severity >= 2) marks.error = true;
    }
    return -1;
}

int Orda::ReportOutsidePass1(int severityAndFlags, int number) {
    if (p_.pass == 1) return -1;
    return Report(severityAndFlags, number);
}

void Orda::Summary() {
    double seconds = double(run_.endMs - run_.startMs) * 0.001;
    host_.Print(Format("\n%d lines compiled in %.2f seconds", int(run_.pass1Lines), seconds));
    host_.Print(Format("\n%d symbols", int(symbols_.Count())));
    const Counters total = reports_.Total();
    if (total.printed < 1) {
        host_.Print("\nNo errors detected by the assembler.\n");
        return;
    }
    host_.Print(Format("\n   %d warnings", total.warnings));
    host_.Print(Format("\n   %d severe errors\n", total.errors));
}

void Orda::WriteOutputs() {
    if (reports_.Total().errors > 0) {
        host_.Print("\nNo output files are generated\n");
        RemoveObjectOutputs();
        return;
    }
    if (!WriteObject()) {
        host_.Print("\nCannot open object file");
        Exit(1);
    }
    if (p_.s.listMode == kListPage || p_.s.listMode == kListNoPage)
        run_.listingRemoved = !WriteSymbolFile();
}

void Orda::Cleanup() {
    if (!opt_.errorFileName.empty()) {
        std::string path = opt_.ErrorFilePath();
        long long size = host_.FileSize(path);
        if (size >= 0 && size < 4) host_.Remove(path);
    }
    if (p_.s.listMode == kListNone || run_.listingRemoved)
        for (const char* ext : {".map", ".sym", ".lst"})
            host_.Remove(opt_.OutputPath(ext));
}

} // namespace orda
