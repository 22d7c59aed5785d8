#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/VirtualKey.h"

using namespace pellix;

namespace {

using Bytes = std::vector<uint8_t>;

// The PC's end of the wire, written from the formulas rather than shared with the key.
struct Pc {
    uint16_t s = 0;
    bool on = false;

    void Step() {
        int hi = s >> 8, lo = s & 0xFF;
        int f = ((hi >> 7) ^ (lo >> 7) ^ (hi >> 1) ^ (lo >> 1)) & 1;
        s = uint16_t(((((hi << 1) | (lo & 1)) & 0xFF) << 8) | ((lo >> 1) | (f << 7)));
    }
    uint8_t Send(uint8_t b) {
        if (!on) return b;
        Step();
        return uint8_t(((b - (s >> 8)) & 0xFF) ^ (s & 0xFF));
    }
    uint8_t Take(uint8_t r) {
        if (!on) return r;
        uint8_t b = uint8_t(((s & 0xFF) - (r ^ (s >> 8))) & 0xFF);
        Step();
        return b;
    }
};

struct Wire {
    VirtualKey key;
    Pc pc;
    uint32_t now = 5000;
    uint8_t firmware = 0;
    uint8_t seed0 = 0, seed1 = 0;

    explicit Wire(int family = 0, uint32_t baud = 57600) : key(family) {
        key.LineOpened(now);
        key.SetBaud(baud);
    }

    Bytes Drain() {
        Bytes out(8192);
        out.resize(key.Transmit(out.data(), out.size(), now));
        return out;
    }
    // Sends raw bytes; returns what came back, echo first.
    Bytes Raw(const Bytes& raw) {
        key.Receive(raw.data(), raw.size(), now);
        return Drain();
    }
    // Sends a request through the scrambler; checks and strips the echo, returns the
    // reply descrambled.
    Bytes Request(const Bytes& plain) {
        Bytes raw;
        for (uint8_t b : plain)
            raw.push_back(pc.Send(b));
        Bytes back = Raw(raw);
        EXPECT_GE(back.size(), raw.size());
        if (back.size() < raw.size()) return {};
        EXPECT_TRUE(std::equal(raw.begin(), raw.end(), back.begin())) << "echo of the request";
        Bytes reply;
        for (size_t i = raw.size(); i < back.size(); ++i)
            reply.push_back(pc.Take(back[i]));
        return reply;
    }
    void Connect() {
        Bytes back = Raw({' ', 'P', 'e', 'l', 'l', 'i', 'x'});
        ASSERT_EQ(back.size(), 7u + 6 + 2 + 1);
        EXPECT_EQ(std::string(back.begin(), back.begin() + 7), " Pellix");
        EXPECT_EQ(std::string(back.begin() + 7, back.begin() + 13), "Pellix");
        seed0 = back[13];
        seed1 = back[14];
        pc.s = uint16_t((seed0 ^ 0x71A4) ^ (seed1 << 8));
        pc.on = true;
        firmware = pc.Take(back[15]);
        EXPECT_EQ(pc.s, key.ScramblerState()) << "both ends step alike";
    }
    static Bytes Words(std::initializer_list<uint16_t> words) {
        Bytes b;
        for (uint16_t w : words) {
            b.push_back(uint8_t(w & 0xFF));
            b.push_back(uint8_t(w >> 8));
        }
        return b;
    }
    static Bytes Cat(Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};

} // namespace

TEST(VirtualKeyLine, IdentificationEchoSeedAndVersion) {
    Wire w;
    w.key.firmwareVersion = 7;
    w.Connect();
    EXPECT_EQ(w.firmware, 7);
    EXPECT_NE(w.pc.s, 0) << "a full key never hands out the zero state";
    EXPECT_TRUE(w.key.InSession());
    // A later connection gets another seed.
    w.Request({0});
    EXPECT_FALSE(w.key.InSession()) << "the end command closes the session";
    uint8_t first0 = w.seed0, first1 = w.seed1;
    w.pc = Pc{};
    w.Connect();
    EXPECT_TRUE(w.seed0 != first0 || w.seed1 != first1);
}

TEST(VirtualKeyLine, IdentificationIsFoundAfterNoise) {
    Wire w;
    Bytes back = w.Raw({'x', ' ', 'P', 'e', 'l', ' ', ' ', 'P', 'e', 'l', 'l', 'i', 'x'});
    ASSERT_EQ(back.size(), 13u + 9) << "every byte echoed, then the answer";
    EXPECT_EQ(std::string(back.begin() + 13, back.begin() + 19), "Pellix");
}

TEST(VirtualKeyLine, EveryByteIsEchoedEvenWhenNotUnderstood) {
    Wire w;
    Bytes junk = {0x00, 0xFF, 0x55, 0x10};
    EXPECT_EQ(w.Raw(junk), junk);
    w.Connect();
    EXPECT_TRUE(w.Request({0x42}).empty()) << "an unknown command has no reply";
    EXPECT_EQ(w.Request({5}).size(), 1u) << "and the key still takes commands";
}

TEST(VirtualKeyFaults, NoAnswerMeansNoEcho) {
    Wire w;
    w.key.faults.noAnswer = true;
    EXPECT_TRUE(w.Raw({' ', 'P', 'e', 'l', 'l', 'i', 'x'}).empty());
}

TEST(VirtualKeyFaults, OtherRatesGetOnlyTheEcho) {
    Wire w(0, 57600);
    w.key.faults.onlyBaud = 19200;
    Bytes hello = {' ', 'P', 'e', 'l', 'l', 'i', 'x'};
    EXPECT_EQ(w.Raw(hello), hello);
    w.key.SetBaud(19200);
    EXPECT_EQ(w.Raw(hello).size(), 7u + 9);
}

TEST(VirtualKeyFaults, WrongIdentificationByte) {
    Wire w;
    w.key.faults.wrongIdentByte = 4;
    Bytes back = w.Raw({' ', 'P', 'e', 'l', 'l', 'i', 'x'});
    ASSERT_GE(back.size(), 13u);
    EXPECT_EQ(std::string(back.begin() + 7, back.begin() + 13), "PelLix");
}

TEST(VirtualKeyFaults, ZeroSeedLeavesTheScramblerAtZero) {
    Wire w;
    w.key.faults.zeroSeed = true;
    w.Connect();
    EXPECT_EQ(w.seed0, 0xA4);
    EXPECT_EQ(w.seed1, 0x71);
    EXPECT_EQ(w.pc.s, 0);
    w.key.Chip().SetRunState(kRunStateStopped);
    // Requests go out unchanged; replies come back negated.
    Bytes back = w.Raw({5});
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0], 5);
    EXPECT_EQ(uint8_t(-back[1]), kRunStateStopped);
}

TEST(VirtualKeyFaults, StatusOnTheNthStatusByte) {
    Wire w;
    w.Connect();
    w.key.faults.statusOn = 2;
    w.key.faults.statusValue = 3;
    EXPECT_EQ(w.Request({4}), Bytes{0});
    EXPECT_EQ(w.key.Chip().ResetCount(), 1);
    EXPECT_EQ(w.Request({4}), Bytes{3});
    EXPECT_EQ(w.key.Chip().ResetCount(), 1) << "the failed operation is not done";
    EXPECT_EQ(w.Request({4}), Bytes{0}) << "one-shot";
}

TEST(VirtualKeyFaults, SilenceAndDamage) {
    Wire w;
    w.Connect();
    w.key.faults.garbleReplyOn = 1;
    Bytes r = w.Request({4});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_NE(r[0], 0) << "damaged on the wire";
    w.key.faults.replyBytesLeft = 0;
    EXPECT_TRUE(w.Request({4}).empty()) << "only the echo";
}

TEST(VirtualKeyTiming, RepliesWaitForLatencyAndWork) {
    Wire w;
    w.Connect();
    w.key.faults.latencyMs = 30;
    w.key.faults.unitMs = 2;
    Bytes raw = {w.pc.Send(1), w.pc.Send(200)};
    EXPECT_EQ(w.Raw(raw), raw) << "the echo comes at once";
    w.now += 429;
    EXPECT_TRUE(w.Drain().empty()) << "200 units of 2 ms and 30 ms latency: not yet";
    w.now += 1;
    Bytes st = w.Drain();
    ASSERT_EQ(st.size(), 1u);
    EXPECT_EQ(w.pc.Take(st[0]), 0);
}

TEST(VirtualKeyTiming, ClockMayWrap) {
    VirtualKey key;
    uint32_t now = 0xFFFFFFF0u;
    key.LineOpened(now);
    key.SetBaud(57600);
    key.faults.latencyMs = 40; // due after the counter wraps
    Bytes hello = {' ', 'P', 'e', 'l', 'l', 'i', 'x'};
    key.Receive(hello.data(), hello.size(), now);
    Bytes out(64);
    EXPECT_EQ(key.Transmit(out.data(), out.size(), now), 7u);
    EXPECT_EQ(key.Transmit(out.data(), out.size(), now + 39), 0u);
    EXPECT_EQ(key.Transmit(out.data(), out.size(), now + 40), 9u);
}

TEST(VirtualKeyTiming, LateEchoOfTheEndByteOutlivesTheLine) {
    Wire w;
    w.Connect();
    w.key.faults.lateEndEchoMs = 50;
    uint8_t raw = w.pc.Send(0);
    EXPECT_TRUE(w.Raw({raw}).empty());
    w.key.LineClosed(w.now);
    w.key.LineOpened(w.now + 10);
    w.now += 50;
    EXPECT_EQ(w.Drain(), Bytes{raw}) << "arrives on the next connection";
}

TEST(VirtualKeyLine, ClosingTheLineDropsTheSession) {
    Wire w;
    w.Connect();
    w.key.LineClosed(w.now);
    EXPECT_FALSE(w.key.InSession());
    w.key.LineOpened(w.now);
    w.pc = Pc{};
    w.Connect(); // an unscrambled identification is understood again
    w.key.SetBaud(19200);
    EXPECT_FALSE(w.key.InSession()) << "a new rate is a new line";
}

TEST(VirtualKeyCommands, EraseProgramReadRoundTrip) {
    Wire w;
    VirtualChip& chip = w.key.Chip();
    chip.LoadCode(0, 0x123);
    w.Connect();
    EXPECT_EQ(w.Request({1, 255}), Bytes{0});
    EXPECT_EQ(chip.Code(0), 0x0FFF) << "erased";
    EXPECT_EQ(w.Request({2}), Bytes{0});
    // FUSEX bits 0-1 = 0: 512 words, so the ID follows address 511.
    EXPECT_EQ(w.Request(Wire::Cat({2, 50}, Wire::Words({0xF00, 0xABC}))), Bytes{0});
    EXPECT_EQ(chip.Fusex(), 0xF00);
    EXPECT_EQ(chip.Fuse(), 0xABC);
    EXPECT_EQ(chip.MemoryWords(), 512);
    for (int block = 0; block < 16; ++block) {
        Bytes req = {32, 20};
        for (int i = 0; i < 32; ++i) {
            uint16_t word = uint16_t((block * 32 + i) * 7 & 0xFFF);
            req.push_back(uint8_t(word));
            req.push_back(uint8_t(word >> 8));
        }
        ASSERT_EQ(w.Request(req), Bytes{0}) << block;
    }
    Bytes id = {16, 20};
    for (int i = 0; i < 16; ++i) {
        id.push_back(uint8_t(0xF0 + i));
        id.push_back(0x0F);
    }
    EXPECT_EQ(w.Request(id), Bytes{0});
    EXPECT_EQ(w.Request({0}).size(), 3u) << "end: a word and a byte";
    EXPECT_EQ(chip.Code(511), (511 * 7) & 0xFFF);
    EXPECT_EQ(chip.Code(512), 0x0FFF) << "past the usable memory nothing is written";
    EXPECT_EQ(chip.Id(15), 0xFFF);
    EXPECT_EQ(chip.Id(0), 0xFF0);

    // Reading walks device code, FUSEX, FUSE, code, ID.
    EXPECT_EQ(w.Request({3}), Bytes{0});
    Bytes head = w.Request({3});
    EXPECT_EQ(head, Wire::Cat(Wire::Words({kDeviceCodeFamily0, 0xF00, 0xABC}), {0}));
    for (int block = 0; block < 4; ++block) {
        Bytes r = w.Request({128});
        ASSERT_EQ(r.size(), 257u);
        for (int i = 0; i < 128; ++i)
            ASSERT_EQ(r[2 * i] | (r[2 * i + 1] << 8), ((block * 128 + i) * 7) & 0xFFF);
        EXPECT_EQ(r.back(), 0);
    }
    Bytes ids = w.Request({16});
    ASSERT_EQ(ids.size(), 33u);
    EXPECT_EQ(ids[0] | (ids[1] << 8), 0xFF0);
    EXPECT_EQ(w.Request({0}).size(), 3u);
}

TEST(VirtualKeyCommands, ProgrammingOnlyClearsBits) {
    Wire w;
    w.Connect();
    EXPECT_EQ(w.Request({2}), Bytes{0});
    EXPECT_EQ(w.Request(Wire::Cat({2, 50}, Wire::Words({0xFF3, 0xFFF}))), Bytes{0});
    EXPECT_EQ(w.Request({1, 20, 0x0F, 0x00}), Bytes{0}) << "0x00F into a blank cell";
    EXPECT_EQ(w.Request({0}).size(), 3u);
    // The same cell again, without an erase: bits cannot come back.
    EXPECT_EQ(w.Request({2}), Bytes{0});
    EXPECT_EQ(w.Request(Wire::Cat({2, 50}, Wire::Words({0xFF3, 0xFFF}))), Bytes{0});
    EXPECT_EQ(w.Request({1, 20, 0xF0, 0x00}), Bytes{3}) << "Programming failed";
    EXPECT_EQ(w.key.Chip().Code(0), 0x000);
}

TEST(VirtualKeyCommands, BadBlockHeadersAreRefused) {
    Wire w;
    w.Connect();
    EXPECT_EQ(w.Request({2}), Bytes{0});
    EXPECT_EQ(w.Request({64}), Bytes{4}) << "adaptive bit without words";
    EXPECT_EQ(w.Request({0x81}), Bytes{4});
    EXPECT_EQ(w.Request({0}).size(), 3u) << "the exchange still ends normally";
}

TEST(VirtualKeyCommands, OscillatorMeasurementFollowsTheTrim) {
    Wire w;
    VirtualChip& chip = w.key.Chip();
    chip.SetIrcFrequency(4, 4'006'442);
    w.Connect();
    EXPECT_EQ(w.Request({2}), Bytes{0});
    EXPECT_EQ(w.Request(Wire::Cat({1, 50}, Wire::Words({0xCFF}))), Bytes{0}); // trim 4
    Bytes end = w.Request({0});
    ASSERT_EQ(end.size(), 3u);
    EXPECT_EQ(end[0] | (end[1] << 8), 316) << "1,266,035,968 / 4,006,442";
    EXPECT_EQ(VirtualChip::TrimOfFusex(0xFFF), 7);
    EXPECT_EQ(VirtualChip::TrimOfFusex(0x4FF), 0);
    EXPECT_EQ(VirtualChip::TrimOfFusex(0x6FF), 2);
    EXPECT_EQ(VirtualChip::TrimOfFusex(0xDFF), 5);
}

TEST(VirtualKeyCommands, ClockResetPollStateAndKernelRecords) {
    Wire w(1);
    VirtualChip& chip = w.key.Chip();
    w.Connect();
    EXPECT_EQ(w.Request({8, 0x20, 0x46, 0x3D}), Bytes{0});
    EXPECT_TRUE(chip.Clocked());
    EXPECT_EQ(chip.ClockWord(), 0x3D4620u);
    EXPECT_EQ(chip.ClockHertz(), 50'000'000u);
    chip.ClockOn(0x3EE4E0);
    EXPECT_EQ(chip.ClockHertz(), 4'000'000u);
    EXPECT_TRUE(w.Request({9}).empty());
    EXPECT_FALSE(chip.Clocked());
    EXPECT_EQ(w.Request({4}), Bytes{0});
    EXPECT_EQ(chip.ResetCount(), 1);
    chip.SetRunState(kRunStateStopped);
    EXPECT_EQ(w.Request({5}), Bytes{kRunStateStopped});

    Bytes head = w.Request({6, 24});
    ASSERT_EQ(head.size(), 24u);
    EXPECT_EQ(head[2] | (head[3] << 8), 0xFFF) << "at the reset vector";
    EXPECT_EQ(w.Request({6, 240}).size(), 240u);

    EXPECT_TRUE(w.Request({7, 4, 1, 0x10, 2, 0x55}).empty());
    EXPECT_TRUE(w.Request({7, 2, 0, 0}).empty());
    ASSERT_EQ(chip.KernelRecords().size(), 2u);
    EXPECT_EQ(chip.KernelRecords()[0], (Bytes{1, 0x10, 2, 0x55}));
    EXPECT_EQ(chip.KernelRecords()[1], (Bytes{0, 0}));
    EXPECT_EQ(w.Request({5}).size(), 1u) << "back to commands after the record";
    for (int i = 0; i < 300; ++i)
        w.Request({7, 1, uint8_t(i)});
    EXPECT_EQ(chip.KernelRecords().size(), VirtualChip::kKeptKernelRecords) << "bounded";
    EXPECT_EQ(chip.KernelRecords().back(), Bytes{uint8_t(299)});
    EXPECT_TRUE(w.key.requestLog.empty()) << "not logged unless asked";
}

TEST(VirtualChip, GeometryAndFamilies) {
    VirtualChip chip;
    EXPECT_EQ(chip.PhysicalWords(), 2048);
    EXPECT_EQ(chip.DeviceCode(), kDeviceCodeFamily0);
    const int sizes[4] = {512, 1024, 2048, 2048};
    for (uint16_t bits = 0; bits < 4; ++bits) {
        chip.LoadFusex(uint16_t(0xFFC | bits));
        EXPECT_EQ(chip.MemoryWords(), sizes[bits]);
    }
    chip.LoadCode(2048 + 5, 0x321);
    EXPECT_EQ(chip.Code(5), 0x321) << "addresses wrap at the part's size";
    chip.SetFamily(1);
    EXPECT_EQ(chip.DeviceCode(), kDeviceCodeFamily1);
    EXPECT_EQ(chip.MemoryWords(), 4096);
    EXPECT_EQ(chip.Code(5), 0x0FFF) << "a new part is blank";
}

TEST(VirtualChip, DefaultOscillatorIsNearestFourMegahertzAtOneTrim) {
    VirtualChip chip;
    int best = -1;
    uint32_t bestDistance = ~0u;
    for (int trim = 0; trim < 8; ++trim) {
        uint32_t f = chip.IrcFrequency(trim);
        if (trim > 0) {
            EXPECT_LT(f, chip.IrcFrequency(trim - 1)) << "0 fastest, 7 slowest";
        }
        uint32_t d = f > 4'000'000 ? f - 4'000'000 : 4'000'000 - f;
        if (d < bestDistance) {
            bestDistance = d;
            best = trim;
        }
    }
    EXPECT_EQ(best, 4);
    chip.SetIrcFrequency(0, 0);
    chip.LoadFusex(0x4FF);
    EXPECT_EQ(chip.MeasureIrc(), 0x0FFF) << "a dead oscillator does not divide by zero";
}
