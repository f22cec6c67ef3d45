#include "MemorySettingsStore.h"

namespace trevix {

std::string MemorySettingsStore::GetSetting(std::string_view section, std::string_view key,
                                            std::string_view defaultValue) const {
    auto s = sections_.find(section);
    if (s == sections_.end()) return std::string(defaultValue);
    auto k = s->second.find(key);
    if (k == s->second.end()) return std::string(defaultValue);
    return k->second;
}

void MemorySettingsStore::SaveSetting(std::string_view section, std::string_view key,
                                      std::string_view value) {
    auto s = sections_.find(section);
    if (s == sections_.end()) s = sections_.emplace(std::string(section), decltype(s->second){}).first;
    auto k = s->second.find(key);
    if (k == s->second.end())
        s->second.emplace(std::string(key), std::string(value));
    else
        k->second.assign(value);
    journal_.push_back({std::string(section), std::string(key), std::string(value)});
}

void MemorySettingsStore::DeleteSetting(std::string_view section, std::string_view key) {
    auto s = sections_.find(section);
    if (s == sections_.end()) return;
    auto k = s->second.find(key);
    if (k != s->second.end()) s->second.erase(k);
    if (s->second.empty()) sections_.erase(s);
}

void MemorySettingsStore::DeleteSection(std::string_view section) {
    auto s = sections_.find(section);
    if (s != sections_.end()) sections_.erase(s);
}

bool MemorySettingsStore::HasSetting(std::string_view section, std::string_view key) const {
    auto s = sections_.find(section);
    return s != sections_.end() && s->second.find(key) != s->second.end();
}

bool MemorySettingsStore::HasSection(std::string_view section) const {
    return sections_.find(section) != sections_.end();
}

std::vector<std::string> MemorySettingsStore::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    auto s = sections_.find(section);
    if (s == sections_.end()) return keys;
    for (const auto& [key, value] : s->second)
        keys.push_back(key);
    return keys;
}

} // namespace trevix
