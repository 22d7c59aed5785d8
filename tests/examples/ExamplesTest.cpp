// The programs in examples/ do what their comments say.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "asm/Assembler.h"
#include "bridge/BridgeTestSupport.h"
#include "platform/FileIo.h"
#include "platform/ScriptedPrompter.h"
#include "sim/SxCore.h"
#include "target/LineEnds.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

std::string BinDir() {
    const char* bin = std::getenv("PELLIX_BIN_DIR");
    return bin ? bin : "../../BUILD/bin";
}

std::string ExamplePath(const std::string& name) {
    return SourceDir() + "/examples/" + name;
}

std::unique_ptr<AssemblyRecord> AssembleExample(const std::string& name) {
    FileRead file = ReadWholeFile(ExamplePath(name));
    EXPECT_TRUE(file.ok) << name;
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    record->source = ToCrLineEnds(file.data);
    Assemble(*record);
    EXPECT_EQ(record->status, 0) << name << ": " << record->message;
    return record;
}

// A chip programmed with the record's image, just after power-on.
std::unique_ptr<SxCore> Chip(const AssemblyRecord& record) {
    const ProgramImage& image = record.assembled;
    auto core = std::make_unique<SxCore>(SxChipConfig::FromFuses(
        record.deviceFamily, image.Fuse(), image.Fusex(), record.debug.frequency));
    std::vector<uint16_t> words(size_t(core->Config().memoryWords));
    for (size_t a = 0; a < words.size(); ++a)
        words[a] = image.Code(int(a));
    core->LoadProgram(words);
    core->PowerOn();
    return core;
}

// The cycles at which a port pin changed, looking after every instruction (or every
// `chunk` cycles, for long runs where that is close enough); `initial` gets the level
// before the first.
std::vector<uint64_t> PinEdges(SxCore& core, int port, int bit, uint64_t cycles, bool* initial,
                               uint64_t chunk = 0) {
    std::vector<uint64_t> edges;
    bool last = (core.Ports().Read(port) >> bit) & 1;
    if (initial) *initial = last;
    const uint64_t end = core.Cycles() + cycles;
    while (core.Cycles() < end) {
        if (chunk)
            core.Run(chunk);
        else
            core.Step();
        bool now = (core.Ports().Read(port) >> bit) & 1;
        if (now != last) edges.push_back(core.Cycles());
        last = now;
    }
    return edges;
}

struct Output {
    int exitCode = -1;
    std::string text;
};

// pellix-cli with `args`, its standard input from `input`.
Output Cli(const std::string& args, const std::string& input) {
    TempFolder dir;
    const std::string script = dir / "script.txt";
    WriteFile(script, input);
    const std::string command =
        BinDir() + "/pellix-cli " + args + " --script '" + script + "' 2>&1";
    Output out;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.text.append(buf, n);
    int status = pclose(p);
    out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

struct SimOutput {
    int exitCode = -1;
    std::string out, err, vcd;
};

// pellix-cli sim with `args`, standard input from `input`; the trace when `--vcd` names
// "trace.vcd" (in the run's own folder).
SimOutput Sim(const std::string& args, const std::string& input = "") {
    TempFolder dir;
    WriteFile(dir / "in", input);
    std::string line =
        "cd '" + dir.Path() + "' && " + BinDir() + "/pellix-cli sim " + args + " <in >out 2>err";
    int status = std::system(line.c_str());
    SimOutput r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadWholeFile(dir / "out").data;
    r.err = ReadWholeFile(dir / "err").data;
    r.vcd = ReadWholeFile(dir / "trace.vcd").data;
    return r;
}

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

// The last value each wire of a VCD took, by its name.
std::map<std::string, char> FinalValues(const std::string& vcd) {
    std::map<std::string, std::string> names; // id to name
    std::map<std::string, char> values;
    std::istringstream in(vcd);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first, size, id, name;
        words >> first;
        if (first == "$var" && (words >> size >> size >> id >> name)) {
            names[id] = name;
            continue;
        }
        if (line.size() >= 2 && (line[0] == '0' || line[0] == '1' || line[0] == 'z') &&
            names.count(line.substr(1)))
            values[names[line.substr(1)]] = line[0];
    }
    return values;
}

} // namespace

TEST(Examples, BlinkTogglesRb0EveryQuarterSecond) {
    auto record = AssembleExample("blink.src");
    EXPECT_EQ(record->deviceFamily, 0);
    EXPECT_EQ(record->assembled.IdText(), "BLINK");
    auto chip = Chip(*record);
    ASSERT_TRUE(chip->Config().turbo);
    const uint64_t perSecond = chip->Config().CyclesPerSecond();
    std::vector<uint64_t> edges =
        PinEdges(*chip, SxPorts::kPortB, 0, perSecond * 8 / 10, nullptr, 64);
    // RB.0 an output, the rest inputs.
    EXPECT_EQ(chip->Ports().Config(SxPorts::kPortB, SxPortRegister::Direction), 0xFE);
    ASSERT_EQ(edges.size(), 4u) << "at once, then every quarter second";
    EXPECT_LT(edges[0], 100u);
    for (size_t i = 1; i < edges.size(); ++i) {
        double ms = double(edges[i] - edges[i - 1]) * 1000.0 / double(perSecond);
        EXPECT_NEAR(ms, 250.0, 5.0) << "half period " << i;
    }
    // Nothing else on the port moves.
    EXPECT_EQ(chip->Ports().Latch(SxPorts::kPortB) & 0xFE, 0);
}

TEST(Examples, SerialSendsItsMessageAt9600Baud) {
    auto record = AssembleExample("serial.src");
    auto chip = Chip(*record);
    const double bitCycles = double(chip->Config().CyclesPerSecond()) / 9600.0;
    // Two messages and a bit: 26 characters of 10 bits each.
    bool initial = false;
    std::vector<uint64_t> edges = PinEdges(*chip, 0, 0, uint64_t(bitCycles * 10 * 26), &initial);
    ASSERT_GT(edges.size(), 20u);
    // The pin floats low until the program drives it high, then idles high until the first
    // start bit.
    ASSERT_FALSE(initial);
    ASSERT_LT(edges[0], 20u);
    ASSERT_GT(double(edges[1]), bitCycles) << "a bit's time of idle first";

    auto levelAt = [&](double cycle) {
        bool l = initial;
        for (uint64_t e : edges) {
            if (double(e) > cycle) break;
            l = !l;
        }
        return l;
    };
    std::string text;
    size_t i = 1;
    while (i < edges.size() && text.size() < 24) {
        const double start = double(edges[i]);
        ASSERT_FALSE(levelAt(start + bitCycles / 2)) << "start bit at " << start;
        int byte = 0;
        for (int b = 0; b < 8; ++b)
            byte |= int(levelAt(start + bitCycles * (1.5 + b))) << b;
        ASSERT_TRUE(levelAt(start + bitCycles * 9.5)) << "stop bit after '" << text << "'";
        text += char(byte);
        // Every edge of the frame lies on the bit grid (the interrupt's latency aside).
        const double stop = start + bitCycles * 9.5;
        while (i < edges.size() && double(edges[i]) < stop) {
            double bits = (double(edges[i]) - start) / bitCycles;
            EXPECT_NEAR(bits, std::round(bits), 10.0 / bitCycles) << "edge in '" << text << "'";
            ++i;
        }
    }
    EXPECT_EQ(text, "Hello, SX!\r\nHello, SX!\r\n");
}

TEST(Examples, Sx52FillsTheUpperBanks) {
    auto record = AssembleExample("sx52banks.src");
    EXPECT_EQ(record->deviceFamily, 1);
    auto chip = Chip(*record);
    chip->SetBreakpoint(record->debug.breakAddress);
    SxCore::RunResult r = chip->Run(10'000);
    ASSERT_EQ(r.reason, SxCore::StopReason::Breakpoint);
    for (int bank = 0x10; bank <= 0xF0; bank += 0x10)
        EXPECT_EQ(chip->PeekRegister(bank), bank) << "bank " << bank;
    EXPECT_EQ(chip->PeekRegister(0xA5), 0x5A);
    EXPECT_EQ(chip->PeekRegister(0xFF), 0xC3);
    EXPECT_EQ(chip->PeekRegister(0x0A), 0x80) << "total";
    EXPECT_EQ(chip->PeekRegister(0x25), 0x00) << "the lower bank of $A5 untouched";
    EXPECT_EQ(chip->PeekRegister(0x7F), 0x00) << "the lower bank of $FF untouched";
}

TEST(Examples, MacrosStopAtBreakWithTheirWatches) {
    auto record = AssembleExample("macros.src");
    EXPECT_EQ(record->debug.watchCount, 5);
    EXPECT_NE(record->debug.breakAddress, kNoBreak);

    // On the virtual key, through the debug kernel, as the Debug command does it.
    Output out = Cli("debug '" + ExamplePath("macros.src") + "' --port sim", "run\nwatch\n");
    ASSERT_EQ(out.exitCode, 0) << out.text;
    // The chip stops once the BREAK's NOP has run: at done, with its JMP next.
    char done[16];
    std::snprintf(done, sizeof done, "\nPC=%03X ", unsigned(record->debug.breakAddress + 1));
    EXPECT_NE(out.text.find(done), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("sum = 385"), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("count = 10"), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("big = 1_597"), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("sum.0 = %1"), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("fib+5 = 8\n"), std::string::npos) << out.text;
}

TEST(Examples, Sx52BanksOnTheVirtualKey) {
    Output out = Cli("debug '" + ExamplePath("sx52banks.src") + "' --port sim", "run\nwatch\n");
    ASSERT_EQ(out.exitCode, 0) << out.text;
    EXPECT_NE(out.text.find("total = $80"), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("$A5 = $5A"), std::string::npos) << out.text;
    EXPECT_NE(out.text.find("$FF = $C3"), std::string::npos) << out.text;
}

TEST(Examples, OrdaCounterWithIncludesCountsOnRb) {
    // Through the environment's bridge, with the real orda, from a copy of the folder.
    TempFolder dir;
    for (const char* f : {"counter.src", "ports.inc", "delay.inc"})
        fs::copy_file(ExamplePath(std::string("orda/") + f), dir / f);
    const std::string bin = dir / "bin";
    fs::create_directories(bin);
    fs::create_symlink(fs::absolute(OrdaProgram()), bin + "/ORDA.dll");
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    WorkingSettings settings;
    ScriptedPrompter prompter;
    PosixChildProcess process;
    OrdaUnit unit(*record, settings, prompter, process, bin);
    ASSERT_TRUE(unit.ORDA_Init());
    ASSERT_EQ(unit.ORDA_Run(dir / "counter.src"), 0) << "no warnings";
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(record->debug.ircChoice, 1) << "IRC_4MHZ, the program's own";
    EXPECT_EQ(record->debug.frequency, 4'000'000u);
    EXPECT_EQ(record->assembled.IdText(), "COUNTER");
    ASSERT_EQ(record->debug.watchCount, 2);

    auto chip = Chip(*record);
    // 10 ms a step at 4 MHz: watch RB count 0, 1, 2, 3.
    const uint64_t step = chip->Config().CyclesPerSecond() / 100;
    chip->Run(step / 2);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(chip->Ports().Read(SxPorts::kPortB), n) << "step " << n;
        chip->Run(step);
    }
    unit.EmptyOutputFolder();
}

// What people put in CI: the programs run from reset with pellix-cli sim, talking through
// their pins.
TEST(Examples, SerialSpeaksOnTheUartOfTheBench) {
    SimOutput r = Sim(Quote(ExamplePath("serial.src")) + " --uart TX=RA.0,BAUD=9600 --for 40ms");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 24), "Hello, SX!\r\nHello, SX!\r\n");
    EXPECT_EQ(r.out.find_first_not_of("Hello, SX!\r\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "Simulated 40 ms (2000000 cycles): PC=037 W=0B STATUS=1A [TO PD DC] "
                     "FSR=00 M=F INT=0 SKIP=0  JMP   035\n");
}

TEST(Examples, EchoAnswersInUpperCase) {
    const std::string uart = " --uart RX=RA.1,TX=RA.0,BAUD=9600";
    SimOutput r =
        Sim(Quote(ExamplePath("echo.src")) + uart + " --for 40ms", "Hello, world! {abc} 0123\r\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "HELLO, WORLD! {ABC} 0123\r\n");
    // Bytes two idle bits apart, and none: the line just idles.
    r = Sim(Quote(ExamplePath("echo.src")) + uart + ",GAP=2 --for 10ms", "xyz");
    EXPECT_EQ(r.out, "XYZ");
    r = Sim(Quote(ExamplePath("echo.src")) + uart + " --for 10ms");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Examples, ButtonCountsDebouncedPressesFromItsStimulus) {
    const std::string run =
        Quote(ExamplePath("button.src")) + " --stimulus " + Quote(ExamplePath("button.stim"));
    SimOutput r = Sim(run + " --for 400ms --vcd trace.vcd");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::map<std::string, char> leds = FinalValues(r.vcd);
    ASSERT_EQ(leds.size(), 20u) << "RA0-RA3, RB0-RB7, RC0-RC7";
    std::string count;
    for (int bit = 7; bit >= 0; --bit)
        count += leds["RC" + std::to_string(bit)];
    EXPECT_EQ(count, "00000100") << "four presses; bounces and the short touch not counted";
    EXPECT_EQ(leds["RB0"], '1') << "released: the pull-up holds it";

    // The fourth press is counted 10 ms after it began at 280 ms.
    r = Sim(run + " --for 400ms --until-pin RC.2=1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string said = "pellix-cli: RC.2 reached 1 at 289.";
    ASSERT_EQ(r.err.substr(0, said.size()), said) << r.err;
    EXPECT_NE(r.err.find("\nSimulated 289."), std::string::npos) << r.err;
}
