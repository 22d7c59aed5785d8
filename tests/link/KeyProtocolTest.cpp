#include <algorithm>
#include <stdexcept>

#include "link/LinkTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

struct Connected : SimRig {
    explicit Connected(int family = 0) : SimRig(family) {
        link.ConnectKey();
        TakeRequests();
    }
};

Bytes Words(std::initializer_list<uint16_t> words) {
    Bytes b;
    for (uint16_t w : words) {
        b.push_back(uint8_t(w & 0xFF));
        b.push_back(uint8_t(w >> 8));
    }
    return b;
}

// The block sizes of one programming exchange as the key took it: 2, then blocks
// (header, pulse time, words), then the end header.
std::vector<int> BlockSizes(const Bytes& log, std::vector<int>* pulses = nullptr) {
    std::vector<int> sizes;
    if (log.empty() || log[0] != kCommandProgram) return sizes;
    size_t i = 1;
    while (i < log.size() && log[i] != 0) {
        int k = log[i] & 0x3F;
        sizes.push_back(k);
        if (pulses && i + 1 < log.size()) pulses->push_back(log[i + 1]);
        i += 2 + 2 * size_t(k);
    }
    EXPECT_EQ(i + 1, log.size()) << "ends with the end header";
    return sizes;
}

} // namespace

TEST(KeyProtocolBytes, ShortExchanges) {
    Connected r;
    r.protocol.Reset();
    EXPECT_EQ(r.TakeRequests(), Bytes{4});
    EXPECT_EQ(r.key.Chip().ResetCount(), 1);
    r.key.Chip().SetRunState(kRunStateAsleep);
    EXPECT_EQ(r.protocol.Poll(), kRunStateAsleep);
    EXPECT_EQ(r.TakeRequests(), Bytes{5});
    r.protocol.ClockOn(0x3D4620);
    EXPECT_EQ(r.TakeRequests(), (Bytes{8, 0x20, 0x46, 0x3D})) << "low byte first";
    EXPECT_EQ(r.key.Chip().ClockWord(), 0x3D4620u);
    r.protocol.ClockOff();
    EXPECT_EQ(r.TakeRequests(), Bytes{9});
    EXPECT_FALSE(r.key.Chip().Clocked());
    r.protocol.RegisterWrite(0x10, 0x55);
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 4, 1, 0x10, 2, 0x55}));
    r.protocol.StopRequest(0);
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 1, 0}));
    r.protocol.StopRequest(1);
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 2, 0, 0})) << "two zero bytes for an SX48/52";
    r.protocol.End();
    EXPECT_EQ(r.TakeRequests(), Bytes{0});
    EXPECT_FALSE(r.key.InSession());
}

TEST(KeyProtocolBytes, EraseIsTwoExchangesEachWithItsStatus) {
    Connected r;
    r.protocol.EraseFor(kEraseTotalUnits);
    EXPECT_EQ(r.TakeRequests(), (Bytes{1, 255, 1, 245}));
    EXPECT_EQ(r.key.Chip().EraseCount(), 2);
    EXPECT_EQ(r.link.receiveTimeout, kDefaultReceiveTimeout) << "raised only for the status";

    r.key.faults.statusOn = 2;
    r.key.faults.statusValue = 1;
    ExpectLinkError(
        r.link, r.prompter, [&] { r.protocol.EraseFor(500); }, "Vpp generation failed");
}

TEST(KeyProtocolBytes, ProgrammingAndMeasurement) {
    Connected r;
    r.key.Chip().SetIrcFrequency(7, 3'000'000);
    r.protocol.EraseFor();
    r.TakeRequests();
    r.protocol.ProgramStart();
    const uint16_t config[] = {0xFFF, 0xABC};
    r.protocol.ProgramBlock(config, kConfigPulseTime);
    uint16_t count = r.protocol.ProgramEnd();
    EXPECT_EQ(r.TakeRequests(), Cat(Cat({2, 2, 50}, Words({0xFFF, 0xABC})), {0}));
    EXPECT_EQ(count, 422) << "the oscillator at trim 7: 1,266,035,968 / 3,000,000";

    r.protocol.EraseFor();
    r.TakeRequests();
    uint16_t measured = r.protocol.MeasureOscillator(0xCFF);
    EXPECT_EQ(measured, 320) << "trim 4 at 3,960,000 Hz";
    EXPECT_EQ(r.TakeRequests(), (Bytes{2, 1, 50, 0xFF, 0x0C, 0}));
    EXPECT_EQ(r.key.Chip().Fusex(), 0xCFF);
}

TEST(KeyProtocolBytes, ReadAndStateRequests) {
    Connected r;
    r.protocol.ReadStart();
    uint16_t head[3];
    r.protocol.ReadBlock(head);
    r.protocol.ReadEnd();
    EXPECT_EQ(r.TakeRequests(), (Bytes{3, 3, 0}));
    EXPECT_EQ(head[0], kDeviceCodeFamily0);

    r.protocol.ReadState(0, 4, 2048);
    EXPECT_EQ(r.TakeRequests(), (Bytes{6, 24 + 16 * 4}));
    r.protocol.ReadState(0, 1, 512);
    EXPECT_EQ(r.TakeRequests(), (Bytes{6, 40}));
    r.protocol.ReadState(0, 8, 2048);
    EXPECT_EQ(r.TakeRequests(), (Bytes{6, 152}));

    Connected big(1);
    big.key.Chip().Core().SetM(0x1F); // five bits on an SX48/52
    KernelState s = big.protocol.ReadState(1, 15, 4096);
    EXPECT_EQ(big.TakeRequests(), (Bytes{6, 24, 6, 240}));
    EXPECT_EQ(s.programCounter, 0xFFF);
    EXPECT_EQ(s.m, 0x1F);
}

TEST(KeyProtocolBytes, ResumeRecord) {
    Connected r;
    ResumeContext c;
    c.w = 0x11;
    c.programCounter = 0x234;
    c.status = 0xFF;
    c.intFlag = 1;
    c.skipFlag = 1;
    c.fsr = 0x44;
    c.reg0D = 0xDD;
    c.reg0E = 0xEE;
    c.reg0F = 0x0F;
    c.m = 0x0A;
    c.runMode = RunModeToBreak;
    c.breakpoint = 0x123;
    c.memorySize = 2048;
    r.protocol.Resume(c);
    const Bytes expected = {7,  28,   4, 0x11, 0,  0x02, 8, 0x34, 16,  0xE7 + 16 + 8,
                            32, 0x44, 0, 0xEE, 0,  0x0F, 0, 0xE9, 0,   0xF7,
                            0,  0xF7, 0, 0x01, 64, 0x23, 0, 0x0A, 128, 0xDD};
    EXPECT_EQ(r.TakeRequests(), expected);
    ASSERT_EQ(r.key.Chip().KernelRecords().size(), 1u);
    EXPECT_EQ(r.key.Chip().KernelRecords()[0].size(), 28u);

    // At the reset vector the low byte is 2 less and the SKIP flag does not travel.
    c.programCounter = 0x7FF;
    auto at = BuildResumeRecord(c);
    EXPECT_EQ(at[3], 0x07);
    EXPECT_EQ(at[5], 0xFD);
    EXPECT_EQ(at[7], 0xE7 + 16);
    c.breakpoint = 0x1000; // none
    c.runMode = RunModeFree;
    at = BuildResumeRecord(c);
    EXPECT_EQ(at[15], 0xEA);
    EXPECT_EQ(at[17], 0xEA);
    EXPECT_EQ(at[21], 0x10);
    EXPECT_EQ(at[23], 0x00);
}

TEST(KeyProtocolBlocks, A512WordPartTakesSixteenCodeBlocks) {
    Connected r;
    VirtualChip& chip = r.key.Chip();
    std::vector<uint16_t> code(512);
    for (size_t i = 0; i < code.size(); ++i)
        code[i] = uint16_t((i * 37 + 5) & 0xFFF);
    std::vector<uint16_t> id(16, 0xFF5);
    r.protocol.EraseFor();
    r.TakeRequests();

    std::vector<int> progress;
    r.protocol.ProgramStart();
    const uint16_t config[] = {0xFFC, 0x0FA}; // FUSEX bits 0-1 = 0: 512 words
    r.protocol.ProgramBlock(config, kConfigPulseTime);
    r.protocol.ProgramWords(code, kCodePulseTime, kMaxProgramBlockWords,
                            [&](int done) { progress.push_back(done); });
    r.protocol.ProgramWords(id, kCodePulseTime, 16);
    r.protocol.ProgramEnd();

    std::vector<int> pulses;
    std::vector<int> sizes = BlockSizes(r.TakeRequests(), &pulses);
    ASSERT_EQ(sizes.size(), 1u + 16 + 1);
    EXPECT_EQ(sizes.front(), 2);
    EXPECT_EQ(pulses.front(), 50);
    for (size_t b = 1; b <= 16; ++b) {
        EXPECT_EQ(sizes[b], 32);
        EXPECT_EQ(pulses[b], 20);
    }
    EXPECT_EQ(sizes.back(), 16);
    EXPECT_EQ(progress.size(), 16u);
    EXPECT_EQ(progress.back(), 512);

    EXPECT_EQ(chip.Fusex(), 0xFFC);
    EXPECT_EQ(chip.Fuse(), 0x0FA);
    for (int a = 0; a < 512; ++a)
        ASSERT_EQ(chip.Code(a), code[size_t(a)]) << a;
    EXPECT_EQ(chip.Id(0), 0xFF5);
    EXPECT_EQ(r.key.Queued(), 0u) << "every status read, none left over";
}

TEST(KeyProtocolBlocks, A4096WordPartTakes128CodeBlocks) {
    Connected r(1);
    std::vector<uint16_t> code(4096);
    for (size_t i = 0; i < code.size(); ++i)
        code[i] = uint16_t(~i & 0xFFF);
    r.protocol.EraseFor();
    r.TakeRequests();
    r.protocol.ProgramStart();
    const uint16_t config[] = {0xFFF, 0xFFF};
    r.protocol.ProgramBlock(config, kConfigPulseTime);
    r.protocol.ProgramWords(code, kCodePulseTime);
    r.protocol.ProgramEnd();
    std::vector<int> sizes = BlockSizes(r.TakeRequests());
    ASSERT_EQ(sizes.size(), 129u);
    EXPECT_EQ(std::count(sizes.begin() + 1, sizes.end(), 32), 128);
    EXPECT_EQ(r.key.Chip().Code(4095), 0x000);
    EXPECT_EQ(r.key.Chip().Code(0), 0xFFF);
    EXPECT_EQ(r.key.Chip().Code(1), 0xFFE);
}

TEST(KeyProtocolBlocks, ReadingA2048WordPart) {
    Connected r;
    VirtualChip& chip = r.key.Chip();
    chip.LoadFusex(0xF7F); // bits 0-1 = 3: 2048 words
    chip.LoadFuse(0x0AB);
    for (int a = 0; a < 2048; ++a)
        chip.LoadCode(a, uint16_t((a * 5) & 0xFFF));
    for (int i = 0; i < 16; ++i)
        chip.LoadId(i, uint16_t(0xFF0 + i));
    chip.SetRunState(kRunStateStopped);

    uint16_t head[3];
    std::vector<uint16_t> code(2048), id(16);
    r.protocol.ReadStart();
    r.protocol.ReadBlock(head);
    r.protocol.ReadWords(code);
    r.protocol.ReadBlock(id);
    r.protocol.ReadEnd();

    Bytes expected = {3, 3};
    expected.insert(expected.end(), 16, 128);
    expected.push_back(16);
    expected.push_back(0);
    EXPECT_EQ(r.TakeRequests(), expected);
    EXPECT_EQ(head[0], kDeviceCodeFamily0);
    EXPECT_EQ(head[1], 0xF7F);
    EXPECT_EQ(head[2], 0x0AB);
    for (int a = 0; a < 2048; ++a)
        ASSERT_EQ(code[size_t(a)], (a * 5) & 0xFFF) << a;
    EXPECT_EQ(id[15], 0xFFF);
    // Every word, status and end byte was taken: the next reply is the poll's own.
    EXPECT_EQ(r.protocol.Poll(), kRunStateStopped);
}

TEST(KeyProtocolBlocks, BlockStatusIsReadBeforeTheNextRequest) {
    Connected r;
    r.protocol.EraseFor();
    r.TakeRequests();
    r.key.faults.statusOn = 3; // start, first block, then the second block's status
    r.key.faults.statusValue = 3;
    std::vector<uint16_t> code(128, 0x000);
    r.protocol.ProgramStart();
    ExpectLinkError(
        r.link, r.prompter, [&] { r.protocol.ProgramWords(code, kCodePulseTime); },
        "Programming failed");
    EXPECT_EQ(BlockSizes(Cat(r.TakeRequests(), {0})), (std::vector<int>{32, 32}))
        << "the second block's status, read before the third block, stopped it";

    // The last block's status is read by the end, before the end header.
    Connected e;
    e.protocol.EraseFor();
    e.TakeRequests();
    e.key.faults.statusOn = 2;
    e.key.faults.statusValue = 2;
    const uint16_t one[] = {0x000};
    e.protocol.ProgramStart();
    e.protocol.ProgramBlock(one, kCodePulseTime);
    ExpectLinkError(
        e.link, e.prompter, [&] { e.protocol.ProgramEnd(); }, "Chip connection failed");
    EXPECT_EQ(e.TakeRequests(), (Bytes{2, 1, 20, 0, 0}));

    // Reading: the first block's status stops the second request.
    Connected d;
    d.key.faults.statusOn = 2;
    d.key.faults.statusValue = 9;
    std::vector<uint16_t> words(256);
    d.protocol.ReadStart();
    ExpectLinkError(
        d.link, d.prompter, [&] { d.protocol.ReadWords(words); }, "Communication failed");
    EXPECT_EQ(d.TakeRequests(), (Bytes{3, 128}));
}

TEST(KeyProtocolTimeouts, ProgrammingStatusWaitsPulseTimesWordsPlusOneSecond) {
    Connected r;
    r.key.faults.unitMs = 1;
    r.protocol.EraseFor();
    std::vector<uint16_t> code(32, 0x123);
    r.protocol.ProgramStart();
    r.key.faults.latencyMs = 900; // 20 x 32 + 900 = 1540 ms: inside 1640, past 1000
    r.protocol.ProgramWords(code, kCodePulseTime);
    r.protocol.ProgramEnd();
    EXPECT_EQ(r.link.receiveTimeout, kDefaultReceiveTimeout) << "back to 1 s after the status";
    EXPECT_TRUE(r.prompter.messages.empty());

    r.key.faults.latencyMs = 0;
    r.protocol.ProgramStart();
    const uint16_t one[] = {0x123};
    r.key.faults.latencyMs = 1100; // 20 x 1 + 1100: past 1020
    r.protocol.ProgramBlock(one, kCodePulseTime);
    ExpectLinkError(
        r.link, r.prompter, [&] { r.protocol.ProgramEnd(); }, "Pellix not found on sim");
}

TEST(KeyProtocolTimeouts, EraseStatusWaitsUnitsPlusOneSecond) {
    Connected r;
    r.key.faults.unitMs = 1;
    r.key.faults.latencyMs = 900; // 255 + 900 inside 1255
    r.protocol.Erase(255);
    EXPECT_EQ(r.link.receiveTimeout, kDefaultReceiveTimeout);
    r.key.faults.latencyMs = 1100; // 255 + 1100 past 1255
    ExpectLinkError(
        r.link, r.prompter, [&] { r.protocol.Erase(255); }, "Pellix not found on sim");
}

TEST(KeyProtocolBlocks, BlocksOutsideTheirLimitsAreRefusedBeforeAnythingIsSent) {
    Connected r;
    std::vector<uint16_t> none, tooMany(33), reads(129);
    r.protocol.ProgramStart();
    r.TakeRequests();
    EXPECT_THROW(r.protocol.ProgramBlock(none, 20), std::invalid_argument)
        << "an empty block would be the end header";
    EXPECT_THROW(r.protocol.ProgramBlock(tooMany, 20), std::invalid_argument);
    EXPECT_THROW(r.protocol.ReadBlock(reads), std::invalid_argument);
    EXPECT_TRUE(r.TakeRequests().empty());
}

TEST(KernelStateDecoding, Family0WithItsBanks) {
    EXPECT_EQ(BankedRegister(1, 0), 0xF0);
    EXPECT_EQ(BankedRegister(1, 15), 0xFF);
    EXPECT_EQ(BankedRegister(4, 0), 0x90);
    EXPECT_EQ(BankedRegister(4, 16), 0xB0);
    EXPECT_EQ(BankedRegister(4, 63), 0xFF);
    EXPECT_EQ(BankedRegister(8, 0), 0x10);
    EXPECT_EQ(BankedRegister(8, 16), 0x30);
    EXPECT_EQ(StateRequestBytes(0, 8), 152);
    EXPECT_EQ(StateRequestBytes(1, 15), 24);

    Bytes rec(24 + 64);
    rec[0] = 0x80 | 0x3A; // W at 1, M 0xA (upper bits of M are not M's on these parts)
    rec[1] = 0x77;
    rec[2] = 0xFE;
    rec[3] = 0x0F;                      // 0xFFE masked to 0x7FE
    rec[4] = 0xA0 | 0x10 | 0x08 | 0x05; // STATUS bits, INT and SKIP
    rec[5] = 0x9C;
    rec[6] = 0xD0;
    rec[7] = 0xE0;
    rec[8] = 0xF0;
    rec[9] = 0x01;
    rec[10] = 0x99;        // ignored
    rec[11] = 0x18 | 0x04; // only bits 3 and 4 count
    for (int i = 0; i < 8; ++i)
        rec[size_t(13 + i)] = uint8_t(0x50 + i);
    for (int j = 0; j < 64; ++j)
        rec[size_t(24 + j)] = uint8_t(j);
    KernelState s = DecodeKernelState(0, 4, 2048, rec, {});
    EXPECT_EQ(s.m, 0x0A);
    EXPECT_TRUE(s.wAtOne);
    EXPECT_EQ(s.w, 0x77);
    EXPECT_EQ(s.programCounter, 0x7FE);
    EXPECT_EQ(s.intFlag, 1);
    EXPECT_EQ(s.skipFlag, 1);
    EXPECT_EQ(s.registers[0x03], 0xA0 | 0x18 | 0x05);
    EXPECT_EQ(s.registers[0x04], 0x9C);
    EXPECT_EQ(s.registers[0x0D], 0xD0);
    EXPECT_EQ(s.registers[0x0F], 0xF0);
    EXPECT_EQ(s.registers[0x01], 0x01);
    EXPECT_EQ(s.registers[0x05], 0x50);
    EXPECT_EQ(s.registers[0x0C], 0x57);
    EXPECT_EQ(s.registers[0x90], 0);
    EXPECT_EQ(s.registers[0x9F], 15);
    EXPECT_EQ(s.registers[0xB0], 16);
    EXPECT_EQ(s.registers[0xFF], 63);
    EXPECT_EQ(s.registers[0x10], 0) << "not a bank of a four-bank part";
}

TEST(KernelStateDecoding, Family1TakesTheSecondReply) {
    Bytes rec(24), high(240);
    rec[0] = 0x1F;
    rec[2] = 0x34;
    rec[3] = 0x12;
    for (size_t i = 0; i < high.size(); ++i)
        high[i] = uint8_t(i + 1);
    KernelState s = DecodeKernelState(1, 15, 4096, rec, high);
    EXPECT_EQ(s.m, 0x1F) << "five bits of M";
    EXPECT_EQ(s.programCounter, 0x234);
    EXPECT_EQ(s.registers[0x10], 1);
    EXPECT_EQ(s.registers[0xFF], 240);
}
