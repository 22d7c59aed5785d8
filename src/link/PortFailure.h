// Why a serial device cannot be opened, in words: the one place where both device adapters
// (termios and Qt's) turn a failure into the lines shown under "Unable to open ...".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

// Where the system keeps what the diagnosis looks at; tests point it at folders of their
// own.
struct PortSystem {
    // Where serial tools leave their lock files (Qt's list and the usual one of today).
    std::vector<std::string> lockDirs{"/var/lock",         "/etc/locks", "/var/spool/locks",
                                      "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                      "/var/lock/lockdev", "/run/lock"};
    std::string proc = "/proc";
};

// The lines (parted by CR) that follow the box's text for the device at `path` that failed
// with `error`, an errno value: the system's reason; for a missing permission, the group
// that owns the device and how to join it; for a busy port, which program holds it when
// that can be found. Empty for 0 (reason unknown).
std::string OpenFailureText(const std::string& path, int error, const PortSystem& system = {});

// The lock file the serial tools share for a device: "LCK.." and the device's name under
// /dev with '/' as '_' (LCK..ttyUSB0, LCK..pts_3); other paths by their last part.
std::string LockFileName(const std::string& devicePath);
// The process number in a lock file: decimal text on its first line (ten columns padded
// with blanks by the serial tools, bare with the program's name and host on the next lines
// by Qt), or a 4-byte binary number (the older convention). Nothing for anything else.
std::optional<long> LockFilePid(std::string_view content);
// A live process other than this one that holds a lock file for the device; 0 when none.
long LockHolder(const std::string& devicePath, const PortSystem& system = {});
// Who holds the device: the holder of a live lock file, else a process with the device
// open among those this user may look at. "minicom (process 1234)", "this program (process
// 99)"; empty when nobody is found.
std::string PortHolder(const std::string& devicePath, const PortSystem& system = {});

} // namespace pellix
