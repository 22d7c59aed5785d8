#include "platform/SettingsRegistry.h"

namespace pellix {

void SettingsRegistry::SetRoot(const std::string& root) {
    root_ = root;
    if (root == kProgramRoot) {
        prefix_.clear();
        return;
    }
    size_t first = root.find_first_not_of('\\');
    size_t last = root.find_last_not_of('\\');
    prefix_ = first == std::string::npos ? std::string() : root.substr(first, last - first + 1);
    if (!prefix_.empty()) prefix_ += '\\';
}

bool SettingsRegistry::WriteInteger(const std::string& name, int32_t value) {
    store_.WriteInt(Key(name), value);
    return true;
}

bool SettingsRegistry::ReadInteger(const std::string& name, int32_t& value) {
    auto v = store_.ReadInt(Key(name));
    if (!v) return false;
    value = *v;
    return true;
}

bool SettingsRegistry::WriteString(const std::string& name, const std::string& text) {
    store_.WriteString(Key(name), text);
    return true;
}

bool SettingsRegistry::ReadString(const std::string& name, std::string& text) {
    auto v = store_.ReadString(Key(name));
    if (!v) {
        text.clear();
        return false;
    }
    text = *v;
    return true;
}

bool SettingsRegistry::KeyExists(const std::string& name) {
    return store_.KeyExists(Key(name));
}

bool SettingsRegistry::StorePlacement(const std::string& name, const Placement& p) {
    return WriteInteger(name + "\\Top", p.top) && WriteInteger(name + "\\Left", p.left) &&
           WriteInteger(name + "\\Height", p.height) && WriteInteger(name + "\\Width", p.width) &&
           WriteInteger(name + "\\Visible", p.visible ? 1 : 0);
}

std::optional<Placement> SettingsRegistry::ReadPlacement(const std::string& name) {
    if (!KeyExists(name)) return std::nullopt;
    Placement p;
    int32_t visible = 0;
    ReadInteger(name + "\\Top", p.top);
    ReadInteger(name + "\\Left", p.left);
    ReadInteger(name + "\\Height", p.height);
    ReadInteger(name + "\\Width", p.width);
    ReadInteger(name + "\\Visible", visible);
    p.visible = visible != 0;
    return p;
}

bool SettingsRegistry::RestoreWindow(const std::string& name, PlacedWindow& window) {
    if (!KeyExists(name)) return false;
    int32_t top = 0, left = 0, height = 0, width = 0;
    bool all = ReadInteger(name + "\\Top", top);
    all = ReadInteger(name + "\\Left", left) && all;
    all = ReadInteger(name + "\\Height", height) && all;
    all = ReadInteger(name + "\\Width", width) && all;
    if (all) {
        window.SetBounds({left, top, width, height});
        int32_t state = 0;
        ReadInteger(name + "\\WindowState", state);
        if (state < 0 || state > 2) state = 0;
        window.SetState(WindowState(state));
    }
    return true;
}

void SettingsRegistry::SaveWindow(const std::string& name, PlacedWindow& window) {
    WriteInteger(name + "\\WindowState", int32_t(window.State()));
    // The normal-state bounds are what a later restore applies before the state.
    WindowBounds b = window.NormalBounds();
    StorePlacement(name, {b.top, b.left, window.IsVisible(), b.width, b.height});
}

} // namespace pellix
