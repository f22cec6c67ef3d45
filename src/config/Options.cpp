#include "Options.h"

#include "UserFolders.h"
#include "ValueForms.h"

namespace trevix {

namespace {
constexpr std::string_view Section = "Options";

bool Flag(const SettingsStore& store, std::string_view key, std::string_view def) {
    return IsYes(store.GetSetting(Section, key, def));
}

// A list bound: negative or damaged values give an empty list rather than an error.
int16_t Bound(const SettingsStore& store, std::string_view key) {
    return static_cast<int16_t>(ReadNumberInRange(store.GetSetting(Section, key, "10"), 0, INT16_MAX));
}
} // namespace

std::string DefaultLogFolder(std::string_view documentsFolder) {
    return JoinPath(documentsFolder, "Downloaded Log Files");
}

void LoadOptions(const SettingsStore& store, ProgramOptions& options) {
    LoadOptions(store, options, GetSpecialFolderPath(SpecialFolderPersonal));
}

void LoadOptions(const SettingsStore& store, ProgramOptions& o, std::string_view documentsFolder) {
    const std::string folder = DefaultLogFolder(documentsFolder);
    o.DefaultDownloadFolder = store.GetSetting(Section, "DefaultDownloadFolder", folder);
    o.MaxRecentFiles = Bound(store, "MaxRecentFiles");
    o.MaxRecentFilters = Bound(store, "MaxRecentFilters");
    o.MaxRecentDomains = ReadInt16(store.GetSetting(Section, "MaxRecentDomains", "10"));
    o.HideSearchEngines = Flag(store, "HideSearchEngines", "Yes");
    o.AnalyseCountries = Flag(store, "AnalyseCountries", "Yes");
    o.CountryInfo = Flag(store, "CountryInfo", "Yes");
    o.FTPRename = Flag(store, "FTPRename", "No");
    o.AfterDownload = ReadInt16(store.GetSetting(Section, "AfterDownload", "1"));
    o.RenameTemplate = store.GetSetting(Section, "RenameTemplate", "%s %d %f");
    o.MergeSessions = Flag(store, "MergeSessions", "Yes");
    o.ConvertTimes = Flag(store, "ConvertTimes", "Yes");
    o.AutoReport = Flag(store, "AutoReport", "Yes");
    o.DefaultXMLFolder = store.GetSetting(Section, "DefaultXMLFolder", folder);
    o.ShowRawLog = Flag(store, "ShowRawLog", "No");
    o.FTPCAFile = store.GetSetting(Section, "FTPCAFile", "");
}

void SaveOptions(SettingsStore& store, const ProgramOptions& o) {
    store.SaveSetting(Section, "DefaultDownloadFolder", o.DefaultDownloadFolder);
    store.SaveSetting(Section, "MaxRecentFiles", PaddedNumber(o.MaxRecentFiles));
    store.SaveSetting(Section, "MaxRecentFilters", PaddedNumber(o.MaxRecentFilters));
    store.SaveSetting(Section, "MaxRecentDomains", PaddedNumber(o.MaxRecentDomains));
    store.SaveSetting(Section, "HideSearchEngines", YesNo(o.HideSearchEngines));
    store.SaveSetting(Section, "AnalyseCountries", YesNo(o.AnalyseCountries));
    store.SaveSetting(Section, "CountryInfo", YesNo(o.CountryInfo));
    store.SaveSetting(Section, "FTPRename", YesNo(o.FTPRename));
    store.SaveSetting(Section, "RenameTemplate", o.RenameTemplate);
    store.SaveSetting(Section, "MergeSessions", YesNo(o.MergeSessions));
    store.SaveSetting(Section, "ConvertTimes", YesNo(o.ConvertTimes));
    store.SaveSetting(Section, "AutoReport", YesNo(o.AutoReport));
    store.SaveSetting(Section, "DefaultXMLFolder", o.DefaultXMLFolder);
    store.SaveSetting(Section, "ShowRawLog", YesNo(o.ShowRawLog));
    store.SaveSetting(Section, "FTPCAFile", o.FTPCAFile);
}

void SaveAfterDownload(SettingsStore& store, int16_t afterDownload) {
    store.SaveSetting(Section, "AfterDownload", PaddedNumber(afterDownload));
}

} // namespace trevix
