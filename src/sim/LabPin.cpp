#include "sim/LabPin.h"

#include "sim/LabTime.h"
#include "sim/SxPorts.h"

namespace pellix {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::optional<LabPin> ParseLabPin(std::string_view text) {
    if (SameNoCase(text, "RTCC")) return LabPin{LabPin::Kind::Rtcc, 0, 0};
    if (SameNoCase(text, "MCLR")) return LabPin{LabPin::Kind::Mclr, 0, 0};
    if (text.size() < 3 || text.size() > 4 || Upper(text[0]) != 'R') return std::nullopt;
    char port = Upper(text[1]);
    if (port < 'A' || port > 'E') return std::nullopt;
    std::string_view rest = text.substr(2);
    if (rest.size() == 2) {
        if (rest[0] != '.') return std::nullopt;
        rest.remove_prefix(1);
    }
    if (rest.size() != 1 || rest[0] < '0' || rest[0] > '7') return std::nullopt;
    return LabPin::PortPin(port - 'A', rest[0] - '0');
}

std::string LabPinName(const LabPin& pin) {
    switch (pin.kind) {
    case LabPin::Kind::Rtcc:
        return "RTCC";
    case LabPin::Kind::Mclr:
        return "MCLR";
    case LabPin::Kind::Port:
        break;
    }
    return {'R', static_cast<char>('A' + pin.port), '.', static_cast<char>('0' + pin.bit)};
}

bool LabPinExists(const LabPin& pin, const SxPorts& ports) {
    if (!pin.IsPort()) return true;
    return pin.bit < 8 && (ports.Width(pin.port) & pin.Mask()) != 0;
}

std::string LabPinsText(const SxPorts& ports) {
    std::string text;
    for (int p = 0; p < ports.Count(); ++p) {
        int last = 7;
        while (last > 0 && !(ports.Width(p) & (1u << last)))
            --last;
        std::string first = LabPinName(LabPin::PortPin(p, 0));
        text += first + "-" + LabPinName(LabPin::PortPin(p, last)) + ", ";
    }
    return text + "RTCC, MCLR";
}

std::optional<PinLevel> ParsePinLevel(std::string_view text) {
    if (text == "0") return PinLevel::Low;
    if (text == "1") return PinLevel::High;
    if (text == "z" || text == "Z") return PinLevel::Floating;
    return std::nullopt;
}

char PinLevelChar(PinLevel level) {
    switch (level) {
    case PinLevel::Low:
        return '0';
    case PinLevel::High:
        return '1';
    case PinLevel::Floating:
        break;
    }
    return 'z';
}

} // namespace pellix
