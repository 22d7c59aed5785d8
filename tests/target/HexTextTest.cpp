#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "target/AssemblyRecord.h"
#include "target/HexText.h"

using namespace pellix;

namespace {

std::unique_ptr<AssemblyRecord> NewRecord(int family = 0) {
    auto r = std::make_unique<AssemblyRecord>();
    r->deviceFamily = uint8_t(family);
    r->StartUp();
    r->deviceFamily = uint8_t(family);
    r->ClearImage();
    return r;
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string_view::npos) << "every record ends in CR LF";
        if (end == std::string_view::npos) break;
        out.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

// A record with its checksum computed, for building test input.
std::string Record(unsigned address, unsigned type, const std::vector<unsigned>& bytes) {
    char buf[16];
    unsigned sum = unsigned(bytes.size()) + (address >> 8) + (address & 0xFF) + type;
    std::string s = ":";
    std::snprintf(buf, sizeof buf, "%02X%04X%02X", unsigned(bytes.size()), address, type);
    s += buf;
    for (unsigned b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        s += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return s + buf + "\r\n";
}

const std::string kEnd = ":00000001FF\r\n";

} // namespace

TEST(WriteHex, ClearedFamily0ImageGivesCodeIdFuseAndEndRecords) {
    auto r = NewRecord(0);
    ASSERT_TRUE(WriteHex(*r));
    EXPECT_EQ(r->status, 0);
    auto lines = Lines(r->debug.ListingText());
    ASSERT_EQ(lines.size(), 128u + 1 + 1 + 1);
    std::string erased = ":20000000";
    for (int i = 0; i < 16; ++i) erased += "FF0F";
    EXPECT_EQ(lines[0], erased + "00");
    EXPECT_EQ(lines[127].substr(0, 9), ":200FE000");
    EXPECT_EQ(lines[128].substr(0, 9), ":20200000"); // ID at word 0x1000
    EXPECT_EQ(lines[129], ":04202000FA0FFF0BA9");
    EXPECT_EQ(lines[130], ":00000001FF");
}

TEST(WriteHex, Family1WritesAllFourThousandWordsAndDropsTheMark) {
    auto r = NewRecord(1);
    r->assembled[0] = kWrittenMark | 0xC05;
    r->assembled[4095] = kWrittenMark | 0xA00;
    ASSERT_TRUE(WriteHex(*r));
    auto lines = Lines(r->debug.ListingText());
    ASSERT_EQ(lines.size(), 256u + 3);
    EXPECT_EQ(lines[0].substr(0, 13), ":20000000050C");
    EXPECT_EQ(lines[255].substr(lines[255].size() - 6, 4), "000A");
    EXPECT_EQ(lines[257].substr(0, 17), ":04202000FA0FFF0F");
}

TEST(WriteHex, FailsWhenTheListingBufferIsTooSmall) {
    auto r = NewRecord(0);
    r->debug.SetListingCapacity(100);
    EXPECT_FALSE(WriteHex(*r));
    EXPECT_EQ(r->status, 1);
    EXPECT_EQ(r->message, "List is too large");
    EXPECT_EQ(r->debug.listingLength, 100u);
}

TEST(ReadHex, OnlyTheEndRecordLeavesEveryWordUnwrittenAndUnmarked) {
    auto r = NewRecord(0);
    r->transfer[5] = 0x123;
    ASSERT_TRUE(ReadHex(*r, kEnd));
    EXPECT_EQ(r->status, 0);
    for (int i = 0; i < kCodeWords; ++i) ASSERT_EQ(r->transfer[i], 0x0FFF) << i;
    EXPECT_EQ(r->transfer.Fuse(), 0xFFA);
    EXPECT_EQ(r->transfer.Fusex(), 0xBFF);
}

TEST(ReadHex, ClearsWithTheRecordsFamily) {
    auto r = NewRecord(1);
    ASSERT_TRUE(ReadHex(*r, kEnd));
    EXPECT_EQ(r->transfer.Fusex(), 0xFFF);
}

TEST(ReadHex, RoundTripsAWrittenImage) {
    auto r = NewRecord(0);
    for (int i = 0; i < 100; ++i) r->assembled[i] = uint16_t(kWrittenMark | ((i * 37) & 0xFFF));
    r->assembled.SetId("PELLIX");
    r->assembled.Fuse() = 0x7BA;
    r->assembled.Fusex() = 0xF3F;
    ASSERT_TRUE(WriteHex(*r));
    ASSERT_TRUE(ReadHex(*r));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(r->transfer[i], r->assembled[i]) << i;
    for (int i = kIdIndex; i < kImageWords; ++i) EXPECT_EQ(r->transfer[i], r->assembled[i]) << i;
    // Unused memory (pairs of 0xFFF) comes back unmarked.
    EXPECT_EQ(r->transfer[500], 0x0FFF);
}

TEST(ReadHex, WrittenMarkRulesForErasedWords) {
    auto r = NewRecord(0);
    // word 0 = 0x001, word 1 = 0xFFF, word 2 = 0x002, words 3 and 4 = 0xFFF, word 5 = 0x003
    std::string text = Record(0, 0, {0x01, 0x00, 0xFF, 0x0F, 0x02, 0x00, 0xFF, 0x0F, 0xFF, 0x0F,
                                     0x03, 0x00}) +
                       kEnd;
    ASSERT_TRUE(ReadHex(*r, text));
    EXPECT_EQ(r->transfer[0], kWrittenMark | 0x001);
    EXPECT_EQ(r->transfer[1], kWrittenMark | 0xFFF) << "a lone 0xFFF keeps its mark";
    EXPECT_EQ(r->transfer[2], kWrittenMark | 0x002);
    EXPECT_EQ(r->transfer[3], 0x0FFF) << "two adjacent 0xFFF lose it";
    EXPECT_EQ(r->transfer[4], 0x0FFF);
    EXPECT_EQ(r->transfer[5], kWrittenMark | 0x003);
    EXPECT_EQ(r->transfer[6], 0x0FFF);
    EXPECT_EQ(r->transfer[kIdIndex], 0x0FFF) << "ID words never carry the mark";
}

TEST(ReadHex, KeepsOnlyTwelveBitsAndSkipsWordsAfterFusex) {
    auto r = NewRecord(0);
    // 0x2024 is word 0x1012, one past FUSEX: skipped, as orda's configuration record holds
    // eight words. 0x2022 is FUSEX.
    std::string text = Record(0x0010, 0, {0x34, 0xF2}) + Record(0x2022, 0, {0x3F, 0x0F, 0x55, 0x05}) +
                       Record(0xFFFE, 0, {0x11, 0x01}) + kEnd;
    ASSERT_TRUE(ReadHex(*r, text));
    EXPECT_EQ(r->transfer[8], kWrittenMark | 0x234);
    EXPECT_EQ(r->transfer.Fusex(), 0xF3F);
}

// Words above the first 64 KB have no place in the image: refused, not dropped, with the
// record's line; so is any extended segment address.
TEST(ReadHex, RecordsOutsideTheImageAreRefusedWithTheirLine) {
    struct Case {
        std::string text;
        std::string message;
    } cases[] = {
        {Record(0, 4, {0, 0}) + Record(0, 0, {1, 0}) + Record(0, 4, {0x00, 0x01}) +
             Record(0x10, 0, {1, 0}) + kEnd,
         "ERROR! Line 4 of the hex file places words at byte address 10010, outside the "
         "program image."},
        {"\n" + Record(0, 2, {0x10, 0x00}) + kEnd,
         "ERROR! Line 2 of the hex file is an extended segment address record (type 02); an "
         "SX image has no segments."},
    };
    for (const auto& c : cases) {
        auto r = NewRecord(0);
        EXPECT_FALSE(ReadHex(*r, c.text)) << c.text;
        EXPECT_EQ(r->status, 1);
        EXPECT_EQ(r->message, c.message);
    }
    // Lines end in CR LF, LF or a lone CR alike.
    auto r = NewRecord(0);
    EXPECT_FALSE(ReadHex(*r, ":020000040000FA\r:020000040000FA\n" + Record(0, 2, {0, 0})));
    EXPECT_EQ(r->message.substr(0, 20), "ERROR! Line 3 of the");
}

TEST(ReadHex, InhxThirtyTwoAsGpasmWritesIt) {
    // An extended address of 0 first; its __config trailer selects 0xFFFF and places nothing.
    auto r = NewRecord(0);
    std::string text = Record(0, 4, {0x00, 0x00}) + Record(0, 0, {0x10, 0x0A, 0x69, 0x00}) +
                       Record(0x0FFE, 0, {0x00, 0x0A}) + Record(0, 4, {0xFF, 0xFF}) + kEnd;
    size_t words = 0;
    ASSERT_TRUE(ReadHex(*r, text, &words)) << r->message;
    EXPECT_EQ(words, 3u);
    EXPECT_EQ(r->transfer[0], kWrittenMark | 0xA10);
    EXPECT_EQ(r->transfer[1], kWrittenMark | 0x069);
    EXPECT_EQ(r->transfer[0x7FF], kWrittenMark | 0xA00);
    // An extended address record is an address, never code.
    auto odd = NewRecord(0);
    EXPECT_FALSE(ReadHex(*odd, Record(0, 4, {0x00}) + kEnd)) << "one byte is no address";
    EXPECT_EQ(odd->message, kHexViolation);
}

TEST(ReadHex, SkipsCharactersOutsideRecordsAndReadsLowerCase) {
    auto r = NewRecord(0);
    std::string rec = Record(0, 0, {0xAB, 0x0C});
    for (char& c : rec) c = char(std::tolower(static_cast<unsigned char>(c)));
    std::string text = "junk\n" + rec + "more junk; " + kEnd;
    ASSERT_TRUE(ReadHex(*r, text));
    EXPECT_EQ(r->transfer[0], kWrittenMark | 0xCAB);
}

TEST(ReadHex, ARecordOtherThanDataEndsTheRead) {
    auto r = NewRecord(0);
    std::string text = Record(0, 0, {0x01, 0x00}) + kEnd + Record(2, 0, {0x02, 0x00}) + ":zz";
    ASSERT_TRUE(ReadHex(*r, text));
    EXPECT_EQ(r->transfer[0], kWrittenMark | 0x001);
    EXPECT_EQ(r->transfer[1], 0x0FFF);
}

TEST(ReadHex, ViolationsFailAndKeepWhatWasRead) {
    const std::string good = Record(0, 0, {0x21, 0x03});
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"odd byte count", ":0100000001FE\r\n"},
        {"odd address", ":02000100010FED\r\n"},
        {"wrong checksum", ":020004000100F8\r\n"},
        {"not a hex digit", ":02000400G100F9\r\n"},
        {"text ends inside a record", ":0200040001"},
        {"NUL inside a record", std::string(":020004\0" "00100F9", 15)},
    };
    for (const auto& c : cases) {
        auto r = NewRecord(0);
        EXPECT_FALSE(ReadHex(*r, good + c.text + kEnd)) << c.what;
        EXPECT_EQ(r->status, 1) << c.what;
        EXPECT_EQ(r->message, kHexViolation) << c.what;
        EXPECT_EQ(r->transfer[0], 0x321) << c.what << ": words read so far stay, unmarked";
    }
}

TEST(ReadHex, ReadsTheListingBufferUpToItsNul) {
    auto r = NewRecord(0);
    std::string text = Record(0, 0, {0x07, 0x00}) + kEnd;
    ASSERT_TRUE(r->debug.SetListingText(text));
    ASSERT_TRUE(ReadHex(*r));
    EXPECT_EQ(r->transfer[0], kWrittenMark | 0x007);
    // A NUL ends the text and the read successfully.
    ASSERT_TRUE(r->debug.SetListingText(std::string(Record(0, 0, {0x08, 0x00}) + '\0' + "garbage")));
    ASSERT_TRUE(ReadHex(*r));
    EXPECT_EQ(r->transfer[0], kWrittenMark | 0x008);
}
