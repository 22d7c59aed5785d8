#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "asm/Assembler.h"
#include "asm/Keywords.h"
#include "target/DeviceTables.h"
#include "target/HexText.h"
#include "target/ImageFile.h"

using namespace pellix;

#include "asm/AllocationCounter.h"

namespace {

std::unique_ptr<AssemblyRecord> NewRecord() {
    auto r = std::make_unique<AssemblyRecord>();
    r->StartUp();
    return r;
}

// Assembles text written with LF line ends.
void AssembleText(AssemblyRecord& r, std::string text) {
    std::replace(text.begin(), text.end(), '\n', '\r');
    r.source = text;
    Assemble(r);
}

std::string LineText(const AssemblyRecord& r, int line) {
    const DebugInfo& d = r.debug;
    size_t from = size_t(d.lineText[size_t(line)]), to = size_t(d.lineText[size_t(line + 1)]);
    return std::string(d.listing.data() + from, to - from);
}

} // namespace

TEST(Assemble, TransferKeepsTheLastSuccessfulResult) {
    auto r = NewRecord();
    AssembleText(*r, " DEVICE SX28\n MOV W,#1\n");
    ASSERT_EQ(r->status, 0) << r->message;
    ProgramImage good = r->transfer;
    EXPECT_EQ(good[0], 0x8C01);

    AssembleText(*r, " DEVICE SX28\n MOV W,#2\n JMP nowhere\n");
    EXPECT_EQ(r->status, 1);
    EXPECT_EQ(r->message, "Undefined symbol");
    EXPECT_EQ(r->transfer, good) << "a failed assembly leaves transfer alone";

    // "Nothing to assemble" is found after both passes, when transfer is already copied.
    AssembleText(*r, "");
    EXPECT_EQ(r->status, 1);
    EXPECT_EQ(r->message, "Nothing to assemble");
    EXPECT_EQ(r->errorStart, 0u);
    EXPECT_EQ(r->errorEnd, 0u);
    EXPECT_FALSE(r->transfer.Written(0));
}

TEST(Assemble, SecondPassClearsWithTheFamilyTheFirstFound) {
    auto r = NewRecord();
    AssembleText(*r, " DEVICE SX52\n NOP\n");
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(r->deviceFamily, 1);
    EXPECT_EQ(r->assembled.Fusex(), 0xFFF);

    AssembleText(*r, " DEVICE SX18\n NOP\n"); // the record still says family 1 when this starts
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(r->deviceFamily, 0);
    EXPECT_EQ(r->assembled.Fusex(), 0xBFF);
    EXPECT_EQ(r->transfer.Fusex(), 0xBFF);

    AssembleText(*r, " DEVICE SX52\n NOP\n"); // now it says family 0
    ASSERT_EQ(r->status, 0);
    EXPECT_EQ(r->assembled.Fusex(), 0xFFF);
    EXPECT_FALSE(r->assembled.Written(2048)) << "family 1 has the upper 2048 words cleared";
}

TEST(Assemble, LastLineWithoutCrIsListedWithOne) {
    auto r = NewRecord();
    r->source = " DEVICE SX28\r NOP";
    Assemble(*r);
    ASSERT_EQ(r->status, 0) << r->message;
    EXPECT_EQ(r->debug.ListingText(), "\t\t DEVICE SX28\r000- 000\t NOP\r");
    EXPECT_EQ(r->debug.lineCount, 3);
    EXPECT_EQ(r->debug.lineSource[2], int32_t(r->source.size())) << "end entry";

    // A trailing comment without CR still counts, so a comment-only text assembles.
    r->source = "; nothing yet";
    Assemble(*r);
    EXPECT_EQ(r->status, 0) << r->message;
    EXPECT_EQ(r->debug.ListingText(), "\t\t; nothing yet\r");
}

TEST(Assemble, LineTablesPointAtSourceAndListing) {
    auto r = NewRecord();
    AssembleText(*r, " DEVICE SX28\n CSE 10h,#1\n NOP\n");
    ASSERT_EQ(r->status, 0) << r->message;
    const DebugInfo& d = r->debug;
    ASSERT_EQ(d.lineCount, 5);
    EXPECT_EQ(d.lineSource[1], 13);
    EXPECT_EQ(d.lineSource[2], 13) << "the continuation line belongs to the same statement";
    EXPECT_EQ(d.lineSource[3], 25);
    EXPECT_EQ(LineText(*r, 1), "000- C01 090\t CSE 10h,#1\r");
    EXPECT_EQ(LineText(*r, 2), "002- 743\r");
    EXPECT_EQ(d.lineOfAddress[0], 1);
    EXPECT_EQ(d.lineOfAddress[2], 1);
    EXPECT_EQ(d.lineOfAddress[3], 3);
    EXPECT_EQ(d.lineOfAddress[4], -1);
}

TEST(Assemble, ErrorRangeCoversTheExpressionOrToken) {
    auto r = NewRecord();
    AssembleText(*r, " DEVICE SX28\n MOV !(2+2),W\n");
    EXPECT_EQ(r->message, "Port is out of range");
    EXPECT_EQ(r->source.substr(r->errorStart, r->errorEnd - r->errorStart), "(2+2)");

    AssembleText(*r, " DEVICE SX28\n JMP\n");
    EXPECT_EQ(r->errorStart, 17u) << "at the CR that ended the line";
    EXPECT_EQ(r->errorEnd, 18u);

    AssembleText(*r, " DEVICE SX28\n IF 1\n");
    EXPECT_EQ(r->message, "ENDIF required to end IF block");
    EXPECT_EQ(r->errorStart, r->source.size());
    EXPECT_EQ(r->errorEnd, r->source.size());
}

TEST(Assemble, TextEndsAtItsNul) {
    auto r = NewRecord();
    r->source = std::string(" DEVICE SX28\r NOP\r", 18) + std::string("\0 JMP nowhere\r", 14);
    Assemble(*r);
    EXPECT_EQ(r->status, 0) << r->message;
    EXPECT_FALSE(r->assembled.Written(1));
}

TEST(Assemble, SymbolTableFullStopsAtTheLabel) {
    auto r = NewRecord();
    std::string text = " DEVICE SX28\n";
    for (int i = 0; i < 9000; ++i)
        text += "L" + std::to_string(10000 + i) + " EQU 1\n";
    AssembleText(*r, text);
    ASSERT_EQ(r->message, "Symbol table full");
    std::string label = r->source.substr(r->errorStart, r->errorEnd - r->errorStart);
    EXPECT_EQ(label.size(), 6u);
    EXPECT_EQ(label[0], 'L');
    // Each entry takes its key, a NUL, kind, value and link: 6 + 10 bytes here. The labels
    // before the failing one must all have fitted into the 98,901 bytes with the keywords.
    int defined = std::stoi(label.substr(1)) - 10000;
    EXPECT_GT(defined, 5800);
    EXPECT_LT(defined, 98'901 / 16);
}

TEST(Assemble, AllocationsDoNotGrowWithTheProgram) {
    auto r = NewRecord();
    auto count = [&](const std::string& body) {
        std::string text = " DEVICE SX28\n" + body;
        std::replace(text.begin(), text.end(), '\n', '\r');
        r->source = text;
        long before = AllocationCount();
        Assemble(*r);
        long made = AllocationCount() - before;
        EXPECT_EQ(r->status, 0) << r->message;
        return made;
    };
    std::string big;
    for (int i = 0; i < 1500; ++i)
        big += "L" + std::to_string(i) + " MOV W,#" + std::to_string(i & 0xFF) + " ; comment\n";
    big += "mc MACRO 1\n DW \\1\n ENDM\n REPT 400\n mc %\n ENDR\n";
    long small = count(" NOP\n");
    long large = count(big);
    EXPECT_EQ(large, small) << "no allocation per statement, token or symbol";
    EXPECT_LE(small, 8);
}

TEST(Assemble, MacroFramesFillTheAreaToItsLastByte) {
    // A nested expansion of `down` takes 26 bytes (header 12, its argument 5, the caller's
    // 4-character local prefix with its length and resume offset 9): 3842 of them fit the
    // 99 900-byte area, the next one does not.
    auto r = NewRecord();
    auto depth = [&](int calls) {
        AssembleText(*r, " DEVICE SX28\n NOEXPAND\ndown MACRO 1\n IF \\1 > 0\n down \\1-1\n"
                         " ENDIF\n ENDM\n down " +
                             std::to_string(calls - 1) + "\n NOP\n");
        return r->status == 0 ? std::string("ok") : r->message;
    };
    EXPECT_EQ(depth(3842), "ok");
    EXPECT_EQ(depth(3843), "Macro stack overflow");
}

TEST(Assemble, DeviceChosenDifferentlyInThePasses) {
    // IFDEF of a later name picks another DEVICE line in the second pass.
    auto r = NewRecord();
    AssembleText(*r, " IFDEF later\n DEVICE SX52, DRT60MS\n ELSE\n DEVICE SX28, TURBO\n ENDIF\n"
                     "later MOV W,RD\n");
    EXPECT_EQ(r->status, 0) << r->message;
    EXPECT_EQ(r->deviceFamily, 1);
    EXPECT_EQ(r->assembled.Code(0), 0x208);

    AssembleText(*r,
                 " IFDEF later\n DEVICE SX52, TURBO\n ELSE\n DEVICE SX28, TURBO\n ENDIF\nlater\n");
    EXPECT_EQ(r->message, "Expected a DEVICE parameter") << "TURBO is not a family 1 word";
}

TEST(Assemble, NeverThrowsOnASmallListingBuffer) {
    auto r = std::make_unique<AssemblyRecord>(); // no StartUp: no listing buffer at all
    AssembleText(*r, " DEVICE SX28\n NOP\n");
    EXPECT_EQ(r->status, 1);
    EXPECT_EQ(r->message, "List is too large");

    r->debug.SetListingCapacity(20);
    AssembleText(*r, " DEVICE SX28\n NOP\n");
    EXPECT_EQ(r->message, "List is too large");
    EXPECT_EQ(r->debug.listingLength, 20u);
}

TEST(Keywords, ListEveryKeywordNameOnce) {
    auto names = KeywordNames();
    auto has = [&](std::string_view n) { return std::count(names.begin(), names.end(), n) == 1; };
    for (const char* n :
         {"MOV",  "CJBE",  "IREAD",   "AND",        "NOT",  "DEVICE", "IFNDEF",
          "FREQ", "WATCH", "W",       "OPTION",     "WDT",  "ZSTR",   "SX18L",
          "SX52", "TURBO", "DRT60US", "SLEEPCLOCK", "WREG", "PA2",    "TIMER_CAPTURE_LOW",
          "RE"})
        EXPECT_TRUE(has(n)) << n;
    EXPECT_FALSE(has("SX20"));
    EXPECT_FALSE(has("<<")) << "operators are not names";
    for (auto n : names) {
        EXPECT_EQ(std::count(names.begin(), names.end(), n), 1) << n;
        EXPECT_TRUE(std::all_of(n.begin(), n.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        })) << n;
    }
}

TEST(Keywords, EveryNameIsAKeywordOnceADeviceIsKnown) {
    // A name that is not a keyword would be a new label here, and the jump to it would work.
    auto r = NewRecord();
    for (auto n : KeywordNames()) {
        bool keyword = false;
        for (const char* device : {" DEVICE SX28\n", " DEVICE SX52\n"}) {
            AssembleText(*r, device + std::string(n) + "\n JMP " + std::string(n) + "\n");
            keyword = keyword || r->status != 0 || !r->assembled.Written(0);
        }
        EXPECT_TRUE(keyword) << n << " was taken as a label";
    }
    AssembleText(*r, " DEVICE SX28\nLOOP\n JMP LOOP\n");
    EXPECT_TRUE(r->status == 0 && r->assembled.Written(0)) << "the check itself";
}

TEST(LoadImageText, RoundTripAndFamily) {
    auto r = NewRecord();
    AssembleText(*r, " DEVICE SX52\n RESET 10h\n ORG 10h\n MOV W,#1\n");
    ASSERT_EQ(r->status, 0);
    ProgramImage image = r->assembled;
    ASSERT_TRUE(WriteHex(*r));
    std::string text(r->debug.ListingText());

    auto other = NewRecord();
    ASSERT_TRUE(LoadImageText(*other, text));
    EXPECT_EQ(other->deviceFamily, 1) << "word 4095 holds the reset jump";
    EXPECT_EQ(other->assembled, other->transfer);
    for (int a = 0; a < kCodeWords; ++a)
        EXPECT_EQ(other->assembled.Code(a), image.Code(a)) << a;
    EXPECT_EQ(other->assembled.Fusex(), image.Fusex());

    // A family 0 image leaves word 4095 unwritten.
    AssembleText(*r, " DEVICE SX28\n RESET 0\n");
    ASSERT_TRUE(WriteHex(*r));
    ASSERT_TRUE(LoadImageText(*other, r->debug.ListingText()));
    EXPECT_EQ(other->deviceFamily, 0);
    EXPECT_TRUE(other->assembled.Written(0x7FF));

    // A violation keeps what was there, and so does a file that holds no word.
    ProgramImage before = other->assembled;
    EXPECT_FALSE(LoadImageText(*other, ":0400000001"));
    EXPECT_EQ(other->message, kHexViolation);
    EXPECT_EQ(other->assembled, before);
    EXPECT_EQ(other->deviceFamily, 0);
    EXPECT_FALSE(LoadImageText(*other, ":020000040000FA\r\n:00000001FF\r\n"));
    EXPECT_EQ(other->message, kImageHoldsNoWords);
    EXPECT_EQ(other->assembled, before);
}
