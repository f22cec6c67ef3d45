#pragma once
// The most-recently-used lists (section "Recent": files, the raw-text and file filters, and
// the values of the status, address, referrer, agent and country filters) and the start-up and
// exit routines that load and save them together with the site profiles.
#include "SettingsStore.h"
#include "SiteProfiles.h"
#include "engine/ProgramOptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevix {

// Each list is 1-based: slot 0 is a placeholder, slots 1..bound hold the entries; an empty
// entry is an unused slot (never shown, never written).
struct RecentLists {
    std::vector<std::string> RecentFiles{1};
    std::vector<std::string> RecentFilters{1};
    std::vector<std::string> RecentFilterFiles{1};
    // The value filters' lists, by the filter's field: "status", "address", "referrer",
    // "agent", "country" (keys "FilterStatus" n, ...); as long as the two above.
    std::vector<std::string> RecentStatus{1};
    std::vector<std::string> RecentAddresses{1};
    std::vector<std::string> RecentReferrers{1};
    std::vector<std::string> RecentAgents{1};
    std::vector<std::string> RecentCountries{1};

    // The list of a value filter's field; nullptr for any other field.
    std::vector<std::string>* ValueList(std::string_view field);
    const std::vector<std::string>* ValueList(std::string_view field) const;
};

// Moves text to the front of a 1-based list of length bound: a text already present moves
// up without duplication, a new text pushes the last entry out. Bound 0 keeps the list empty.
void PushRecent(std::vector<std::string>& list, int bound, std::string_view text);

// The non-empty entries in order (what the drop-downs show).
std::vector<std::string> ShownEntries(const std::vector<std::string>& list);

// Start-up: sizes and fills the recent lists from the bounds in options, then reads the profiles.
void LoadRecentAndProfiles(const SettingsStore& store, const ProgramOptions& options, RecentLists& recent,
                           SiteProfileList& profiles);
// Exit: writes the non-empty recent entries and every profile.
void SaveRecentAndProfiles(SettingsStore& store, const ProgramOptions& options, const RecentLists& recent,
                           const SiteProfileList& profiles);

// After the options dialog changed the bounds (new values already in options): resizes the
// lists keeping the entries that still fit, and deletes the stored keys beyond a lowered bound.
void ResizeRecentLists(SettingsStore& store, const ProgramOptions& options, RecentLists& recent,
                       int oldMaxRecentFiles, int oldMaxRecentFilters);

} // namespace trevix
