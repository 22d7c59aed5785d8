#include "shell/RecentFiles.h"

#include <filesystem>
#include <system_error>

#include "shell/FileNames.h"
#include "shell/WorkingSettings.h"

namespace pellix {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
}

bool RecentFiles::Add(const std::string& path) {
    if (path.empty() || path.find(kBlankPrefix) != std::string::npos || path == kUntitledName)
        return false;
    int found = kRecentFileSlots - 1;
    for (int i = 0; i < kRecentFileSlots; ++i)
        if (!slots_[size_t(i)].empty() && SameFile(slots_[size_t(i)], path)) {
            found = i;
            break;
        }
    if (found == 0 && slots_[0] == path) return false;
    for (int i = found; i > 0; --i)
        slots_[size_t(i)] = slots_[size_t(i - 1)];
    slots_[0] = path;
    return true;
}

void RecentFiles::Remove(int slot) {
    if (slot < 0 || slot >= kRecentFileSlots) return;
    for (int i = slot; i + 1 < kRecentFileSlots; ++i)
        slots_[size_t(i)] = slots_[size_t(i + 1)];
    slots_[kRecentFileSlots - 1].clear();
}

int RecentFiles::Count() const {
    int n = 0;
    for (const auto& s : slots_)
        if (!s.empty()) ++n;
    return n;
}

void RecentFiles::Load(SettingsRegistry& registry) {
    std::array<std::string, kRecentFileSlots> read;
    int n = 0;
    for (int i = 0; i < kRecentFileSlots; ++i) {
        std::string name;
        registry.ReadString(setting::LastFilesOpened + std::to_string(i), name);
        // Gaps left by hand-editing would hide the later names from the menu.
        if (!name.empty()) read[size_t(n++)] = name;
    }
    slots_ = read;
}

void RecentFiles::Store(SettingsRegistry& registry) const {
    for (int i = 0; i < kRecentFileSlots; ++i)
        registry.WriteString(setting::LastFilesOpened + std::to_string(i), slots_[size_t(i)]);
}

} // namespace pellix
