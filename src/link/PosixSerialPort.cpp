#include "link/PosixSerialPort.h"

#include "link/PortFailure.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace pellix {

namespace {

// A write that makes no progress for this long has stalled.
constexpr int kWriteStallMs = 1000;

bool SpeedOf(uint32_t baud, speed_t& speed) {
    struct Rate {
        uint32_t baud;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {
        {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
        {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const Rate& r : kRates)
        if (r.baud == baud) {
            speed = r.speed;
            return true;
        }
    return false;
}

} // namespace

int PosixSerialPort::OpenDescriptor(const std::string& path, int& error) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    error = 0;
    // Not shared: another process holding the port (through us, or a tool that locks it
    // the same way or leaves a lock file) makes it busy.
    if (!::isatty(fd))
        error = ENOTTY;
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || LockHolder(path) != 0)
        error = EBUSY;
    if (error != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::unique_ptr<SerialPort> PosixSerialPort::Open(const std::string& path, std::string* why) {
    int error = 0;
    int fd = OpenDescriptor(path, error);
    if (fd < 0) {
        if (why) *why = OpenFailureText(path, error);
        return nullptr;
    }
    ::ioctl(fd, TIOCEXCL);
    ::tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<SerialPort>(new PosixSerialPort(fd));
}

int PosixSerialPort::OpenError(const std::string& path) {
    int error = 0;
    int fd = OpenDescriptor(path, error);
    if (fd >= 0) ::close(fd);
    return error;
}

PosixSerialPort::~PosixSerialPort() {
    Close();
}

void PosixSerialPort::Close() {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool PosixSerialPort::SetLine(uint32_t baud) {
    speed_t speed;
    termios t{};
    if (fd_ < 0 || !SpeedOf(baud, speed) || ::tcgetattr(fd_, &t) != 0) return false;
    ::cfmakeraw(&t);
    t.c_cflag &= ~tcflag_t(PARENB | CSTOPB | CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return false;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    // A pseudo-terminal has no modem lines; that is no reason to refuse it.
    int dtr = TIOCM_DTR, rts = TIOCM_RTS;
    ::ioctl(fd_, TIOCMBIS, &dtr);
    ::ioctl(fd_, TIOCMBIC, &rts);
    return true;
}

long PosixSerialPort::Read(uint8_t* data, size_t max) {
    if (fd_ < 0) return -1;
    if (max == 0) return 0;
    ssize_t n = ::read(fd_, data, max);
    if (n > 0) return long(n);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return -1;
    // Nothing came; a line that has hung up (an adapter pulled out) says so only here.
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return -1;
    return 0;
}

void PosixSerialPort::WaitForInput(uint32_t milliseconds) {
    if (fd_ < 0) return;
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, int(std::min<uint32_t>(milliseconds, INT32_MAX)));
}

long PosixSerialPort::Write(const uint8_t* data, size_t count) {
    if (fd_ < 0) return -1;
    using Clock = std::chrono::steady_clock;
    size_t done = 0;
    auto lastProgress = Clock::now();
    while (done < count) {
        ssize_t n = ::write(fd_, data + done, count - done);
        if (n > 0) {
            done += size_t(n);
            lastProgress = Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return done > 0 ? long(done) : -1;
        auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastProgress);
        if (waited.count() >= kWriteStallMs) break;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, int(kWriteStallMs - waited.count()));
        if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return done > 0 ? long(done) : -1;
    }
    return long(done);
}

} // namespace pellix
