// Installing the debug kernel: the four refusals, the layout below the reset vector, the
// reset diversion and the timing tuned to the clock.
#include "link/DebugTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

// The kernel word i as installed for a family.
uint16_t Kernel(const AssemblyRecord& r, int i) {
    return r.transfer.Code(KernelEnd(r.deviceFamily) - kKernelWords + i);
}

std::unique_ptr<AssemblyRecord> Prepared(const std::string& source) {
    auto r = AssembleText(source);
    PrepareDebug(*r);
    return r;
}

void ExpectRefused(const std::string& source, std::string_view message) {
    auto r = Prepared(source);
    EXPECT_EQ(r->status, 1);
    EXPECT_EQ(r->message, message);
}

} // namespace

TEST(PrepareDebug, TheFourRefusals) {
    ExpectRefused(" DEVICE SX28,WATCHDOG\n RESET 0\n ORG $7FE\n NOP\n", kDebugWatchdogMessage);
    ExpectRefused(" DEVICE SX28\n RESET 0\n REPT 512\n NOP\n ENDR\n", kDebugFreePairMessage);
    ExpectRefused(" DEVICE SX28\n ORG 0\n NOP\n", kDebugResetJumpMessage);
    ExpectRefused(" DEVICE SX28\n RESET 0\n ORG $7FE\n NOP\n", kDebugKernelSpaceMessage);
    ExpectRefused(" DEVICE SX28\n RESET 0\n ORG $777\n NOP\n", kDebugKernelSpaceMessage);
    ExpectRefused(" DEVICE SX52\n RESET 0\n ORG $F77\n NOP\n", kDebugKernelSpaceMessage);
    // The word below the kernel's space is the program's to use.
    auto r = Prepared(" DEVICE SX28\n RESET 0\n ORG $776\n NOP\n");
    EXPECT_EQ(r->status, 0) << r->message;
    // A reset vector holding something other than a JMP is not a reset jump.
    ExpectRefused(" DEVICE SX28\n ORG $7FF\n NOP\n", kDebugResetJumpMessage);
}

TEST(PrepareDebug, FullMemoryLayoutOfFamilyZero) {
    auto r = Prepared(" DEVICE SX28,TURBO,STACKX_OPTIONX\n RESET start\n ORG 8\n"
                      "start NOP\n JMP start\n");
    ASSERT_EQ(r->status, 0) << r->message;
    const ProgramImage& t = r->transfer;
    for (int i = 0; i < kKernelWords; ++i) {
        int a = 0x777 + i;
        bool tuned = (i >= kPatchAIndex && i < kPatchAIndex + 12) ||
                     (i >= kPatchBIndex && i < kPatchBIndex + 19) || i == kKernelResetJumpIndex;
        if (!tuned) {
            EXPECT_EQ(t.Code(a), kDebugKernel[size_t(i)]) << std::hex << a;
        }
        EXPECT_TRUE(t.Written(a)) << std::hex << a;
    }
    EXPECT_EQ(t.Code(0x7FD), 0xA08) << "the program's own reset jump";
    EXPECT_EQ(t[0x7FF], kWrittenMark | 0xBFE) << "a jump to the free pair at 0x1FE";
    EXPECT_EQ(t.Code(0x1FE), 0x017);
    EXPECT_EQ(t.Code(0x1FF), 0xB83);
    EXPECT_EQ(t.Code(0x776), 0xFFF);
    EXPECT_FALSE(t.Written(0x776));
    EXPECT_EQ(t.Fuse(), (r->assembled.Fuse() & 0xF1C) | 0x0A0);
    // The program itself is unchanged, and so is `assembled`.
    EXPECT_EQ(t.Code(8), 0x000);
    EXPECT_EQ(r->assembled.Code(0x7FF), 0xA08);
    EXPECT_EQ(r->assembled.Code(0x783), 0xFFF);
}

TEST(PrepareDebug, TheFreePairIsTheHighestAdjacentOne) {
    auto r = Prepared(" DEVICE SX28\n RESET 0\n ORG $1FF\n NOP\n");
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(r->transfer.Code(0x7FF), 0xBFD);
    EXPECT_EQ(r->transfer.Code(0x1FD), 0x017);
    EXPECT_EQ(r->transfer.Code(0x1FE), 0xB83);
    // A lone free word between used ones does not do.
    r = Prepared(" DEVICE SX28\n RESET 0\n ORG $1FC\n NOP\n ORG $1FE\n NOP\n NOP\n");
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(r->transfer.Code(0x7FF), 0xBFA);
    EXPECT_EQ(r->transfer.Code(0x1FD), 0xFFF);
    // A written word that happens to hold 0xFFF is not free.
    r = Prepared(" DEVICE SX28\n RESET 0\n ORG $1FE\n DW $FFF\n");
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(r->transfer.Code(0x7FF), 0xBFC);
}

TEST(PrepareDebug, TurboAtFiftyMegahertzTakesBothPatches) {
    auto r = Prepared(" DEVICE SX28,TURBO\n FREQ 50_000_000\n RESET 0\n");
    ASSERT_EQ(r->status, 0);
    // v = ((50,000,000 / 10,000) - 14) / 6 = 831; NOT v = ...FCC0.
    EXPECT_EQ(Kernel(*r, 33), 0xCC0);
    EXPECT_EQ(Kernel(*r, 35), 0xCFC);
    for (int i = 0; i < 12; ++i)
        if (i != 0 && i != 2) {
            EXPECT_EQ(Kernel(*r, 33 + i), kKernelPatchA[size_t(i)]) << i;
        }
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(Kernel(*r, 81 + i), kKernelPatchB[size_t(i)]) << i;
    EXPECT_EQ(Kernel(*r, 75), kDebugKernel[75]) << "word 75 is family 1's only";
}

TEST(PrepareDebug, CompatibleModeTiming) {
    // 4 MHz: v = 100 - 9 = 91; word 38's literal 91 / 3 + 1 = 31, word 43's lowered by 1.
    auto r = Prepared(" DEVICE SX28\n FREQ 4_000_000\n RESET 0\n");
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(Kernel(*r, 38), 0xC00 | 31);
    EXPECT_EQ(Kernel(*r, 43), kDebugKernel[43] - 1);
    EXPECT_EQ(Kernel(*r, 33), kDebugKernel[33]) << "no patch A below 30 MHz";
    EXPECT_EQ(Kernel(*r, 81), kDebugKernel[81]) << "no patch B in compatible mode";
    // 50 MHz: patch A with v = (1250 - 13) / 5 = 247, NOT v = ...FF08.
    r = Prepared(" DEVICE SX28\n FREQ 50_000_000\n RESET 0\n");
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(Kernel(*r, 33), 0xC08);
    EXPECT_EQ(Kernel(*r, 35), 0xCFF);
    EXPECT_EQ(Kernel(*r, 36), kKernelPatchA[3]);
    EXPECT_EQ(Kernel(*r, 81), kDebugKernel[81]);
    // 29,999,999 Hz and 30,000,000 Hz sit either side of the patch.
    r = Prepared(" DEVICE SX28\n FREQ 29_999_999\n RESET 0\n");
    EXPECT_EQ(Kernel(*r, 33), kDebugKernel[33]);
    r = Prepared(" DEVICE SX28\n FREQ 30_000_000\n RESET 0\n");
    EXPECT_EQ(Kernel(*r, 34), kKernelPatchA[1]);
}

TEST(PrepareDebug, FamilyOneLayoutAndTiming) {
    auto r = Prepared(" DEVICE SX52\n FREQ 4_000_000\n RESET start\n ORG 0\nstart JMP start\n");
    ASSERT_EQ(r->status, 0) << r->message;
    EXPECT_EQ(r->deviceFamily, 1);
    const ProgramImage& t = r->transfer;
    EXPECT_EQ(t.Code(0xF77), kDebugKernel[0]);
    EXPECT_EQ(t.Code(0xF77 + kKernelEntryIndex), kDebugKernel[12]);
    EXPECT_EQ(t.Code(0xFFD), 0xA00);
    EXPECT_EQ(t.Code(0xFFF), 0xBFE);
    EXPECT_EQ(Kernel(*r, 75), 0x000);
    // Patch B, then v = 400 - 10 = 390: word 38's literal 98, word 43's lowered by 2.
    EXPECT_EQ(Kernel(*r, 81), kKernelPatchB[0]);
    EXPECT_EQ(Kernel(*r, 38), 0xC00 | 98);
    EXPECT_EQ(Kernel(*r, 43), kDebugKernel[43] - 2);
    EXPECT_EQ(t.Fuse(), (r->assembled.Fuse() & 0xF0C) | 0x0A0);
    // 10 MHz and more: patch A as well, v = (1000 - 14) / 6 = 164, NOT v = ...FF5B.
    r = Prepared(" DEVICE SX52\n FREQ 10_000_000\n RESET 0\n");
    EXPECT_EQ(Kernel(*r, 33), 0xC5B);
    EXPECT_EQ(Kernel(*r, 35), 0xCFF);
}

TEST(PrepareDebug, ThePreparedImageIsOneTheVirtualKeyRecognises) {
    for (const char* device : {"SX28", "SX52"}) {
        auto r = Prepared(std::string(" DEVICE ") + device + "\n RESET 0\n");
        ASSERT_EQ(r->status, 0);
        VirtualChip chip(r->deviceFamily);
        LoadIntoChip(chip, *r);
        chip.Reset();
        EXPECT_TRUE(chip.KernelInstalled()) << device;
        EXPECT_EQ(chip.KernelEntry(), KernelEnd(r->deviceFamily) - kKernelWords + 12);
    }
}
