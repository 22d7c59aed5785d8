// SettingsStore over an INI file: $PELLIX_SETTINGS, else pellix/settings.ini in the user's
// configuration folder.
#pragma once

#include <memory>

#include "platform/SettingsStore.h"

class QSettings;

namespace pellix {

class QtSettingsStore final : public SettingsStore {
public:
    // An empty path chooses the default file as above.
    explicit QtSettingsStore(const std::string& path = {});
    ~QtSettingsStore() override;

    static std::string DefaultPath();
    std::string Path() const;

    bool Exists(const std::string& name) override;
    bool KeyExists(const std::string& name) override;
    std::optional<int32_t> ReadInt(const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& name) override;
    void WriteInt(const std::string& name, int32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;
    void Flush() override;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace pellix
