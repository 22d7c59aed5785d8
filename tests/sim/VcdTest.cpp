// The VCD trace of a chip's pins: the header GTKWave reads, one wire per pin the chip has,
// value changes at their simulated times, floating inputs as z.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "SxTestProgram.h"
#include "sim/LabBench.h"
#include "sim/VcdWriter.h"
#include "sim/VirtualChip.h"

using namespace pellix;
using namespace sxtest;

namespace {

TEST(Vcd, TheChipsPinsOverTime) {
    // RB.0 an output toggled by the program; RA.0 pulled up; the rest floating inputs.
    Program p;
    p.ModeN(0x0E).MovWLit(0x0E).MovPortW(RA); // pull-up on RA.0
    p.ModeN(0x0F).MovWLit(0xFE).MovPortW(RB); // RB.0 an output (latch 0)
    p.Label("loop").Setb(RB, 0).Nop().Clrb(RB, 0).Jmp("loop");
    auto core = std::make_unique<SxCore>(Sx28());
    core->LoadProgram(p.Words());
    core->SetPc(0);
    LabBench bench(*core);
    std::ostringstream out;
    bench.StartTrace(out);
    core->Run(20);
    bench.Drive(LabPin::PortPin(2, 7), PinLevel::High);
    core->Run(2);
    EXPECT_TRUE(bench.StopTrace());
    EXPECT_FALSE(bench.Tracing());
    const std::string vcd = out.str();

    std::string header = "$version pellix $end\n"
                         "$timescale 1 ns $end\n"
                         "$scope module chip $end\n";
    const char* names[] = {"RA0", "RA1", "RA2", "RA3", "RB0", "RB1", "RB2", "RB3", "RB4", "RB5",
                           "RB6", "RB7", "RC0", "RC1", "RC2", "RC3", "RC4", "RC5", "RC6", "RC7"};
    for (int i = 0; i < 20; ++i)
        header += "$var wire 1 " + std::string(1, char('!' + i)) + " " + names[i] + " $end\n";
    header += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    for (int i = 0; i < 20; ++i)
        header += "z" + std::string(1, char('!' + i)) + "\n";
    header += "$end\n";
    ASSERT_EQ(vcd.substr(0, header.size()), header);
    // 20 ns a cycle: RA.0's pull-up at cycle 2, RB.0 an output at 5, then high at 6 and low
    // at 8 in each six-cycle round of the loop; RC.7 driven at 20, just before the loop's
    // next CLRB; the end of the trace at the last cycle.
    EXPECT_EQ(vcd.substr(header.size()), "#40\n1!\n"
                                         "#100\n0%\n"
                                         "#120\n1%\n"
                                         "#160\n0%\n"
                                         "#240\n1%\n"
                                         "#280\n0%\n"
                                         "#360\n1%\n"
                                         "#400\n14\n0%\n"
                                         "#480\n");
}

TEST(Vcd, TimescaleFollowsTheClock) {
    // 4.9152 MHz in compatible mode: a cycle is 813.80208.. ns, a whole number of neither.
    SxChipConfig config = SxChipConfig::FromFuses(1, 0xFFA, 0xFFF, 4'915'200);
    auto core = std::make_unique<SxCore>(config);
    LabBench bench(*core);
    std::ostringstream out;
    bench.StartTrace(out);
    core->Run(3);
    bench.Drive(LabPin::PortPin(4, 7), PinLevel::Low);
    bench.StopTrace();
    const std::string vcd = out.str();
    EXPECT_NE(vcd.find("$timescale 1 ps $end\n"), std::string::npos);
    EXPECT_NE(vcd.find(" RE7 $end\n"), std::string::npos) << "an SX52 has RA0 to RE7";
    EXPECT_NE(vcd.find("$var wire 1 H RE7 $end\n"), std::string::npos) << "the 40th wire";
    // Three cycles at 4,915,200 a second (turbo on the SX48/52): 610.35 ns.
    EXPECT_EQ(vcd.substr(vcd.rfind("$end\n") + 5), "#610352\n0H\n");
}

TEST(Vcd, TimesFollowAChangeOfClockAndConfiguration) {
    // The key's clock and a new configuration change the cycle rate after the trace began:
    // the times before the change stand, the later ones go on at the new rate.
    auto core = std::make_unique<SxCore>(SxChipConfig::FromFuses(0, 0xFFF, 0xFFF, 50'000'000));
    LabBench bench(*core);
    std::ostringstream out;
    bench.StartTrace(out); // compatible mode at 50 MHz: 80 ns a cycle
    core->Run(10);
    bench.Drive(LabPin::PortPin(1, 0), PinLevel::High); // 800 ns
    core->SetFrequency(4'915'200);                      // 813.80208.. ns a cycle
    core->Run(3);
    bench.Drive(LabPin::PortPin(1, 0), PinLevel::Low);                     // 800 + 2441.4 ns
    core->SetFrequency(4'915'200);                                         // no change
    core->Configure(SxChipConfig::FromFuses(0, 0x7FF, 0xFFF, 40'000'000)); // turbo: 25 ns
    core->Run(4);
    bench.Drive(LabPin::PortPin(1, 0), PinLevel::High); // + 100 ns
    EXPECT_TRUE(bench.StopTrace());
    const std::string vcd = out.str();
    EXPECT_NE(vcd.find("$timescale 1 ns $end\n"), std::string::npos) << "the unit of the start";
    EXPECT_EQ(vcd.substr(vcd.rfind("$end\n") + 5), "#800\n1%\n#3241\n0%\n#3341\n1%\n");
}

TEST(Vcd, ANewClockGoesOnFromWhereTheOldOneWas) {
    // 50 MHz, 20 ns a cycle, for ten cycles; then 30 MHz (33.3 ns, rounded) for three; then
    // the virtual key's chip with its synthesizer changed under a running trace.
    auto core = std::make_unique<SxCore>(Sx28());
    LabBench bench(*core);
    std::ostringstream out;
    bench.StartTrace(out);
    core->Run(10);
    core->SetFrequency(30'000'000);
    core->Run(3);
    bench.Drive(LabPin::PortPin(1, 0), PinLevel::High);
    bench.StopTrace();
    std::string vcd = out.str();
    EXPECT_EQ(vcd.substr(vcd.rfind("$end\n") + 5), "#300\n1%\n");

    // The key's chip in compatible mode (unprogrammed fuses): four clocks a cycle.
    VirtualChip chip;
    chip.ClockOn(0x3D4620); // the clock of a 50 MHz program
    const uint64_t before = chip.Lab().CyclesPerSecond();
    std::ostringstream trace;
    chip.Lab().StartTrace(trace);
    chip.Core().Run(100);
    chip.ClockOn(0x003800); // 468.75 kHz
    ASSERT_EQ(chip.ChipHertz(), 468'750u);
    const uint64_t after = chip.Lab().CyclesPerSecond();
    ASSERT_NE(before, after);
    chip.Core().Run(1);
    chip.Lab().Drive(LabPin::PortPin(1, 0), PinLevel::High);
    chip.Lab().StopTrace();
    vcd = trace.str();
    const uint64_t unit = vcd.find("$timescale 1 ns") != std::string::npos ? 1000 : 1;
    const uint64_t expected = (PicosecondsOf(100, before) + PicosecondsOf(1, after)) / unit;
    const uint64_t written = std::stoull(vcd.substr(vcd.rfind('#') + 1));
    EXPECT_NEAR(double(written), double(expected), 1.0);
}

TEST(Vcd, WriterBuffersAndMarksTheEnd) {
    std::ostringstream out;
    {
        VcdWriter w(out);
        w.Begin("1 ns", "top", {"a", "b"}, {'1', 'x'}, 5);
        for (uint64_t t = 10; t < 2'000'000; t += 10) // megabytes: flushed on the way
            w.Change(t, size_t(t / 10 % 2), t % 20 ? '1' : '0');
        w.Change(2'000'000, 1, 'z');
        w.Change(2'000'000, 0, '0'); // the same time written once
        w.Finish(3'000'000);
        EXPECT_FALSE(w.Failed());
    }
    const std::string vcd = out.str();
    EXPECT_NE(vcd.find("#5\n$dumpvars\n1!\nx\"\n$end\n#10\n1\"\n#20\n0!\n"), std::string::npos);
    EXPECT_EQ(vcd.substr(vcd.size() - 36), "#1999990\n1\"\n#2000000\nz\"\n0!\n#3000000\n");
}

} // namespace
