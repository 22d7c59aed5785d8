#include "link/LinkTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

const Bytes kHello = Text(" Pellix");

// The answer of a key whose seed is b0, b1 and whose version byte arrives as `rawVersion`.
Bytes Identification(uint8_t b0, uint8_t b1, uint8_t rawVersion) {
    return Cat(Text("Pellix"), {b0, b1, rawVersion});
}

} // namespace

TEST(KeyDetection, ConnectsAtTheRememberedRateAndStaysInStep) {
    SimRig r;
    uint32_t t0 = r.ticks.Now();
    r.link.ConnectKey();
    EXPECT_TRUE(r.link.PortOpen());
    EXPECT_EQ(r.link.baudRate, kFastBaud);
    EXPECT_EQ(r.key.Baud(), kFastBaud);
    EXPECT_EQ(r.link.FirmwareVersion(), 3);
    EXPECT_TRUE(r.link.Scrambling());
    EXPECT_NE(r.link.ScramblerState(), 0);
    EXPECT_EQ(r.link.ScramblerState(), r.key.ScramblerState());
    EXPECT_EQ(r.link.receiveTimeout, kDefaultReceiveTimeout);
    EXPECT_GE(r.ticks.Now() - t0, kOpenSettleTime) << "waits before speaking";
    EXPECT_LT(r.ticks.Now() - t0, 200u);
    EXPECT_TRUE(r.prompter.messages.empty());

    // Many scrambled bytes later both ends still agree.
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(r.protocol.Poll(), kRunStateRunning);
    EXPECT_EQ(r.link.ScramblerState(), r.key.ScramblerState());
    r.link.ReleaseKey();
    EXPECT_FALSE(r.link.PortOpen());
    EXPECT_FALSE(r.key.InSession()) << "the end byte reached the key";
}

TEST(KeyDetection, KeyOnlyAtTheSlowRateIsFoundAndRemembered) {
    SimRig r;
    r.key.faults.onlyBaud = kSlowBaud;
    uint32_t t0 = r.ticks.Now();
    r.link.ConnectKey();
    uint32_t first = r.ticks.Now() - t0;
    EXPECT_GE(first, 1200u) << "one attempt timed out (100 ms wait and 1 s) before the other";
    EXPECT_LT(first, 1400u);
    EXPECT_EQ(r.link.baudRate, kSlowBaud);
    r.link.ReleaseKey();

    t0 = r.ticks.Now();
    r.link.ConnectKey();
    EXPECT_LT(r.ticks.Now() - t0, 300u) << "the next connection tries 19200 first";
    EXPECT_EQ(r.key.Sessions(), 2);
}

TEST(KeyDetection, NoKeyAtAll) {
    SimRig r;
    r.key.faults.noAnswer = true;
    uint32_t t0 = r.ticks.Now();
    ExpectLinkError(
        r.link, r.prompter, [&] { r.link.ConnectKey(); }, "Pellix not found on sim");
    uint32_t took = r.ticks.Now() - t0;
    EXPECT_GE(took, 2200u) << "two attempts of about 1.1 s";
    EXPECT_LT(took, 2500u);
    EXPECT_EQ(r.link.baudRate, kFastBaud) << "back to 57600 after trying 19200 last";

    ScriptRig s;
    s.link.baudRate = kSlowBaud; // where a key answered last time
    ExpectLinkError(
        s.link, s.prompter, [&] { s.link.ConnectKey(); }, "Pellix not found on COM2");
    EXPECT_EQ(s.link.baudRate, kFastBaud);
    EXPECT_EQ(s.script.opens, 2);
    EXPECT_EQ(s.script.bauds, (std::vector<uint32_t>{kSlowBaud, kFastBaud}));
    EXPECT_EQ(s.script.writes, (std::vector<Bytes>{kHello, kHello}))
        << "the identification goes out unscrambled, once an attempt";
}

TEST(KeyDetection, DifferingAnswerEndsAtOnceWithoutTheOtherRate) {
    SimRig r;
    r.key.faults.wrongIdentByte = 3;
    uint32_t t0 = r.ticks.Now();
    ExpectLinkError(
        r.link, r.prompter, [&] { r.link.ConnectKey(); }, "Pellix not found on sim");
    EXPECT_LT(r.ticks.Now() - t0, 300u);
    EXPECT_EQ(r.link.baudRate, kFastBaud);

    ScriptRig s;
    s.script.answers.push_back({Cat(kHello, Text("Pexlix"))});
    ExpectLinkError(
        s.link, s.prompter, [&] { s.link.ConnectKey(); }, "Pellix not found on COM2");
    EXPECT_EQ(s.script.opens, 1);
}

TEST(KeyDetection, PartialAnswerCountsAsNoAnswer) {
    ScriptRig s;
    s.script.answers.push_back({Cat(kHello, Text("Pel"))});
    s.script.answers.push_back({Cat(kHello, Identification(0x10, 0x20, 0x30))});
    s.link.ConnectKey();
    EXPECT_EQ(s.script.opens, 2);
    EXPECT_EQ(s.link.baudRate, kSlowBaud);
}

TEST(KeyDetection, EchoAndReplyInSeparateReads) {
    ScriptRig s;
    // The echo in three pieces with empty reads between, the last piece sharing a read
    // with the start of the answer.
    s.script.answers.push_back({Text(" P"),
                                {},
                                Text("ell"),
                                {},
                                {},
                                Cat(Text("ix"), Text("Pel")),
                                Text("l"),
                                Cat(Text("ix"), {0xA5, 0x71}),
                                {0xFE}});
    s.link.ConnectKey();
    EXPECT_EQ(s.script.opens, 1);
    EXPECT_EQ(s.link.FirmwareVersion(), 3) << "read with state 0x0001: 1 - 0xFE";

    SimRig r;
    r.key.faults.readChunk = 1;
    r.key.faults.latencyMs = 20;
    r.link.ConnectKey();
    r.protocol.Reset();
    EXPECT_EQ(r.protocol.Poll(), kRunStateRunning);
    EXPECT_EQ(r.link.ScramblerState(), r.key.ScramblerState());
}

TEST(KeyDetection, BytesWaitingBeforeTheIdentificationAreDiscarded) {
    // A late echo of the previous connection's end byte: the quick close and reopen of
    // RequireFullKey provokes it on USB adapters.
    SimRig r;
    r.key.faults.lateEndEchoMs = 50;
    r.link.RequireFullKey();
    r.link.ConnectKey();
    r.protocol.Reset();
    EXPECT_TRUE(r.prompter.messages.empty());

    SimRig stray;
    stray.key.faults.strayOnOpen = {0x00, 'P', 'e'};
    stray.link.ConnectKey();
    EXPECT_EQ(stray.link.ScramblerState(), stray.key.ScramblerState());

    ScriptRig s;
    s.script.arrived = {{0x00}, {0x13, 0x37}};
    s.script.answers.push_back({Cat(kHello, Identification(0x10, 0x20, 0x30))});
    s.link.ConnectKey();
    EXPECT_EQ(s.script.writes, std::vector<Bytes>{kHello});
}

TEST(KeyScrambler, StepsAndMapsBothDirections) {
    // Seed bytes A5 71 give the state 0x0001: 0x0100, 0x0200, 0x0480, 0x08C0, 0x10E0 follow.
    ScriptRig s;
    s.script.answers.push_back({Cat(kHello, Identification(0xA5, 0x71, 0xFE))});
    s.link.ConnectKey();
    EXPECT_EQ(s.link.FirmwareVersion(), 3);
    EXPECT_EQ(s.link.ScramblerState(), 0x0100) << "one step per byte read";
    s.link.QueueByte(0x10); // state 0x0200: (0x10 - 0x02) ^ 0x00
    s.link.QueueByte(0x10); // state 0x0480: (0x10 - 0x04) ^ 0x80
    s.link.QueueByte(0x10); // state 0x08C0: (0x10 - 0x08) ^ 0xC0
    EXPECT_EQ(s.link.ScramblerState(), 0x08C0) << "one step per byte queued, at queue time";
    s.script.answers.push_back({{0x0E, 0x8C, 0xC8, 0xAA}});
    s.link.FlushOutput();
    EXPECT_EQ(s.script.writes.back(), (Bytes{0x0E, 0x8C, 0xC8}));
    // Received with state 0x08C0: 0xC0 - (0xAA ^ 0x08), then the step to 0x10E0.
    EXPECT_EQ(s.link.ReadByte(), uint8_t(0xC0 - (0xAA ^ 0x08)));
    EXPECT_EQ(s.link.ScramblerState(), 0x10E0);
    EXPECT_EQ(s.link.EchoPending(), 0u) << "echo bytes are skipped, not descrambled";
}

TEST(KeyScrambler, ZeroSeedSendsPlainAndNegatesReplies) {
    ScriptRig s;
    s.script.answers.push_back({Cat(kHello, Identification(0xA4, 0x71, 0xFD))});
    s.link.ConnectKey();
    EXPECT_EQ(s.link.ScramblerState(), 0);
    EXPECT_EQ(s.link.FirmwareVersion(), 3);
    s.link.QueueByte(0x42);
    s.link.QueueWord12(0xFABC);
    s.script.answers.push_back({{0x42, 0xBC, 0x0A, 0xFB, 0xCC, 0x0E}});
    s.link.FlushOutput();
    EXPECT_EQ(s.script.writes.back(), (Bytes{0x42, 0xBC, 0x0A}))
        << "unchanged, and only bits 8 to 11 in the high byte";
    EXPECT_EQ(s.link.ReadByte(), 0x05);
    EXPECT_EQ(s.link.ReadWord12(), 0x234) << "0x34, then 0xF2 of which the upper nibble is ignored";
}

TEST(KeyScrambler, ProgrammingOnlyKeyIsRefusedByRequireFullKey) {
    SimRig r;
    r.key.faults.zeroSeed = true;
    r.link.ConnectKey(); // programming works with it
    r.protocol.Reset();
    r.link.ReleaseKey();
    ExpectLinkError(
        r.link, r.prompter, [&] { r.link.RequireFullKey(); },
        "Brisand does not support this function");
    EXPECT_FALSE(r.key.InSession()) << "the key was released first";

    SimRig full;
    full.link.RequireFullKey();
    EXPECT_FALSE(full.link.PortOpen());
    EXPECT_EQ(full.TakeRequests(), Bytes{0});
    EXPECT_TRUE(full.prompter.messages.empty());
}

TEST(KeyStatus, EveryStatusHasItsText) {
    const std::pair<uint8_t, const char*> cases[] = {
        {1, "Vpp generation failed"}, {2, "Chip connection failed"}, {3, "Programming failed"},
        {4, "Communication failed"},  {7, "Communication failed"},   {255, "Communication failed"},
    };
    EXPECT_EQ(StatusMessage(0), "");
    for (auto [status, text] : cases) {
        SimRig r;
        r.link.ConnectKey();
        r.TakeRequests();
        r.key.faults.statusOn = 1;
        r.key.faults.statusValue = status;
        ExpectLinkError(
            r.link, r.prompter, [&] { r.protocol.Reset(); }, text);
        EXPECT_EQ(r.TakeRequests(), Bytes{4}) << "no end byte after a failed status";
    }
}

TEST(KeyLinkErrors, PortThatCannotBeOpened) {
    SimRig r;
    r.key.faults.refuseOpen = true;
    ExpectLinkError(
        r.link, r.prompter, [&] { r.link.ConnectKey(); },
        "Unable to open sim\rCOM port in use by another process", "Device or resource busy");

    // The virtual key's line is not shared either.
    SimRig a;
    a.link.ConnectKey();
    KeyLink other(a.ports, a.ticks, a.prompter);
    other.portName = "SIM";
    ExpectLinkError(
        other, a.prompter, [&] { other.ConnectKey(); },
        "Unable to open SIM\rCOM port in use by another process",
        "Device or resource busy\rIn use by this program.");
    EXPECT_TRUE(a.link.PortOpen());

    // The factory's reason, whatever it is, goes under the specified text.
    ScriptRig s;
    ScriptedFactory& factory = s.ports;
    factory.refusal = "Permission denied\r/dev/ttyS1 belongs to the group dialout.";
    ExpectLinkError(
        s.link, s.prompter, [&] { s.link.ConnectKey(); },
        "Unable to open COM2\rCOM port in use by another process",
        "Permission denied\r/dev/ttyS1 belongs to the group dialout.");
}

TEST(KeyLinkErrors, ReconnectingReplacesTheOpenPort) {
    SimRig r;
    r.link.ConnectKey();
    r.link.ConnectKey(); // an operation that never released the key must not block the next
    r.protocol.Reset();
    EXPECT_EQ(r.key.Sessions(), 2);
}

TEST(KeyLinkErrors, FailedWritesAndReadsCloseThePort) {
    struct Case {
        std::function<void(KeyFaults&)> arm;
        const char* text;
    };
    const Case cases[] = {
        {[](KeyFaults& f) { f.failWriteOn = 1; }, "Unable to write to sim"},
        {[](KeyFaults& f) { f.shortWriteOn = 1; }, "Transmit stall on sim"},
        {[](KeyFaults& f) { f.failReadOn = 1; }, "Unable to read from sim"},
        {[](KeyFaults& f) { f.replyBytesLeft = 0; }, "Pellix not found on sim"},
    };
    for (const Case& c : cases) {
        SimRig r;
        r.link.ConnectKey();
        c.arm(r.key.faults);
        ExpectLinkError(
            r.link, r.prompter, [&] { r.protocol.Reset(); }, c.text);
        // The next operation starts with a fresh connection.
        r.key.faults = KeyFaults{};
        r.link.ConnectKey();
        r.protocol.Reset();
        r.link.ReleaseKey();
        EXPECT_EQ(r.prompter.messages.size(), 1u) << c.text;
    }
}

TEST(KeyLinkErrors, FailureWhileIdentifying) {
    SimRig r;
    r.key.faults.failWriteOn = 1;
    ExpectLinkError(
        r.link, r.prompter, [&] { r.link.ConnectKey(); }, "Unable to write to sim");
    SimRig s;
    s.key.faults.failReadOn = 1;
    ExpectLinkError(
        s.link, s.prompter, [&] { s.link.ConnectKey(); }, "Unable to read from sim");
}

TEST(KeyLinkErrors, ReplyThatDoesNotComeInTime) {
    SimRig r;
    r.link.ConnectKey();
    r.key.faults.latencyMs = 1100;
    uint32_t t0 = r.ticks.Now();
    ExpectLinkError(
        r.link, r.prompter, [&] { r.protocol.Poll(); }, "Pellix not found on sim");
    EXPECT_GE(r.ticks.Now() - t0, kDefaultReceiveTimeout);
    EXPECT_LT(r.ticks.Now() - t0, 1100u);
}

TEST(KeyLinkErrors, TimeOutsSurviveAWrappingTickCounter) {
    SimRig r;
    r.ticks.Advance(0xFFFFFFFFu - r.ticks.Now() - 500); // wraps during the next second
    r.link.ConnectKey();
    r.key.faults.latencyMs = 900;
    EXPECT_EQ(r.protocol.Poll(), kRunStateRunning);
    r.key.faults.latencyMs = 1100;
    ExpectLinkError(
        r.link, r.prompter, [&] { r.protocol.Poll(); }, "Pellix not found on sim");
}

TEST(KeyLinkBuffers, LongQueuesGoOutInPiecesWithoutLoss) {
    ScriptRig s;
    s.script.answers.push_back({Cat(kHello, Identification(0xA4, 0x71, 0xFD))});
    s.link.ConnectKey();
    for (int i = 0; i < 5000; ++i)
        s.link.QueueByte(uint8_t(i));
    s.link.FlushOutput();
    ASSERT_EQ(s.script.writes.size(), 3u);
    EXPECT_EQ(s.script.writes[1].size(), kLinkBufferSize);
    EXPECT_EQ(s.script.writes[2].size(), 5000 - kLinkBufferSize);
    EXPECT_EQ(s.script.writes[2].front(), uint8_t(kLinkBufferSize));
    EXPECT_EQ(s.link.EchoPending(), 5000u);
}

TEST(KeyLinkBuffers, ClosingIsHarmlessWhenClosed) {
    SimRig r;
    r.link.ClosePort();
    r.link.ClosePort();
    EXPECT_FALSE(r.link.PortOpen());
    EXPECT_TRUE(r.prompter.messages.empty());
}

namespace {

// The test's clock, counting how often it is read: a loop that spins on the clock reads it
// at every turn, one that waits in the system a few times.
class CountingTicks final : public TickSource {
public:
    uint32_t Milliseconds() override {
        ++reads;
        return inner.Milliseconds();
    }
    void Sleep(uint32_t ms) override {
        slept += ms;
        inner.Sleep(ms);
    }
    FakeTickSource inner;
    int reads = 0;
    uint64_t slept = 0;
};

// A line on which nothing ever comes; it tells how long it was asked to wait each time.
class SilentPort final : public SerialPort {
public:
    SilentPort(TickSource& ticks, std::vector<uint32_t>& waits) : ticks_(ticks), waits_(waits) {}
    bool SetLine(uint32_t) override { return true; }
    long Read(uint8_t*, size_t) override { return 0; }
    long Write(const uint8_t*, size_t count) override { return long(count); }
    void WaitForInput(uint32_t ms) override {
        waits_.push_back(ms);
        ticks_.Sleep(ms);
    }
    void Close() override {}

private:
    TickSource& ticks_;
    std::vector<uint32_t>& waits_;
};

struct SilentFactory final : SerialPortFactory {
    SilentFactory(TickSource& t) : ticks(t) {}
    std::unique_ptr<SerialPort> Open(const std::string&) override {
        return std::make_unique<SilentPort>(ticks, waits);
    }
    TickSource& ticks;
    std::vector<uint32_t> waits;
};

} // namespace

TEST(KeyLinkWaits, InTheSystemForTheRestOfTheTimeOut) {
    CountingTicks ticks;
    ScriptedPrompter prompter;
    SilentFactory ports(ticks);
    KeyLink link(ports, ticks, prompter);
    uint32_t t0 = ticks.inner.Now();
    EXPECT_THROW(link.ConnectKey(), SilentAbort);
    uint32_t took = ticks.inner.Now() - t0;
    EXPECT_GE(took, 2 * (kOpenSettleTime + kDefaultReceiveTimeout)) << "the same time-outs";
    EXPECT_LT(took, 2 * (kOpenSettleTime + kDefaultReceiveTimeout) + 50);
    ASSERT_EQ(ports.waits.size(), 2u) << "one wait an attempt, none spent looping";
    for (uint32_t w : ports.waits) {
        EXPECT_LE(w, kDefaultReceiveTimeout);
        EXPECT_GE(w, kDefaultReceiveTimeout - 10) << "what was left of the time-out";
    }
    EXPECT_GE(ticks.slept, 2 * (kOpenSettleTime + kDefaultReceiveTimeout) - 20)
        << "the settle time slept too";
    EXPECT_LT(ticks.reads, 40) << "the clock is looked at, not spun on";
}

TEST(KeyLinkWaits, TheVirtualKeysRepliesAreSleptFor) {
    CountingTicks ticks;
    ScriptedPrompter prompter;
    VirtualKey key;
    PortFactory ports(&key, ticks);
    KeyLink link(ports, ticks, prompter);
    link.portName = "sim";
    link.ConnectKey();
    KeyProtocol protocol(link);
    key.faults.latencyMs = 700;
    int before = ticks.reads;
    uint32_t t0 = ticks.inner.Now();
    EXPECT_EQ(protocol.Poll(), kRunStateRunning);
    EXPECT_GE(ticks.inner.Now() - t0, 700u) << "the reply came when it was due";
    EXPECT_LT(ticks.inner.Now() - t0, 720u) << "and was taken at once";
    EXPECT_LT(ticks.reads - before, 20);
    link.ReleaseKey();
}
