// Arbitrary bytes as a log file, read through the reader, the parser, the filters and the
// accumulation. Odd first bytes make a ".gz" file name so zlib's reader is fuzzed too.
#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"
#include "engine/read/LogReader.h"
#include "FuzzTempFile.h"

#include <cstdint>
#include <cstdio>
#include <string>

using namespace trevix;

namespace {

void SetUpReferenceData(Analyser& a) {
    a.Reference.SpiderStrings = {"", "bot", "Slurp"};
    a.Reference.SessionIDPrefixes = {"", "sid=", "PHPSESSID="};
    a.Reference.GraphicExtensions = {"", "gif", "png"};
    a.Reference.SearchEngineDefinitions = {{}, {"Google", "://www.google.", "q"}, {"Google AdWords", "!internal", "q"},
                                     {"Bing", "://www.bing.com/", "q"}};
    BrowserDefinition chrome;
    chrome.Name = "Chrome";
    chrome.MatchStrings = {"Chrome/"};
    BrowserDefinition windows;
    windows.Name = "Windows";
    windows.IsOS = true;
    windows.MatchStrings = {"Windows NT", ""};
    a.Reference.BrowserDefinitions.push_back(chrome);
    a.Reference.BrowserDefinitions.push_back(windows);
    a.Reference.CountryList = {{}, {"de", "Germany"}, {"fr", "France"}};
    a.Reference.CountryIndexByCode = {{"de", 1}, {"fr", 2}};
    a.Reference.CountryRanges.Assign({{16777216, 16777471, 1}, {33554432, 33555000, 2}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool gz = size > 0 && (data[0] & 1);
    const std::string path = trevix::fuzzing::WriteFuzzFile(gz ? "input.log.gz" : "input.log", data, size);
    Analyser a;
    SetUpReferenceData(a);
    a.Options.ShowRawLog = size > 1 && (data[1] & 1);
    a.Options.MergeSessions = true;
    a.CurrentProfile.Domains = {"example.com"};
    a.CurrentProfile.DifferentDomains = size > 2 && (data[2] & 1);
    a.Filters.DateOn = size > 3 && (data[3] & 1);
    RunRequest request;
    request.Files = {path, path};   // two files: per-file slots and sessions across files
    request.Profile = a.CurrentProfile;
    request.AutoConversionReports = {"/", "/a.html"};
    AnalyseLogFiles(a, request);
    std::remove(path.c_str());
    return 0;
}
