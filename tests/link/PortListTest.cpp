// The serial ports present, from a sysfs and /dev of the test's own: what pellix-cli ports
// prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/PortsCommand.h"
#include "link/PortList.h"
#include "support/ScratchTest.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

class PortList : public ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        roots_.sys = Path("sys");
        roots_.dev = Path("dev");
        fs::create_directories(Path("sys/class/tty"));
        fs::create_directories(Path("dev/serial/by-id"));
    }

    // A tty backed by the device at `devicePath` (under sys/devices), with its node.
    void Tty(const std::string& name, const std::string& devicePath, bool node = true) {
        fs::create_directories(Path("sys/devices/" + devicePath));
        fs::create_directories(Path("sys/class/tty/" + name));
        fs::create_symlink("../../../devices/" + devicePath,
                           Path("sys/class/tty/" + name + "/device"));
        if (node) Write("dev/" + name, "");
    }
    void Attr(const std::string& path, const std::string& value) {
        Write("sys/" + path, value + "\n");
    }
    void UsbDevice(const std::string& path, const std::string& vendor, const std::string& product,
                   const std::string& maker, const std::string& name, const std::string& serial) {
        fs::create_directories(Path("sys/devices/" + path));
        Attr("devices/" + path + "/idVendor", vendor);
        Attr("devices/" + path + "/idProduct", product);
        if (!maker.empty()) Attr("devices/" + path + "/manufacturer", maker);
        if (!name.empty()) Attr("devices/" + path + "/product", name);
        if (!serial.empty()) Attr("devices/" + path + "/serial", serial);
    }
    void ById(const std::string& name, const std::string& target) {
        fs::create_symlink("../../" + target, Path("dev/serial/by-id/" + name));
    }

    PortRoots roots_;
};

const char* kUsb = "pci0000:00/0000:00:14.0/usb1/1-2";
const char* kAcm = "pci0000:00/0000:00:14.0/usb1/1-3";

} // namespace

TEST_F(PortList, AdaptersUartsAndTheirStableNamesInNameOrder) {
    // An FTDI adapter: the tty hangs below the interface, below the USB device.
    UsbDevice(kUsb, "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
    Tty("ttyUSB0", std::string(kUsb) + "/1-2:1.0/ttyUSB0");
    ById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
    // A CDC-ACM board without strings for its maker or serial.
    UsbDevice(kAcm, "2341", "0043", "", "", "");
    Tty("ttyACM0", std::string(kAcm) + "/1-3:1.0");
    // On-board UARTs: one answers, one node has nothing behind it; ttyS10 sorts after ttyS2.
    Tty("ttyS0", "pnp0/00:04/tty/ttyS0");
    Attr("class/tty/ttyS0/type", "4");
    Tty("ttyS1", "platform/serial8250/tty/ttyS1");
    Attr("class/tty/ttyS1/type", "0");
    Tty("ttyS2", "platform/serial8250/tty/ttyS2");
    Attr("class/tty/ttyS2/type", "4");
    Tty("ttyS10", "platform/serial8250/tty/ttyS10");
    Attr("class/tty/ttyS10/type", "4");
    // A console has no device; a port the kernel knows but /dev lacks is not offered.
    fs::create_directories(Path("sys/class/tty/tty0"));
    Write("dev/tty0", "");
    Tty("ttyUSB1", std::string(kUsb) + "/1-2:1.1/ttyUSB1", false);
    ById("usb-gone-if00", "ttyUSB9");

    std::vector<SerialPortInfo> ports = ListSerialPorts(roots_);
    std::vector<std::string> paths;
    for (const SerialPortInfo& p : ports)
        paths.push_back(p.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS2",
                                               "/dev/ttyS10", "/dev/ttyUSB0"}));
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports[0].Description(), "USB 2341:0043");
    EXPECT_EQ(ports[1].Description(), "COM1");
    EXPECT_EQ(ports[2].Description(), "COM3");
    EXPECT_EQ(ports[3].Description(), "") << "no COM name beyond COM4";
    EXPECT_EQ(ports[4].vendorId, "0403");
    EXPECT_EQ(ports[4].serial, "A50285BI");
    EXPECT_EQ(ports[4].Description(),
              "FTDI FT232R USB UART, USB 0403:6001, serial A50285BI, "
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

    std::ostringstream out, err;
    EXPECT_EQ(cli::PortsCommand(out, err, {}, roots_), 0);
    EXPECT_EQ(out.str(), "/dev/ttyACM0  USB 2341:0043\n"
                         "/dev/ttyS0    COM1\n"
                         "/dev/ttyS2    COM3\n"
                         "/dev/ttyS10\n"
                         "/dev/ttyUSB0  FTDI FT232R USB UART, USB 0403:6001, serial A50285BI, "
                         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n"
                         "sim           the virtual key in this program (no hardware)\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(PortList, NoPortsLeavesTheVirtualKeyAndAMissingTreeIsNoError) {
    std::ostringstream out, err;
    EXPECT_EQ(cli::PortsCommand(out, err, {}, roots_), 0);
    EXPECT_EQ(out.str(), "sim  the virtual key in this program (no hardware)\n");
    PortRoots none{Path("nothing"), Path("nothing")};
    EXPECT_TRUE(ListSerialPorts(none).empty());

    EXPECT_EQ(cli::PortsCommand(out, err, {"--all"}, roots_), 2);
    EXPECT_EQ(err.str(), "pellix-cli: error: ports takes no arguments, not '--all'\n"
                         "Usage: pellix-cli ports\n");
}
