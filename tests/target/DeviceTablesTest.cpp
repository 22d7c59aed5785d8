#include <gtest/gtest.h>

#include "target/DeviceTables.h"
#include "target/MemoryGeometry.h"

using namespace pellix;

TEST(DeviceTables, Geometry) {
    EXPECT_EQ(Geometry(0).programWords, 2048);
    EXPECT_EQ(Geometry(0).addressMask, 0x7FF);
    EXPECT_EQ(Geometry(0).bankLowBit, 5);
    EXPECT_EQ(Geometry(1).programWords, 4096);
    EXPECT_EQ(Geometry(1).addressMask, 0xFFF);
    EXPECT_EQ(Geometry(1).pages, 8);
    EXPECT_EQ(Geometry(1).bankLowBit, 4);
}

TEST(DeviceTables, IdentifiersClaimFusexBitsOfTheirOwn) {
    const DeviceIdentifier* sx28 = FindDeviceIdentifier("sx28l");
    ASSERT_NE(sx28, nullptr);
    EXPECT_EQ(sx28->family, 0);
    EXPECT_EQ(0xBFF ^ sx28->fusexXor, 0xFFF);
    EXPECT_EQ(sx28->fusexMask, 0x403);
    const DeviceIdentifier* sx18 = FindDeviceIdentifier("SX18");
    ASSERT_NE(sx18, nullptr);
    EXPECT_EQ(0xBFF ^ sx18->fusexXor, 0xBFF);
    const DeviceIdentifier* sx52 = FindDeviceIdentifier("SX52");
    ASSERT_NE(sx52, nullptr);
    EXPECT_EQ(sx52->family, 1);
    EXPECT_EQ(sx52->fusexMask, 0);
    EXPECT_EQ(FindDeviceIdentifier("SX20"), nullptr);
}

TEST(DeviceTables, ParametersDifferBetweenFamilies) {
    const DeviceParameter* bor26_0 = FindDeviceParameter(0, "BOR26");
    const DeviceParameter* bor26_1 = FindDeviceParameter(1, "bor26");
    ASSERT_TRUE(bor26_0 && bor26_1);
    EXPECT_EQ(bor26_0->xorValue, 0x020);
    EXPECT_EQ(bor26_1->xorValue, 0x010) << "BOR26 and BOR22 are exchanged in family 1";
    EXPECT_EQ(FindDeviceParameter(1, "BOR22")->xorValue, 0x020);
    EXPECT_EQ(FindDeviceParameter(0, "OSC4MHZ")->mask, 0x0E3);
    EXPECT_EQ(FindDeviceParameter(1, "OSC4MHZ")->mask, 0x0F3);
    EXPECT_EQ(FindDeviceParameter(1, "TURBO"), nullptr);
    EXPECT_EQ(FindDeviceParameter(1, "STACKX_OPTIONX"), nullptr);
    EXPECT_EQ(FindDeviceParameter(0, "DRIVEOFF"), nullptr);
    EXPECT_EQ(FindDeviceParameter(0, "STACKX_OPTIONX")->word, ConfigWord::Fusex);
    // Alternatives share their mask, so giving both is a redundancy.
    EXPECT_EQ(FindDeviceParameter(0, "OSCHS2")->mask, FindDeviceParameter(0, "OSCXT5")->mask);
    EXPECT_EQ(FindDeviceParameter(1, "DRT960MS")->xorValue, 0x002);
}

TEST(DeviceTables, PredefinedNames) {
    int count0 = 0, count1 = 0;
    const PredefinedName* rd = nullptr;
    const PredefinedName* pa2 = nullptr;
    for (const auto& n : PredefinedNames()) {
        count0 += PredefinedInFamily(n, 0);
        count1 += PredefinedInFamily(n, 1);
        if (n.name == "RD") rd = &n;
        if (n.name == "PA2") pa2 = &n;
    }
    ASSERT_TRUE(rd && pa2);
    EXPECT_FALSE(PredefinedInFamily(*rd, 0));
    EXPECT_TRUE(PredefinedInFamily(*rd, 1));
    EXPECT_EQ(pa2->value, 0x703);
    EXPECT_EQ(count1 - count0, 10) << "RD, RE and the eight timer selectors";
}

TEST(MemoryGeometry, FromFamilyAndFusex) {
    MemoryGeometry g = ComputeGeometry(1, 0x000);
    EXPECT_EQ(g.memorySize, 4096);
    EXPECT_EQ(g.ramBanks, 15);
    EXPECT_EQ(g.ports, 5);
    struct {
        uint16_t fusex;
        int size, banks, ports;
    } cases[] = {{0xBFC, 512, 1, 2}, {0xBFD, 1024, 1, 2}, {0xBFE, 2048, 4, 2}, {0xFFF, 2048, 8, 3}};
    for (auto c : cases) {
        g = ComputeGeometry(0, c.fusex);
        EXPECT_EQ(g.memorySize, c.size) << std::hex << c.fusex;
        EXPECT_EQ(g.ramBanks, c.banks) << std::hex << c.fusex;
        EXPECT_EQ(g.ports, c.ports) << std::hex << c.fusex;
    }
}
