// Why a device cannot be opened, through real devices, run once for each device adapter:
// both must give the same reasons. A pseudo-terminal stands for the serial port; another
// process holds it, or a user without rights asks for it.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "link/PortFactory.h"
#include "link/PortFailure.h"
#include "link/PosixSerialPort.h"

namespace pellix::test {

// A pseudo-terminal whose far end the test holds.
struct HeldPty {
    HeldPty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        path = ::ptsname(master);
    }
    ~HeldPty() {
        if (master >= 0) ::close(master);
    }
    int master = -1;
    std::string path;
};

// A child process that holds `path` as a serial tool does: the device open and locked, and
// a lock file of the serial tools' convention (when the lock folder takes one). Ends with
// the object.
class HoldingProcess {
public:
    explicit HoldingProcess(const std::string& path) {
        lockFile_ = "/var/lock/" + LockFileName(path);
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            auto port = PosixSerialPort::Open(path);
            // Qt's form: the process number, the program and the host on lines of their own.
            if (FILE* f = std::fopen(lockFile_.c_str(), "w")) {
                std::fprintf(f, "%d\nholder\n\n", int(::getpid()));
                std::fclose(f);
            }
            char ok = port ? '1' : '0';
            if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char ok = 0;
        held_ = ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
        lockWritten_ = ::access(lockFile_.c_str(), F_OK) == 0;
    }
    ~HoldingProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (lockWritten_) std::remove(lockFile_.c_str());
    }
    bool Held() const { return held_; }
    bool LockWritten() const { return lockWritten_; }
    // "NAME (process PID)" as the system names the holder.
    std::string Named() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/comm");
        std::string name;
        std::getline(in, name);
        return name + " (process " + std::to_string(pid_) + ")";
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
    bool lockWritten_ = false;
    std::string lockFile_;
};

// What `opener` says about `path` when a user without rights to it asks (run in a child
// that gives up root; the device is made the group dialout's first). Empty when the test
// cannot arrange that.
inline std::string ReasonForUserWithoutRights(const DeviceOpener& opener, const std::string& path,
                                              bool& opened) {
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || !dialout) return {};
    if (::chown(path.c_str(), 0, dialout->gr_gid) != 0 || ::chmod(path.c_str(), 0660) != 0)
        return {};
    int out[2];
    if (::pipe(out) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        const gid_t nogroup = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nogroup) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        std::string why;
        auto port = opener(path, &why);
        std::string text = (port ? "1" : "0") + why;
        if (::write(out[1], text.data(), text.size()) < 0) ::_exit(1);
        ::_exit(0);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, size_t(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (text.empty()) return {};
    opened = text[0] == '1';
    return text.substr(1);
}

inline void OpenFailuresTellTheReason(const DeviceOpener& opener) {
    std::string why;
    EXPECT_EQ(opener("/dev/pellix-no-such-port", &why), nullptr);
    EXPECT_EQ(why, "No such file or directory");

    char name[] = "/tmp/pellix-not-a-port-XXXXXX";
    int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    why.clear();
    EXPECT_EQ(opener(name, &why), nullptr);
    EXPECT_EQ(why, "Not a terminal: " + std::string(name) + " is no serial port.");
    ::unlink(name);

    HeldPty pty;
    ASSERT_FALSE(pty.path.empty());
    {
        HoldingProcess holder(pty.path);
        ASSERT_TRUE(holder.Held());
        if (holder.LockWritten()) {
            why.clear();
            EXPECT_EQ(opener(pty.path, &why), nullptr) << "held by another program";
            EXPECT_EQ(why, "Device or resource busy\rIn use by " + holder.Named() + ".");
        }
    }
    why.clear();
    auto port = opener(pty.path, &why);
    EXPECT_NE(port, nullptr) << "free once the holder has gone: " << why;
    port.reset();

    bool opened = true;
    why = ReasonForUserWithoutRights(opener, pty.path, opened);
    if (::geteuid() == 0 && ::getgrnam("dialout")) {
        ASSERT_FALSE(why.empty()) << "the test could not arrange a user without rights";
    }
    if (!why.empty()) {
        EXPECT_FALSE(opened);
        EXPECT_EQ(why, "Permission denied\r" + pty.path +
                           " belongs to the group dialout.\rJoin it with: sudo usermod -aG "
                           "dialout $USER\rthen log out and in again.");
    }
}

} // namespace pellix::test
