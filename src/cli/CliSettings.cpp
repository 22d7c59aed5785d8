#include "cli/CliSettings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "target/DeviceTables.h"

namespace pellix::cli {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Keys may hold %XX escapes for characters a key cannot carry.
std::string UnescapeKey(std::string_view key) {
    std::string out;
    for (size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '%' && i + 2 < key.size() && HexDigit(key[i + 1]) >= 0 &&
            HexDigit(key[i + 2]) >= 0) {
            out.push_back(char(HexDigit(key[i + 1]) * 16 + HexDigit(key[i + 2])));
            i += 2;
        } else {
            out.push_back(key[i] == '/' ? '\\' : key[i]);
        }
    }
    return out;
}

// Bare or quoted parts with backslash escapes. Blanks at the end of a bare part are not
// the value's; those within quotes are.
std::string UnescapeValue(std::string_view v) {
    std::string out;
    size_t kept = 0; // what the end-of-value blanks may not eat into
    bool quoted = false;
    for (size_t i = 0; i < v.size(); ++i) {
        char c = v[i];
        if (c == '"') {
            quoted = !quoted;
            kept = out.size();
            continue;
        }
        if (c == ';' && !quoted) break; // a comment after the value
        if (c != '\\' || i + 1 >= v.size()) {
            out.push_back(c);
            if (quoted || (c != ' ' && c != '\t')) kept = out.size();
            continue;
        }
        char e = v[++i];
        switch (e) {
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 'x': {
            int value = 0, digits = 0;
            while (i + 1 < v.size() && HexDigit(v[i + 1]) >= 0 && digits < 4) {
                value = value * 16 + HexDigit(v[++i]);
                ++digits;
            }
            if (value < 0x80) {
                out.push_back(char(value));
            } else if (value < 0x800) {
                out.push_back(char(0xC0 | (value >> 6)));
                out.push_back(char(0x80 | (value & 0x3F)));
            } else {
                out.push_back(char(0xE0 | (value >> 12)));
                out.push_back(char(0x80 | ((value >> 6) & 0x3F)));
                out.push_back(char(0x80 | (value & 0x3F)));
            }
            break;
        }
        default:
            out.push_back(e);
            break;
        }
        kept = out.size();
    }
    out.resize(kept);
    return out;
}

} // namespace

std::string SettingsPath() {
    if (const char* env = std::getenv("PELLIX_SETTINGS"); env && *env) return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/pellix/settings.ini";
}

bool IniFile::Load(const std::string& path) {
    values_.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return !ec; // never written yet: all defaults
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return false;
    Parse(s.str());
    return true;
}

void IniFile::Parse(std::string_view text) {
    values_.clear();
    // Qt's reader takes the sections in the order of their names ("" for [General] first)
    // and, within a name, as they come: a later value of a name replaces an earlier one.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> sections;
    std::string section; // with "/" after each level, as the order is taken
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string_view::npos) continue;
            std::string_view name = Trim(line.substr(1, close - 1));
            if (EqualsNoCase(name, "general")) {
                section.clear();
                continue;
            }
            section = EqualsNoCase(name, "%general") ? std::string("general") : UnescapeKey(name);
            for (char& c : section)
                if (c == '\\') c = '/';
            section += '/';
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string key = UnescapeKey(Trim(line.substr(0, eq)));
        if (key.empty()) continue;
        sections[section].emplace_back(std::move(key), UnescapeValue(Trim(line.substr(eq + 1))));
    }
    for (auto& [name, entries] : sections) {
        std::string prefix = name;
        for (char& c : prefix)
            if (c == '/') c = '\\';
        for (auto& [key, value] : entries)
            values_[prefix + key] = std::move(value);
    }
}

std::optional<std::string> IniFile::Value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::optional<int> IniFile::IntValue(const std::string& name) const {
    auto v = Value(name);
    if (!v || v->empty()) return std::nullopt;
    char* end = nullptr;
    long n = std::strtol(v->c_str(), &end, 10);
    if (end == v->c_str() || *end != '\0') return std::nullopt;
    return int(n);
}

ChipDefaults ReadChipDefaults(const IniFile& settings) {
    ChipDefaults d;
    if (auto port = settings.Value(kComPortSetting); port && !port->empty()) d.port = *port;
    if (auto irc = settings.IntValue(kIrcSettingName)) d.irc = IrcSettingFromStored(*irc);
    return d;
}

} // namespace pellix::cli
