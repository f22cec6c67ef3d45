// Arbitrary bytes as every kind of reference data file and as stored settings values.
#include "config/DataFileReaders.h"
#include "config/MemorySettingsStore.h"
#include "config/Options.h"
#include "config/RecentLists.h"
#include "config/ReferenceDataLoader.h"
#include "config/ValueForms.h"
#include "engine/parse/BrowserDetection.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace trevix;

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::string AddressOf(int64_t n) {
    if (n < 0) n = 0;
    return std::to_string((n >> 24) & 0xFFFFFFFF) + "." + std::to_string((n >> 16) & 255) + "." +
           std::to_string((n >> 8) & 255) + "." + std::to_string(n & 255);
}

template <class Range, class Key> int32_t LinearCountry(const std::vector<Range>& ranges, const Key& n) {
    for (const Range& r : ranges)
        if (r.RangeStart <= n && n <= r.RangeEnd) return r.CountryIndex;
    return 0;
}

void DataFiles(std::string_view text) {
    for (const std::string& item : ReadDelimitedItems(text))
        Check(item.find('\n') == std::string::npos && item.find('\r') == std::string::npos);
    for (std::string_view line : ReadWholeLines(text)) {
        Check(!line.empty() && line.find('\n') == std::string_view::npos &&
              line.find('\r') == std::string_view::npos);
        SplitCsvLine(line);
    }

    ReferenceData ref;
    ParseSearchEngines(ref, text);
    ParseSpiders(ref, text);
    ParseItemList(text);
    ParseErrorDescriptions(ref, text);
    for (int code : {0, 200, 404, -1})
        ref.ErrorDescriptionOf(code);
    ParseBrowserDefinitions(ref, text);
    Check(ref.BrowserCount() >= 1 && ref.BrowserDefinitions[1].IsOS && !ref.BrowserDefinitions[0].IsOS);
    DetectBrowser(ref, text, true);
    DetectBrowser(ref, "Mozilla/5.0 (Windows NT 10.0; Win64; x64) Chrome/120.0 Safari/537.36", true);

    ParseCountryList(ref, text);
    ParseCountryRanges(ref, text);
    ParseCountryRanges6(ref, text);
    ref.FindCountry(text);
    // The lookup tables must give what a scan of the ranges gives, at every edge.
    const std::vector<CountryRange> ranges = ReadCountryRanges(ref.CountryIndexByCode, text);
    for (size_t i = 0; i < ranges.size() && i < 64; ++i) {
        // A data file may hold any 64-bit figure: the neighbours are taken without overflow.
        const int64_t start = ranges[i].RangeStart, end = ranges[i].RangeEnd;
        const int64_t after = end < INT64_MAX ? end + 1 : end, before = start > INT64_MIN ? start - 1 : start;
        for (int64_t n : {start, end, after, before}) {
            if (n < 0) continue;
            Check(ref.CountryRanges.Find(n) == LinearCountry(ranges, n));
            if (n <= 0xFFFFFFFFll) Check(ref.FindCountry(AddressOf(n)) == LinearCountry(ranges, n));
        }
    }
    const std::vector<CountryRange6> ranges6 = ReadCountryRanges6(ref.CountryIndexByCode, text);
    for (size_t i = 0; i < ranges6.size() && i < 64; ++i) {
        Ip6Number after = ranges6[i].RangeEnd, before = ranges6[i].RangeStart;
        if (++after.Lo == 0) ++after.Hi;
        if (before.Lo-- == 0) --before.Hi;
        for (const Ip6Number& n : {ranges6[i].RangeStart, ranges6[i].RangeEnd, after, before})
            Check(ref.CountryRanges6.Find(n) == LinearCountry(ranges6, n));
    }
}

// Lines "section/key=value" make a settings store that the loaders then read.
void Settings(std::string_view text) {
    MemorySettingsStore store;
    for (std::string_view line : ReadWholeLines(text)) {
        size_t slash = line.find('/'), eq = line.find('=');
        if (slash == std::string_view::npos || eq == std::string_view::npos || eq < slash) {
            ReadNumber(line);
            IsYes(line);
            ReadInt16(line);
            continue;
        }
        store.SaveSetting(line.substr(0, slash), line.substr(slash + 1, eq - slash - 1), line.substr(eq + 1));
    }
    ProgramOptions options;
    LoadOptions(store, options, "docs");
    Check(options.MaxRecentFiles >= 0 && options.MaxRecentFilters >= 0);
    RecentLists recent;
    SiteProfileList profiles;
    LoadRecentAndProfiles(store, options, recent, profiles);
    PushRecent(recent.RecentFiles, options.MaxRecentFiles, text);
    MemorySettingsStore out;
    SaveRecentAndProfiles(out, options, recent, profiles);
    SiteProfileList back;
    LoadProfiles(out, back);
    Check(back.NumProfiles() == profiles.NumProfiles());
    for (int p = 1; p <= back.NumProfiles(); ++p) {
        Check(back[p].SiteName == profiles[p].SiteName && back[p].Domains == profiles[p].Domains);
        Check(back[p].DifferentDomains == profiles[p].DifferentDomains && back[p].FTP == profiles[p].FTP);
        Check(back[p].NumberFTP() == profiles[p].NumberFTP());
        Check(back[p].AutoConversionReports == profiles[p].AutoConversionReports);
    }
    ReferenceData ref;
    NullHost host;
    LoadGraphicExtensions(store, ref, host, "/nonexistent");
    LoadSessionIDPrefixes(store, ref, host, "/nonexistent");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text = NormaliseDataText(bytes);
    DataFiles(bytes); // the parsers must cope with raw bytes too
    DataFiles(text);
    Settings(text);
    return 0;
}
