#pragma once
// A settings store that reads the user's settings but keeps every change in memory, so a
// command-line run never rewrites them (sort settings, recent lists, --set overrides).
#include "engine/SettingsStore.h"

#include <map>
#include <optional>
#include <string>

namespace trevix {

class OverlaySettingsStore : public SettingsStore {
public:
    explicit OverlaySettingsStore(const SettingsStore* base) : base_(base) {}

    std::string GetSetting(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const override;
    void SaveSetting(std::string_view section, std::string_view key, std::string_view value) override;
    void DeleteSetting(std::string_view section, std::string_view key) override;
    void DeleteSection(std::string_view section) override;

private:
    using Key = std::pair<std::string, std::string>;
    const SettingsStore* base_;
    std::map<Key, std::optional<std::string>> changes_;   // nullopt: deleted
    std::map<std::string, bool> deletedSections_;
};

} // namespace trevix
