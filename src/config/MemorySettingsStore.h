#pragma once
// A settings store held in memory, for tests and for runs that must not touch the user's
// settings. Keys are case-sensitive; every write is also kept in a journal in order.
#include "SettingsStore.h"

#include <map>
#include <string>
#include <vector>

namespace trevix {

class MemorySettingsStore : public SettingsStore {
public:
    struct Write {
        std::string Section;
        std::string Key;
        std::string Value;
    };

    std::string GetSetting(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const override;
    void SaveSetting(std::string_view section, std::string_view key, std::string_view value) override;
    void DeleteSetting(std::string_view section, std::string_view key) override;
    void DeleteSection(std::string_view section) override;

    bool HasSetting(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    // Keys of one section in key order (empty when the section is absent).
    std::vector<std::string> Keys(std::string_view section) const;
    const std::vector<Write>& Journal() const { return journal_; }
    void ClearJournal() { journal_.clear(); }

private:
    std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>> sections_;
    std::vector<Write> journal_;
};

} // namespace trevix
