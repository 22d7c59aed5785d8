#include "link/DebugKernel.h"

namespace pellix {

const std::array<uint16_t, kKernelWords> kDebugKernel = {
    0x003, 0x02D, 0x047, 0x02E, 0x047, 0x02F, 0x047, 0x024, // 0
    0x684, 0xB8B, 0x044, 0x00E, 0x048, 0xCFF, 0x04B, 0x203, // 8
    0x049, 0x204, 0x04A, 0xCF7, 0x044, 0x20D, 0x047, 0x20E, // 16
    0x047, 0x20F, 0x047, 0x503, 0x045, 0x703, 0xB92, 0xCFD, // 24
    0x024, 0x000, 0x000, 0x000, 0x304, 0x045, 0xC01, 0x02F, // 32
    0x2EF, 0xB9F, 0x3E4, 0xB9B, 0x000, 0x503, 0x423, 0x0C1, // 40
    0x181, 0x042, 0x643, 0xD80, 0x0E4, 0x3E4, 0xBBD, 0x703, // 48
    0x047, 0x60F, 0x04C, 0x62F, 0x04F, 0x64F, 0x042, 0x66F, // 56
    0x04D, 0x68F, 0x04E, 0x36F, 0x364, 0xBC3, 0x204, 0x02E, // 64
    0x200, 0x2A4, 0x68E, 0x584, 0x02E, 0x503, 0x045, 0x603, // 72
    0xBC5, 0x000, 0xBCA, 0xBD2, 0xFFF, 0xFFF, 0xFFF, 0xFFF, // 80
    0xFFF, 0xFFF, 0xFFF, 0xC08, 0x02D, 0x30E, 0x045, 0x32E, // 88
    0x60D, 0xBD9, 0x2ED, 0xBD4, 0x3AE, 0x503, 0x045, 0x703, // 96
    0xBDC, 0x403, 0x38E, 0x743, 0xBAB, 0x2E3, 0x723, 0xBFA, // 104
    0x543, 0x6EF, 0xB78, 0x60F, 0x024, 0x62F, 0x020, 0x64F, // 112
    0x048, 0x66F, 0x04B, 0x68F, 0x049, 0x6AF, 0x04A, 0x6CF, // 120
    0x046, 0x043, 0x047, 0x02F, 0xCFF, 0xBC3, 0xA00, 0xB7D, // 128
};

const std::array<uint16_t, 12> kKernelPatchA = {0xCFF, 0x02E, 0xCFF, 0x02F, 0x304, 0x045,
                                                0x2AE, 0x643, 0x3EF, 0xB9E, 0x3E4, 0xB98};

const std::array<uint16_t, 19> kKernelPatchB = {0xC0B, 0x02D, 0x2ED, 0xBCA, 0x56D, 0x30E, 0x045,
                                                0x32E, 0xBD1, 0xBD2, 0xBD3, 0xBD4, 0xBD5, 0xBD6,
                                                0xBD7, 0xBD8, 0xBD9, 0x2ED, 0xBCD};

namespace {

constexpr int kFirstPageWords = 512;
// The free pair selects the last page and jumps to the kernel's entry.
constexpr uint16_t kDiversionPage = 0x017;
constexpr uint16_t kDiversionJump = 0xB83;
constexpr uint16_t kJump = 0xA00;

// Blank and never written: the only words the kernel and the diversion may take.
bool Free(const ProgramImage& image, int address) {
    return image[address] == kUnwritten;
}

void Put(ProgramImage& image, int address, uint16_t word) {
    image[address] = uint16_t(kWrittenMark | (word & 0x0FFF));
}

// The timing loops count instruction cycles of the frequency: the literals of four
// kernel words, and for fast clocks a different loop (patch A).
void TuneTiming(ProgramImage& image, int base, int family, uint32_t f) {
    auto literal = [&](int index) -> uint16_t& { return image[base + index]; };
    auto setLiteral = [&](int index, uint32_t value) {
        uint16_t& w = literal(index);
        w = uint16_t((w & ~0xFFu) | (value & 0xFF));
    };
    auto patch = [&](int at, const auto& words) {
        for (size_t i = 0; i < words.size(); ++i)
            Put(image, base + at + int(i), words[i]);
    };
    bool compatible = family == 0 && (image.Fuse() & 0x800) != 0;
    if (compatible) {
        if (f >= 30'000'000) {
            patch(kPatchAIndex, kKernelPatchA);
            uint32_t v = ~(((f / 40'000) - 13) / 5);
            setLiteral(33, v);
            setLiteral(35, v >> 8);
        } else {
            uint32_t v = (f / 40'000) - 9;
            setLiteral(38, (v / 3) + 1);
            setLiteral(43, (literal(43) & 0xFFu) - (v % 3));
        }
        return;
    }
    patch(kPatchBIndex, kKernelPatchB);
    if (f >= 10'000'000) {
        patch(kPatchAIndex, kKernelPatchA);
        uint32_t v = ~(((f / 10'000) - 14) / 6);
        setLiteral(33, v);
        setLiteral(35, v >> 8);
    } else {
        uint32_t v = (f / 10'000) - 10;
        setLiteral(38, (v / 4) + 1);
        setLiteral(43, (literal(43) & 0xFFu) - (v % 4));
    }
}

} // namespace

int KernelEnd(int deviceFamily) {
    return deviceFamily == 1 ? 4095 : 2047;
}

void PrepareDebug(AssemblyRecord& record) {
    record.status = 1;
    record.transfer = record.assembled;
    ProgramImage& image = record.transfer;
    int family = record.deviceFamily == 1 ? 1 : 0;
    image.Fuse() = uint16_t(((image.Fuse() & (family == 1 ? 0xF0C : 0xF1C)) | 0x0A0));
    if ((image.Fuse() & 0x004) != 0) return record.Fail(std::string(kDebugWatchdogMessage));

    int k = -1;
    for (int a = kFirstPageWords - 2; a >= 0 && k < 0; --a)
        if (Free(image, a) && Free(image, a + 1)) k = a;
    if (k < 0) return record.Fail(std::string(kDebugFreePairMessage));

    int end = KernelEnd(family);
    if ((image[end] & 0xE00) != kJump) return record.Fail(std::string(kDebugResetJumpMessage));
    int base = end - kKernelWords;
    for (int a = base; a < end; ++a)
        if (!Free(image, a)) return record.Fail(std::string(kDebugKernelSpaceMessage));

    for (int i = 0; i < kKernelWords; ++i)
        Put(image, base + i, kDebugKernel[size_t(i)]);
    if (family == 1) Put(image, base + 75, 0x000);
    image[base + kKernelResetJumpIndex] = image[end];
    Put(image, end, uint16_t(kJump | k));
    Put(image, k, kDiversionPage);
    Put(image, k + 1, kDiversionJump);
    TuneTiming(image, base, family, record.debug.frequency);
    record.status = 0;
}

} // namespace pellix
