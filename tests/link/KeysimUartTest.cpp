// pellix-keysim's lab options as a user meets them: a terminal program on the UART's
// pseudo-terminal talking to the echo example programmed through the key's, stimulus files
// played from the chip's reset, a trace closed at the end, and the refusals before it serves.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/KeysimProcess.h"
#include "support/ScratchTest.h"

using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

// The device opened as picocom opens it: raw, non-blocking.
int OpenTerminal(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// All of `text`, however long the terminal makes the writer wait.
bool Type(int fd, const std::string& text) {
    size_t done = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (done < text.size() && std::chrono::steady_clock::now() < until) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
    return done == text.size();
}

// What comes, until `count` bytes have or `ms` pass.
std::string ReadFor(int fd, size_t count, int ms) {
    std::string got;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < count && std::chrono::steady_clock::now() < until) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 50);
        char buf[4096];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) got.append(buf, size_t(n));
    }
    return got;
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The times at which a wire of a trace took each value, in order.
std::vector<std::pair<uint64_t, char>> Changes(const std::string& vcd, char wire) {
    std::vector<std::pair<uint64_t, char>> changes;
    std::istringstream in(vcd.substr(vcd.find("$enddefinitions")));
    std::string line;
    uint64_t time = 0;
    while (std::getline(in, line)) {
        if (line.size() > 1 && line[0] == '#') time = std::stoull(line.substr(1));
        if (line.size() == 2 && line[1] == wire) changes.push_back({time, line[0]});
    }
    return changes;
}

class KeysimLab : public ScratchTest {
protected:
    void SetUp() override {
        cli_ = BuiltProgram("pellix-cli");
        const char* src = std::getenv("PELLIX_SOURCE_DIR");
        if (cli_.empty() || !src) GTEST_SKIP() << "PELLIX_BIN_DIR or PELLIX_SOURCE_DIR is not set";
        examples_ = fs::path(src) / "examples";
        ScratchTest::SetUp();
    }
    // Programs an example through the key and starts its clock, as a user would.
    RunResult RunExample(const std::string& name, const std::string& device) {
        return RunShell(Quoted(cli_.string()) + " run " + Quoted((examples_ / name).string()) +
                        " --port " + Quoted(device));
    }

    fs::path cli_, examples_;
};

TEST_F(KeysimLab, TheEchoExampleAnswersATerminalOnTheUartsDevice) {
    KeysimProcess keysim({"--uart=RX=RA.1,TX=RA.0,BAUD=9600", "--vcd=" + Path("echo.vcd")},
                         Path("keysim.err"));
    ASSERT_FALSE(keysim.Device().empty()) << "pellix-keysim did not start";
    const std::string device = keysim.NextLine();
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << "the UART's device on the second line: " << device;
    ASSERT_NE(device, keysim.Device());
    int fd = OpenTerminal(device);
    ASSERT_GE(fd, 0);
    RunResult r = RunExample("echo.src", keysim.Device());
    ASSERT_EQ(r.exit, 0) << r.out << r.err;

    // A paste larger than what keysim takes ahead of the frames: the rest waits in the
    // terminal, and every byte comes back, in order.
    std::string pasted;
    for (int i = 0; pasted.size() < 4600; ++i)
        pasted += "line " + std::to_string(i) + " of a paste\r\n";
    ASSERT_TRUE(Type(fd, pasted));
    EXPECT_EQ(ReadFor(fd, pasted.size(), 60'000), Upper(pasted));

    // The terminal program quits before the answer comes and starts again: it finds
    // nothing left over from before, and the line works as it did.
    ASSERT_TRUE(Type(fd, "abc"));
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    fd = OpenTerminal(device);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadFor(fd, 1, 300), "");
    ASSERT_TRUE(Type(fd, "xyz!"));
    EXPECT_EQ(ReadFor(fd, 4, 10'000), "XYZ!");
    ::close(fd);

    EXPECT_EQ(keysim.Stop(), 0);
    EXPECT_EQ(Read("keysim.err"), "") << "no framing error on a good line";
    // The trace was closed at the signal: RA0 (wire '!') carried every frame at 9600 baud.
    const std::string vcd = Read("echo.vcd");
    ASSERT_NE(vcd.find("$var wire 1 ! RA0 $end"), std::string::npos) << vcd.substr(0, 300);
    ASSERT_GE(vcd.size(), 2u);
    EXPECT_EQ(vcd.back(), '\n');
    EXPECT_EQ(vcd[vcd.rfind('\n', vcd.size() - 2) + 1], '#') << "ends with the time it stopped";
    auto ra0 = Changes(vcd, '!');
    ASSERT_GT(ra0.size(), pasted.size()) << "at least a start bit a byte";
    uint64_t shortest = ~uint64_t{0};
    for (size_t i = 1; i < ra0.size(); ++i)
        if (ra0[i - 1].second != 'z' && ra0[i].second != 'z') // the program drives it
            shortest = std::min(shortest, ra0[i].first - ra0[i - 1].first);
    // 24 interrupts of 217 cycles at 50 MHz: 104.16 us, a bit at 9600 baud, give or take
    // the few cycles an interrupt may wait for the instruction before it.
    EXPECT_GE(shortest, 104'000u);
    EXPECT_LE(shortest, 104'200u);
}

TEST_F(KeysimLab, FramingErrorsGoToStandardErrorAtMostOnceASecond) {
    // serial.src sends at 9600 baud; read at 14400, most frames end in a low stop bit.
    KeysimProcess keysim({"--uart=TX=RA.0,BAUD=14400"}, Path("keysim.err"));
    const std::string device = keysim.NextLine();
    int fd = OpenTerminal(device);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(RunExample("serial.src", keysim.Device()).exit, 0);
    std::string got = ReadFor(fd, 1'000'000, 1500);
    ::close(fd);
    EXPECT_EQ(keysim.Stop(), 0);
    const std::string err = Read("keysim.err");
    EXPECT_EQ(err.rfind("pellix-keysim: uart: framing error on RA.0 (the stop bit of a frame "
                        "ending at ",
                        0),
              0u)
        << err;
    EXPECT_NE(err.find(" more since the last message\n"), std::string::npos)
        << "the rest counted:\n"
        << err;
    EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 4) << err;
    EXPECT_EQ(got.find("framing"), std::string::npos) << "nothing of it in the stream";
}

TEST_F(KeysimLab, StimulusPlaysFromTheChipsResetIntoTheTrace) {
    Write("pulse.stim", "# RB.0 high for 2 ms\n1ms RB.0 1\n3 ms RB.0 0\n");
    {
        KeysimProcess keysim({"--stimulus=" + Path("pulse.stim"), "--vcd", Path("pulse.vcd")});
        ASSERT_FALSE(keysim.Device().empty());
        ASSERT_EQ(RunExample("echo.src", keysim.Device()).exit, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(keysim.Stop(), 0);
    }
    // RB0 is wire '%'. Each reset lets the pin go and plays the file again: the last play
    // is the running program's.
    auto rb0 = Changes(Read("pulse.vcd"), '%');
    ASSERT_GE(rb0.size(), 2u) << Read("pulse.vcd").substr(0, 2000);
    auto high = rb0.end() - 2, low = rb0.end() - 1;
    EXPECT_EQ(high->second, '1');
    EXPECT_EQ(low->second, '0');
    EXPECT_EQ(low->first - high->first, 2'000'000u) << "2 ms at the program's 50 MHz";
}

TEST_F(KeysimLab, BadStimuliAndTracesAreRefusedBeforeItServes) {
    Write("bad.stim", "1ms RB.0 1\n2ms RB.0 hi\n");
    Write("nopin.stim", "1ms RD.0 1\n");
    struct Case {
        std::vector<std::string> options;
        std::string message;
    };
    const Case cases[] = {
        {{"--stimulus=" + Path("bad.stim")},
         "pellix-keysim: " + Path("bad.stim") + ":2: 'hi' is not a level"},
        {{"--stimulus=" + Path("nopin.stim")},
         "pellix-keysim: " + Path("nopin.stim") + ":1: this chip has no pin RD.0 (it has "},
        {{"--stimulus=" + Path("none.stim")}, "pellix-keysim: cannot read " + Path("none.stim")},
        {{"--vcd=" + Path("no/such/dir.vcd")}, "pellix-keysim: cannot write "},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(RunKeysim(c.options, out), 1) << c.options[0];
        EXPECT_EQ(out.rfind(c.message, 0), 0u) << "nothing served before:\n" << out;
        EXPECT_EQ(out.find("/dev/"), std::string::npos) << out;
    }
    // The SX52 has port D.
    KeysimProcess keysim({"--device=SX52", "--stimulus=" + Path("nopin.stim"),
                          "--uart=RX=RD.0,TX=RE.7,BAUD=115200"});
    EXPECT_FALSE(keysim.Device().empty());
    EXPECT_FALSE(keysim.NextLine().empty());
    EXPECT_EQ(keysim.Stop(), 0);
}

TEST_F(KeysimLab, UartLinkNamesItsDevice) {
    const std::string link = Path("uart");
    {
        KeysimProcess keysim({"--uart=TX=RB.7,BAUD=300", "--uart-link=" + link});
        const std::string device = keysim.NextLine();
        ASSERT_FALSE(device.empty());
        EXPECT_EQ(fs::read_symlink(link).string(), device);
        EXPECT_EQ(keysim.Stop(), 0);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(link))) << "removed at exit";
}

} // namespace
