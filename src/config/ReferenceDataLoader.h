#pragma once
// Reading the reference lists from the data files of the program's folder, and the user's
// copies of the graphic extensions and session-ID prefixes in the settings store.
//
// Each Load routine looks for its file in the given folder (FindDataFolder() when none is
// given). A file that cannot be opened gives the message "Unable to open NAME.DAT" and leaves
// the list as it was; the routine then returns false. The Parse routines do the same work on
// a text already in memory.
#include "SettingsStore.h"
#include "engine/ProgramOptions.h"
#include "engine/tables/ReferenceData.h"
#include "engine/RunHost.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trevix {

// The whole file's bytes as they are; nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// The whole file, made valid UTF-8 (NormaliseDataText); nothing when it cannot be opened.
std::optional<std::string> ReadDataFile(const std::string& path);

// search.dat: records of three delimited items (Name, MatchText, QueryParameter). Replaces
// the list; an incomplete record at the end is dropped.
void ParseSearchEngines(ReferenceData& ref, std::string_view text);
// spider.dat: one delimited item per record. Replaces the list.
void ParseSpiders(ReferenceData& ref, std::string_view text);
// graphics.dat and sessionid.dat: one delimited item per entry; a 1-based list (slot 0 empty).
std::vector<std::string> ParseItemList(std::string_view text);
// browser.dat: whole lines "name,match,match,..."; a leading "*" marks an operating system.
// Restarts from the two built-in records.
void ParseBrowserDefinitions(ReferenceData& ref, std::string_view text);
// errors.dat: whole lines "code,description"; appended to the list.
void ParseErrorDescriptions(ReferenceData& ref, std::string_view text);
// countries.dat: lines "code,name". Replaces CountryList and its code index; a code that repeats
// an earlier name is indexed as that country and adds no record.
void ParseCountryList(ReferenceData& ref, std::string_view text);
// country.dat: lines of quoted pieces: start (after two leading characters), end, code, -,
// name. Replaces CountryRanges; reports progress every 5000 ranges when a host is given.
void ParseCountryRanges(ReferenceData& ref, std::string_view text, RunHost* host = nullptr);
// country6.dat: the same line form with IPv6 addresses as bounds. Replaces CountryRanges6; a
// line whose bounds are not IPv6 addresses is skipped.
void ParseCountryRanges6(ReferenceData& ref, std::string_view text, RunHost* host = nullptr);
// The ranges of those two files in file order, with the country index of each code by
// indexByCode (CountryIndexByCode); what the two routines above build their tables from.
std::vector<CountryRange> ReadCountryRanges(const std::unordered_map<std::string, int32_t>& indexByCode,
                                            std::string_view text, RunHost* host = nullptr);
std::vector<CountryRange6> ReadCountryRanges6(const std::unordered_map<std::string, int32_t>& indexByCode,
                                              std::string_view text, RunHost* host = nullptr);

bool LoadSearchEngines(ReferenceData& ref, RunHost& host, const std::string& folder);
bool LoadSpiders(ReferenceData& ref, RunHost& host, const std::string& folder);
bool LoadBrowserDefinitions(ReferenceData& ref, RunHost& host, const std::string& folder);
bool LoadErrorDescriptions(ReferenceData& ref, RunHost& host, const std::string& folder);
bool ReadGraphicsFile(ReferenceData& ref, RunHost& host, const std::string& folder);
bool ReadSessionIDFile(ReferenceData& ref, RunHost& host, const std::string& folder);
// Clears CountriesLoaded, reads countries.dat and then country.dat, and sets CountriesLoaded
// when both were read. When either file is missing both country lists are left empty. Then
// reads country6.dat; without it ("Unable to open COUNTRY6.DAT") IPv6 addresses find no
// country and the rest works as before.
bool LoadCountryData(ReferenceData& ref, RunHost& host, const std::string& folder);

// The user's list from the store; when its count key was never stored ("*"), the defaults
// from the data file, which are then stored at once (only when the file could be read, so a
// missing file is tried again next time).
void LoadGraphicExtensions(SettingsStore& store, ReferenceData& ref, RunHost& host,
                           const std::string& folder);
void LoadSessionIDPrefixes(SettingsStore& store, ReferenceData& ref, RunHost& host,
                           const std::string& folder);
// Replace the stored section with the list.
void SaveGraphicExtensions(SettingsStore& store, const ReferenceData& ref);
void SaveSessionIDPrefixes(SettingsStore& store, const ReferenceData& ref);

// Start-up order: country data (only when AnalyseCountries is on), search engines, spiders,
// graphic extensions, session-ID prefixes, browsers, error descriptions.
void LoadAllReferenceData(SettingsStore& store, const ProgramOptions& options, ReferenceData& ref,
                          RunHost& host, const std::string& folder);

} // namespace trevix
