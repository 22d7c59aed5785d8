// The serial ports present, as the kernel lists them in sysfs: what `pellix-cli ports`
// prints and the Configure dialog offers.
#pragma once

#include <string>
#include <vector>

namespace pellix {

struct SerialPortInfo {
    std::string path;    // "/dev/ttyUSB0"
    std::string comName; // "COM1" to "COM4" for /dev/ttyS0 to /dev/ttyS3
    // The USB adapter's, when the port is on one.
    std::string vendorId; // "0403"
    std::string productId;
    std::string manufacturer;
    std::string product;
    std::string serial;
    std::vector<std::string> stableNames; // /dev/serial/by-id/..., which survive replugging

    // "FTDI FT232R USB UART, USB 0403:6001, serial A50285BI, /dev/serial/by-id/..."; for a
    // port with nothing known, empty.
    std::string Description() const;
};

// Where the kernel's lists are; tests point them at a tree of their own.
struct PortRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
};

// The terminals backed by a device (USB adapters, on-board UARTs that answer), in name order
// (ttyS2 before ttyS10). Pseudo-terminals and consoles are not serial ports.
std::vector<SerialPortInfo> ListSerialPorts(const PortRoots& roots = {});

// The list as pellix-cli prints it: one port a line, the path and its description in two
// columns, and last the virtual key, "sim".
std::string PortListText(const std::vector<SerialPortInfo>& ports);

inline constexpr char kVirtualKeyDescription[] = "the virtual key in this program (no hardware)";

} // namespace pellix
