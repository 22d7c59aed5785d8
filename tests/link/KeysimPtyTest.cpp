#include <chrono>

#include "link/KeysimScenarios.h"
#include "link/PosixSerialPort.h"

using namespace pellix;
using namespace pellix::test;

TEST(KeysimOverPty, ProgramAndReadBack) {
    ProgramAndReadBackOverAPty(PosixSerialPort::Open);
}

TEST(KeysimOverPty, Failures) {
    FailuresOverAPty(PosixSerialPort::Open);
}

TEST(KeysimOverPty, ThroughAStableName) {
    ConnectsThroughAStableName(PosixSerialPort::Open);
}

TEST(KeysimProgram, HelpListsEveryOption) {
    std::string out;
    EXPECT_EQ(RunKeysim({"--help"}, out), 0);
    for (const char* option :
         {"--device", "--firmware", "--link", "--no-answer", "--only-baud", "--wrong-ident",
          "--zero-seed", "--status", "--latency", "--unit-time", "--silent-after", "--garble",
          "--late-end-echo", "--line-speed", "--uart", "--uart-link", "--stimulus", "--vcd",
          "--version"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
    out.clear();
    EXPECT_EQ(RunKeysim({"--version"}, out), 0);
    EXPECT_EQ(out.rfind("pellix-keysim ", 0), 0u) << out;
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line";
}

TEST(KeysimProgram, AtLineSpeedEachByteTakesItsTenBitTimes) {
    // At 1200 baud a byte takes 8.3 ms: the answer to the identification (its echo, the
    // answer, the seed and the version, 16 bytes) cannot come in less than 133 ms.
    for (bool lineSpeed : {false, true}) {
        std::vector<std::string> options;
        if (lineSpeed) options.push_back("--line-speed");
        KeysimProcess keysim(options);
        ASSERT_FALSE(keysim.Device().empty());
        auto port = PosixSerialPort::Open(keysim.Device());
        ASSERT_NE(port, nullptr);
        ASSERT_TRUE(port->SetLine(1200));
        ::usleep(100'000); // the key sees the line open at its rate
        const std::string hello = " Pellix";
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(port->Write(reinterpret_cast<const uint8_t*>(hello.data()), hello.size()), 7);
        size_t got = 0;
        uint8_t buf[64];
        while (got < 16 && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
            port->WaitForInput(100);
            long n = port->Read(buf, sizeof buf);
            ASSERT_GE(n, 0);
            got += size_t(n);
        }
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(got, 16u);
        if (lineSpeed) {
            EXPECT_GE(took, std::chrono::milliseconds(133)) << "no faster than the line";
        }
        EXPECT_EQ(keysim.Stop(), 0);
    }
}

TEST(KeysimProgram, BadOptionsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"--status=3"},
        {"--status=0:1"},
        {"--status=1:256"},
        {"--wrong-ident=7"},
        {"--device=PIC16"},
        {"--latency=abc"},
        {"--zero-seed=1"},
        {"--firmware"},
        {"--uart"},
        {"--uart=RX=RA.1"},
        {"--uart=RX=RA.1,TX=RA.1,BAUD=9600"},
        {"--uart=RX=RA.9,BAUD=9600"},
        {"--uart=RX=RA.1,BAUD=0"},
        {"--uart=RX=RD.0,BAUD=9600"}, // not on the SX28
        {"--uart=TX=RA.0,BAUD=9600", "--uart=TX=RA.1,BAUD=9600"},
        {"--uart-link=/tmp/pellix-keysim-no-uart"},
        {"--stimulus"},
        {"--vcd=a.vcd", "--vcd=b.vcd"},
    };
    for (const auto& args : cases) {
        std::string out;
        EXPECT_EQ(RunKeysim(args, out), 2) << args[0];
        EXPECT_NE(out.find("pellix-keysim: "), std::string::npos) << args[0];
        EXPECT_NE(out.find("--help"), std::string::npos) << "points to the help: " << args[0];
    }
}

TEST(KeysimProgram, LinkNamesTheDevice) {
    std::string link = "/tmp/pellix-keysim-link-" + std::to_string(::getpid());
    {
        KeysimProcess keysim({"--link=" + link});
        ASSERT_FALSE(keysim.Device().empty());
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), keysim.Device());
        EXPECT_EQ(keysim.Stop(), 0);
    }
    EXPECT_NE(::access(link.c_str(), F_OK), 0) << "removed at exit";
}
