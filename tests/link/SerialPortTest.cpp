#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "link/PortFactory.h"
#include "link/PosixSerialPort.h"
#include "link/SerialPort.h"
#include "link/VirtualKeyPort.h"

using namespace pellix;

namespace {

// A pseudo-terminal whose far end the test holds.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(master, 0);
        EXPECT_EQ(::grantpt(master), 0);
        EXPECT_EQ(::unlockpt(master), 0);
        path = ::ptsname(master);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    std::string ReadMaster() {
        char buf[256];
        std::string out;
        for (int i = 0; i < 200 && out.empty(); ++i) {
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                out.append(buf, size_t(n));
            else
                ::usleep(1000);
        }
        return out;
    }
    int master = -1;
    std::string path;
};

long ReadSoon(SerialPort& port, uint8_t* buf, size_t max) {
    for (int i = 0; i < 200; ++i) {
        long n = port.Read(buf, max);
        if (n != 0) return n;
        ::usleep(1000);
    }
    return 0;
}

} // namespace

TEST(PortNames, ComPortsMapToSerialDevices) {
    EXPECT_EQ(DevicePathOfPort("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathOfPort("COM4"), "/dev/ttyS3");
    EXPECT_EQ(DevicePathOfPort("com2"), "/dev/ttyS1");
    EXPECT_EQ(DevicePathOfPort("COM10"), "/dev/ttyS9");
    EXPECT_EQ(DevicePathOfPort("COM0"), "COM0") << "no COM0: taken as it is";
    EXPECT_EQ(DevicePathOfPort("COM"), "COM");
    EXPECT_EQ(DevicePathOfPort("COM1x"), "COM1x");
    EXPECT_EQ(DevicePathOfPort("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_TRUE(IsVirtualKeyPort("sim"));
    EXPECT_TRUE(IsVirtualKeyPort("SIM"));
    EXPECT_TRUE(IsVirtualKeyPort("Sim"));
    EXPECT_FALSE(IsVirtualKeyPort("sim0"));
    EXPECT_FALSE(IsVirtualKeyPort("si"));
}

TEST(PortNames, FactoryPicksTheAdapter) {
    FakeTickSource ticks;
    std::vector<std::string> asked;
    PortFactory none(nullptr, ticks, [&](const std::string& path, std::string*) {
        asked.push_back(path);
        return std::unique_ptr<SerialPort>();
    });
    EXPECT_EQ(none.Open("sim"), nullptr) << "no virtual key to open";
    EXPECT_EQ(none.Open(""), nullptr);
    none.Open("COM3");
    none.Open("/dev/pts/7");
    EXPECT_EQ(asked, (std::vector<std::string>{"/dev/ttyS2", "/dev/pts/7"}));

    VirtualKey key;
    PortFactory with(&key, ticks);
    auto port = with.Open("Sim");
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(key.LineOpen());
    EXPECT_EQ(with.Open("sim"), nullptr) << "one line to the key";
    port->Close();
    EXPECT_FALSE(key.LineOpen());
    EXPECT_NE(with.Open("sim"), nullptr);
}

TEST(PosixSerialPort, SetsThePseudoTerminalsLineAndMovesBytes) {
    Pty pty;
    auto port = PosixSerialPort::Open(pty.path);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->SetLine(19200)) << "no modem lines on a pseudo-terminal is no failure";
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.master, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B19200));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u) << "raw: the line discipline adds no echo";
    EXPECT_FALSE(port->SetLine(12345)) << "not a rate the line can take";

    uint8_t buf[16];
    EXPECT_EQ(port->Read(buf, sizeof buf), 0) << "nothing has come: no waiting";
    const uint8_t out[] = {0x00, 0x0D, 0x0A, 0xFF, 0x11, 0x13};
    EXPECT_EQ(port->Write(out, sizeof out), long(sizeof out));
    EXPECT_EQ(pty.ReadMaster(), std::string(reinterpret_cast<const char*>(out), sizeof out))
        << "bytes pass unchanged: no CR/LF mapping, no flow control characters";
    ASSERT_EQ(::write(pty.master, "\x13\r\n", 3), 3);
    ASSERT_EQ(ReadSoon(*port, buf, sizeof buf), 3);
    EXPECT_EQ(buf[0], 0x13);
    EXPECT_EQ(buf[1], '\r');
    EXPECT_EQ(buf[2], '\n');

    EXPECT_EQ(PosixSerialPort::Open(pty.path), nullptr) << "in use";
    port->Close();
    EXPECT_NE(PosixSerialPort::Open(pty.path), nullptr) << "free again once closed";
}

TEST(PosixSerialPort, HangUpIsAFailedRead) {
    Pty pty;
    auto port = PosixSerialPort::Open(pty.path);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(port->SetLine(57600));
    ::close(pty.master);
    pty.master = -1;
    uint8_t buf[4];
    EXPECT_EQ(port->Read(buf, sizeof buf), -1);
}

TEST(PosixSerialPort, RefusesWhatIsNotASerialLine) {
    EXPECT_EQ(PosixSerialPort::Open("/nonexistent/ttyS9"), nullptr);
    char name[] = "/tmp/pellix-port-XXXXXX";
    int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(PosixSerialPort::Open(name), nullptr) << "a plain file is not a terminal";
    ::unlink(name);
}

TEST(VirtualKeyPort, FaultsOfTheLine) {
    FakeTickSource ticks;
    VirtualKey key;
    key.faults.refuseOpen = true;
    EXPECT_EQ(VirtualKeyPort::Open(key, ticks), nullptr);
    key.faults.refuseOpen = false;
    auto port = VirtualKeyPort::Open(key, ticks);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->SetLine(57600));
    EXPECT_EQ(key.Baud(), 57600u);

    const uint8_t junk[] = {1, 2, 3};
    key.faults.shortWriteOn = 2;
    EXPECT_EQ(port->Write(junk, 3), 3);
    EXPECT_EQ(port->Write(junk, 3), 2) << "the second write from the arming";
    EXPECT_EQ(port->Write(junk, 3), 3) << "one-shot";
    key.faults.readChunk = 2;
    uint8_t buf[16];
    EXPECT_EQ(port->Read(buf, sizeof buf), 2);
    key.faults.failReadOn = 1;
    EXPECT_EQ(port->Read(buf, sizeof buf), -1);
    key.faults.failWriteOn = 1;
    EXPECT_EQ(port->Write(junk, 3), -1);
    port->Close();
    EXPECT_EQ(port->Read(buf, sizeof buf), -1) << "closed";
    EXPECT_FALSE(port->SetLine(57600));
}
