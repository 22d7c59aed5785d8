#include "link/PortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace pellix {

namespace {

namespace fs = std::filesystem;

// Levels above a tty's device where its USB device may sit (interface, then device).
constexpr int kUsbSearchDepth = 6;

// A sysfs attribute: one short line of text.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string text;
    std::getline(in, text);
    size_t a = text.find_first_not_of(" \t");
    size_t b = text.find_last_not_of(" \t\r\n");
    if (a == std::string::npos || b == std::string::npos) return {};
    return text.substr(a, b - a + 1);
}

// "ttyS2" before "ttyS10": runs of digits compare as numbers.
bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t i2 = i, j2 = j;
            while (i2 < a.size() && std::isdigit(static_cast<unsigned char>(a[i2])))
                ++i2;
            while (j2 < b.size() && std::isdigit(static_cast<unsigned char>(b[j2])))
                ++j2;
            std::string na = a.substr(i, i2 - i), nb = b.substr(j, j2 - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size() - 1));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size() - 1));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = i2;
            j = j2;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// An on-board UART's node exists whether or not a UART answers behind it; the kernel says
// "0" (unknown) for the ones that do not.
bool AbsentUart(const fs::path& ttyDir, const std::string& name) {
    if (name.rfind("ttyS", 0) != 0) return false;
    std::error_code ec;
    return fs::exists(ttyDir / "type", ec) && Attribute(ttyDir / "type") == "0";
}

void ReadUsb(const fs::path& device, const fs::path& sysRoot, SerialPortInfo& info) {
    std::error_code ec;
    fs::path at = fs::canonical(device, ec);
    if (ec) return;
    const fs::path root = fs::canonical(sysRoot, ec);
    for (int level = 0; level < kUsbSearchDepth && !at.empty() && at != root; ++level) {
        if (fs::exists(at / "idVendor", ec)) {
            info.vendorId = Attribute(at / "idVendor");
            info.productId = Attribute(at / "idProduct");
            info.manufacturer = Attribute(at / "manufacturer");
            info.product = Attribute(at / "product");
            info.serial = Attribute(at / "serial");
            return;
        }
        if (at == at.parent_path()) return;
        at = at.parent_path();
    }
}

std::string ComName(const std::string& name) {
    if (name.size() == 5 && name.rfind("ttyS", 0) == 0 && name[4] >= '0' && name[4] <= '3')
        return "COM" + std::string(1, char(name[4] + 1));
    return {};
}

} // namespace

std::string SerialPortInfo::Description() const {
    std::vector<std::string> parts;
    if (!comName.empty()) parts.push_back(comName);
    std::string maker = manufacturer;
    if (!product.empty()) maker += (maker.empty() ? "" : " ") + product;
    if (!maker.empty()) parts.push_back(maker);
    if (!vendorId.empty()) parts.push_back("USB " + vendorId + ":" + productId);
    if (!serial.empty()) parts.push_back("serial " + serial);
    for (const std::string& s : stableNames)
        parts.push_back(s);
    std::string text;
    for (const std::string& p : parts)
        text += (text.empty() ? "" : ", ") + p;
    return text;
}

std::vector<SerialPortInfo> ListSerialPorts(const PortRoots& roots) {
    std::vector<SerialPortInfo> ports;
    const fs::path sys(roots.sys), dev(roots.dev);
    std::error_code ec;
    for (fs::directory_iterator it(sys / "class" / "tty", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e2;
        // Consoles and pseudo-terminals have no device behind them.
        if (!fs::exists(it->path() / "device", e2) || AbsentUart(it->path(), name)) continue;
        if (!fs::exists(dev / name, e2)) continue;
        SerialPortInfo info;
        info.path = "/dev/" + name;
        info.comName = ComName(name);
        ReadUsb(it->path() / "device", sys, info);
        ports.push_back(std::move(info));
    }
    const fs::path byId = dev / "serial" / "by-id";
    for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        fs::path target = fs::read_symlink(it->path(), e2);
        if (e2) continue;
        const std::string device = (byId / target).lexically_normal().filename().string();
        for (SerialPortInfo& p : ports)
            if (p.path == "/dev/" + device)
                p.stableNames.push_back("/dev/serial/by-id/" + it->path().filename().string());
    }
    for (SerialPortInfo& p : ports)
        std::sort(p.stableNames.begin(), p.stableNames.end());
    std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        return NaturalLess(a.path, b.path);
    });
    return ports;
}

std::string PortListText(const std::vector<SerialPortInfo>& ports) {
    size_t width = 3; // "sim"
    for (const SerialPortInfo& p : ports)
        width = std::max(width, p.path.size());
    std::string text;
    auto line = [&](const std::string& path, const std::string& description) {
        text += path;
        if (!description.empty()) text += std::string(width - path.size() + 2, ' ') + description;
        text += '\n';
    };
    for (const SerialPortInfo& p : ports)
        line(p.path, p.Description());
    line("sim", kVirtualKeyDescription);
    return text;
}

} // namespace pellix
