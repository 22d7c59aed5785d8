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

TEST(KeysimProgram, HelpListsEveryOption) {
    std::string out;
    EXPECT_EQ(RunKeysim({"--help"}, out), 0);
    for (const char* option : {"--device", "--firmware", "--link", "--no-answer", "--only-baud",
                               "--wrong-ident", "--zero-seed", "--status", "--latency",
                               "--unit-time", "--silent-after", "--garble", "--late-end-echo"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
}

TEST(KeysimProgram, BadOptionsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},        {"--status=3"},      {"--status=0:1"},
        {"--status=1:256"}, {"--wrong-ident=7"}, {"--device=PIC16"},
        {"--latency=abc"},  {"--zero-seed=1"},   {"--firmware"},
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
