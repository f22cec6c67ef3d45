#pragma once
// The interface lives in the engine so the run can keep its sort settings and recent lists;
// the configuration layer supplies the implementations.
// The per-user settings store: text values addressed by section and key under the
// application "Trevix". Every value is text; an absent key reads as the caller's default.
#include <string>
#include <string_view>

namespace trevix {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string GetSetting(std::string_view section, std::string_view key,
                                   std::string_view defaultValue = {}) const = 0;
    virtual void SaveSetting(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Deleting a key or section that is absent is not an error.
    virtual void DeleteSetting(std::string_view section, std::string_view key) = 0;
    virtual void DeleteSection(std::string_view section) = 0;
};

} // namespace trevix
