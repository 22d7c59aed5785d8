// Integers and strings under relative names ("Configuration\UseOrda").
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace pellix {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool Exists(const std::string& name) = 0;
    // Whether `name` is a value or has values below it ("EditorWindow" after
    // "EditorWindow\Top" was written).
    virtual bool KeyExists(const std::string& name) { return Exists(name); }
    virtual std::optional<int32_t> ReadInt(const std::string& name) = 0;
    virtual std::optional<std::string> ReadString(const std::string& name) = 0;
    virtual void WriteInt(const std::string& name, int32_t value) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
    // Makes what was written durable (a no-op where writes already are).
    virtual void Flush() {}
};

// In-memory store for tests.
class MemorySettingsStore final : public SettingsStore {
public:
    bool Exists(const std::string& name) override {
        return ints.count(name) != 0 || strings.count(name) != 0;
    }
    bool KeyExists(const std::string& name) override {
        if (Exists(name)) return true;
        const std::string below = name + "\\";
        auto under = [&](const auto& map) {
            auto it = map.lower_bound(below);
            return it != map.end() && it->first.compare(0, below.size(), below) == 0;
        };
        return under(ints) || under(strings);
    }
    std::optional<int32_t> ReadInt(const std::string& name) override {
        auto it = ints.find(name);
        if (it == ints.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> ReadString(const std::string& name) override {
        auto it = strings.find(name);
        if (it == strings.end()) return std::nullopt;
        return it->second;
    }
    void WriteInt(const std::string& name, int32_t value) override {
        strings.erase(name);
        ints[name] = value;
    }
    void WriteString(const std::string& name, const std::string& value) override {
        ints.erase(name);
        strings[name] = value;
    }

    std::map<std::string, int32_t> ints;
    std::map<std::string, std::string> strings;
};

} // namespace pellix
