#include "OverlaySettingsStore.h"

namespace trevix {

std::string OverlaySettingsStore::GetSetting(std::string_view section, std::string_view key,
                                             std::string_view defaultValue) const {
    auto it = changes_.find({std::string(section), std::string(key)});
    if (it != changes_.end()) return it->second ? *it->second : std::string(defaultValue);
    if (deletedSections_.count(std::string(section)) || !base_) return std::string(defaultValue);
    return base_->GetSetting(section, key, defaultValue);
}

void OverlaySettingsStore::SaveSetting(std::string_view section, std::string_view key, std::string_view value) {
    changes_[{std::string(section), std::string(key)}] = std::string(value);
}

void OverlaySettingsStore::DeleteSetting(std::string_view section, std::string_view key) {
    changes_[{std::string(section), std::string(key)}] = std::nullopt;
}

void OverlaySettingsStore::DeleteSection(std::string_view section) {
    std::string s(section);
    for (auto it = changes_.begin(); it != changes_.end();)
        it = it->first.first == s ? changes_.erase(it) : std::next(it);
    deletedSections_[s] = true;
}

} // namespace trevix
