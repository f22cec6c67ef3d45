#pragma once
// The user's options as the engine and the front ends read them. Loading and saving them
// belongs to the configuration layer; these defaults are the ones a first run sees.
#include <cstdint>
#include <string>

namespace trevix {

struct ProgramOptions {
    std::string DefaultDownloadFolder;
    int16_t MaxRecentFiles = 10;
    int16_t MaxRecentFilters = 10;
    int16_t MaxRecentDomains = 10;
    bool HideSearchEngines = true;
    bool AnalyseCountries = true;
    bool CountryInfo = true;
    bool FTPRename = false;
    int16_t AfterDownload = 1;
    std::string RenameTemplate = "%s %d %f";
    bool MergeSessions = true;
    bool ConvertTimes = true;
    bool AutoReport = true;
    std::string DefaultXMLFolder;
    bool ShowRawLog = false;
    std::string FTPCAFile;
    // Where a compressed log too large for memory is inflated (the cache folder, set by the
    // front end; never saved): empty means $TMPDIR, or /tmp.
    std::string TemporaryFilesFolder;
};

} // namespace trevix
