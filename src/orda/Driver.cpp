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

// Collapses "." and ".." so the CWD line shows the folder as the system would.
std::string Normalize(const std::string& path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (auto& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

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

Orda::Orda(OrdaHost& host) : host_(host) {}
Orda::~Orda() = default;

void Orda::Exit(int code) {
    throw ExitRequest{code};
}

void Orda::Fatal(int severity, int number) {
    if (number != -1) {
        if (!errorFile_ && !errorFileName_.empty()) errorFile_ = host_.Create(ErrorFilePath());
        fatalReport_ = true;
        Report(severity, number);
        fatalReport_ = false;
    }
    Exit(1); // the files are closed on the way out of Run
}

bool Orda::CloseOutput(std::unique_ptr<OutFile>& file, const std::string& name) {
    if (!file) return true;
    std::string reason = file->Close();
    file.reset();
    if (reason.empty()) return true;
    outputFailed_ = true;
    host_.Print(Format("\nCannot write file '%s': %s\n", name.c_str(), reason.c_str()));
    if (errorFile_)
        errorFile_->Write(Format("Cannot write file '%s': %s\r\n", name.c_str(), reason.c_str()));
    host_.Remove(name == errorFileName_ ? ErrorFilePath() : Resolve(name, false));
    return false;
}

void Orda::RemoveObjectOutputs() {
    for (const char* ext : {".map", ".obj", ".hex", ".hxl", ".hxh", ".sxe"})
        host_.Remove(Resolve(outputBase_ + ext, false));
}

std::string Orda::LeftOutLine(int number, uint32_t shown, uint32_t leftOut) const {
    return Format("Message %d repeated: %u more reports after the first %u were left out", number,
                  leftOut, shown);
}

void Orda::ReportLeftOut() {
    for (int n = 1; n <= kMessageCount; ++n) {
        if (unshown_[size_t(n)] == 0) continue;
        std::string line = LeftOutLine(n, shown_[size_t(n)], unshown_[size_t(n)]);
        host_.Print(line + "\n");
        if (errorFile_) errorFile_->Write(line + "\r\n");
        unshown_[size_t(n)] = 0;
    }
}

// cmperr.log lives in the working folder, the .err file beside the other outputs.
std::string Orda::ErrorFilePath() const {
    return Resolve(errorFileName_, options_.nohau);
}

std::string Orda::Resolve(const std::string& name, bool fromWorkDir) const {
    if (!name.empty() && name[0] == '/') return name;
    const std::string& base = fromWorkDir ? workDir_ : startDir_;
    if (base.empty()) return name;
    return base == "/" ? "/" + name : base + "/" + name;
}

int Orda::Run(const std::vector<std::string>& argv) {
    try {
        argv0_ = argv.empty() ? std::string("orda") : argv[0];
        for (const auto& a : argv)
            commandLine_ += a;
        if (commandLine_.size() > 1024) {
            host_.Print("AHA- Command Line too long!\n");
            commandLine_.resize(1024);
        }
        host_.Print(Format("\nORDA Cross-Assembler for Halvane SX-based microcontrollers "
                           "%20.20s\n",
                           kVersion));
        host_.Print("Part of the pellix development environment.\n");

        image_.assign(kImageWords, kBlank);
        symbolIndex_.reserve(1024);
        p_ = PassState{};
        p_.s = Settings{};
        OptionC("CORVANEX");
        OptionF("INHX8M");
        OptionR("DEC");
        OptionL("NOPAGE");

        bool usage = false;
        bool ok = ParseOptions(argv, usage);
        if (!ok) {
            PrintUsage();
            host_.Print("\nPress any key to end.\n");
            host_.WaitKey();
            if (usage) PrintMessageTable();
            return 1;
        }
        options_ = p_.s;
        pass0_ = p_.counters;

        startDir_ = Normalize(host_.CurrentDirectory());
        runTime_ = host_.LocalTime();
        FormFileNames(sourceArg_);
        idText_.clear();
        if (options_.corvanex) SetUpOutputDirectory();
        options_ = p_.s;
        host_.Print(Format("CWD = %.1023s\n", workDir_.c_str()));
        startMs_ = host_.Milliseconds();

        // Pass 1.
        std::string sourcePath = Resolve(sourceName_, false);
        auto text = host_.ReadFile(sourcePath);
        if (!text) {
            host_.Print(Format("\nCannot open Source file: <%s>", sourceName_.c_str()));
            if (options_.corvanex) {
                p_.pass = 1;
                arg_ = sourceName_;
                Fatal(2, kCannotOpen);
            }
            return 1;
        }
        FileRecord main;
        main.name = sourceName_;
        main.resolved = sourcePath;
        main.text = std::move(*text);
        main.lineCount = uint32_t(std::count(main.text.begin(), main.text.end(), '\n'));
        main.marks.assign(main.lineCount + 10, 0);
        files_.push_back(std::move(main));

        BeginPass(1);
        {
            errorFile_ = host_.Create(ErrorFilePath());
            if (!errorFile_)
                host_.Print(Format("\nCannot create error file '%s'", errorFileName_.c_str()));
        }
        RunPass();
        pass1_ = p_.counters;
        pass1Lines_ = p_.linesRead;
        pass1OscSeen_ = p_.oscLineSeen;
        Settings afterPass = p_.s;

        if (pass1_.errors == 0) {
            BeginPass(2);
            pass2Ran_ = true;
            if (p_.s.listMode != kListNone) OpenListAndMap();
            RunPass();
            pass2_ = p_.counters;
            afterPass = p_.s;
        }
        ReportLeftOut();
        ++p_.pass;
        endMs_ = host_.Milliseconds();
        Summary();
        WriteOutputs();
        // Open until now, so that it also tells of output files that could not be written.
        CloseOutput(errorFile_, errorFileName_);
        Cleanup();
        if (outputFailed_) {
            RemoveObjectOutputs();
            return 1;
        }

        int printed = pass0_.printed + pass1_.printed + pass2_.printed;
        int errors = pass0_.errors + pass1_.errors + pass2_.errors;
        int warnings = pass0_.warnings + pass1_.warnings + pass2_.warnings;
        (void)afterPass;
        if (printed < 1) return 0;
        if (errors > 0) return 1;
        if (warnings > 0) return 2;
        return 1;
    } catch (const ExitRequest& e) {
        // A run that stops early leaves no object output of an earlier run standing.
        if (listOpen_) {
            FlushQueue(true);
            ListLeftOut();
            CloseOutput(listFile_, outputBase_ + ".lst");
            listOpen_ = false;
        }
        mapFile_.reset();
        mapOpen_ = false;
        ReportLeftOut();
        CloseOutput(errorFile_, errorFileName_);
        if (!outputBase_.empty()) RemoveObjectOutputs();
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
    sourceArg_ = argv[i];
    return true;
}

bool Orda::Option(char letter, const std::string& v) {
    Settings& s = p_.s;
    switch (letter) {
    case 'C':
        return OptionC(v);
    case 'D':
        if (EqualNoCase(v, "LBL_START_ONE"))
            s.labelStartAny = false;
        else if (EqualNoCase(v, "LBL_START_ANY"))
            s.labelStartAny = true;
        return true;
    case 'E':
        return OptionE(v);
    case 'F':
        return OptionF(v);
    case 'I':
        s.caseInsensitive = true;
        return true;
    case 'L':
        return OptionL(v);
    case 'O':
        if (EqualNoCase(v, "USE_OUTPUT_DIR"))
            s.outputDirWanted = true;
        else if (EqualNoCase(v, "USE_SRC_DIR"))
            s.outputDirWanted = false;
        return true;
    case 'P':
        return OptionP(v);
    case 'Q':
        return OptionQ(v);
    case 'R':
        return OptionR(v);
    case 'T': {
        int t = ReadDecimal(v);
        uint16_t w = uint16_t(t);
        if (w > 20) {
            s.tabWidth = 20;
            return false;
        }
        s.tabWidth = w;
        return true;
    }
    case 'W':
        return OptionW(v);
    case 'Z':
        s.fullPathsInMap = false;
        return true;
    }
    return false;
}

bool Orda::OptionC(const std::string& v) {
    static constexpr std::pair<const char*, int> kSets[] = {{"SX", kSetSx},
                                                            {"CORVANEX", kSetCorvanex},
                                                            {"MCHIP", kSetMchip},
                                                            {"ALL", kSetAll},
                                                            {"DEBUGGER", kSetDebugger}};
    for (auto& [name, set] : kSets)
        if (EqualNoCase(v, name)) {
            p_.s.mnemonicSet = set;
            return true;
        }
    p_.s.mnemonicSet = kSetCorvanex;
    return false;
}

bool Orda::OptionE(const std::string& v) {
    if (EqualNoCase(v, "CORVANEX"))
        p_.s.corvanex = true;
    else if (EqualNoCase(v, "NOHAU"))
        p_.s.nohau = true;
    else if (EqualNoCase(v, "NONE"))
        p_.s.corvanex = p_.s.nohau = false;
    else
        return false;
    return true;
}

bool Orda::OptionF(const std::string& v) {
    static constexpr const char* kFormats[] = {"BIN16",  "INHX16", "INHX8M",
                                               "INHX8S", "INHX32", "IEEE695"};
    for (int i = 0; i < 6; ++i)
        if (EqualNoCase(v, kFormats[i])) {
            p_.s.objectFormat = i;
            return true;
        }
    p_.s.objectFormat = kBin16;
    return false;
}

bool Orda::OptionL(const std::string& v) {
    Settings& s = p_.s;
    bool ok = true;
    if (EqualNoCase(v, "NONE") || v == "0")
        s.listMode = kListNone;
    else if (EqualNoCase(v, "PAGE") || v == "1")
        s.listMode = kListPage;
    else if (EqualNoCase(v, "NOPAGE") || v == "2")
        s.listMode = kListNoPage;
    else {
        s.listMode = kListNone;
        ok = false;
    }
    s.pageLengthInForce = s.listMode == kListNoPage ? 0 : s.pageLength;
    return ok;
}

bool Orda::OptionP(const std::string& v) {
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

bool Orda::OptionQ(const std::string& v) {
    int n = ReadDecimal(v);
    int number = n < 0 ? -n : n;
    if (!FindMessage(number)) return false;
    p_.s.quiet[size_t(number)] = n < 0 ? 0 : 2;
    return true;
}

bool Orda::OptionR(const std::string& v) {
    int r = 0;
    if (EqualNoCase(v, "DEC") || EqualNoCase(v, "D"))
        r = 10;
    else if (EqualNoCase(v, "BIN") || EqualNoCase(v, "B"))
        r = 2;
    else if (EqualNoCase(v, "OCT") || EqualNoCase(v, "O"))
        r = 8;
    else if (EqualNoCase(v, "HEX") || EqualNoCase(v, "H"))
        r = 16;
    p_.s.radix = r ? r : 10;
    return r != 0;
}

bool Orda::OptionW(const std::string& v) {
    int w = ReadDecimal(v);
    if (w >= 3) {
        p_.s.warningLevel = 1;
        return false;
    }
    p_.s.warningLevel = w;
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

void Orda::FormFileNames(const std::string& source) {
    size_t slash = source.rfind('/');
    std::string dir = slash == std::string::npos ? "" : source.substr(0, slash + 1);
    std::string name = source.substr(dir.size());
    size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    if (dot != std::string::npos) name.resize(dot);
    sourceBase_ = dir + name;
    sourceNameNoExt_ = name;
    sourceName_ = sourceBase_ + (ext.empty() ? ".asm" : ext);
    outputBase_ = sourceBase_;
    std::string absDir = dir.empty() ? startDir_ : (dir[0] == '/' ? dir : startDir_ + "/" + dir);
    workDir_ = Normalize(absDir);
    errorFileName_ = options_.nohau ? "cmperr.log" : outputBase_ + ".err";
}

void Orda::SetUpOutputDirectory() {
    EnterSymbol("__ORDA", 1, 0, kData);
    p_.breakAddr = 0xFFFF;
    if (!options_.outputDirWanted) return;
    std::string dir = host_.ProgramDirectory(argv0_) + "ORDA Output/";
    bool made = host_.MakeDirectory(Resolve(dir, false));
    if (!made) {
        // Installed programs sit in folders the user cannot write to.
        dir = host_.UserOutputDirectory();
        made = !dir.empty() && host_.MakeDirectory(dir);
    }
    if (made) {
        outputBase_ = dir + sourceNameNoExt_;
        if (!options_.nohau) errorFileName_ = outputBase_ + ".err";
    }
}

void Orda::BeginPass(int pass) {
    PassState fresh;
    fresh.pass = pass;
    fresh.s = options_;
    fresh.dev.index = -1;
    p_ = std::move(fresh);
    DeviceSetUp();
    p_.s.deviceDeclared = options_.deviceDeclared;
    Frame f;
    f.kind = Frame::kFile;
    f.fileIndex = 0;
    f.name = files_[0].name;
    f.text = &files_[0].text;
    f.level = 0;
    p_.frames.push_back(std::move(f));
    p_.entryFiles.push_back(files_[0].name);
}

void Orda::RunPass() {
    while (!p_.ended && NextLine()) {
        if (p_.listingLine > maxLinesPerPass) {
            arg_ = std::to_string(maxLinesPerPass);
            Fatal(kError, kTooManyLines);
        }
        Statement();
    }
    if (!p_.ended) {
        if (p_.defining || p_.collecting) Report(kError, kUnexpectedEof);
        if (!p_.conds.empty()) Report(kError, kBadIfElse);
    }
    p_.frames.clear();
    if (p_.pass == 1) {
        curFileIndex_ = 0;
        curFileLine_ = 1;
        uint32_t saved = p_.listingLine;
        p_.listingLine = 1;
        if (!FindSymbol("__SX_IRC_CAL")) {
            EnterSymbol("__SX_IRC_CAL", 0, 0, kData);
            // Without the extension IRC_CAL does not exist, so its absence is no news.
            if (p_.s.corvanex) Report(kWarning, kNoIrcCal);
        }
        if (!FindSymbol("__SX_FREQ")) {
            EnterSymbol("__SX_FREQ", 50000000, 0, kData);
            Report(kWarning, kNoFreq);
        }
        p_.listingLine = saved;
    } else if (p_.pass == 2) {
        FlushQueue(true);
        if (mapOpen_) FinishMap();
        if (listOpen_) {
            ListLeftOut();
            ListCrossReference();
        }
        CloseOutput(listFile_, outputBase_ + ".lst");
        listOpen_ = false;
    }
}

int Orda::Report(int severityAndFlags, int number) {
    int severity = severityAndFlags & 0xFF;
    bool listingOnly = (severityAndFlags & kListingOnly) != 0;
    if (severity >= 2) lastError_ = number;
    const MessageEntry* m = FindMessage(number);
    if (!m) {
        host_.Print(Format("\n!!! Unknown error code %d, halting\n", number));
        ++p_.counters.errors;
        return -1;
    }
    const Settings& s = p_.s;
    if (severity < s.warningLevel || severity < s.quiet[size_t(number)]) return -1;
    std::string text = m->takesArgument ? FormatArg(m->text, arg_) : std::string(m->text);
    if (p_.pass == 0) {
        if (severity == 0)
            ++p_.counters.comments;
        else if (severity == 1)
            ++p_.counters.warnings;
        else
            ++p_.counters.errors;
        ++p_.counters.printed;
        host_.Print(std::string("\n") + SeverityWord(severity) + ": " + text + "\n");
        return -1;
    }
    // Pass 2 meets again what pass 1 already said about a line: list it, say it once.
    bool repeat = false;
    if (p_.pass == 2 && severity < 2) {
        auto it = pass1Printed_.find({p_.listingLine, number});
        if (it != pass1Printed_.end() && it->second > 0) {
            --it->second;
            repeat = true;
        }
    }
    if (!repeat) {
        if (severity == 0)
            ++p_.counters.comments;
        else if (severity == 1)
            ++p_.counters.warnings;
        else
            ++p_.counters.errors;
    }
    const std::string& fileName =
        curFileIndex_ < int(files_.size()) ? files_[size_t(curFileIndex_)].name : sourceName_;
    std::string line = fileName + "(" + std::to_string(curFileLine_) + ") Line " +
                       std::to_string(p_.listingLine) + ", " + SeverityWord(severity) + " " +
                       std::to_string(number) + ", Pass " + std::to_string(p_.pass) + ": " + text;
    const size_t n = size_t(number);
    if (listOpen_) {
        if (listed_[n] < kMaxRepeats || fatalReport_) {
            ++listed_[n];
            p_.queue.push_back({p_.listingLine, "****** " + line});
        } else {
            ++unlisted_[n];
        }
    }
    if (repeat) return -1;
    if (!listingOnly) {
        ++p_.counters.printed;
        if (shown_[n] < kMaxRepeats || fatalReport_) {
            ++shown_[n];
            host_.Print(line + "\n");
            if (s.nohau) {
                size_t open = line.find('(');
                if (open != std::string::npos) line[open] = '#';
                size_t close = line.find(')');
                if (close != std::string::npos) line[close] = '#';
            }
            if (errorFile_) errorFile_->Write(line + "\r\n");
        } else {
            ++unshown_[n];
        }
    }
    if (p_.pass == 1) {
        ++pass1Printed_[{p_.listingLine, number}];
        lineHadMessage_ = true;
        lineMessage_ = number;
        if (severity >= 2) lineHadError_ = true;
    }
    return -1;
}

int Orda::ReportOutsidePass1(int severityAndFlags, int number) {
    if (p_.pass == 1) return -1;
    return Report(severityAndFlags, number);
}

void Orda::Summary() {
    double seconds = double(endMs_ - startMs_) * 0.001;
    host_.Print(Format("\n%d lines compiled in %.2f seconds", int(pass1Lines_), seconds));
    host_.Print(Format("\n%d symbols", int(symbols_.size())));
    int printed = pass0_.printed + pass1_.printed + pass2_.printed;
    if (printed < 1) {
        host_.Print("\nNo errors detected by the assembler.\n");
        return;
    }
    host_.Print(Format("\n   %d warnings", pass0_.warnings + pass1_.warnings + pass2_.warnings));
    host_.Print(Format("\n   %d severe errors\n", pass0_.errors + pass1_.errors + pass2_.errors));
}

void Orda::WriteOutputs() {
    int errors = pass0_.errors + pass1_.errors + pass2_.errors;
    if (errors > 0) {
        host_.Print("\nNo output files are generated\n");
        RemoveObjectOutputs();
        return;
    }
    if (!WriteObject()) {
        host_.Print("\nCannot open object file");
        Exit(1);
    }
    if (p_.s.listMode == kListPage || p_.s.listMode == kListNoPage) WriteSymbolFile();
}

void Orda::Cleanup() {
    if (!errorFileName_.empty()) {
        std::string path = ErrorFilePath();
        long long size = host_.FileSize(path);
        if (size >= 0 && size < 4) host_.Remove(path);
    }
    if (p_.s.listMode == kListNone)
        for (const char* ext : {".map", ".sym", ".lst"})
            host_.Remove(Resolve(outputBase_ + ext, false));
}

} // namespace orda
