// The five most recently used files, most recent first, kept in
// "LastFilesOpened\File0" to "File4".
#pragma once

#include <array>
#include <string>

#include "platform/SettingsRegistry.h"

namespace pellix {

inline constexpr int kRecentFileSlots = 5;

class RecentFiles {
public:
    // Moves an already listed file to the front, or inserts it there dropping the last.
    // New editors ("{Blank_" names and "Untitled.SRC") are never listed. Returns whether
    // the list changed.
    bool Add(const std::string& path);
    // Removes the slot's entry, closing the gap.
    void Remove(int slot);

    const std::string& operator[](int slot) const { return slots_[size_t(slot)]; }
    int Count() const;
    bool Empty() const { return slots_[0].empty(); }

    void Load(SettingsRegistry& registry);
    void Store(SettingsRegistry& registry) const;

private:
    std::array<std::string, kRecentFileSlots> slots_;
};

// Whether two full paths name the same file: the same file on disk when both exist,
// otherwise the same path once "." and ".." are resolved.
bool SameFile(const std::string& a, const std::string& b);

} // namespace pellix
