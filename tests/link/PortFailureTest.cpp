// Why a port cannot be opened: the texts, the lock files of the serial tools, who holds a
// device, and the termios adapter through real pseudo-terminals. The Qt adapter runs the
// same scenarios in KeysimQtTest.cpp.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "link/PortFactory.h"
#include "link/PortFailure.h"
#include "link/PortFailureScenarios.h"
#include "link/PosixSerialPort.h"
#include "support/ScratchTest.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

// A process that lives until the object ends: a holder to name in a lock file.
struct Sleeper {
    Sleeper() {
        pid = ::fork();
        if (pid == 0) {
            ::pause();
            ::_exit(0);
        }
    }
    ~Sleeper() {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    pid_t pid;
};

class PortFailure : public ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        fs::create_directories(Path("lock"));
        system_.lockDirs = {Path("nowhere"), Path("lock")};
    }
    PortSystem system_;
};

} // namespace

TEST(LockFiles, NamesAndContents) {
    EXPECT_EQ(LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(LockFileName("/dev/pts/3"), "LCK..pts_3") << "as Qt names it";
    EXPECT_EQ(LockFileName("/tmp/port"), "LCK..port");

    EXPECT_EQ(LockFilePid("      1234\n"), 1234) << "the serial tools' ten columns";
    EXPECT_EQ(LockFilePid("1234\npellix\nhost\n"), 1234) << "Qt's lines";
    EXPECT_EQ(LockFilePid("1234"), 1234);
    const int32_t binary = 4321;
    EXPECT_EQ(LockFilePid(std::string_view(reinterpret_cast<const char*>(&binary), 4)), 4321);
    EXPECT_EQ(LockFilePid(""), std::nullopt);
    EXPECT_EQ(LockFilePid("\n1234\n"), std::nullopt) << "the number is on the first line";
    EXPECT_EQ(LockFilePid("0\n"), std::nullopt);
    EXPECT_EQ(LockFilePid("12a4\n"), std::nullopt);
    EXPECT_EQ(LockFilePid("-5\n"), std::nullopt);
    EXPECT_EQ(LockFilePid("99999999999999999999\n"), std::nullopt) << "no overflow";
}

TEST_F(PortFailure, TheSystemsReasonOnALineOfItsOwn) {
    EXPECT_EQ(OpenFailureText("/dev/ttyS9", 0, system_), "") << "no reason known, none told";
    EXPECT_EQ(OpenFailureText("/dev/ttyUSB7", ENOENT, system_), "No such file or directory");
    EXPECT_EQ(OpenFailureText("/dev/ttyS1", ENXIO, system_), "No such device or address");
    EXPECT_EQ(OpenFailureText("/dev/null", ENOTTY, system_),
              "Not a terminal: /dev/null is no serial port.");
    EXPECT_EQ(OpenFailureText("/dev/ttyUSB0", EBUSY, system_), "Device or resource busy")
        << "nobody to name";
    EXPECT_EQ(OpenFailureText("/dev/ttyUSB0", EWOULDBLOCK, system_), "Device or resource busy")
        << "a lock taken by another: busy too";
}

TEST_F(PortFailure, PermissionNamesTheGroupAndHowToJoinIt) {
    Write("port", "");
    const std::string port = Path("port");
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() == 0 && dialout) {
        ASSERT_EQ(::chown(port.c_str(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(port.c_str(), 0660), 0);
        EXPECT_EQ(OpenFailureText(port, EACCES, system_),
                  "Permission denied\r" + port +
                      " belongs to the group dialout.\rJoin it with: sudo usermod -aG dialout "
                      "$USER\rthen log out and in again.");
    }
    // A device for its owner alone: no group to join.
    ASSERT_EQ(::chmod(port.c_str(), 0600), 0);
    const passwd* owner = ::getpwuid(::geteuid());
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(OpenFailureText(port, EACCES, system_), "Permission denied\r" + port +
                                                          " may be opened by its owner, " +
                                                          owner->pw_name + ", only.");
    EXPECT_EQ(OpenFailureText(Path("gone"), EACCES, system_), "Permission denied")
        << "nothing to say about a device that cannot be looked at";
}

TEST_F(PortFailure, ALiveLockFileNamesItsHolderAStaleOneNobody) {
    Sleeper holder;
    std::ofstream(Path("lock/LCK..ttyUSB0")) << "      " << holder.pid << "\n";
    EXPECT_EQ(LockHolder("/dev/ttyUSB0", system_), holder.pid);
    std::string name;
    std::getline(std::ifstream("/proc/" + std::to_string(holder.pid) + "/comm"), name);
    EXPECT_EQ(OpenFailureText("/dev/ttyUSB0", EBUSY, system_),
              "Device or resource busy\rIn use by " + name + " (process " +
                  std::to_string(holder.pid) + ").");
    EXPECT_EQ(LockHolder("/dev/ttyUSB1", system_), 0) << "another device's lock";

    // A process that has gone leaves a stale lock, which holds nothing.
    pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    std::ofstream(Path("lock/LCK..ttyUSB1")) << gone << "\n";
    EXPECT_EQ(LockHolder("/dev/ttyUSB1", system_), 0);
    // Our own lock is no reason to refuse ourselves.
    std::ofstream(Path("lock/LCK..ttyUSB2")) << ::getpid() << "\n";
    EXPECT_EQ(LockHolder("/dev/ttyUSB2", system_), 0);
    std::ofstream(Path("lock/LCK..ttyUSB3")) << "garbage\n";
    EXPECT_EQ(LockHolder("/dev/ttyUSB3", system_), 0);
}

TEST_F(PortFailure, AHolderFoundByItsOpenDescriptor) {
    HeldPty pty;
    ASSERT_FALSE(pty.path.empty());
    // The test holds the far end; this process has the device itself open too.
    int fd = ::open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(PortHolder(pty.path, system_),
              "this program (process " + std::to_string(::getpid()) + ")");
    ::close(fd);
    EXPECT_EQ(PortHolder(pty.path, system_), "") << "nobody holds it now";
}

TEST(PosixSerialPortFailures, EveryReasonThroughRealDevices) {
    OpenFailuresTellTheReason(PosixSerialPort::Open);
}

TEST(PosixSerialPortFailures, AStableNameReachesTheDeviceItLinksTo) {
    HeldPty pty;
    ASSERT_FALSE(pty.path.empty());
    const std::string link = "/tmp/pellix-by-id-" + std::to_string(::getpid());
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(pty.path.c_str(), link.c_str()), 0);
    FakeTickSource ticks;
    std::vector<std::string> asked;
    PortFactory ports(nullptr, ticks, [&](const std::string& path, std::string* why) {
        asked.push_back(path);
        return PosixSerialPort::Open(path, why);
    });
    auto first = ports.Open(link);
    ASSERT_NE(first, nullptr) << ports.LastFailure();
    EXPECT_EQ(asked, std::vector<std::string>{pty.path}) << "the device, not the link";
    // Under either name the device is one port: the second opening finds it busy.
    EXPECT_EQ(ports.Open(pty.path), nullptr);
    EXPECT_EQ(ports.LastFailure().rfind("Device or resource busy\rIn use by this program", 0), 0u)
        << ports.LastFailure();
    first.reset();
    EXPECT_NE(ports.Open(link), nullptr);
    ::unlink(link.c_str());

    EXPECT_EQ(ports.Open("/tmp/pellix-no-such-link"), nullptr);
    EXPECT_EQ(ports.LastFailure(), "No such file or directory");
    EXPECT_EQ(ports.Open(""), nullptr);
    EXPECT_EQ(ports.LastFailure(), "No port is chosen.");
    EXPECT_EQ(ports.Open("sim"), nullptr);
    EXPECT_EQ(ports.LastFailure(), "There is no virtual key in this program.");
}
