#include "link/SerialPort.h"

#include <cctype>
#include <filesystem>

namespace pellix {

namespace {

bool LowerEquals(const std::string& a, const char* lower) {
    size_t i = 0;
    for (; i < a.size() && lower[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != lower[i]) return false;
    return i == a.size() && lower[i] == 0;
}

} // namespace

bool IsVirtualKeyPort(const std::string& name) {
    return LowerEquals(name, "sim");
}

std::string DevicePathOfPort(const std::string& name) {
    if (name.size() >= 4 && name.size() <= 6 && LowerEquals(name.substr(0, 3), "com")) {
        unsigned n = 0;
        for (size_t i = 3; i < name.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(name[i]))) return name;
            n = n * 10 + unsigned(name[i] - '0');
        }
        if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

std::string ResolveDevicePath(const std::string& path) {
    std::error_code ec;
    auto real = std::filesystem::canonical(path, ec);
    return ec ? path : real.string();
}

} // namespace pellix
