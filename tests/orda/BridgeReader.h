// Reads orda's map, object, symbol and error files the way the environment's bridge does,
// so tests can show that what orda writes is what the environment can take.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace ordatest {

struct BridgeMap {
    uint16_t header[6] = {};
    struct Record {
        uint16_t address, line, listLine, file;
    };
    std::vector<Record> records;
};

struct BridgeObject {
    std::vector<uint16_t> code; // 4096 words, bit 15 marks written words
    uint16_t id[16] = {};
    uint16_t fuse = 0, fusex = 0;
    uint32_t frequency = 0;
    uint8_t irc = 0;
    uint16_t breakAddress = 0;
};

struct BridgeSymbol {
    std::string name;
    long value;
    long line;
};
struct BridgeWatch {
    std::string name;
    long address, length, line;
    int format;
};
struct BridgeSymbols {
    std::vector<BridgeSymbol> symbols;
    std::vector<BridgeWatch> watches;
    BridgeSymbol breakSymbol{"", -1, -1}, resetSymbol{"", -1, -1};
};

inline uint16_t Le16(const std::string& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}

// False when the data are too short for the header.
inline bool ReadBridgeMap(const std::string& data, BridgeMap& m) {
    if (data.size() < 12) return false;
    for (int i = 0; i < 6; ++i)
        m.header[i] = Le16(data, size_t(2 * i));
    for (size_t at = 2048; at + 8 <= data.size(); at += 8) {
        BridgeMap::Record r{Le16(data, at), Le16(data, at + 2), Le16(data, at + 4),
                            Le16(data, at + 6)};
        if (!r.address && !r.line && !r.listLine && !r.file) break;
        m.records.push_back(r);
    }
    return true;
}

inline bool ReadBridgeObject(const std::string& data, const BridgeMap& map, BridgeObject& o) {
    o.code.assign(4096, 0xFFFF);
    size_t words = size_t(map.header[3]) + 1;
    for (size_t i = 0; i < words && i < 4096 && 2 * i + 1 < data.size(); ++i)
        o.code[i] = Le16(data, 2 * i);
    for (auto& w : o.code)
        if (w != 0x0FFF) w |= 0x8000;
    if (data.size() < 48) return false;
    size_t tail = data.size() - 48;
    for (int i = 0; i < 16; ++i)
        o.id[i] = Le16(data, tail + size_t(2 * i));
    size_t c = tail + 32;
    o.fuse = Le16(data, c);
    o.fusex = Le16(data, c + 2);
    o.frequency = uint32_t(Le16(data, c + 8)) * 65536u + Le16(data, c + 10);
    o.irc = uint8_t(data[c + 12]);
    uint16_t b = Le16(data, c + 14);
    o.breakAddress = b == 0xFFFF ? 0x1000 : b;
    return true;
}

inline std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    std::string cur;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!cur.empty()) f.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) f.push_back(cur);
    return f;
}

inline long Hex(const std::string& s) {
    if (s.empty()) return -1;
    long v = 0;
    for (char c : s) {
        int d = std::isdigit((unsigned char)c) ? c - '0'
                : (c >= 'A' && c <= 'F')       ? c - 'A' + 10
                : (c >= 'a' && c <= 'f')       ? c - 'a' + 10
                                               : -1;
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

inline long Dec(const std::string& s) {
    try {
        return std::stol(s);
    } catch (...) {
        return -1;
    }
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// False when the file does not have the shape the bridge reads.
inline bool ReadBridgeSymbols(const std::string& text, BridgeSymbols& s) {
    static const char* kFormats[] = {"UDEC", "SDEC", "UHEX", "SHEX",
                                     "UBIN", "SBIN", "FSTR", "ZSTR"};
    auto lines = Lines(text);
    if (lines.size() < 4) return false;
    std::string second = lines[1];
    size_t blank = second.find(' ');
    if (blank == std::string::npos) return false;
    long count = Dec(second.substr(0, blank));
    if (count < 0 || size_t(count) + 4 > lines.size()) return false;
    for (long i = 0; i < count; ++i) {
        auto f = Fields(lines[size_t(4 + i)]);
        if (f.size() < 4) return false;
        const std::string& name = f[0];
        if (name.size() < 3 || name.compare(0, 2, "__") != 0) {
            s.symbols.push_back({name, Hex(f[2]), Dec(f[3])});
            continue;
        }
        size_t colon = name.find(':');
        if (colon == std::string::npos) {
            if (name == "__SX_BREAK") s.breakSymbol = {name, Hex(f[2]), Dec(f[3])};
            if (name == "__SX_RESET") s.resetSymbol = {name, Hex(f[2]), Dec(f[3])};
            continue;
        }
        if (name.substr(0, colon) == "__SX_WATCH") {
            if (f.size() < 5) return false;
            int format = 0;
            for (int k = 0; k < 8; ++k)
                if (f[1] == kFormats[k]) format = k;
            if (s.watches.size() < 32)
                s.watches.push_back(
                    {name.substr(colon + 1), Hex(f[2]), Hex(f[3]), Dec(f[4]), format});
        }
    }
    return true;
}

struct BridgeError {
    std::string file;
    long line;
    bool isError;
};

inline std::vector<BridgeError> ReadBridgeErrors(const std::string& text) {
    std::vector<BridgeError> out;
    for (const std::string& l : Lines(text)) {
        size_t comma = l.find(',');
        std::string head = l.substr(0, comma);
        size_t open = head.rfind('(');
        BridgeError e{"", -1, false};
        if (open != std::string::npos) {
            e.file = head.substr(0, open);
            size_t close = head.find(')', open);
            e.line = Dec(head.substr(open + 1, close - open - 1));
        }
        if (comma != std::string::npos) {
            std::string rest = l.substr(comma + 1);
            size_t s = rest.find_first_not_of(' ');
            e.isError = s != std::string::npos && rest.compare(s, 5, "Error") == 0;
        }
        out.push_back(e);
    }
    return out;
}

} // namespace ordatest
