#include "SiteProfiles.h"

#include "ValueForms.h"
#include "engine/formats/FormatChoice.h"

#include <algorithm>

namespace trevix {

namespace {
// Counts read from the store are capped so that a damaged value cannot make start-up read
// millions of keys.
constexpr int64_t MaxStoredCount = 32767;

std::string Key(std::string_view stem, int i) {
    return std::string(stem) + std::to_string(i);
}

int Count(const SettingsStore& store, std::string_view section, std::string_view key, std::string_view def) {
    return static_cast<int>(ReadNumberInRange(store.GetSetting(section, key, def), 0, MaxStoredCount));
}

void WriteAutoConversionReports(SettingsStore& store, const std::string& section,
                                const SiteProfile& profile) {
    store.SaveSetting(section, "NumAutoConversionReports", PaddedNumber(profile.NumAutoConversionReports()));
    for (int r = 1; r <= profile.NumAutoConversionReports(); ++r)
        store.SaveSetting(section, Key("AutoConversionReport", r), profile.AutoConversionReports[r - 1]);
}
} // namespace

std::string StoredLogFormat(std::string_view text) {
    return FormatChoiceText(FormatChoiceOf(text));
}

std::string ProfileSection(int p) {
    return Key("Profile", p);
}

std::string DomainsList(const SiteProfile& profile) {
    std::string text;
    for (size_t d = 0; d < profile.Domains.size(); ++d) {
        if (d > 0) text += ", ";
        text += profile.Domains[d];
    }
    return text;
}

std::string DomainsList(const SiteProfileList& profiles, int p) {
    return profiles.IsValid(p) ? DomainsList(profiles[p]) : std::string();
}

SiteProfile LoadProfile(const SettingsStore& store, int p) {
    const std::string section = ProfileSection(p);
    SiteProfile profile;
    profile.SiteName = store.GetSetting(section, "SiteName");
    int numDomains = Count(store, section, "NumDomains", "0");
    if (numDomains != 0) {
        for (int d = 1; d <= numDomains; ++d)
            profile.Domains.push_back(store.GetSetting(section, Key("Domain", d)));
    } else {
        // Older layout: a single domain under the key "Domain".
        std::string legacy = store.GetSetting(section, "Domain", "null");
        if (legacy != "null") profile.Domains.push_back(std::move(legacy));
    }
    int numberFtp = Count(store, section, "NumberFTP", "0");
    profile.DifferentDomains = IsTrue(store.GetSetting(section, "DifferentDomains", "False"));
    // Profiles written before logs had a format read each file's format from the file.
    profile.LogFormat = StoredLogFormat(store.GetSetting(section, "LogFormat", "auto"));
    profile.W3cLocalTime = IsTrue(store.GetSetting(section, "W3CLocalTime", "False"));
    // An unknown value is kept as it is: the run refuses it rather than show addresses as logged.
    profile.Anonymise = store.GetSetting(section, "Anonymise", "none");
    profile.AnonymiseKey = store.GetSetting(section, "AnonymiseKey");
    for (int a = 1; a <= numberFtp; ++a) {
        FtpAccount account;
        account.Server = store.GetSetting(section, Key("Server", a));
        account.Username = store.GetSetting(section, Key("Username", a));
        account.Password = store.GetSetting(section, Key("Password", a));
        account.Directory = store.GetSetting(section, Key("Directory", a));
        profile.FtpAccounts.push_back(std::move(account));
    }
    profile.FTP = ReadInt16(store.GetSetting(section, "FTP", "0"));
    int numReports = Count(store, section, "NumAutoConversionReports", "0");
    for (int r = 1; r <= numReports; ++r)
        profile.AutoConversionReports.push_back(store.GetSetting(section, Key("AutoConversionReport", r)));
    // Profiles written before filters were kept have none.
    const int numFilters = Count(store, section, "NumFilters", "0");
    for (int i = 1; i <= numFilters; ++i)
        profile.Filters.push_back({store.GetSetting(section, Key("FilterField", i)),
                                   store.GetSetting(section, Key("FilterOp", i)),
                                   store.GetSetting(section, Key("FilterValue", i))});
    return profile;
}

void LoadProfiles(const SettingsStore& store, SiteProfileList& profiles) {
    profiles.Items.clear();
    int numProfiles = Count(store, "Profiles", "NumProfiles", "0");
    for (int p = 1; p <= numProfiles; ++p)
        profiles.Items.push_back(LoadProfile(store, p));
}

void SaveProfile(SettingsStore& store, int p, const SiteProfile& profile) {
    const std::string section = ProfileSection(p);
    store.SaveSetting(section, "SiteName", profile.SiteName);
    store.SaveSetting(section, "NumDomains", PlainNumber(profile.NumDomains()));
    for (int d = 1; d <= profile.NumDomains(); ++d)
        store.SaveSetting(section, Key("Domain", d), profile.Domains[d - 1]);
    // Once the counted layout is written the older single key must not come back to life
    // when the user removes every domain.
    store.DeleteSetting(section, "Domain");
    store.SaveSetting(section, "DifferentDomains", TrueFalse(profile.DifferentDomains));
    store.SaveSetting(section, "LogFormat", StoredLogFormat(profile.LogFormat));
    store.SaveSetting(section, "W3CLocalTime", TrueFalse(profile.W3cLocalTime));
    store.SaveSetting(section, "Anonymise", profile.Anonymise);
    // The key stays once made, so choosing "hash" again gives the same texts as before.
    if (profile.AnonymiseKey.empty())
        store.DeleteSetting(section, "AnonymiseKey");
    else
        store.SaveSetting(section, "AnonymiseKey", profile.AnonymiseKey);
    store.SaveSetting(section, "NumberFTP", PaddedNumber(profile.NumberFTP()));
    for (int a = 1; a <= profile.NumberFTP(); ++a) {
        const FtpAccount& account = profile.FtpAccounts[a - 1];
        store.SaveSetting(section, Key("Server", a), account.Server);
        store.SaveSetting(section, Key("Username", a), account.Username);
        store.SaveSetting(section, Key("Password", a), account.Password);
        store.SaveSetting(section, Key("Directory", a), account.Directory);
    }
    store.SaveSetting(section, "FTP", PaddedNumber(profile.FTP));
    WriteAutoConversionReports(store, section, profile);
    const int oldFilters = Count(store, section, "NumFilters", "0");
    const int numFilters = static_cast<int>(profile.Filters.size());
    store.SaveSetting(section, "NumFilters", PlainNumber(numFilters));
    for (int i = 1; i <= numFilters; ++i) {
        const SiteFilter& filter = profile.Filters[static_cast<size_t>(i) - 1];
        store.SaveSetting(section, Key("FilterField", i), filter.Field);
        store.SaveSetting(section, Key("FilterOp", i), filter.Op);
        store.SaveSetting(section, Key("FilterValue", i), filter.Value);
    }
    // Fewer filters than last time: the rest would only wait to be misread.
    for (int i = numFilters + 1; i <= oldFilters; ++i)
        for (const char* stem : {"FilterField", "FilterOp", "FilterValue"}) store.DeleteSetting(section, Key(stem, i));
}

void SaveProfiles(SettingsStore& store, const SiteProfileList& profiles) {
    const int stored = Count(store, "Profiles", "NumProfiles", "0");
    store.SaveSetting("Profiles", "NumProfiles", PlainNumber(profiles.NumProfiles()));
    for (int p = 1; p <= profiles.NumProfiles(); ++p)
        SaveProfile(store, p, profiles[p]);
    // A deleted profile's section (its passwords and filters among it) leaves the file with it.
    for (int p = profiles.NumProfiles() + 1; p <= stored; ++p) store.DeleteSection(ProfileSection(p));
}

namespace {
// A domain entry added and never typed into would show as a trailing ", " in the site list
// and take part in the referrer test as an empty name: it is not kept.
std::vector<std::string> WithoutEmptyDomains(std::vector<std::string> domains) {
    std::erase_if(domains, [](const std::string& d) { return d.find_first_not_of(" \t") == std::string::npos; });
    return domains;
}
} // namespace

int NewProfile(SiteProfileList& profiles, std::string siteName, std::vector<std::string> domains,
               bool differentDomains, std::string_view logFormat, bool w3cLocalTime) {
    SiteProfile profile;
    profile.SiteName = std::move(siteName);
    profile.Domains = WithoutEmptyDomains(std::move(domains));
    profile.DifferentDomains = differentDomains;
    profile.LogFormat = StoredLogFormat(logFormat);
    profile.W3cLocalTime = w3cLocalTime;
    profiles.Items.push_back(std::move(profile));
    return profiles.NumProfiles();
}

bool EditProfile(SiteProfileList& profiles, int p, std::string siteName, std::vector<std::string> domains,
                 bool differentDomains, std::string_view logFormat, bool w3cLocalTime) {
    if (!profiles.IsValid(p)) return false;
    SiteProfile& profile = profiles[p];
    profile.SiteName = std::move(siteName);
    profile.Domains = WithoutEmptyDomains(std::move(domains));
    profile.DifferentDomains = differentDomains;
    profile.LogFormat = StoredLogFormat(logFormat);
    profile.W3cLocalTime = w3cLocalTime;
    return true;
}

bool DeleteProfile(SiteProfileList& profiles, int p) {
    if (!profiles.IsValid(p)) return false;
    profiles.Items.erase(profiles.Items.begin() + (p - 1));
    return true;
}

bool RenameProfile(SiteProfileList& profiles, int p, std::string siteName) {
    if (!profiles.IsValid(p)) return false;
    profiles[p].SiteName = std::move(siteName);
    return true;
}

int AutoConversionReportPosition(const SiteProfile& profile, std::string_view file) {
    const auto& list = profile.AutoConversionReports;
    auto it = std::find(list.begin(), list.end(), file);
    return it == list.end() ? 0 : static_cast<int>(it - list.begin()) + 1;
}

void SetAutoConversionReport(SettingsStore& store, SiteProfileList& profiles, int p, std::string_view file,
                             bool ticked) {
    if (!profiles.IsValid(p)) return;
    SiteProfile& profile = profiles[p];
    int pos = AutoConversionReportPosition(profile, file);
    if (ticked && pos == 0)
        profile.AutoConversionReports.emplace_back(file);
    else if (!ticked && pos != 0)
        profile.AutoConversionReports.erase(profile.AutoConversionReports.begin() + (pos - 1));
    WriteAutoConversionReports(store, ProfileSection(p), profile);
}

} // namespace trevix
