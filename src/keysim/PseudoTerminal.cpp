#include "keysim/PseudoTerminal.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace pellix::keysim {

namespace {

void MakeRaw(int fd, speed_t speed) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return;
    ::cfmakeraw(&t);
    if (speed != B0) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }
    ::tcsetattr(fd, TCSANOW, &t);
}

} // namespace

PseudoTerminal::~PseudoTerminal() {
    if (!link_.empty()) ::unlink(link_.c_str());
    for (int fd : {watch_, hold_, master_})
        if (fd >= 0) ::close(fd);
}

bool PseudoTerminal::Open(speed_t speed, const char*& failure) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    failure = "cannot open a pseudo-terminal";
    if (master_ < 0) return false;
    failure = "cannot unlock it";
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return false;
    failure = "cannot name it";
    const char* name = ::ptsname(master_);
    if (!name) return false;
    path_ = name;
    // Holding the other end open keeps the terminal alive between connections, so a
    // program may close and reopen it as it would a serial port.
    failure = "cannot open its device";
    hold_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (hold_ < 0) return false;
    MakeRaw(hold_, speed);
    // Opened after our own open, so that only other programs' opens count.
    failure = "cannot watch its device";
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return watch_ >= 0 && ::inotify_add_watch(watch_, path_.c_str(), IN_OPEN | IN_CLOSE) >= 0;
}

bool PseudoTerminal::Link(const std::string& link) {
    ::unlink(link.c_str());
    if (::symlink(path_.c_str(), link.c_str()) != 0) return false;
    link_ = link;
    return true;
}

void PseudoTerminal::TakeChanges(const std::function<void(bool connected)>& changed) {
    for (;;) {
        alignas(inotify_event) char events[4096];
        ssize_t n = ::read(watch_, events, sizeof events);
        if (n <= 0) break;
        for (char* e = events; e < events + n;) {
            auto* ev = reinterpret_cast<inotify_event*>(e);
            if ((ev->mask & IN_OPEN) && opens_++ == 0) changed(true);
            if ((ev->mask & IN_CLOSE) && opens_ > 0 && --opens_ == 0) changed(false);
            e += sizeof(inotify_event) + ev->len;
        }
    }
}

void PseudoTerminal::Clean() {
    ::tcflush(hold_, TCIFLUSH);
    MakeRaw(hold_, B0);
}

speed_t PseudoTerminal::Speed() const {
    termios t{};
    if (::tcgetattr(master_, &t) != 0) return B0;
    return ::cfgetospeed(&t);
}

} // namespace pellix::keysim
