// Watch values in their formats, and the walk over a watch's registers.
#include <gtest/gtest.h>

#include <cstring>

#include "link/WatchFormat.h"

using namespace pellix;

namespace {

WatchRecord Watch(int address, int bit, int length, uint8_t format) {
    WatchRecord w;
    w.target = uint16_t(address | (bit << 8));
    w.length = uint8_t(length);
    w.format = format;
    std::strcpy(w.name, "x");
    return w;
}

struct Regs {
    DebugState s;
    Regs& At(int address, std::initializer_list<int> bytes) {
        for (int b : bytes)
            s.registers[size_t(address++ & 0xFF)] = uint32_t(b);
        return *this;
    }
    std::string Show(const WatchRecord& w, int family = 0, int banks = 8) const {
        return FormatWatch(s, w, family, banks, false);
    }
};

} // namespace

TEST(WatchFormat, Numbers) {
    Regs r;
    r.At(0x10, {0x39, 0x30, 0xFE, 0xFC});
    EXPECT_EQ(r.Show(Watch(0x10, 0, 16, UDEC)), "12_345");
    EXPECT_EQ(r.Show(Watch(0x12, 0, 8, SHEX)), "-$02") << "two digits for 8 bits";
    EXPECT_EQ(r.Show(Watch(0x12, 0, 8, UHEX)), "$FE");
    EXPECT_EQ(r.Show(Watch(0x12, 0, 8, SDEC)), "-2");
    EXPECT_EQ(r.Show(Watch(0x12, 0, 8, SBIN)), "-%0000_0010");
    EXPECT_EQ(r.Show(Watch(0x13, 2, 6, UBIN)), "%11_1111") << "6 bits from bit 2 of 0xFC";
    EXPECT_EQ(r.Show(Watch(0x13, 2, 6, SDEC)), "-1");
    EXPECT_EQ(r.Show(Watch(0x10, 0, 1, UDEC)), "1");
    EXPECT_EQ(r.Show(Watch(0x10, 1, 3, UHEX)), "$4") << "bits 1 to 3 of 0x39";
    EXPECT_EQ(r.Show(Watch(0x10, 0, 13, UHEX)), "$1039") << "(13 - 1) / 4 + 1 digits";
    EXPECT_EQ(r.Show(Watch(0x10, 0, 16, UBIN)), "%0011_0000_0011_1001");
    EXPECT_EQ(r.Show(Watch(0x10, 0, 12, SDEC)), "57") << "bit 11 clear: positive";

    Regs wide;
    wide.At(0x10, {0x00, 0x00, 0x00, 0x80, 0x00});
    EXPECT_EQ(wide.Show(Watch(0x10, 0, 32, SDEC)), "-2_147_483_648");
    EXPECT_EQ(wide.Show(Watch(0x10, 0, 32, UDEC)), "2_147_483_648");
    EXPECT_EQ(wide.Show(Watch(0x10, 0, 32, SHEX)), "-$8000_0000");
    // 32 bits from bit 4 take their top bits from the fifth register.
    wide.At(0x10, {0xF0, 0xFF, 0xFF, 0xFF, 0x0F});
    EXPECT_EQ(wide.Show(Watch(0x10, 4, 32, UHEX)), "$FFFF_FFFF");
    EXPECT_EQ(wide.Show(Watch(0x10, 4, 32, UDEC)), "4_294_967_295");
    EXPECT_EQ(wide.Show(Watch(0x10, 4, 32, SDEC)), "-1");
    EXPECT_EQ(WatchValue(wide.s, Watch(0x10, 4, 8, SDEC), 0, 8), 0xFFFFFFFFu) << "sign-extended";
    EXPECT_EQ(WatchValue(wide.s, Watch(0x10, 4, 8, UDEC), 0, 8), 0xFFu);
    EXPECT_EQ(WatchValue(wide.s, Watch(0x10, 0, 0, UDEC), 0, 8), 0u) << "length 0 read as 1";
}

TEST(WatchFormat, Strings) {
    Regs r;
    r.At(0x10, {'A', 'B', 0, 'C', 0x07, 0xE9});
    EXPECT_EQ(r.Show(Watch(0x10, 0, 4, ZSTR)), "'AB'");
    EXPECT_EQ(r.Show(Watch(0x10, 0, 2, FSTR)), "'AB'");
    EXPECT_EQ(r.Show(Watch(0x10, 0, 6, FSTR)), "'AB.C..'") << "what cannot be shown as '.'";
    EXPECT_EQ(r.Show(Watch(0x13, 0, 1, ZSTR)), "'C'");
    EXPECT_EQ(r.Show(Watch(0x12, 0, 3, ZSTR)), "''");
    WatchRecord odd = Watch(0x10, 0, 8, 9);
    EXPECT_EQ(r.Show(odd), "?") << "a format no source can give";
}

TEST(WatchFormat, WidestText) {
    DebugState s;
    auto widest = [&](int length, uint8_t format) {
        return FormatWatch(s, Watch(0x10, 0, length, format), 0, 8, true);
    };
    EXPECT_EQ(widest(16, UDEC), "00_000");
    EXPECT_EQ(widest(8, SDEC), "-000");
    EXPECT_EQ(widest(32, UDEC), "0_000_000_000");
    EXPECT_EQ(widest(32, SDEC), "-0_000_000_000");
    EXPECT_EQ(widest(8, UHEX), "$DD");
    EXPECT_EQ(widest(17, SHEX), "-$D_DDDD");
    EXPECT_EQ(widest(6, UBIN), "%00_0000");
    EXPECT_EQ(widest(5, SBIN), "-%0_0000");
    EXPECT_EQ(widest(3, FSTR), "'WWW'");
    EXPECT_EQ(widest(4, ZSTR), "'WWWW'");
}

TEST(WatchWalk, FamilyZeroSkipsTheGlobalHalfOfEachBank) {
    auto walk = [](int start, int banks, int count) {
        WatchRecord w = Watch(start, 0, 8, UHEX);
        return WatchRegisters(w, 0, banks, count);
    };
    EXPECT_EQ(walk(0x1F, 8, 2), (std::vector<int>{0x1F, 0x30}));
    EXPECT_EQ(walk(0x3E, 8, 4), (std::vector<int>{0x3E, 0x3F, 0x50, 0x51}));
    EXPECT_EQ(walk(0x08, 8, 3), (std::vector<int>{0x08, 0x09, 0x0A}));
    EXPECT_EQ(walk(0x0F, 8, 2), (std::vector<int>{0x0F, 0x10}));
    EXPECT_EQ(walk(0x1F, 4, 2), (std::vector<int>{0x9F, 0xB0})) << "bit 7 reads 1";
    EXPECT_EQ(walk(0x10, 1, 2), (std::vector<int>{0xF0, 0xF1}));
    EXPECT_EQ(walk(0x1F, 1, 2), (std::vector<int>{0xFF, 0xF0})) << "one bank wraps onto itself";
    EXPECT_EQ(walk(0xFF, 8, 2), (std::vector<int>{0xFF, 0x10})) << "taken modulo 256";
    EXPECT_EQ(WatchRegisters(Watch(0xFF, 0, 8, UHEX), 1, 15, 2), (std::vector<int>{0xFF, 0x00}));
    EXPECT_EQ(WatchRegisters(Watch(0x2F, 0, 8, UHEX), 1, 15, 2), (std::vector<int>{0x2F, 0x30}))
        << "family 1 uses the address as it is";

    Regs r;
    r.At(0x1F, {0x34}).At(0x30, {0x12}).At(0x20, {0x99});
    EXPECT_EQ(r.Show(Watch(0x1F, 0, 16, UHEX)), "$1234");
    EXPECT_EQ(r.Show(Watch(0x1F, 0, 16, UHEX), 1, 15), "$9934");
}
