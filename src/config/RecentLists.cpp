#include "RecentLists.h"

#include "ValueForms.h"

#include <algorithm>

namespace trevix {

namespace {
constexpr std::string_view Section = "Recent";

std::string Key(std::string_view stem, int i) {
    return std::string(stem) + std::to_string(i);
}

void Resize(std::vector<std::string>& list, int bound) {
    list.resize(static_cast<size_t>(std::max(bound, 0)) + 1);
}

struct ValueListKey {
    std::string_view Field;
    std::string_view Stem;
    std::vector<std::string> RecentLists::*List;
};
constexpr ValueListKey ValueLists[] = {{"status", "FilterStatus", &RecentLists::RecentStatus},
                                       {"address", "FilterAddress", &RecentLists::RecentAddresses},
                                       {"referrer", "FilterReferrer", &RecentLists::RecentReferrers},
                                       {"agent", "FilterAgent", &RecentLists::RecentAgents},
                                       {"country", "FilterCountry", &RecentLists::RecentCountries}};
} // namespace

std::vector<std::string>* RecentLists::ValueList(std::string_view field) {
    for (const ValueListKey& v : ValueLists)
        if (v.Field == field) return &(this->*v.List);
    return nullptr;
}

const std::vector<std::string>* RecentLists::ValueList(std::string_view field) const {
    return const_cast<RecentLists*>(this)->ValueList(field);
}

void PushRecent(std::vector<std::string>& list, int bound, std::string_view text) {
    if (bound <= 0) return;
    std::string value(text); // text may view an entry that is about to move
    if (list.size() != static_cast<size_t>(bound) + 1) Resize(list, bound);
    int p = bound;
    for (int i = 1; i <= bound; ++i) {
        if (list[i] == text) {
            p = i;
            break;
        }
    }
    for (int g = p; g >= 2; --g)
        list[g] = std::move(list[g - 1]);
    list[1] = std::move(value);
}

std::vector<std::string> ShownEntries(const std::vector<std::string>& list) {
    std::vector<std::string> shown;
    for (size_t i = 1; i < list.size(); ++i)
        if (!list[i].empty()) shown.push_back(list[i]);
    return shown;
}

void LoadRecentAndProfiles(const SettingsStore& store, const ProgramOptions& options, RecentLists& recent,
                           SiteProfileList& profiles) {
    Resize(recent.RecentFiles, options.MaxRecentFiles);
    Resize(recent.RecentFilters, options.MaxRecentFilters);
    Resize(recent.RecentFilterFiles, options.MaxRecentFilters);
    for (int i = 1; i <= options.MaxRecentFiles; ++i)
        recent.RecentFiles[i] = store.GetSetting(Section, Key("File", i));
    for (int i = 1; i <= options.MaxRecentFilters; ++i) {
        recent.RecentFilters[i] = store.GetSetting(Section, Key("Filter", i));
        recent.RecentFilterFiles[i] = store.GetSetting(Section, Key("FilterFile", i));
    }
    for (const ValueListKey& v : ValueLists) {
        std::vector<std::string>& list = recent.*v.List;
        Resize(list, options.MaxRecentFilters);
        for (int i = 1; i <= options.MaxRecentFilters; ++i) list[i] = store.GetSetting(Section, Key(v.Stem, i));
    }
    LoadProfiles(store, profiles);
}

void SaveRecentAndProfiles(SettingsStore& store, const ProgramOptions& options, const RecentLists& recent,
                           const SiteProfileList& profiles) {
    auto at = [](const std::vector<std::string>& list, int i) -> std::string_view {
        return static_cast<size_t>(i) < list.size() ? std::string_view(list[i]) : std::string_view{};
    };
    for (int i = 1; i <= options.MaxRecentFiles; ++i)
        if (!at(recent.RecentFiles, i).empty())
            store.SaveSetting(Section, Key("File", i), at(recent.RecentFiles, i));
    for (int i = 1; i <= options.MaxRecentFilters; ++i) {
        if (!at(recent.RecentFilters, i).empty())
            store.SaveSetting(Section, Key("Filter", i), at(recent.RecentFilters, i));
        if (!at(recent.RecentFilterFiles, i).empty())
            store.SaveSetting(Section, Key("FilterFile", i), at(recent.RecentFilterFiles, i));
        for (const ValueListKey& v : ValueLists)
            if (!at(recent.*v.List, i).empty()) store.SaveSetting(Section, Key(v.Stem, i), at(recent.*v.List, i));
    }
    SaveProfiles(store, profiles);
}

void ResizeRecentLists(SettingsStore& store, const ProgramOptions& options, RecentLists& recent,
                       int oldMaxRecentFiles, int oldMaxRecentFilters) {
    Resize(recent.RecentFiles, options.MaxRecentFiles);
    Resize(recent.RecentFilters, options.MaxRecentFilters);
    Resize(recent.RecentFilterFiles, options.MaxRecentFilters);
    for (int i = std::max<int>(options.MaxRecentFiles, 0) + 1; i <= oldMaxRecentFiles; ++i)
        store.DeleteSetting(Section, Key("File", i));
    for (const ValueListKey& v : ValueLists) Resize(recent.*v.List, options.MaxRecentFilters);
    for (int i = std::max<int>(options.MaxRecentFilters, 0) + 1; i <= oldMaxRecentFilters; ++i) {
        store.DeleteSetting(Section, Key("Filter", i));
        store.DeleteSetting(Section, Key("FilterFile", i));
        for (const ValueListKey& v : ValueLists) store.DeleteSetting(Section, Key(v.Stem, i));
    }
}

} // namespace trevix
