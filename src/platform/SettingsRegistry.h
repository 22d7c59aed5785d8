// The program's persistent settings: integers and strings under names relative to one
// root ("Configuration\UseOrda"), and window placements stored under a name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/SettingsStore.h"

namespace pellix {

// The root every stored name is relative to.
inline constexpr const char* kProgramRoot = "\\Software\\CorvanexInc\\Pellix\\2.0\\";

struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Window states as stored: 0 normal, 1 minimised, 2 maximised.
enum class WindowState : int32_t { Normal = 0, Minimized = 1, Maximized = 2 };

// What storing and restoring a placement needs of a window.
class PlacedWindow {
public:
    virtual ~PlacedWindow() = default;
    // The bounds the window has, or would have, in the normal state.
    virtual WindowBounds NormalBounds() const = 0;
    virtual void SetBounds(const WindowBounds& bounds) = 0;
    virtual WindowState State() const = 0;
    virtual void SetState(WindowState state) = 0;
    virtual bool IsVisible() const = 0;
};

struct Placement {
    int32_t top = 0;
    int32_t left = 0;
    bool visible = false;
    int32_t width = 0;
    int32_t height = 0;
};

class SettingsRegistry {
public:
    explicit SettingsRegistry(SettingsStore& store) : store_(store) {}

    // The store itself stands for the program root; any other root becomes a prefix of
    // every name below it.
    void SetRoot(const std::string& root);
    const std::string& Root() const { return root_; }

    bool WriteInteger(const std::string& name, int32_t value);
    // Leaves `value` alone and returns false when the value is absent.
    bool ReadInteger(const std::string& name, int32_t& value);
    bool WriteString(const std::string& name, const std::string& text);
    // An absent value empties `text` and returns false.
    bool ReadString(const std::string& name, std::string& text);
    bool KeyExists(const std::string& name);

    // Writes name\Top, \Left, \Height, \Width and \Visible, in that order.
    bool StorePlacement(const std::string& name, const Placement& p);
    // The five values, when the key exists (absent values read as 0).
    std::optional<Placement> ReadPlacement(const std::string& name);
    // Applies a stored placement (bounds, then \WindowState) when all four bounds are
    // present; returns whether the key existed. \Visible is never applied.
    bool RestoreWindow(const std::string& name, PlacedWindow& window);
    // Writes \WindowState and the window's normal-state placement.
    void SaveWindow(const std::string& name, PlacedWindow& window);

    SettingsStore& Store() { return store_; }
    void Flush() { store_.Flush(); }

private:
    std::string Key(const std::string& name) const { return prefix_ + name; }

    SettingsStore& store_;
    std::string root_ = kProgramRoot;
    std::string prefix_;
};

} // namespace pellix
