#pragma once
// The country range tables as parsed from the address files, kept in the user's cache folder:
// a start-up then reads a few megabytes instead of parsing 45 MB of text. A cache file names
// the data folder and, for each of the three country files, its size, times, inode and device.
// Anything else (another folder, an edited or replaced file, a damaged or foreign cache file)
// means parsing the text again. Files changed less than a few seconds before are not cached:
// a later change within the file system's clock granularity could otherwise keep its times.
#include <string>

namespace trevix {

struct ReferenceData;

// The cache folder: TREVIX_CACHE_DIR when set (empty: no cache), else the user's cache folder
// for the program. Empty when there is none.
std::string CountryCacheFolder();

// Fills ref's two range tables from the cache for the country files in dataFolder; ref's
// CountryList must be loaded already (the tables hold indexes into it). False, with the tables
// untouched, when there is no valid cache for those files.
bool LoadCachedCountryRanges(const std::string& dataFolder, ReferenceData& ref);

// Writes the tables for the files in dataFolder (atomically; a failure only costs the speed-up)
// unless one of the files changed less than settleSeconds ago.
constexpr long long CountryCacheSettleSeconds = 3;
void SaveCachedCountryRanges(const std::string& dataFolder, const ReferenceData& ref,
                             long long settleSeconds = CountryCacheSettleSeconds);

} // namespace trevix
