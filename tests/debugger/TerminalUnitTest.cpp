// The Terminal window's model: how received bytes read on the screen, the stored choice,
// and the UART on the virtual key's chip with the echo example answering.
#include <gtest/gtest.h>

#include <cstdlib>

#include "debugger/TerminalUnit.h"
#include "link/DebugTestSupport.h"
#include "platform/FileIo.h"
#include "platform/SettingsStore.h"
#include "sim/VirtualChip.h"

using namespace pellix;
using namespace pellix::test;

namespace {

using Kind = TerminalPiece::Kind;

std::vector<TerminalPiece> Decode(std::string_view bytes) {
    TerminalDecoder d;
    std::vector<TerminalPiece> out;
    for (char c : bytes)
        d.Take(uint8_t(c), out);
    return out;
}

TerminalPiece Text(const char* t) {
    return {Kind::Text, t};
}
TerminalPiece Esc(const char* t) {
    return {Kind::Escape, t};
}
const TerminalPiece kBreak{Kind::LineBreak, {}};

// What the pieces read as, line breaks as '|', framing errors as '#'.
std::string Screen(const std::vector<TerminalPiece>& pieces) {
    std::string s;
    for (const TerminalPiece& p : pieces)
        s += p.kind == Kind::LineBreak ? "|" : p.kind == Kind::FramingError ? "#" : p.text;
    return s;
}

// The echo example in a clocked chip at 50 MHz, run from reset.
struct EchoChip {
    EchoChip() {
        const char* root = std::getenv("PELLIX_SOURCE_DIR");
        FileRead file = ReadWholeFile(std::string(root ? root : "..") + "/examples/echo.src");
        EXPECT_TRUE(file.ok);
        record = AssembleText(file.data);
        chip.SetFamily(record->deviceFamily);
        LoadIntoChip(chip, *record);
        chip.ClockOn(0x3D4620);
        chip.Reset();
    }
    // Long enough for a few frames each way at 9600 baud.
    void Run(uint64_t bits = 60) { chip.RunCycles(bits * 5208); }

    std::unique_ptr<AssemblyRecord> record;
    VirtualChip chip;
};

} // namespace

TEST(TerminalDecoder, LineEndsReadAsOneBreakWhicheverTheProgramSends) {
    EXPECT_EQ(Decode("ok\r\nno"), (std::vector<TerminalPiece>{Text("ok"), kBreak, Text("no")}));
    EXPECT_EQ(Screen(Decode("a\rb\nc\r\n\r\nd")), "a|b|c||d");
    EXPECT_EQ(Screen(Decode("\n\r")), "||"); // LF CR is two line ends, not one
    EXPECT_EQ(Screen(Decode("\r\r\n")), "||");
    // A CR at the end of one delivery and the LF at the start of the next are still a pair.
    TerminalDecoder d;
    std::vector<TerminalPiece> first, second;
    d.Take('x', first);
    d.Take('\r', first);
    d.Take('\n', second);
    d.Take('y', second);
    EXPECT_EQ(Screen(first), "x|");
    EXPECT_EQ(Screen(second), "y");
}

TEST(TerminalDecoder, BytesThatPrintNothingShowAsHex) {
    EXPECT_EQ(Decode(std::string("a\0b", 3)),
              (std::vector<TerminalPiece>{Text("a"), Esc("\\x00"), Text("b")}));
    EXPECT_EQ(Screen(Decode("\x1B[1m\x7F\x80\xFF\x08")), "\\x1B[1m\\x7F\\x80\\xFF\\x08");
    // A tab is text; a backslash from the program is itself (the escapes have their colour).
    EXPECT_EQ(Decode("\t\\x"), (std::vector<TerminalPiece>{Text("\t\\x")}));
}

TEST(TerminalDecoder, AFramingErrorIsShownAndBreaksACrLfPair) {
    TerminalDecoder d;
    std::vector<TerminalPiece> out;
    d.Take('\r', out);
    d.TakeFramingError(out);
    d.Take('\n', out);
    EXPECT_EQ(Screen(out), "|#|");
    EXPECT_EQ(out[1].text, "framing error");
}

TEST(TerminalChoice, DefaultsRoundTripAndValuesThisVersionCannotRead) {
    MemorySettingsStore store;
    TerminalChoice c = ReadTerminalChoice(store);
    EXPECT_EQ(c, TerminalChoice{});
    EXPECT_EQ(LabPinName(*c.rx), "RA.1");
    EXPECT_EQ(LabPinName(*c.tx), "RA.0");
    EXPECT_EQ(c.baud, 9600u);

    c.rx.reset();
    c.tx = LabPin::PortPin(2, 7);
    c.baud = 115200;
    c.enter = EnterSends::CrLf;
    WriteTerminalChoice(store, c);
    EXPECT_EQ(store.strings[kTerminalRxSetting], "");
    EXPECT_EQ(store.strings[kTerminalTxSetting], "RC.7");
    EXPECT_EQ(store.ints[kTerminalBaudSetting], 115200);
    EXPECT_EQ(store.strings[kTerminalEnterSetting], "CR LF");
    EXPECT_EQ(ReadTerminalChoice(store), c);

    // Each unreadable value keeps its own default; the others are still taken.
    for (const char* bad : {"RZ.1", "RTCC", "MCLR", "RA.8", "x"}) {
        store.strings[kTerminalRxSetting] = bad;
        EXPECT_EQ(ReadTerminalChoice(store).rx, TerminalChoice{}.rx) << bad;
    }
    for (int32_t baud : {0, -9600, 100'000'001}) {
        store.ints[kTerminalBaudSetting] = baud;
        EXPECT_EQ(ReadTerminalChoice(store).baud, 9600u) << baud;
    }
    store.strings[kTerminalEnterSetting] = "CRLF";
    TerminalChoice read = ReadTerminalChoice(store);
    EXPECT_EQ(read.enter, EnterSends::Cr);
    EXPECT_EQ(LabPinName(*read.tx), "RC.7");
}

TEST(SerialTerminal, ABytesEachWayThroughTheEchoExample) {
    EchoChip e;
    SerialTerminal t;
    int arrivals = 0;
    t.outputArrived = [&] { ++arrivals; };
    t.SetBench(&e.chip.Lab());
    std::string error;
    ASSERT_TRUE(t.Connect(TerminalChoice{}, error)) << error;
    EXPECT_EQ(t.StatusText(), "RX=RA.1 TX=RA.0 9600 baud: 0 received, 0 sent");
    e.Run(5);
    EXPECT_TRUE(t.Send("a"));
    EXPECT_TRUE(t.Send("z!\r"));
    EXPECT_EQ(t.Waiting(), 4u);
    EXPECT_EQ(t.StatusText(), "RX=RA.1 TX=RA.0 9600 baud: 0 received, 0 sent, 4 waiting");
    e.Run(80);
    EXPECT_EQ(t.Waiting(), 0u);
    EXPECT_EQ(Screen(t.TakeOutput()), "AZ!|");
    EXPECT_FALSE(t.HasOutput());
    EXPECT_EQ(arrivals, 4);
    EXPECT_EQ(t.StatusText(), "RX=RA.1 TX=RA.0 9600 baud: 4 received, 4 sent");
    t.ClearCounts();
    EXPECT_EQ(t.StatusText(), "RX=RA.1 TX=RA.0 9600 baud: 0 received, 0 sent");

    // Closed, it lets go of RX (which the program's pull-up then holds) and stops listening.
    t.Disconnect();
    EXPECT_EQ(e.chip.Lab().UartCount(), 0u);
    EXPECT_EQ(e.chip.Lab().Pin(LabPin::PortPin(0, 1)).driven, PinLevel::Floating);
    EXPECT_FALSE(t.Send("b"));
    EXPECT_EQ(t.StatusText(), "Not connected");
}

TEST(SerialTerminal, ChoicesTheChipCannotTake) {
    EchoChip e;
    SerialTerminal t;
    std::string error;
    EXPECT_FALSE(t.Connect(TerminalChoice{}, error));
    EXPECT_EQ(error, "the terminal needs the virtual key (port SIM)");

    t.SetBench(&e.chip.Lab());
    TerminalChoice c;
    c.rx = LabPin::PortPin(3, 0); // the SX28 has no port RD
    EXPECT_FALSE(t.Connect(c, error));
    EXPECT_EQ(error,
              "this chip has no pin RD.0 (it has RA.0-RA.3, RB.0-RB.7, RC.0-RC.7, RTCC, MCLR)");
    EXPECT_FALSE(t.Connected());
    EXPECT_EQ(e.chip.Lab().UartCount(), 0u);
    c.rx = c.tx;
    EXPECT_FALSE(t.Connect(c, error));
    EXPECT_EQ(error, "RX and TX are the same pin");

    // Only a TX pin: it listens, and typing goes nowhere.
    c.rx.reset();
    ASSERT_TRUE(t.Connect(c, error));
    EXPECT_FALSE(t.Send("a"));
    EXPECT_EQ(t.StatusText(), "TX=RA.0 9600 baud: 0 received");
    // Connecting again replaces the UART rather than adding one; so does another bench.
    ASSERT_TRUE(t.Connect(TerminalChoice{}, error));
    EXPECT_EQ(e.chip.Lab().UartCount(), 1u);
    VirtualChip other;
    t.SetBench(&other.Lab());
    EXPECT_EQ(e.chip.Lab().UartCount(), 0u);
    EXPECT_FALSE(t.Connected());
}

TEST(SerialTerminal, AFrameWithALowStopBitIsCountedAndShown) {
    EchoChip e;
    SerialTerminal t;
    t.SetBench(&e.chip.Lab());
    TerminalChoice c;
    c.rx.reset();
    c.tx = LabPin::PortPin(1, 0); // an input nothing else drives
    std::string error;
    ASSERT_TRUE(t.Connect(c, error)) << error;
    LabBench& lab = e.chip.Lab();
    lab.Drive(*c.tx, PinLevel::High);
    e.Run(2);
    lab.Drive(*c.tx, PinLevel::Low); // a start bit, and the line stays low through the stop bit
    e.Run(12);
    lab.Drive(*c.tx, PinLevel::High);
    e.Run(2);
    EXPECT_EQ(Screen(t.TakeOutput()), "#");
    EXPECT_EQ(t.FramingErrors(), 1u);
    EXPECT_EQ(t.StatusText(), "TX=RB.0 9600 baud: 0 received, 1 framing error");
}
