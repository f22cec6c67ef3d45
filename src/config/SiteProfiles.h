#pragma once
// The site profiles in the order of the site list, their storage in sections "Profiles" and
// "Profile" + n, and the edits the site panel makes to them.
#include "SettingsStore.h"
#include "engine/SiteProfile.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevix {

// Profiles are numbered from 1 in the order of the site list; profile p is Items[p - 1].
struct SiteProfileList {
    std::vector<SiteProfile> Items;

    int NumProfiles() const { return static_cast<int>(Items.size()); }
    bool IsValid(int p) const { return p >= 1 && p <= NumProfiles(); }
    SiteProfile& operator[](int p) { return Items[static_cast<size_t>(p) - 1]; }
    const SiteProfile& operator[](int p) const { return Items[static_cast<size_t>(p) - 1]; }
};

// "Profile" + p.
std::string ProfileSection(int p);

// The domains joined with ", " (empty for none), as the site list's second column shows them.
std::string DomainsList(const SiteProfile& profile);
std::string DomainsList(const SiteProfileList& profiles, int p);

// One profile from its section, including the older single "Domain" key.
SiteProfile LoadProfile(const SettingsStore& store, int p);
void LoadProfiles(const SettingsStore& store, SiteProfileList& profiles);
// One profile into its section. The automatic conversion reports and the kept filters
// ("NumFilters", "FilterField" n, "FilterOp" n, "FilterValue" n) are written too, so a profile
// that moved to another position takes its own along.
void SaveProfile(SettingsStore& store, int p, const SiteProfile& profile);
// Every profile; the sections of profiles beyond the new count (deleted ones) are removed.
void SaveProfiles(SettingsStore& store, const SiteProfileList& profiles);

// A log format setting as it is stored: a format's name, "auto" for empty text, or the
// format string without the blanks around it.
std::string StoredLogFormat(std::string_view text);

// The dialog's "new": appends a profile (no FTP accounts, no automatic reports, FTP 0) and
// returns its number. Here and in "edit", domain entries that are empty or blank are dropped.
int NewProfile(SiteProfileList& profiles, std::string siteName, std::vector<std::string> domains,
               bool differentDomains, std::string_view logFormat = "auto", bool w3cLocalTime = false);
// The dialog's "edit": name, domains, the separate-domains choice and the log format of profile
// p; FTP accounts and automatic reports stay. False (nothing changed) when p is not a profile.
bool EditProfile(SiteProfileList& profiles, int p, std::string siteName, std::vector<std::string> domains,
                 bool differentDomains, std::string_view logFormat, bool w3cLocalTime);
// Removes profile p; later profiles move one place down. False when p is not a profile.
bool DeleteProfile(SiteProfileList& profiles, int p);
// The site list's in-place label edit.
bool RenameProfile(SiteProfileList& profiles, int p, std::string siteName);

// Position (1-based) of file in the profile's automatic report list, 0 when absent.
int AutoConversionReportPosition(const SiteProfile& profile, std::string_view file);
// The conversions page's check box: adds file to profile p's automatic report list when
// ticked (and absent), removes it when unticked (and present), then writes the list at once
// to section "Profile" + p.
void SetAutoConversionReport(SettingsStore& store, SiteProfileList& profiles, int p, std::string_view file,
                             bool ticked);

} // namespace trevix
