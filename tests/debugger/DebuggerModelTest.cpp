// The debugger views' models without windows: the debug window's session against the
// virtual key, the default placement, the register surface, watch entries and the code
// view's rows.
#include <gtest/gtest.h>

#include "debugger/CodeUnit.h"
#include "debugger/DebugUnit.h"
#include "debugger/RegisterUnit.h"
#include "debugger/WatchUnit.h"
#include "link/DebugTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

// count at 0x08 counts down from 3; the BREAK sits on the NOP after the loop, so a hit
// stops at "done", the instruction after it.
const char* kLoop = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
count DS 1
 ORG 0
start MOV count,#3
loop DECSZ count
 JMP loop
 BREAK
 NOP
done JMP done
)";

struct Window final : DebugWindowView {
    std::vector<uint8_t> masks;
    std::vector<std::string> statuses;
    int closed = 0;
    void SetButtons(uint8_t mask) override { masks.push_back(mask); }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void CloseWindow() override { ++closed; }
};

struct SessionRig {
    explicit SessionRig(const char* source = kLoop) : rig(source), session(rig.control, window) {
        view.visible = true;
        rig.control.SetView(DebugViewRole::Register, &view);
    }
    // Ticks until the run buttons come back (or the limit): the number of ticks.
    int TicksUntilIdle(int limit = 400) {
        for (int i = 1; i <= limit; ++i) {
            session.TimerTick();
            if (session.Buttons() == IdleButtonMask(rig.control.live.breakpoint)) return i;
        }
        return -1;
    }
    uint32_t Pc() const { return rig.control.live.programCounter; }

    DebugRig rig;
    Window window;
    std::vector<std::string> log;
    RecordingView view{log, "reg"};
    DebugSession session;
};

} // namespace

TEST(DebugSessionModel, RunButtonsStayOffUntilTheFirstStop) {
    SessionRig s;
    s.rig.control.live.breakpoint = kNoBreakpoint;
    s.rig.record->debug.breakAddress = kNoBreakpoint;
    s.session.Start();
    EXPECT_EQ(s.session.Buttons(), 0);
    EXPECT_TRUE(s.session.timer.Enabled());
    // The first tick finds the chip in the kernel: views refreshed, Poll stays off.
    EXPECT_EQ(s.TicksUntilIdle(), 1);
    EXPECT_EQ(s.session.Buttons(), kIdleButtons);
    EXPECT_EQ(s.window.statuses.back(), kStatusIdle);
    EXPECT_EQ(s.log.back(), "reg repaint all");
    EXPECT_EQ(s.Pc(), 0x7FFu) << "the chip stands at its reset vector";
    // A stopped chip that was read already: further ticks leave everything alone.
    size_t logged = s.log.size();
    s.session.TimerTick();
    EXPECT_EQ(s.log.size(), logged);
}

TEST(DebugSessionModel, StepWalkStopAndRunToTheBreakpoint) {
    SessionRig s;
    s.session.Start();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    EXPECT_EQ(s.session.Buttons(), kIdleButtonsWithPoll) << "the program has a BREAK";

    // Step: one instruction, everything off until the stop.
    s.session.Step();
    EXPECT_EQ(s.session.Buttons(), 0);
    EXPECT_EQ(s.TicksUntilIdle(), 1);
    EXPECT_EQ(s.Pc(), 0u);
    EXPECT_EQ(s.log.back(), "reg repaint");

    // Walk: only Stop while it steps on at every tick; Stop ends it at the next stop.
    s.session.Walk();
    EXPECT_EQ(s.session.Buttons(), kStopBit);
    s.session.TimerTick();
    s.session.TimerTick();
    EXPECT_EQ(s.session.Buttons(), kStopBit) << "still walking";
    EXPECT_GT(s.Pc(), 0u);
    s.session.Stop();
    EXPECT_EQ(s.session.Buttons(), 0);
    EXPECT_EQ(s.rig.control.flags.continuous, 0);
    EXPECT_EQ(s.TicksUntilIdle(), 1);

    // Run with a breakpoint: nothing enabled, not even Stop, until the chip stops at an
    // address other than the breakpoint: after the breakpoint's instruction has run.
    s.session.Run();
    EXPECT_EQ(s.session.Buttons(), 0);
    EXPECT_GT(s.TicksUntilIdle(), 0);
    EXPECT_EQ(s.Pc(), s.rig.record->debug.breakAddress + 1u);
    EXPECT_EQ(s.rig.control.live.Register(0x08), 0);
}

TEST(DebugSessionModel, HopStepsThroughALineAndRunWithoutBreakpointIsStoppedByPoll) {
    SessionRig s(R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
count DS 1
 ORG 0
start MOV count,#200
loop DJNZ count,loop
 JMP start
)");
    s.session.Start();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    s.session.Step(); // to 0, the MOV (two words on one line)
    ASSERT_GT(s.TicksUntilIdle(), 0);
    ASSERT_EQ(s.Pc(), 0u);
    s.session.Hop();
    EXPECT_GT(s.TicksUntilIdle(), 0);
    EXPECT_EQ(s.Pc(), 2u) << "both words of the MOV in one hop";

    s.session.Run();
    EXPECT_EQ(s.session.Buttons(), kPollBit | kStopBit);
    s.session.TimerTick();
    EXPECT_EQ(s.window.statuses.back(), kStatusRunning);
    // Poll without a breakpoint: a look at the chip, then it runs on.
    s.session.Poll();
    EXPECT_EQ(s.session.Buttons(), kPollBit | kStopBit);
    size_t refreshes = s.log.size();
    for (int i = 0; i < 5; ++i)
        s.session.TimerTick();
    EXPECT_GT(s.log.size(), refreshes) << "the stop was shown";
    EXPECT_EQ(s.session.Buttons(), kPollBit | kStopBit) << "still running freely";
    s.session.Stop();
    EXPECT_GT(s.TicksUntilIdle(), 0);
    EXPECT_EQ(s.session.Buttons(), kIdleButtons);
}

TEST(DebugSessionModel, AStopExactlyAtTheBreakpointRefreshesAndResumesOnceMore) {
    SessionRig s;
    s.session.Start();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    // Put the chip onto the breakpoint, then let a tick see it there.
    s.rig.control.SetProgramCounter(int(s.rig.record->debug.breakAddress));
    s.rig.control.flags.stateValid = 0;
    s.rig.control.flags.continuous = 1;
    s.rig.control.ResumeChip(RunModeApply);
    s.rig.control.flags.runMode = RunModeToBreak;
    s.session.SetButtons(0);
    size_t refreshes = s.log.size();
    s.session.TimerTick();
    EXPECT_GT(s.log.size(), refreshes) << "the views show the stop";
    EXPECT_EQ(s.rig.control.flags.continuous, 0);
    EXPECT_EQ(s.rig.control.flags.stateValid, 0) << "resumed once more";
    EXPECT_EQ(s.rig.control.flags.runMode, RunModeToBreak) << "in the same mode";
    EXPECT_EQ(s.session.Buttons(), 0) << "the buttons wait for a stop elsewhere";
}

// The same rule for a Step that lands on the breakpoint: the stop there is shown, and the
// chip steps once more before the buttons come back.
TEST(DebugSessionModel, AStepOntoTheBreakpointStepsOnceMore) {
    SessionRig s(" DEVICE SX28,TURBO,STACKX_OPTIONX\n RESET start\n ORG 0\n"
                 "start NOP\n BREAK\n NOP\ndone JMP done\n");
    s.session.Start();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    s.session.Step();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    ASSERT_EQ(s.Pc(), 0u);
    size_t refreshes = s.log.size();
    s.session.Step();
    EXPECT_EQ(s.TicksUntilIdle(), 2) << "the stop at the breakpoint, then the one after it";
    EXPECT_EQ(s.Pc(), 2u);
    const std::vector<std::string> shown(s.log.begin() + long(refreshes), s.log.end());
    EXPECT_EQ(shown,
              (std::vector<std::string>{"reg pc 1", "reg repaint", "reg pc 2", "reg repaint"}))
        << "both stops shown";
}

// A breakpoint on a JMP to itself: each hit stops the chip at the breakpoint again, so the
// window shows it and resumes, tick after tick, with no run button to press.
TEST(DebugSessionModel, ABreakpointOnAJumpToItselfKeepsTheRunGoing) {
    SessionRig s(R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 0
start NOP
 BREAK
done JMP done
)");
    s.session.Start();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    s.session.Run();
    size_t refreshes = s.log.size();
    for (int i = 0; i < 20; ++i)
        s.session.TimerTick();
    EXPECT_EQ(s.session.Buttons(), 0);
    EXPECT_EQ(s.Pc(), s.rig.record->debug.breakAddress);
    EXPECT_GE(s.log.size(), refreshes + 5) << "every stop is shown";
}

TEST(DebugSessionModel, ALinkFailureClosesTheWindowAtTheNextTick) {
    SessionRig s;
    s.session.Start();
    ASSERT_EQ(s.TicksUntilIdle(), 1);
    s.rig.link.ReleaseKey();
    s.session.TimerTick();
    EXPECT_EQ(s.window.closed, 1);
    EXPECT_FALSE(s.session.timer.Enabled());
}

TEST(DebugSessionModel, UpdateSpeedsAndTheTimer) {
    EXPECT_EQ(UpdateSpeedText(0), "Max.");
    EXPECT_EQ(UpdateSpeedText(1), "10");
    EXPECT_EQ(UpdateSpeedText(10), "1");
    EXPECT_EQ(UpdateSpeedInterval(0), 40u);
    EXPECT_EQ(UpdateSpeedInterval(1), 100u);
    EXPECT_EQ(UpdateSpeedInterval(10), 1000u);

    auto ticksPerSecond = [](uint32_t interval) {
        TickTimer t;
        t.SetInterval(interval, 0);
        t.Start(0);
        int n = 0;
        for (uint32_t ms = 0; ms <= 1000; ms += 10)
            n += t.Due(ms);
        return n;
    };
    EXPECT_EQ(ticksPerSecond(40), 25);
    EXPECT_EQ(ticksPerSecond(1000), 1);
    // A late look is one tick, not a burst.
    TickTimer t;
    t.SetInterval(40, 0);
    t.Start(0);
    EXPECT_TRUE(t.Due(500));
    EXPECT_FALSE(t.Due(510));
    EXPECT_TRUE(t.Due(540));
}

TEST(DebugPlacementModel, WindowsAroundTheRegisterView) {
    DebugWindowSizes s{200, 300, 500, 400, 260, 120, true, 1600, 1200};
    DebugPlacement p = PlaceDebugWindows(s);
    // W = 260, X = (1600 + 500 - 260) / 2 = 920, Y = 400 + 1200 / 32 = 437.
    EXPECT_EQ(p.debug, (PlacedRect{920, 137, 200, 300}));
    EXPECT_EQ(p.registers, (PlacedRect{420, 37, 500, 400}));
    EXPECT_EQ(p.code, (PlacedRect{420, 437, 500, 1125 - 437}));
    EXPECT_EQ(p.watch, (PlacedRect{920, 437, 260, 120}));
    s.watchEnabled = false;
    EXPECT_EQ(PlaceDebugWindows(s).debug.left, (1600 + 500 - 200) / 2);
}

TEST(RegisterModel, LabelsHeadersAndBanks) {
    EXPECT_EQ(GlobalRowLabel(0, false, 3), "IND");
    EXPECT_EQ(GlobalRowLabel(1, false, 3), "RTCC");
    EXPECT_EQ(GlobalRowLabel(1, true, 3), "WREG");
    EXPECT_EQ(GlobalRowLabel(7, false, 3), "RC");
    EXPECT_EQ(GlobalRowLabel(8, false, 3), "08");
    EXPECT_EQ(GlobalRowLabel(7, false, 2), "07");
    EXPECT_EQ(GlobalRowLabel(9, false, 5), "RE");
    EXPECT_EQ(BankHeaderText(0x35, 0), " 2x ");
    EXPECT_EQ(BankHeaderText(0xF0, 0), " Ex ");

    // FSR 0x35: IND reads 0x35, and only the "3x" column is in FSR's bank.
    EXPECT_EQ(FsrTarget(0x35, 0), 0x35);
    EXPECT_EQ(FsrTarget(0x25, 0), 0x05);
    EXPECT_EQ(FsrTarget(0x25, 1), 0x25);
    for (int column = 0x10; column <= 0xF0; column += 0x20)
        EXPECT_EQ(InOtherBank(column + 5, 0x35, 0), column != 0x30) << column;
    EXPECT_FALSE(InOtherBank(0x05, 0x35, 0)) << "global registers belong to every bank";
    EXPECT_FALSE(InOtherBank(0x3A, 0x35, 1));
    EXPECT_TRUE(InOtherBank(0x4A, 0x35, 1));
}

TEST(RegisterModel, TypingAndMovingTheCursor) {
    // "7", "A" into a family-0 register; "A" into M; a first digit of 0x1F on family 1.
    uint8_t v = TypeDigit(0x55, true, 7, 0x10, 0);
    v = TypeDigit(v, false, 0xA, 0x10, 0);
    EXPECT_EQ(v, 0x7A);
    EXPECT_EQ(TypeDigit(0xFF, true, 0xA, kRegisterM, 0), 0x0A);
    EXPECT_EQ(TypeDigit(0x0A, false, 0xB, kRegisterM, 0), 0x0B) << "M holds four bits";
    EXPECT_EQ(TypeDigit(0x00, false, 0xF, 0x10, 1), 0x0F);
    EXPECT_EQ(TypeDigit(0x01, false, 0xF, 0x10, 1), 0x1F);

    EXPECT_EQ(NextRegister(0x0E, 0, 8), 0x0F);
    EXPECT_EQ(NextRegister(0x0F, 0, 8), kRegisterM);
    EXPECT_EQ(NextRegister(kRegisterM, 0, 8), kRegisterW);
    EXPECT_EQ(NextRegister(kRegisterW, 0, 8), 0x10);
    EXPECT_EQ(NextRegister(0x1F, 0, 8), 0x30) << "on to the next bank";
    EXPECT_EQ(NextRegister(0x1F, 1, 1), 0x20);
    EXPECT_EQ(NextRegister(0xFF, 0, 8), 0x00);
    EXPECT_EQ(NextRegister(kRegisterW, 0, 4), 0x90);
    EXPECT_EQ(PreviousRegister(0x00, 0, 8), 0xFF);
    EXPECT_EQ(PreviousRegister(kRegisterM, 0, 8), 0x0F);
    EXPECT_EQ(PreviousRegister(kRegisterW, 0, 8), kRegisterM);
    EXPECT_EQ(PreviousRegister(0x10, 0, 8), kRegisterW);
    EXPECT_EQ(PreviousRegister(0x30, 0, 8), 0x1F);
    EXPECT_EQ(RightRegister(0x15, 0, 8), 0x35);
    EXPECT_EQ(RightRegister(0x15, 1, 1), 0x25);
    EXPECT_EQ(LeftRegister(0x35, 0, 8), 0x15);
    EXPECT_EQ(RightRegister(0x05, 0, 8), 0x15);
    EXPECT_EQ(LeftRegister(0x15, 0, 8), 0x05);
    // Walking the whole ring comes back where it started.
    for (int family : {0, 1}) {
        int banks = family == 1 ? 16 : 8, reg = 0, steps = 0;
        do {
            reg = NextRegister(reg, family, banks);
            ++steps;
        } while (reg != 0 && steps < 1000);
        EXPECT_EQ(reg, 0);
        EXPECT_EQ(steps, family == 1 ? 256 + 2 : 16 + 128 + 2);
    }
}

TEST(RegisterModel, StripFollowsTheProgramCounter) {
    EXPECT_EQ(StripTopFor(0, 0, 2048), 0);
    EXPECT_EQ(StripTopFor(0, 10, 2048), 0) << "pc on the 11th line is in view";
    EXPECT_EQ(StripTopFor(0, 20, 2048), 7); // pc on the 14th line
    EXPECT_EQ(StripTopFor(0, 2, 2048), 0);
    EXPECT_EQ(StripTopFor(100, 105, 2048), 100) << "already in view";
    EXPECT_EQ(StripTopFor(100, 200, 2048), 187); // pc on the 14th line
    EXPECT_EQ(StripTopFor(100, 50, 2048), 47);   // pc on the 4th line
    EXPECT_EQ(StripTopFor(0, 2047, 2048), 2048 - 17);
}

TEST(RegisterModel, SurfaceColoursAfterAChange) {
    auto record = AssembleText(kLoop);
    RegisterSurface surface;
    surface.Configure(0, ComputeGeometry(0, record->assembled.Fusex()), RegisterMetrics{});
    DebugState shown, live;
    shown.registers[4] = live.registers[4] = 0x35; // FSR
    live.registers[0x35] = 0x11;
    live.registers[0x53] = 0x22;
    live.programCounter = 1;
    live.skipFlag = 1;
    live.breakpoint = 5;
    surface.MarkChanges(live, shown);
    auto value = [&](int reg) {
        for (const PaintCell& c : surface.Cells(live, *record))
            if (c.kind == CellKind::Value && c.index == reg) return c;
        ADD_FAILURE() << "no cell for " << reg;
        return PaintCell{};
    };
    EXPECT_EQ(value(0x35).color, CellColor::Changed);
    EXPECT_TRUE(value(0x35).frame) << "IND's target";
    EXPECT_EQ(value(0x35).text, "11");
    EXPECT_EQ(value(0x53).color, CellColor::OtherChanged);
    EXPECT_EQ(value(0x54).color, CellColor::OtherBank);
    EXPECT_EQ(value(0x36).color, CellColor::Normal);
    EXPECT_FALSE(value(0x36).frame);
    // The changes stay marked until the next refresh, whatever the views do meanwhile.
    EXPECT_EQ(value(0x35).color, CellColor::Changed);
    surface.MarkChanges(live, live);
    EXPECT_EQ(value(0x35).color, CellColor::Normal);

    // The strip: SKIP makes the line after the program counter current; unused words.
    std::vector<PaintCell> cells = surface.Cells(live, *record);
    auto strip = [&](int line) {
        for (const PaintCell& c : cells)
            if (c.kind == CellKind::StripText && c.index == line) return c;
        return PaintCell{};
    };
    EXPECT_EQ(strip(2).color, CellColor::Current);
    EXPECT_NE(strip(1).color, CellColor::Current);
    EXPECT_EQ(strip(5).color, CellColor::Breakpoint);
    EXPECT_NE(strip(16).text.find(kUnusedWordText), std::string::npos) << strip(16).text;
    EXPECT_NE(strip(0).text.find("MOV"), std::string::npos) << strip(0).text;
}

TEST(RegisterModel, HitsLandOnWhatIsDrawnThere) {
    RegisterSurface surface;
    surface.Configure(0, MemoryGeometry{}, RegisterMetrics{});
    auto centre = [](CellRect r) { return std::pair{r.x + r.w / 2, r.y + r.h / 2}; };
    for (int reg : {0x00, 0x04, 0x0F, 0x10, 0x35, 0xFF, kRegisterM, kRegisterW}) {
        auto [x, y] = centre(surface.ValueRect(reg));
        RegisterHit h = surface.HitTest(x, y);
        EXPECT_EQ(h.what, RegisterHit::Value) << reg;
        EXPECT_EQ(h.reg, reg);
    }
    auto [bx, by] = centre(surface.BitRect(3, 0));
    EXPECT_EQ(surface.HitTest(bx, by).bit, 0);
    EXPECT_EQ(surface.HitTest(bx, by).reg, 3);
    EXPECT_EQ(surface.BitRect(4, 0), CellRect{}) << "FSR has no bits to click";
    auto [fx, fy] = centre(surface.FlagRect(kFlagSkip));
    EXPECT_EQ(surface.HitTest(fx, fy).flag, kFlagSkip);
    auto [sx, sy] = centre(surface.StripRect(16));
    EXPECT_EQ(surface.HitTest(sx, sy).line, 16);
}

TEST(WatchModel, Entries) {
    EXPECT_EQ(ParseWatchEntry("$1_F", 8), 0x1Fu);
    EXPECT_EQ(ParseWatchEntry("1F", 8), std::nullopt) << "decimal, and F is no decimal digit";
    EXPECT_EQ(ParseWatchEntry("%1010", 8), 10u);
    EXPECT_EQ(ParseWatchEntry("12_345", 16), 12345u);
    EXPECT_EQ(ParseWatchEntry("-1", 8), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWatchEntry("--5", 8), 5u);
    EXPECT_EQ(ParseWatchEntry("$", 8), std::nullopt);
    EXPECT_EQ(ParseWatchEntry("", 8), std::nullopt);
    EXPECT_EQ(ParseWatchEntry("12 ", 8), std::nullopt) << "the whole text must be read";
    EXPECT_EQ(ParseWatchEntry("$ff", 8), 0xFFu);
    EXPECT_EQ(ParseWatchEntry("256", 8), std::nullopt) << "more than the watch holds";
    EXPECT_EQ(ParseWatchEntry("-128", 8), 0xFFFFFF80u);
    EXPECT_EQ(ParseWatchEntry("-129", 8), std::nullopt);
    EXPECT_EQ(ParseWatchEntry("4294967295", 32), 0xFFFFFFFFu);
    EXPECT_EQ(ParseWatchEntry("4294967296", 32), std::nullopt);
}

TEST(WatchModel, WritesBackThroughTheMasks) {
    DebugState s;
    s.registers[0x10] = 0xA5;
    s.registers[0x11] = 0xFF;
    WatchRecord sdec{0x10, 8, SDEC, "s"};
    EXPECT_EQ(NumericWatchWrites(s, sdec, 0, 8, 0xFFFFFFFFu),
              (std::vector<RegisterWrite>{{0x10, 0xFF}}))
        << "-1 into eight bits touches one register";
    // Six bits at bit 2 keep bits 0 and 1.
    WatchRecord ubin{uint16_t(0x10 | (2 << 8)), 6, UBIN, "b"};
    EXPECT_EQ(NumericWatchWrites(s, ubin, 0, 8, 0), (std::vector<RegisterWrite>{{0x10, 0x01}}));
    // Twelve bits at bit 6: three registers, the last one masked to its low two bits.
    WatchRecord wide{uint16_t(0x10 | (6 << 8)), 12, UHEX, "w"};
    s.registers[0x12] = 0xFF;
    EXPECT_EQ(NumericWatchWrites(s, wide, 0, 8, 0),
              (std::vector<RegisterWrite>{{0x10, 0x25}, {0x11, 0x00}, {0x12, 0xFC}}));
    // Sixteen bits at 0x1F of an eight-bank chip go on at 0x30.
    WatchRecord across{0x1F, 16, UHEX, "x"};
    EXPECT_EQ(NumericWatchWrites(s, across, 0, 8, 0x1234),
              (std::vector<RegisterWrite>{{0x1F, 0x34}, {0x30, 0x12}}));
    // Thirty-two bits at bit 7 reach a fifth register.
    WatchRecord full{uint16_t(0x10 | (7 << 8)), 32, UDEC, "f"};
    EXPECT_EQ(NumericWatchWrites(s, full, 1, 16, 0xFFFFFFFFu).size(), 5u);

    WatchRecord str{0x10, 4, FSTR, "t"};
    EXPECT_EQ(StringWatchWrites(str, 0, 8, "'Hi'"),
              (std::vector<RegisterWrite>{{0x10, 'H'}, {0x11, 'i'}, {0x12, 0}, {0x13, 0}}));
    EXPECT_EQ(StringWatchWrites(str, 0, 8, "ABCDEF").size(), 4u) << "never past its length";
}

TEST(WatchModel, EditBufferAndLayout) {
    WatchEditor e;
    e.Start(2, "12_345");
    e.Backspace();
    EXPECT_EQ(e.buffer, "12_345") << "an untouched text is kept";
    e.Type('7');
    EXPECT_EQ(e.buffer, "7");
    e.Backspace();
    e.Backspace();
    EXPECT_EQ(e.buffer, "");
    for (int i = 0; i < 60; ++i)
        e.Type('1');
    EXPECT_EQ(e.buffer.size(), kWatchEditLimit);

    DebugInfo info;
    info.watchCount = 2;
    info.watches[0] = WatchRecord{0x10, 16, UDEC, "count"};
    info.watches[1] = WatchRecord{0x12, 8, SHEX, "ab"};
    // Every character 10 wide, 16 high.
    WatchLayout l = ComputeWatchLayout(info, 0, 8, 10, 16,
                                       [](const std::string& s) { return int(s.size()) * 10; });
    EXPECT_EQ(l.rowHeight, 16 + 2 * 2 + 3);
    EXPECT_EQ(l.nameColumn, 50 + 20);
    EXPECT_EQ(l.clientWidth, 50 + 60 + 40 + 1) << "\"00_000\" is the widest value";
    EXPECT_EQ(l.clientHeight, 2 * 23 - 1);
    EXPECT_EQ(l.ValueAt(l.nameColumn + 5, 25, 2), 1);
    EXPECT_EQ(l.ValueAt(l.nameColumn + 5, 50, 2), -1) << "below the last watch";
    EXPECT_EQ(l.ValueAt(10, 25, 2), -1) << "a name is not a value";
}

TEST(CodeModel, RowsScrollingAndTheScrollBar) {
    EXPECT_EQ(CodeRows(300, 15, 100), 20);
    EXPECT_EQ(CodeRows(300, 15, 8), 7) << "a short listing";
    EXPECT_EQ(CodeRows(300, 15, 0), 0);
    EXPECT_EQ(CodeRows(30000, 1, 5000), kMaxCodeRows);
    EXPECT_FALSE(CodeScrollBarFor(7, 8).visible) << "the whole listing fits";
    EXPECT_TRUE(CodeScrollBarFor(20, 100).visible);
    EXPECT_EQ(CodeScrollBarFor(20, 100).maximum, 79);
    EXPECT_EQ(CodeWheelLines(20), 3);

    // Already in the middle: no move. Near the edges: a quarter of the window away.
    EXPECT_EQ(CodeScrollTo(10, 20, 20, 100), 10);
    EXPECT_EQ(CodeScrollTo(10, 12, 20, 100), 7);
    EXPECT_EQ(CodeScrollTo(10, 26, 20, 100), 12);
    EXPECT_EQ(CodeScrollTo(50, 0, 20, 100), 0);
    EXPECT_EQ(CodeScrollTo(0, 99, 20, 100), 79);
    EXPECT_EQ(CodeScrollTo(0, 3, 7, 8), 0) << "a listing that fits never scrolls";
}

TEST(CodeModel, MarksColoursAndClickedAddresses) {
    auto record = AssembleText(kLoop);
    const DebugInfo& d = record->debug;
    DebugState st;
    st.programCounter = 2; // the MOV is two words, the DECSZ at 2
    st.breakpoint = 2;
    CodeMarks m = CodeMarksOf(d, st, 2048);
    EXPECT_EQ(m.next, d.lineOfAddress[2]);
    EXPECT_EQ(m.breakLine, m.next);
    RowColors c = RowColorsOf(m.next, m);
    EXPECT_EQ(c.first, kCodeBreak) << "breakpoint and next on one line";
    EXPECT_EQ(c.source, kCodeNext);
    st.skipFlag = 1;
    EXPECT_EQ(CodeMarksOf(d, st, 2048).next, d.lineOfAddress[3]);
    st.breakpoint = kNoBreakpoint;
    EXPECT_EQ(CodeMarksOf(d, st, 2048).breakLine, -1);

    EXPECT_EQ(AddressOfLine(d, d.lineOfAddress[1], 2048), 0) << "a line of two words: the first";
    EXPECT_EQ(AddressOfLine(d, 0, 2048), -1) << "the empty first line has no address";

    // Only rows whose colours changed are drawn again.
    CodeRowCache cache;
    ASSERT_LT(m.next + 1, 12);
    EXPECT_EQ(cache.RowsToDraw(false, 0, 12, m).size(), 12u) << "never drawn";
    EXPECT_TRUE(cache.RowsToDraw(false, 0, 12, m).empty());
    CodeMarks moved = m;
    moved.next = m.next + 1;
    std::vector<int> rows = cache.RowsToDraw(false, 0, 12, moved);
    EXPECT_EQ(rows, (std::vector<int>{m.next, m.next + 1}));
    EXPECT_EQ(cache.RowsToDraw(false, 1, 12, moved).size(), 12u) << "scrolled";
    EXPECT_EQ(cache.RowsToDraw(true, 1, 12, moved).size(), 12u) << "everything asked for";
}
