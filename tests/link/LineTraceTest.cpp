// The line trace: its line format, the echo and replies unscrambled, bytes never taken, and
// what a whole connection leaves in it.
#include <gtest/gtest.h>

#include <sstream>

#include "link/LineTrace.h"
#include "link/LinkTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(LineTrace, OneLinePerBurstInEachDirection) {
    std::ostringstream out;
    LineTrace trace(out);
    trace.Opened(1000);
    const uint8_t request[] = {0x1C, 0x5F}, plainRequest[] = {0x02, 0x80};
    trace.Sent(1005, request, plainRequest);
    // The echo and the first reply byte in one read, the second in another: one burst.
    const uint8_t first[] = {0x1C, 0x5F, 0x9A}, second[] = {0x07};
    trace.Received(1007, first, 2);
    trace.Taken(0x00);
    trace.Received(1012, second, 0);
    trace.Taken(0xA5);
    EXPECT_EQ(out.str(), "5 > 1C 5F | 02 80\n") << "a burst is written when it has ended";
    trace.Closed();
    EXPECT_EQ(Lines(out.str()),
              (std::vector<std::string>{"5 > 1C 5F | 02 80", "7 < 1C 5F 9A 07 | 02 80 00 A5"}));
}

TEST(LineTrace, BytesNeverTakenAndTakenLate) {
    std::ostringstream out;
    LineTrace trace(out);
    trace.Opened(0);
    const uint8_t stray[] = {0xEE};
    trace.Dropped(3, stray);
    const uint8_t hello[] = {0x20, 0x50};
    trace.Sent(100, hello, hello);
    const uint8_t reply[] = {0x20, 0x50, 0x41, 0x42};
    trace.Received(101, reply, 2);
    trace.Taken(0x41);
    // 0x42 is still in the program's buffer when it writes again.
    const uint8_t next[] = {0x33};
    trace.Sent(110, next, next);
    trace.Taken(0x42); // belongs to the burst already written
    const uint8_t echo[] = {0x33, 0x44};
    trace.Received(111, echo, 1);
    trace.Closed();
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"3 < EE | EE", "100 > 20 50 | 20 50",
                                                          "101 < 20 50 41 42 | 20 50 41 ..",
                                                          "110 > 33 | 33", "111 < 33 44 | 33 .."}))
        << "a byte never taken shows as ..; one taken late lands nowhere else";

    // Opening again starts the times afresh and forgets echoes still owed.
    trace.Opened(5000);
    trace.Received(5002, echo, 1);
    trace.Closed();
    EXPECT_EQ(Lines(out.str()).back(), "2 < 33 44 | .. ..");
}

TEST(LineTrace, BegunOnAnOpenPortItCountsFromItsFirstBurst) {
    std::ostringstream out;
    LineTrace trace(out);
    const uint8_t b[] = {0x05};
    trace.Sent(70000, b, b);
    trace.Sent(70042, b, b);
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{"0 > 05 | 05", "42 > 05 | 05"}));
}

TEST(LineTrace, AConnectionOnTheVirtualKeyMatchesWhatTheKeyTook) {
    SimRig r;
    std::ostringstream out;
    LineTrace trace(out);
    r.link.trace = &trace;
    r.link.ConnectKey();
    r.TakeRequests();
    EXPECT_EQ(r.protocol.Poll(), 0);
    r.protocol.Reset();
    r.link.ReleaseKey();
    std::vector<TraceLine> lines;
    for (const std::string& l : Lines(out.str()))
        lines.push_back(ParseTraceLine(l));
    ASSERT_EQ(lines.size(), 7u) << out.str() << "the end byte's echo is never read";
    const Bytes hello = Text(" Pellix");
    EXPECT_GE(lines[0].time, kOpenSettleTime) << "after the settle time";
    EXPECT_LT(lines[0].time, kOpenSettleTime + 20);
    EXPECT_EQ(lines[0].direction, '>');
    EXPECT_EQ(lines[0].raw, hello) << "the identification goes out as it is";
    EXPECT_EQ(lines[0].plain, hello);
    EXPECT_EQ(lines[1].direction, '<');
    ASSERT_EQ(lines[1].raw.size(), 16u) << "echo, answer, seed, version";
    EXPECT_EQ(Bytes(lines[1].raw.begin(), lines[1].raw.begin() + 13), Cat(hello, Text("Pellix")));
    EXPECT_EQ(Bytes(lines[1].plain.begin(), lines[1].plain.begin() + 15),
              Bytes(lines[1].raw.begin(), lines[1].raw.begin() + 15))
        << "nothing scrambled before the seed";
    EXPECT_EQ(lines[1].plain.back(), 3) << "firmware version 3, unscrambled";
    // Then the poll, the reset and the end byte, as the key took them.
    EXPECT_EQ(r.TakeRequests(), (Bytes{5, 4, 0}));
    EXPECT_EQ(lines[2].plain, Bytes{5});
    EXPECT_EQ(lines[3].plain, (Bytes{5, 0})) << "the echo, then running";
    EXPECT_EQ(lines[4].plain, Bytes{4});
    EXPECT_EQ(lines[5].plain, (Bytes{4, 0})) << "the echo, then status 0";
    EXPECT_EQ(lines[6].plain, Bytes{0});
    for (size_t i = 2; i < lines.size(); i += 2) {
        EXPECT_EQ(lines[i].direction, '>');
        EXPECT_NE(lines[i].raw, lines[i].plain) << "scrambled on the wire";
        if (i + 1 < lines.size()) {
            EXPECT_EQ(Bytes(lines[i + 1].raw.begin(), lines[i + 1].raw.begin() + 1), lines[i].raw)
                << "the echo is the byte as sent";
        }
    }
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_GE(lines[i].time, lines[i - 1].time);
}
