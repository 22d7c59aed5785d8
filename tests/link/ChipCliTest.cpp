// pellix-cli's chip commands in this process, on a virtual key that stays on its port from
// one command to the next, and the settings file they take their defaults from.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "asm/Assembler.h"
#include "cli/ChipCommands.h"
#include "cli/CliSettings.h"
#include "link/ClockUnit.h"
#include "link/LinkTestSupport.h"
#include "link/PortFactory.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"
#include "support/ScratchTest.h"
#include "target/ImageFile.h"
#include "target/LineEnds.h"

using namespace pellix;
using namespace pellix::cli;
namespace fs = std::filesystem;

namespace {

const char* kSource = " DEVICE SX28,OSCHS2,TURBO\n ID 'CLI'\n FREQ 4_000_000\n RESET start\n"
                      " ORG 0\nstart MOV W,#5Ah\n MOV RB,W\n JMP start\n";

struct Outcome {
    int exit;
    std::string out, err;
};

class ChipCli : public test::ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        Write("prog.src", kSource);
    }

    Outcome Run(ChipCommand command, std::vector<std::string> args) {
        std::ostringstream out, err;
        ChipContext context{ports, ticks, out, err, progressBar, defaults};
        int exit = command(context, args);
        return {exit, out.str(), err.str()};
    }

    // The source assembled the way the commands assemble it.
    std::unique_ptr<AssemblyRecord> Assembled(const std::string& text) {
        auto record = std::make_unique<AssemblyRecord>();
        record->StartUp();
        record->source = ToCrLineEnds(text);
        Assemble(*record);
        EXPECT_EQ(record->status, 0) << record->message;
        return record;
    }

    FakeTickSource ticks;
    VirtualKey key;
    PortFactory ports{&key, ticks};
    bool progressBar = false;
    ChipDefaults defaults{"sim", IrcSetting::Slowest};
};

} // namespace

TEST_F(ChipCli, ProgramVerifyAndReadBack) {
    Outcome r = Run(ProgramCommand, {Path("prog.src")});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Device verified OK\n") << "the chip is read back after writing";
    EXPECT_EQ(r.err, "") << "no bar when stderr is no terminal";
    EXPECT_EQ(key.Chip().Code(0), 0xC5A);
    EXPECT_EQ(key.Chip().Code(0x7FF), 0xA00) << "the reset vector";
    EXPECT_FALSE(key.Chip().Clocked());
    EXPECT_EQ(key.Chip().ResetCount(), 2) << "after programming and after the verify";
    r = Run(ProgramCommand, {Path("prog.src"), "--no-verify"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(key.Chip().ResetCount(), 3);

    r = Run(VerifyCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Device verified OK\n");

    r = Run(ReadCommand, {"-o", Path("chip.sxh")});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(Path("chip.sxh.tmp")));
    auto back = std::make_unique<AssemblyRecord>();
    back->StartUp();
    ASSERT_TRUE(LoadImageText(*back, Read("chip.sxh")));
    auto expected = Assembled(kSource);
    for (int a = 0; a < 2048; ++a)
        ASSERT_EQ(back->assembled.Code(a), expected->assembled.Code(a)) << a;
    EXPECT_EQ(back->assembled.IdText(), "CLI");

    // The image read back verifies, and so does it as an image file.
    r = Run(VerifyCommand, {Path("chip.sxh")});
    EXPECT_EQ(r.exit, 0) << r.out << r.err;
}

TEST_F(ChipCli, AFailedVerifyNamesTheAreaAndTheFirstWords) {
    ASSERT_EQ(Run(ProgramCommand, {Path("prog.src")}).exit, 0);
    std::string changed = kSource;
    changed.replace(changed.find("#5Ah"), 4, "#5Bh");
    Write("changed.src", changed);
    Outcome r = Run(VerifyCommand, {Path("changed.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "Verify failed at E\u00B2Flash\n  000: expected C5B, read C5A\n");

    std::string otherOsc = kSource;
    otherOsc.replace(otherOsc.find("OSCHS2"), 6, "OSCXT1");
    Write("osc.src", otherOsc);
    r = Run(VerifyCommand, {Path("osc.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Verify failed at Oscillator");
    EXPECT_NE(r.out.find("  FUSE: expected "), std::string::npos) << r.out;

    // An SX48/52 image against the SX28 on the board.
    Write("big.src", " DEVICE SX52\n NOP\n");
    r = Run(VerifyCommand, {Path("big.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "Verify failed at Device\n  the chip is an SX18/20/28, the image is for "
                     "an SX48/52\n");

    // And an SX28 image against an SX52.
    key.Chip().SetFamily(1);
    r = Run(VerifyCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "Verify failed at Device\n  the chip is an SX48/52, the image is for an "
                     "SX18/20/28\n");
    ASSERT_EQ(Run(ProgramCommand, {Path("big.src")}).exit, 0);
    r = Run(VerifyCommand, {Path("big.src")});
    EXPECT_EQ(r.exit, 0) << "a family-1 image passes the Device area: " << r.out;
}

TEST_F(ChipCli, RunStartsTheClockAndNeedsTheFullKey) {
    Outcome r = Run(RunCommand, {Path("prog.src")});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Device verified OK\nPellix is generating a clock signal of 4,000,000 Hz.\n");
    EXPECT_TRUE(key.Chip().Clocked());
    EXPECT_EQ(key.Chip().ClockWord(), SynthWord(4'000'000));

    key.Chip().SetFamily(0);
    key.faults.zeroSeed = true;
    r = Run(RunCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: Brisand does not support this function.\n");
    EXPECT_EQ(key.Chip().EraseCount(), 0) << "nothing was programmed";
    r = Run(ProgramCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 0) << "programming works with the programming-only key: " << r.err;
    EXPECT_EQ(key.Chip().Code(0), 0xC5A);
}

TEST_F(ChipCli, ClockOnAndOff) {
    Outcome r = Run(ClockCommand, {"4.9152MHz"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Pellix is generating a clock signal of 4,915,200 Hz.\n");
    EXPECT_EQ(key.Chip().ClockWord(), SynthWord(4'915'200));
    EXPECT_FALSE(key.InSession()) << "the key was released";
    r = Run(ClockCommand, {"OFF", "--port", "sim"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Pellix clock generator is OFF.\n");
    EXPECT_FALSE(key.Chip().Clocked());
    EXPECT_EQ(key.Chip().EraseCount(), 0) << "the clock does not touch the flash";

    r = Run(ClockCommand, {"120MHz"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(r.err, "pellix-cli: error: the clock runs from 400,000 to 110,000,000 Hz, not "
                     "120,000,000\n");
    r = Run(ClockCommand, {"fast"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(Run(ClockCommand, {}).exit, 2);

    key.faults.zeroSeed = true;
    r = Run(ClockCommand, {"4000000"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: Brisand does not support this function.\n");
}

TEST_F(ChipCli, LinkErrorsAreOneLineAndExit1) {
    key.faults.statusOn = 3; // erase, erase, then the programming start
    key.faults.statusValue = 3;
    Outcome r = Run(ProgramCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: Programming failed.\n");
    EXPECT_EQ(r.out, "");

    key.faults.noAnswer = true;
    r = Run(VerifyCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: Pellix not found on sim.\n");
    r = Run(ReadCommand, {"-o", Path("x.sxh")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_FALSE(fs::exists(Path("x.sxh"))) << "no image from a failed read";

    key.faults.noAnswer = false;
    key.faults.refuseOpen = true;
    r = Run(ProgramCommand, {Path("prog.src")});
    EXPECT_EQ(r.err, "pellix-cli: error: Unable to open sim: COM port in use by another "
                     "process.\n  Device or resource busy\n")
        << "the message box's line break becomes a colon; the reason follows on a line of its own";
}

TEST_F(ChipCli, TheCalibrationTableAndTheIrcSetting) {
    Outcome r = Run(ProgramCommand, {Path("prog.src"), "--irc", "4MHz"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "IRC trim 0: 4.60 MHz\nIRC trim 1: 4.44 MHz\nIRC trim 2: 4.27 MHz\n"
                     "IRC trim 3: 4.12 MHz\nIRC trim 4: 3.95 MHz (chosen)\nIRC trim 5: 3.80 MHz\n"
                     "IRC trim 6: 3.63 MHz\nIRC trim 7: 3.47 MHz\nDevice verified OK\n")
        << "the trim in FUSEX does not fail the verify";
    EXPECT_EQ(VirtualChip::TrimOfFusex(key.Chip().Fusex()), 4);

    defaults.irc = IrcSetting::Fastest;
    r = Run(ProgramCommand, {Path("prog.src")});
    EXPECT_EQ(r.out, "Device verified OK\n") << "no table without a calibration";
    EXPECT_EQ(VirtualChip::TrimOfFusex(key.Chip().Fusex()), 0) << "the setting's default";
    r = Run(ProgramCommand, {Path("prog.src"), "--irc=slowest"});
    EXPECT_EQ(VirtualChip::TrimOfFusex(key.Chip().Fusex()), 7);
    EXPECT_EQ(Run(ProgramCommand, {Path("prog.src"), "--irc", "medium"}).exit, 2);
}

TEST_F(ChipCli, ReadingAChipSmallerThanAssumedReadsItAgainAtItsSize) {
    key.Chip().LoadFusex(0xBFC); // 512 words
    for (int a = 0; a < 512; ++a)
        key.Chip().LoadCode(a, uint16_t(a));
    for (int i = 0; i < 16; ++i)
        key.Chip().LoadId(i, uint16_t(0xFF0 | i));
    Outcome r = Run(ReadCommand, {"--output", Path("small.sxh")});
    ASSERT_EQ(r.exit, 0) << r.err;
    auto back = std::make_unique<AssemblyRecord>();
    back->StartUp();
    ASSERT_TRUE(LoadImageText(*back, Read("small.sxh")));
    EXPECT_EQ(back->assembled.Fusex(), 0xBFC);
    EXPECT_EQ(back->assembled.Code(511), 511);
    EXPECT_EQ(back->assembled.Code(512), 0xFFF) << "no ID words taken for code";
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(back->assembled[kIdIndex + i], 0xFF0 | i);
}

// gpasm's output: its hex file as the image, or its .COD file, which also carries the FUSE
// of __config that the hex file cannot hold.
TEST_F(ChipCli, ProgramWhatGputilsWrote) {
    const std::string folder =
        std::string(std::getenv("PELLIX_SOURCE_DIR")) + "/tests/cod/gputils/";
    Outcome r = Run(ProgramCommand, {folder + "sx28.hex"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(key.Chip().Code(0), 0xA10);
    EXPECT_EQ(key.Chip().Code(0x10), 0x069);
    EXPECT_EQ(key.Chip().Fusex(), 0xF7F);
    r = Run(ProgramCommand, {folder + "sx28.cod"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Device verified OK\n");
    EXPECT_EQ(key.Chip().Code(0x10), 0x069);
    EXPECT_EQ(key.Chip().Id(0), 0xFF4);
    r = Run(VerifyCommand, {folder + "sx28.cod"});
    EXPECT_EQ(r.exit, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "Device verified OK\n");

    r = Run(ProgramCommand, {Path("missing.cod")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("I/O Error: Unable to open code file: " + Path("missing.cod")),
              std::string::npos)
        << r.err;
}

TEST_F(ChipCli, BadInputsAndUsage) {
    Outcome r = Run(ProgramCommand, {Path("missing.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: cannot read " + Path("missing.src") +
                         ": No such file or directory\n");
    EXPECT_EQ(key.Sessions(), 0) << "the key is not touched";

    Write("broken.sxh", ":0200000001\r\n");
    r = Run(ProgramCommand, {Path("broken.sxh")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: " + Path("broken.sxh") +
                         ": ERROR! Hex violation was encountered in file.\n");
    // An image without a word would program a blank chip and call it done.
    Write("empty.hex", ":020000040000FA\r\n:00000001FF\r\n");
    r = Run(ProgramCommand, {Path("empty.hex")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: " + Path("empty.hex") +
                         ": ERROR! The hex file holds no program words.\n");

    Write("bad.src", " DEVICE SX28\n JMP nowhere\n");
    r = Run(RunCommand, {Path("bad.src")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err.find(Path("bad.src") + ":2:6: error: Undefined symbol"), 0u) << r.err;
    EXPECT_EQ(key.Sessions(), 0);

    r = Run(ReadCommand, {});
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(r.err,
              "pellix-cli: error: -o IMAGE is missing\n"
              "Usage: pellix-cli read -o IMAGE [--port PORT] [--verify] [--trace FILE] [-v]\n");
    const std::string usage = "Usage: pellix-cli program IMAGE|SOURCE|COD [--port PORT] "
                              "[--irc slowest|4mhz|fastest] [--no-verify] [--trace FILE] [-v]\n";
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{}, "IMAGE|SOURCE|COD is missing"},
        {{"a.src", "b.src"}, "unexpected argument 'b.src'"},
        {{"a.src", "--port"}, "--port needs a value"},
        {{"a.src", "--port="}, "--port needs a value"},
        {{"a.src", "--trace"}, "--trace needs a value"},
        {{"a.src", "--bogus"}, "unknown option '--bogus'"},
        {{"a.src", "-v=1"}, "unknown option '-v=1'"},
        {{"a.src", "-o", "x.sxh"}, "unknown option '-o'"},
        {{"a.src", "--verify"}, "unknown option '--verify'"},
        {{"a.src", "--irc", "medium"}, "--irc takes slowest, 4mhz or fastest, not 'medium'"}};
    for (const auto& [args, problem] : refused) {
        r = Run(ProgramCommand, args);
        EXPECT_EQ(r.exit, 2) << problem;
        EXPECT_EQ(r.err, "pellix-cli: error: " + problem + "\n" + usage);
    }
    EXPECT_EQ(Run(ReadCommand, {"-o", "x.sxh", "extra"}).exit, 2);
    EXPECT_EQ(Run(ReadCommand, {"-o", "x.sxh", "--no-verify"}).exit, 2);
    EXPECT_EQ(Run(VerifyCommand, {"a.src", "--no-verify"}).exit, 2);
    EXPECT_EQ(Run(ClockCommand, {"4MHz", "--irc", "4mhz"}).exit, 2);
    EXPECT_EQ(key.Sessions(), 0);

    // A file named "-x" after "--".
    Write("-x", kSource);
    fs::path before = fs::current_path();
    fs::current_path(dir_);
    r = Run(ProgramCommand, {"--", "-x"});
    fs::current_path(before);
    EXPECT_EQ(r.exit, 0) << r.err;
}

TEST_F(ChipCli, BytesDamagedOnTheWayNeverPassAsAProgrammedChip) {
    auto expected = Assembled(kSource);
    auto holdsProgram = [&] {
        for (int a = 0; a < 2048; ++a)
            if (key.Chip().Code(a) != expected->assembled.Code(a)) return false;
        return true;
    };
    int caught = 0, unnoticed = 0;
    // One byte damaged somewhere in the session, from the commands to the last code words.
    for (int n = 20; n < 1100; n += 23) {
        key.Chip().SetFamily(0);
        key.faults.garbleRequestOn = n;
        Outcome r = Run(n % 2 ? ProgramCommand : RunCommand, {Path("prog.src")});
        key.faults = KeyFaults{};
        if (r.exit == 0) {
            EXPECT_TRUE(holdsProgram()) << "byte " << n << ": " << r.out;
            continue;
        }
        EXPECT_EQ(r.exit, 1);
        if (r.out.find("Verify failed at ") != std::string::npos) {
            ++caught;
            EXPECT_NE(r.err.find("pellix-cli: error: the chip does not hold the program written"),
                      std::string::npos)
                << r.err;
            EXPECT_FALSE(key.Chip().Clocked()) << "run starts no clock for a wrong chip";
        }
        // Without the read back the same damage went by.
        key.Chip().SetFamily(0);
        key.faults.garbleRequestOn = n;
        Outcome blind = Run(ProgramCommand, {Path("prog.src"), "--no-verify"});
        key.faults = KeyFaults{};
        if (blind.exit == 0 && !holdsProgram()) ++unnoticed;
    }
    EXPECT_GT(caught, 5);
    EXPECT_GT(unnoticed, 5) << "the damage is real";
}

TEST_F(ChipCli, ReadWithVerifyReadsTwiceAndKeepsNoDamagedImage) {
    ASSERT_EQ(Run(ProgramCommand, {Path("prog.src")}).exit, 0);
    Outcome clean = Run(ReadCommand, {"-o", Path("clean.sxh"), "--verify"});
    ASSERT_EQ(clean.exit, 0) << clean.err;
    int caught = 0;
    for (int n = 30; n < 2000; n += 37) {
        fs::remove(Path("r.sxh"));
        key.faults.garbleReplyOn = n;
        Outcome r = Run(ReadCommand, {"-o", Path("r.sxh"), "--verify"});
        key.faults = KeyFaults{};
        if (r.exit == 0) {
            EXPECT_EQ(Read("r.sxh"), Read("clean.sxh")) << "reply byte " << n;
            continue;
        }
        EXPECT_FALSE(fs::exists(Path("r.sxh"))) << n;
        if (r.err.find("two reads of the chip differ") != std::string::npos) {
            ++caught;
            EXPECT_NE(r.err.find(": first read "), std::string::npos) << r.err;
        }
    }
    EXPECT_GT(caught, 5);
    // Without --verify one read is all there is.
    key.faults.garbleReplyOn = 400;
    Outcome once = Run(ReadCommand, {"-o", Path("once.sxh")});
    EXPECT_EQ(once.exit, 0);
    EXPECT_NE(Read("once.sxh"), Read("clean.sxh"));
}

TEST_F(ChipCli, ASourceWithANulIsAssembledWhole) {
    std::string text = kSource;
    text.insert(text.find(" MOV RB"), std::string(1, '\0'));
    Write("nul.src", text);
    Outcome r = Run(ProgramCommand, {Path("nul.src")});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "pellix-cli: warning: " + Path("nul.src") +
                         ":7: dropped 1 control character (NUL), as pellix's editor does\n");
    auto expected = Assembled(kSource);
    for (int a = 0; a < 2048; ++a)
        ASSERT_EQ(key.Chip().Code(a), expected->assembled.Code(a)) << a;
}

TEST_F(ChipCli, TheBarOnATerminalEndsItsLineBeforeAnError) {
    progressBar = true;
    Outcome r = Run(ProgramCommand, {Path("prog.src")});
    ASSERT_EQ(r.exit, 0);
    std::string full = "Programming...       [" + std::string(32, '#') + "]\n";
    EXPECT_NE(r.err.find(full), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("\rErasing...           ["), 0u) << r.err;

    key.faults.statusOn = 10; // a code block
    key.faults.statusValue = 2;
    r = Run(ProgramCommand, {Path("prog.src")});
    EXPECT_EQ(r.exit, 1);
    const std::string tail = "]\npellix-cli: error: Chip connection failed.\n";
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail) << "the error on a line of its own";
}

TEST_F(ChipCli, TheTraceOfAProgrammingHoldsTheBytesOfTheExchange) {
    key.logRequests = true;
    // Programming alone, without the read back.
    Outcome r =
        Run(ProgramCommand, {Path("prog.src"), "--no-verify", "--trace", Path("line.trace")});
    ASSERT_EQ(r.exit, 0) << r.err;
    std::vector<test::TraceLine> lines;
    std::istringstream in(Read("line.trace"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(test::ParseTraceLine(line));
    ASSERT_GT(lines.size(), 2 * (2 + 1 + 64 + 1 + 1 + 1)) << "erase, start, blocks, end, reset";
    EXPECT_EQ(lines[0].raw, test::Text(" Pellix"));
    // Every byte queued after the identification, as the key took it, in order.
    test::Bytes sent, echoed;
    for (size_t i = 2; i < lines.size(); ++i) {
        const test::TraceLine& l = lines[i];
        if (l.direction == '>') {
            sent.insert(sent.end(), l.plain.begin(), l.plain.end());
            // The next burst from the key starts with the echo of this one (the end byte's
            // is never read).
            if (i + 1 < lines.size()) {
                const test::TraceLine& back = lines[i + 1];
                ASSERT_EQ(back.direction, '<') << i;
                ASSERT_GE(back.raw.size(), l.raw.size());
                EXPECT_TRUE(std::equal(l.raw.begin(), l.raw.end(), back.raw.begin())) << i;
                EXPECT_TRUE(std::equal(l.plain.begin(), l.plain.end(), back.plain.begin())) << i;
            }
        }
        EXPECT_GE(l.time, lines[i - 1].time);
    }
    EXPECT_EQ(sent, key.requestLog);
    EXPECT_EQ(sent.front(), 1) << "the erase command first";
    EXPECT_EQ(sent.back(), 0) << "the end byte last";

    // Each run writes its trace afresh; a trace that cannot be written stops the command.
    r = Run(VerifyCommand, {Path("prog.src"), "--trace=" + Path("line.trace")});
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string verify = Read("line.trace");
    const std::string hello = " > 20 50 65 6C 6C 69 78 |";
    EXPECT_EQ(verify.find(hello), verify.rfind(hello)) << "one connection: the verify's own";
    int sessions = key.Sessions();
    r = Run(ReadCommand, {"-o", Path("x.sxh"), "--trace", Path("no/such/dir/t")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: cannot write " + Path("no/such/dir/t") +
                         ": No such file or directory\n");
    EXPECT_EQ(key.Sessions(), sessions) << "the key is not touched";
}

TEST_F(ChipCli, VerboseTellsEachStepOnStandardError) {
    progressBar = true;
    Outcome r = Run(ProgramCommand, {Path("prog.src"), "-v", "--no-verify"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << "no bar among the step lines";
    std::istringstream in(r.err);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 74u);
    EXPECT_EQ(lines[0], "pellix-cli: opening sim at 57600 baud");
    EXPECT_EQ(lines[1], "pellix-cli: key found at 57600 baud, firmware version 3");
    EXPECT_EQ(lines[2], "pellix-cli: erase for 255 units");
    EXPECT_EQ(lines[3], "pellix-cli: erase for 245 units");
    EXPECT_EQ(lines[4], "pellix-cli: programming");
    EXPECT_EQ(lines[5].rfind("pellix-cli: program block of 2 words (configuration: FUSEX ", 0), 0u)
        << lines[5];
    EXPECT_EQ(lines[6], "pellix-cli: program block of 32 words (words 000-01F), pulse time 20");
    EXPECT_EQ(lines[69], "pellix-cli: program block of 32 words (words 7E0-7FF), pulse time 20");
    EXPECT_EQ(lines[70], "pellix-cli: program block of 16 words (ID), pulse time 20");
    EXPECT_EQ(lines[71].rfind("pellix-cli: programming end, oscillator count ", 0), 0u);
    EXPECT_EQ(lines[72], "pellix-cli: reset the chip");
    EXPECT_EQ(lines[73], "pellix-cli: end, port closed");

    // The fallback to the other rate and the programming-only key say so.
    key.faults.onlyBaud = 19200;
    key.faults.zeroSeed = true;
    r = Run(ReadCommand, {"-o", Path("x.sxh"), "--verbose", "--port", "sim"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err.rfind("pellix-cli: opening sim at 57600 baud\n"
                          "pellix-cli: no answer at 57600 baud\n"
                          "pellix-cli: opening sim at 19200 baud\n"
                          "pellix-cli: key found at 19200 baud, firmware version 3, a "
                          "programming-only key (scrambler state 0)\n"
                          "pellix-cli: reading\n"
                          "pellix-cli: read block of 3 words (device code, FUSEX, FUSE)\n"
                          "pellix-cli: read block of 128 words (words 000-07F)\n",
                          0),
              0u)
        << r.err;
}

TEST(ClockFrequencyArgument, HertzOrAUnitWholeHertzOnly) {
    EXPECT_EQ(ParseClockFrequency("4000000"), 4'000'000u);
    EXPECT_EQ(ParseClockFrequency("4_000_000"), 4'000'000u);
    EXPECT_EQ(ParseClockFrequency("4,000,000"), 4'000'000u);
    EXPECT_EQ(ParseClockFrequency("4MHz"), 4'000'000u);
    EXPECT_EQ(ParseClockFrequency("4.9152mhz"), 4'915'200u);
    EXPECT_EQ(ParseClockFrequency("4.9152M"), 4'915'200u);
    EXPECT_EQ(ParseClockFrequency("500k"), 500'000u);
    EXPECT_EQ(ParseClockFrequency("32.768kHz"), 32'768u);
    EXPECT_EQ(ParseClockFrequency("110000000Hz"), 110'000'000u);
    EXPECT_EQ(ParseClockFrequency("4.9152"), std::nullopt) << "hertz or megahertz?";
    EXPECT_EQ(ParseClockFrequency("1.5Hz"), std::nullopt) << "not whole hertz";
    EXPECT_EQ(ParseClockFrequency("4.0000001MHz"), std::nullopt);
    EXPECT_EQ(ParseClockFrequency(""), std::nullopt);
    EXPECT_EQ(ParseClockFrequency("MHz"), std::nullopt);
    EXPECT_EQ(ParseClockFrequency("4 MHz"), std::nullopt);
    EXPECT_EQ(ParseClockFrequency("-4MHz"), std::nullopt);
    EXPECT_EQ(ParseClockFrequency("99999999999999999999"), std::nullopt) << "no overflow";
    EXPECT_EQ(ParseClockFrequency("5000000000"), std::nullopt);
}

TEST(CliSettingsFile, ReadsWhatTheWindowedProgramWrites) {
    IniFile ini;
    ini.Parse("[General]\nFileListWidth=120\n\n"
              "[Configuration]\r\nComPort=/dev/ttyUSB0\r\nIRCcalibration=1\r\n"
              "CustomColors\\ColorA=\"ColorA=808080\"\n"
              "Quoted=\"a\\\"b\\\\c\" ; comment\n"
              "Spaced = COM2   \n"
              "Padded=\" a b \"  \n"
              "; ComPort=COM4\n"
              "[EditorWindow]\nTop=10\n");
    EXPECT_EQ(ini.Value("Configuration\\ComPort"), "/dev/ttyUSB0");
    EXPECT_EQ(ini.IntValue("Configuration\\IRCcalibration"), 1);
    EXPECT_EQ(ini.Value("Configuration\\CustomColors\\ColorA"), "ColorA=808080");
    EXPECT_EQ(ini.Value("Configuration\\Quoted"), "a\"b\\c");
    EXPECT_EQ(ini.Value("Configuration\\Spaced"), "COM2");
    EXPECT_EQ(ini.Value("Configuration\\Padded"), " a b ") << "blanks within quotes stay";
    EXPECT_EQ(ini.IntValue("FileListWidth"), 120);
    EXPECT_EQ(ini.IntValue("EditorWindow\\Top"), 10);
    EXPECT_EQ(ini.Value("Configuration\\Missing"), std::nullopt);
    EXPECT_EQ(ini.IntValue("Configuration\\ComPort"), std::nullopt) << "not a number";

    ChipDefaults d = ReadChipDefaults(ini);
    EXPECT_EQ(d.port, "/dev/ttyUSB0");
    EXPECT_EQ(d.irc, IrcSetting::FourMHz);
    IniFile empty;
    d = ReadChipDefaults(empty);
    EXPECT_EQ(d.port, "COM1");
    EXPECT_EQ(d.irc, IrcSetting::Slowest);
}

TEST(CliSettingsFile, NamesGivenTwiceAreTakenAsTheWindowedProgramTakesThem) {
    // What the settings fuzz target found Qt's reader doing with hand-written files.
    IniFile ini;
    ini.Parse("Configuration/ComPort=/dev/ttyUSB0\nConfiguration\\IRCcalibration=2\n"
              "[configuration]\nComPort=lower\n");
    EXPECT_EQ(ini.Value("Configuration\\ComPort"), "/dev/ttyUSB0") << "[General] holds paths";
    EXPECT_EQ(ini.IntValue("Configuration\\IRCcalibration"), 2);
    EXPECT_EQ(ini.Value("configuration\\ComPort"), "lower") << "names keep their case";

    // Sections are taken in the order of their names, [General] first; a later value of
    // one name replaces an earlier one.
    ini.Parse("[Configuration]\nComPort=A\n[ GENERAL ]\nConfiguration/ComPort=B\n"
              "[Zed]\nK=1\n[Configuration]\nComPort=C\n[Configuration/Sub]\nKey=2\n"
              "[Configuration]\nSub/Key=1\n");
    EXPECT_EQ(ini.Value("Configuration\\ComPort"), "C");
    EXPECT_EQ(ini.Value("Configuration\\Sub\\Key"), "2");
    EXPECT_EQ(ini.Value("Zed\\K"), "1");
    EXPECT_EQ(ReadChipDefaults(ini).port, "C");

    ini.Parse("[Configuration]\nIRCcalibration=3\n");
    EXPECT_EQ(ReadChipDefaults(ini).irc, IrcSetting::Fastest) << "as pellix clamps it";
}

TEST(CliSettingsFile, WhereItIs) {
    struct Keep {
        const char* name;
        std::optional<std::string> value;
        explicit Keep(const char* n) : name(n) {
            if (const char* v = std::getenv(n)) value = v;
        }
        ~Keep() {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    } settings("PELLIX_SETTINGS"), xdg("XDG_CONFIG_HOME"), home("HOME");
    ::setenv("PELLIX_SETTINGS", "/tmp/elsewhere.ini", 1);
    EXPECT_EQ(SettingsPath(), "/tmp/elsewhere.ini");
    ::unsetenv("PELLIX_SETTINGS");
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(SettingsPath(), "/tmp/xdg/pellix/settings.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsPath(), "/home/someone/.config/pellix/settings.ini");

    IniFile ini;
    EXPECT_TRUE(ini.Load("/nonexistent/pellix/settings.ini")) << "never written: defaults";
    EXPECT_FALSE(ini.Load("/")) << "a folder is no settings file";
}
