#include <gtest/gtest.h>

#include "target/AssemblyRecord.h"
#include "target/LineEnds.h"

using namespace pellix;

TEST(ProgramImage, ClearedValuesFollowTheFamily) {
    ProgramImage image;
    image.Clear(0);
    EXPECT_EQ(image[0], 0x0FFF);
    EXPECT_EQ(image[4095], 0x0FFF);
    EXPECT_EQ(image[kIdIndex + 15], 0x0FFF);
    EXPECT_EQ(image.Fuse(), 0xFFA);
    EXPECT_EQ(image.Fusex(), 0xBFF);
    image.Clear(1);
    EXPECT_EQ(image.Fusex(), 0xFFF);
}

TEST(ProgramImage, IdEncodesTwoWordsACharacter) {
    ProgramImage image;
    image.Clear(0);
    image.SetId("AB");
    EXPECT_EQ(image[kIdIndex + 0], 0xFF4);
    EXPECT_EQ(image[kIdIndex + 1], 0xFF1);
    EXPECT_EQ(image[kIdIndex + 2], 0xFF4);
    EXPECT_EQ(image[kIdIndex + 3], 0xFF2);
    for (int i = 4; i < kIdWords; ++i) EXPECT_EQ(image[kIdIndex + i], 0x0FFF) << i;
    EXPECT_EQ(image.IdText(), "AB");
    image.SetId("ABCDEFGHIJ");
    EXPECT_EQ(image.IdText(), "ABCDEFGH") << "eight characters at most";
    image.SetId("");
    EXPECT_EQ(image.IdText(), "");
}

TEST(AssemblyRecord, StartUpState) {
    auto r = std::make_unique<AssemblyRecord>();
    r->StartUp();
    EXPECT_EQ(r->debug.listingCapacity, kListingCapacity);
    EXPECT_EQ(r->debug.frequency, 50'000'000u);
    EXPECT_EQ(r->deviceFamily, 0);
    EXPECT_EQ(r->debug.breakAddress, kNoBreak);
    EXPECT_EQ(r->assembled.Fusex(), 0xBFF);
    EXPECT_EQ(r->debug.lineOfAddress[0], -1);
    r->deviceFamily = 1;
    r->ClearImage();
    EXPECT_EQ(r->assembled.Fusex(), 0xFFF);
}

TEST(LineEnds, EveryLineEndBecomesOneCr) {
    EXPECT_EQ(ToCrLineEnds("a\r\nb\nc\rd"), "a\rb\rc\rd");
    EXPECT_EQ(ToCrLineEnds("\n\n"), "\r\r") << "empty lines stay lines";
    EXPECT_EQ(ToCrLineEnds("\r\n\r\n"), "\r\r");
    EXPECT_EQ(ToCrLineEnds("\n\r"), "\r\r") << "LF CR is two line ends";
    EXPECT_EQ(ToCrLineEnds("x"), "x");
}
