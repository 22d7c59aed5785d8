// The UART on two pins: frames into RX bit by bit with their gap, frames out of TX sampled
// in the middle of each bit, framing errors, glitches, and a TX pin that is not an output.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SxTestProgram.h"
#include "sim/LabBench.h"

using namespace pellix;
using namespace sxtest;

namespace {

constexpr int kRB = 1;
const LabPin kRB0 = LabPin::PortPin(kRB, 0);
const LabPin kRB1 = LabPin::PortPin(kRB, 1);
// 1 Mbaud on a 50 MHz turbo chip: 50 cycles a bit.
constexpr uint64_t kBit = 50;

class PinUartTest : public ::testing::Test {
protected:
    void SetUp() override {
        // NOPs only, round and round the memory: every cycle is an instruction boundary.
        Program p;
        for (int i = 0; i < 2048; ++i)
            p.Nop();
        core->Configure(Sx28());
        core->LoadProgram(p.Words());
        core->SetPc(0);
    }
    PinUart& Attach(const std::string& text) {
        std::string error;
        auto settings = ParseUartSettings(text, &core->Ports(), error);
        EXPECT_TRUE(settings) << error;
        PinUart& uart = bench->AttachUart(*settings);
        uart.OnReceived([this](const PinUart::Received& r) { received.push_back(r); });
        return uart;
    }
    // The chip drives RB.1 (its TX) from now on, idle high.
    void TxOutput() {
        core->PokeRegister(RB, 0x02);
        core->SetPortConfig(kRB, SxPortRegister::Direction, 0xFD);
    }
    void Line(bool level, uint64_t cycles) {
        core->PokeRegister(RB, level ? 0x02 : 0x00);
        core->Run(cycles);
    }
    // A frame on TX with the given stop level; returns when it began.
    uint64_t Frame(uint8_t byte, bool stop = true) {
        uint64_t start = bench->Now();
        Line(false, kBit);
        for (int b = 0; b < 8; ++b)
            Line((byte >> b) & 1, kBit);
        Line(stop, kBit);
        return start;
    }

    std::unique_ptr<SxCore> core = std::make_unique<SxCore>();
    std::unique_ptr<LabBench> bench = std::make_unique<LabBench>(*core);
    std::vector<PinUart::Received> received;
};

TEST_F(PinUartTest, BytesGoIntoRxAsFramesWithTheirGap) {
    std::vector<std::pair<uint64_t, char>> log;
    bench->WatchPin(kRB0, [&](const LabPin&, char v, uint64_t c) { log.push_back({c, v}); });
    PinUart& uart = Attach("RX=RB.0,BAUD=1000000,GAP=2");
    uart.Send(std::string("\x55\x01", 2));
    core->Run(2000);
    // Idle high at once; the first start bit two bits later; LSB first; stop high; two idle
    // bits after the stop bit before the next start bit.
    const std::vector<std::pair<uint64_t, char>> expected = {
        {0, '1'},   {100, '0'}, {150, '1'}, {200, '0'}, {250, '1'},
        {300, '0'}, {350, '1'}, {400, '0'}, {450, '1'}, {500, '0'},
        {550, '1'}, {700, '0'}, {750, '1'}, {800, '0'}, {1150, '1'}};
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(uart.Sending());
    EXPECT_EQ(uart.Queued(), 0u);

    // Idle since: the next byte starts at once.
    core->Run(1000);
    log.clear();
    const uint64_t now = bench->Now();
    uart.Send(std::string("\x00", 1));
    core->Run(1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log.front(), std::make_pair(now, '0'));
}

TEST_F(PinUartTest, ASourceIsAskedWhenTheLineIsFree) {
    std::string text = "ab";
    size_t next = 0;
    int asked = 0;
    PinUart& uart = Attach("RX=RB.0,TX=RB.1,BAUD=1000000");
    uart.SetSource([&] {
        ++asked;
        return next < text.size() ? int(uint8_t(text[next++])) : -1;
    });
    // The chip's TX follows RX: the bench hears what it sent.
    bench->WatchPin(kRB0, [&](const LabPin&, char v, uint64_t) {
        core->PokeRegister(RB, v == '1' ? 0x02 : 0x00);
    });
    TxOutput();
    core->Run(30 * kBit);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].value, 'a');
    EXPECT_EQ(received[1].value, 'b');
    EXPECT_FALSE(received[1].framingError);
    // 'a' starts after one idle bit, 'b' one bit after 'a' ends; each is delivered when its
    // stop bit ends.
    EXPECT_NEAR(double(received[0].cycle), double(kBit * 11), 3);
    EXPECT_NEAR(double(received[1].cycle), double(kBit * 22), 3);
    EXPECT_EQ(asked, 3) << "'a', 'b', then nothing more";
    uart.Send("c");
    core->Run(12 * kBit);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].value, 'c');
}

TEST_F(PinUartTest, FramesOnTxAreDecodedAndDeliveredWhenTheStopBitEnds) {
    Attach("TX=RB.1,BAUD=1000000");
    TxOutput();
    core->Run(200);
    const uint64_t start = Frame(0xA5);
    core->Run(3 * kBit);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].value, 0xA5);
    EXPECT_FALSE(received[0].framingError);
    EXPECT_EQ(received[0].cycle, start + 10 * kBit);

    // A low stop bit: reported, with what was sampled. The line then stays low: no new
    // frame until it has been high again.
    Frame(0x3C, false);
    core->Run(12 * kBit);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[1].framingError);
    EXPECT_EQ(received[1].value, 0x3C);
    Line(true, kBit);
    Frame('!');
    core->Run(kBit);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].value, '!');
    EXPECT_FALSE(received[2].framingError);

    // A pulse shorter than half a bit is no start bit.
    Line(false, kBit / 4);
    Line(true, 20 * kBit);
    EXPECT_EQ(received.size(), 3u);
}

TEST_F(PinUartTest, ATxPinThatIsNoOutputIsIdle) {
    PinUart& uart = Attach("TX=RB.1,BAUD=1000000");
    // After reset RB.1 is an input, floating, and reads 0: the receiver's pull-up holds the
    // line high, so that is no start bit.
    EXPECT_EQ(bench->PinValue(kRB1), 'z');
    core->Run(30 * kBit);
    EXPECT_TRUE(received.empty());
    // The program makes it an output at 0: that is a falling edge.
    core->SetPortConfig(kRB, SxPortRegister::Direction, 0xFD);
    core->Run(9 * kBit);
    Line(true, 10 * kBit);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].value, 0x00);
    EXPECT_EQ(uart.FramesReceived(), 1u);
    EXPECT_EQ(uart.FramingErrors(), 0u);
}

TEST_F(PinUartTest, OneUartDetachesAndTheOthersGoOn) {
    PinUart& a = Attach("RX=RB.2,BAUD=1000000");
    PinUart& b = Attach("RX=RB.3,BAUD=1000000");
    EXPECT_EQ(bench->UartCount(), 2u);
    a.Send("x");
    b.Send("y");
    bench->DetachUart(a);
    EXPECT_EQ(bench->UartCount(), 1u);
    EXPECT_EQ(&bench->Uart(0), &b);
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(kRB, 2)), 'z') << "its RX let go";
    // b's frame still goes out: its start bit one bit time after attaching.
    core->Run(kBit + 2);
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(kRB, 3)), '0');
    bench->DetachUart(b);
    bench->DetachUart(b); // not attached any more: nothing happens
    EXPECT_EQ(bench->UartCount(), 0u);
    core->Run(20 * kBit);
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(kRB, 3)), 'z');
}

TEST(UartSettings, TheTextForm) {
    std::string error;
    auto s = ParseUartSettings("rx=ra.1,TX=RA.0,baud=9600,Gap=3", nullptr, error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->rx, LabPin::PortPin(0, 1));
    EXPECT_EQ(s->tx, LabPin::PortPin(0, 0));
    EXPECT_EQ(s->baud, 9600u);
    EXPECT_EQ(s->gap, 3u);
    s = ParseUartSettings("TX=RB.7,BAUD=115200", nullptr, error);
    ASSERT_TRUE(s);
    EXPECT_FALSE(s->rx);
    EXPECT_EQ(s->gap, 1u);

    struct Bad {
        const char* text;
        const char* message;
    };
    for (const Bad& b : {
             Bad{"TX=RA.0", "BAUD=N is missing"},
             Bad{"BAUD=9600", "give RX=PIN, TX=PIN or both"},
             Bad{"RX=RA.0,TX=RA.0,BAUD=9600", "RX and TX are the same pin"},
             Bad{"TX=RTCC,BAUD=9600", "'RTCC' is not a port pin (RA.0 to RE.7)"},
             Bad{"TX=RA.0,BAUD=fast", "BAUD takes a rate from 1 to 100000000, not 'fast'"},
             Bad{"TX=RA.0,BAUD=0", "BAUD takes a rate from 1 to 100000000, not '0'"},
             Bad{"TX=RA.0,BAUD=9600,GAP=-1",
                 "GAP takes a number of bit times from 0 to 1000000, not '-1'"},
             Bad{"TX=RA.0,BAUD=9600,PARITY=E",
                 "unknown 'PARITY' (RX=PIN, TX=PIN, BAUD=N, GAP=BITS)"},
             Bad{"TX=RA.0,BAUD=9600,TX=RA.1", "TX is given twice"},
             Bad{"TX=RA.0,,BAUD=9600", "'' is not NAME=VALUE (RX=PIN, TX=PIN, BAUD=N, GAP=BITS)"},
             Bad{"TX", "'TX' is not NAME=VALUE (RX=PIN, TX=PIN, BAUD=N, GAP=BITS)"},
         }) {
        EXPECT_FALSE(ParseUartSettings(b.text, nullptr, error)) << b.text;
        EXPECT_EQ(error, b.message) << b.text;
    }
    SxCore sx52(Sx52()), sx28(Sx28());
    EXPECT_TRUE(ParseUartSettings("TX=RE.7,BAUD=9600", &sx52.Ports(), error));
    EXPECT_FALSE(ParseUartSettings("TX=RE.7,BAUD=9600", &sx28.Ports(), error));
    EXPECT_EQ(error, "this chip has no pin RE.7 (it has RA.0-RA.3, RB.0-RB.7, RC.0-RC.7, "
                     "RTCC, MCLR)");
}

} // namespace
