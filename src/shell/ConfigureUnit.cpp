#include "shell/ConfigureUnit.h"

#include <cstdio>

namespace pellix {

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

int PortChoice::Item() const {
    switch (kind) {
    case Kind::Com:
        return com - 1;
    case Kind::VirtualKey:
        return kVirtualKeyItem;
    case Kind::Device:
        return kDeviceItem;
    }
    return 0;
}

PortChoice ParsePort(const std::string& stored) {
    PortChoice p;
    std::string name = Trim(stored);
    std::string upper = Upper(name);
    if (name.empty()) return p;
    if (upper.size() == 4 && upper.compare(0, 3, "COM") == 0 && upper[3] >= '1' &&
        upper[3] <= '4') {
        p.com = upper[3] - '0';
        return p;
    }
    if (upper == kVirtualKeyPortName) {
        p.kind = PortChoice::Kind::VirtualKey;
        return p;
    }
    p.kind = PortChoice::Kind::Device;
    p.device = name;
    return p;
}

std::string StoredPort(const PortChoice& p) {
    switch (p.kind) {
    case PortChoice::Kind::Com:
        return "COM" + std::to_string(p.com);
    case PortChoice::Kind::VirtualKey:
        return kVirtualKeyPortName;
    case PortChoice::Kind::Device:
        return Trim(p.device);
    }
    return "COM1";
}

std::optional<ColorRef> CustomColorValue(const std::string& entry) {
    size_t eq = entry.find('=');
    if (eq == std::string::npos || entry.size() - eq - 1 != 6) return std::nullopt;
    ColorRef c = 0;
    for (size_t i = eq + 1; i < entry.size(); ++i) {
        int d = HexDigit(entry[i]);
        if (d < 0) return std::nullopt;
        c = (c << 4) | ColorRef(d);
    }
    return c;
}

std::string CustomColorEntry(int index, ColorRef color) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%06X", unsigned(color & 0xFFFFFF));
    return std::string("Color") + char('A' + index) + "=" + hex;
}

GroupPlaces PlaceGroups(int clientWidth, int groupWidth, bool useOrda) {
    GroupPlaces g;
    if (useOrda) {
        g.ircVisible = false;
        g.portLeft = (clientWidth - groupWidth) / 2;
        g.ircLeft = g.portLeft;
        return g;
    }
    int gap = (clientWidth - 2 * groupWidth) / 3;
    g.ircLeft = gap;
    g.portLeft = 2 * gap + groupWidth;
    return g;
}

} // namespace pellix
