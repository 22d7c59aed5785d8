#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "asm/Disassembler.h"
#include "asm/Report.h"

using namespace pellix;

namespace {

std::unique_ptr<AssemblyRecord> WithWord(int address, uint16_t word, int family = 0,
                                         uint16_t fusex = 0xFFF) {
    auto r = std::make_unique<AssemblyRecord>();
    r->StartUp();
    r->deviceFamily = uint8_t(family);
    r->assembled.Clear(family);
    r->assembled.Fusex() = fusex;
    r->assembled[address] = uint16_t(word | kWrittenMark);
    return r;
}

} // namespace

TEST(Disassemble, RegisterOneAsW) {
    auto r = WithWord(5, 0x0E1);
    EXPECT_EQ(Disassemble(*r, 5, false), "DEC   RTCC");
    EXPECT_EQ(Disassemble(*r, 5, true), "DEC   WREG");
    r = WithWord(5, 0x421);
    EXPECT_EQ(Disassemble(*r, 5, true), "CLRB  WREG.1");
}

TEST(Disassemble, ThirdPortFollowsFusexBit10) {
    auto r = WithWord(0, 0x3F2, 0, 0xFFF);
    EXPECT_EQ(Disassemble(*r, 0, false), "INCSZ 12");
    r = WithWord(0, 0x027, 0, 0xFFF);
    EXPECT_EQ(Disassemble(*r, 0, false), "MOV   RC,W");
    r = WithWord(0, 0x027, 0, 0xBFF);
    EXPECT_EQ(Disassemble(*r, 0, false), "MOV   07,W");
    r = WithWord(0, 0x029, 1, 0x000);
    EXPECT_EQ(Disassemble(*r, 0, false), "MOV   RE,W") << "family 1 names RE whatever FUSEX";
}

TEST(Disassemble, SkipDependsOnTheAddressAndAddressIsMasked) {
    auto r = WithWord(0x10, 0x702);
    EXPECT_EQ(Disassemble(*r, 0x10, false), "SKIP");
    EXPECT_EQ(Disassemble(*r, 0x1010, false), "SKIP") << "bits above 11 are ignored";
    r = WithWord(0x11, 0x702);
    EXPECT_EQ(Disassemble(*r, 0x11, false), "SB    PC.0");
    r = WithWord(0x11, 0x602);
    EXPECT_EQ(Disassemble(*r, 0x11, false), "SKIP");
    EXPECT_EQ(Disassemble(*r, -1 & 0xFFF, false), "NOT   W") << "unwritten word 0xFFF";
}

TEST(ListingLine, ExpandsTabsAndCutsAt255) {
    auto r = std::make_unique<AssemblyRecord>();
    r->StartUp();
    std::string text = "abc\tx\r" + std::string(300, 'y') + "\r" + std::string(40, '\t') + "z\r";
    ASSERT_TRUE(r->debug.SetListingText(text));
    r->debug.lineText[0] = 0;
    r->debug.lineText[1] = 6;
    r->debug.lineText[2] = 307;
    r->debug.lineText[3] = int32_t(text.size());
    r->debug.lineCount = 4;
    EXPECT_EQ(ListingLine(*r, 0), "abc     x") << "a tab at column 3 is five blanks";
    EXPECT_EQ(ListingLine(*r, 1), std::string(255, 'y'));
    EXPECT_EQ(ListingLine(*r, 2), std::string(255, ' ')) << "tabs past the limit are dropped";
    EXPECT_EQ(ListingLine(*r, 3), "");
    EXPECT_EQ(ListingLine(*r, 4), "") << "beyond the table";
    EXPECT_EQ(ListingLine(*r, -1), "");
}

TEST(Report, DiagnosticMarksTheRange) {
    AssemblyRecord r;
    r.source = "one\rtwo three\r";
    r.message = "Bad";
    r.errorStart = 8;
    r.errorEnd = 13;
    EXPECT_EQ(DiagnosticText(r, "x.src"), "x.src:2:5: error: Bad\ntwo three\n    ^~~~~\n");
    r.errorEnd = 8;
    EXPECT_EQ(DiagnosticText(r, "x.src"), "x.src:2:5: error: Bad\ntwo three\n    ^\n");
    r.errorStart = 13;
    r.errorEnd = 14; // the CR itself
    EXPECT_EQ(DiagnosticText(r, "x.src"), "x.src:2:10: error: Bad\ntwo three\n         ^\n");
    r.errorStart = r.errorEnd = 14; // end of text
    EXPECT_EQ(DiagnosticText(r, "x.src"), "x.src:3:1: error: Bad\n\n^\n");
}
