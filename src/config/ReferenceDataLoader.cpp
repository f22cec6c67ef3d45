#include "ReferenceDataLoader.h"

#include "CountryCache.h"
#include "DataFileReaders.h"
#include "UserFolders.h"
#include "ValueForms.h"

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <limits>
#include <unordered_map>

namespace trevix {

namespace {

constexpr int64_t MaxStoredCount = 32767;
constexpr size_t ProgressStep = 5000; // ranges between progress reports

// Reads a data file, or shows the program's message for it and returns nothing.
std::optional<std::string> OpenDataFile(RunHost& host, const std::string& folder, std::string_view name,
                                        std::string_view upperName) {
    std::optional<std::string> text = ReadDataFile(JoinPath(folder, name));
    if (!text) host.ShowMessage(MessageIcon::None, "Trevix", "Unable to open " + std::string(upperName));
    return text;
}

std::string ToLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// A piece of country.dat without its enclosing quotes.
std::string_view Unquote(std::string_view piece) {
    if (!piece.empty() && piece.front() == '"') piece.remove_prefix(1);
    if (!piece.empty() && piece.back() == '"') piece.remove_suffix(1);
    return piece;
}

void LoadStoredList(SettingsStore& store, std::vector<std::string>& list, std::string_view section,
                    std::string_view countKey, std::string_view entryStem,
                    bool (*readFile)(ReferenceData&, RunHost&, const std::string&),
                    void (*save)(SettingsStore&, const ReferenceData&), ReferenceData& ref, RunHost& host,
                    const std::string& folder) {
    std::string count = store.GetSetting(section, countKey, "*");
    if (count == "*") {
        if (readFile(ref, host, folder)) save(store, ref);
        return;
    }
    int64_t n = ReadNumberInRange(count, 0, MaxStoredCount);
    list.assign(1, std::string());
    for (int64_t i = 1; i <= n; ++i)
        list.push_back(store.GetSetting(section, std::string(entryStem) + std::to_string(i)));
}

void SaveStoredList(SettingsStore& store, const std::vector<std::string>& list, std::string_view section,
                    std::string_view countKey, std::string_view entryStem) {
    store.DeleteSection(section);
    int count = list.empty() ? 0 : static_cast<int>(list.size()) - 1;
    store.SaveSetting(section, countKey, PaddedNumber(count));
    for (int i = 1; i <= count; ++i)
        store.SaveSetting(section, std::string(entryStem) + std::to_string(i), list[i]);
}

// Cuts a line of a range file at its commas into at most max pieces (fields past them are not
// read); returns how many pieces there are.
size_t SplitAtCommas(std::string_view line, std::string_view* pieces, size_t max) {
    size_t count = 0, start = 0;
    while (count < max) {
        const size_t comma = line.find(',', start);
        pieces[count++] = line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return count;
}

// Each line of a range file, as ForEachLine gives them (a line ends at LF, CR LF or CR), with
// line ends found by memchr: these files run to tens of megabytes. Blank lines are handed on
// too; having no commas, they are skipped like every line of fewer than three pieces.
template <typename Fn> void ForEachRangeLine(std::string_view text, Fn&& fn) {
    const char* const data = text.data();
    const size_t n = text.size();
    size_t lf = 0;          // the next LF at or after i, or n
    bool lfKnown = false;
    for (size_t i = 0; i < n;) {
        if (!lfKnown || lf < i) {
            const void* found = std::memchr(data + i, '\n', n - i);
            lf = found ? static_cast<size_t>(static_cast<const char*>(found) - data) : n;
            lfKnown = true;
        }
        const void* cr = std::memchr(data + i, '\r', lf - i);
        const size_t end = cr ? static_cast<size_t>(static_cast<const char*>(cr) - data) : lf;
        fn(std::string_view(data + i, end - i));
        i = end + 1;
        if (cr && i == lf) ++i; // CR LF
    }
}

// The country index of a range's code. Codes are two letters and change on almost every line,
// so a table of the two-letter codes seen so far saves a hash lookup per line.
class CodeIndexCache {
public:
    explicit CodeIndexCache(const std::unordered_map<std::string, int32_t>& indexByCode)
        : indexByCode_(indexByCode), twoLetter_(65536, -1) {}
    int32_t operator()(std::string_view code) {
        if (code.size() != 2) return Look(code);
        int32_t& known = twoLetter_[static_cast<unsigned char>(code[0]) << 8 | static_cast<unsigned char>(code[1])];
        if (known < 0) known = Look(code);
        return known;
    }

private:
    int32_t Look(std::string_view code) const {
        auto found = indexByCode_.find(ToLower(code));
        return found == indexByCode_.end() ? 0 : found->second;
    }
    const std::unordered_map<std::string, int32_t>& indexByCode_;
    std::vector<int32_t> twoLetter_;
};

// ReadNumber for a bound of country.dat: plain digits, read at once when there are no more
// than 18 of them (so nothing can overflow); anything else as ReadNumber reads it.
int64_t ReadBound(std::string_view text) {
    if (text.empty() || text.size() > 18) return ReadNumber(text);
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return ReadNumber(text);
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string bytes;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0) bytes.reserve(static_cast<size_t>(size));
        std::rewind(f);
    }
    char buffer[1 << 16];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, got);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadDataFile(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return std::nullopt;
    return NormaliseDataText(std::move(*bytes));
}

void ParseSearchEngines(ReferenceData& ref, std::string_view text) {
    std::vector<std::string> items = ReadDelimitedItems(text);
    ref.SearchEngineDefinitions.assign(1, SearchEngineDefinition{});
    for (size_t i = 0; i + 2 < items.size(); i += 3)
        ref.SearchEngineDefinitions.push_back(
            {std::move(items[i]), std::move(items[i + 1]), std::move(items[i + 2])});
    ref.IndexSearchEngines();
}

void ParseSpiders(ReferenceData& ref, std::string_view text) {
    ref.SpiderStrings = ParseItemList(text);
    ref.IndexSpiderStrings();
}

std::vector<std::string> ParseItemList(std::string_view text) {
    std::vector<std::string> list(1);
    for (std::string& item : ReadDelimitedItems(text))
        list.push_back(std::move(item));
    return list;
}

void ParseBrowserDefinitions(ReferenceData& ref, std::string_view text) {
    ref.ResetBrowserDefinitions();
    for (std::string_view line : ReadWholeLines(text)) {
        std::vector<std::string_view> pieces = SplitCsvLine(line);
        BrowserDefinition def;
        std::string_view name = pieces[0];
        if (!name.empty() && name.front() == '*') {
            def.IsOS = true;
            name.remove_prefix(1);
        }
        def.Name = std::string(name);
        for (size_t i = 1; i < pieces.size(); ++i)
            def.MatchStrings.emplace_back(pieces[i]);
        ref.BrowserDefinitions.push_back(std::move(def));
    }
    ref.IndexBrowserDefinitions();
}

void ParseErrorDescriptions(ReferenceData& ref, std::string_view text) {
    for (std::string_view line : ReadWholeLines(text)) {
        size_t comma = line.find(',');
        ErrorDescription e;
        e.Code = static_cast<int32_t>(ReadNumberInRange(
            line.substr(0, comma), std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
        if (comma != std::string_view::npos) e.Description = std::string(line.substr(comma + 1));
        ref.ErrorDescriptions.push_back(std::move(e));
    }
}

void ParseCountryList(ReferenceData& ref, std::string_view text) {
    ref.CountryList.assign(1, CountryRecord{});
    ref.CountryIndexByCode.clear();
    // A report tells countries apart by name, so a code whose name an earlier line gave (the
    // .uk domain after gb) is another code of that country, not a country of its own.
    std::unordered_map<std::string_view, int32_t> indexByName;
    for (std::string_view line : ReadWholeLines(text)) {
        std::vector<std::string_view> pieces = SplitCsvLine(line);
        // A line without a name, or without a code, names no country.
        if (pieces.size() < 2 || pieces[0].empty()) continue;
        int32_t index = 0;
        if (auto named = indexByName.find(pieces[1]); named != indexByName.end() && !pieces[1].empty()) {
            index = named->second;
        } else {
            ref.CountryList.push_back({std::string(pieces[0]), std::string(pieces[1])});
            index = ref.CountryCount();
            indexByName.emplace(pieces[1], index);
        }
        // A code listed twice keeps its first record, as a front-to-back scan would find it.
        ref.CountryIndexByCode.emplace(ToLower(pieces[0]), index);
    }
}

namespace {

// The ranges of an address file in file order: each line's two bounds, read by readBounds
// (which may refuse a damaged line), and its country code. bytesPerLine is a little under a
// shipped line's length: the list lives only while its table is built, and the pages of a
// reserve past the end are never touched.
template <class Range, class ReadBounds>
std::vector<Range> ReadRangeFile(const std::unordered_map<std::string, int32_t>& indexByCode, std::string_view text,
                                 RunHost* host, size_t bytesPerLine, ReadBounds readBounds) {
    std::vector<Range> ranges;
    ranges.reserve(text.size() / bytesPerLine + 16);
    const long long total = static_cast<long long>(text.size());
    if (host) host->SetProgress(0, total);
    CodeIndexCache indexOf(indexByCode);
    ForEachRangeLine(text, [&](std::string_view line) {
        std::string_view pieces[3];
        if (SplitAtCommas(line, pieces, 3) < 3) return;
        std::string_view first = Unquote(pieces[0]);
        first.remove_prefix(std::min<size_t>(2, first.size()));
        Range range;
        if (!readBounds(first, Unquote(pieces[1]), range)) return;
        range.CountryIndex = indexOf(Unquote(pieces[2]));
        ranges.push_back(range);
        if (host && ranges.size() % ProgressStep == 0)
            host->SetProgress(static_cast<long long>(line.data() - text.data()), total);
    });
    if (host) host->SetProgress(total, total);
    return ranges;
}

} // namespace

std::vector<CountryRange> ReadCountryRanges(const std::unordered_map<std::string, int32_t>& indexByCode,
                                            std::string_view text, RunHost* host) {
    return ReadRangeFile<CountryRange>(indexByCode, text, host, 32,
                                       [](std::string_view start, std::string_view end, CountryRange& range) {
                                           range.RangeStart = ReadBound(start);
                                           range.RangeEnd = ReadBound(end);
                                           return true;
                                       });
}

std::vector<CountryRange6> ReadCountryRanges6(const std::unordered_map<std::string, int32_t>& indexByCode,
                                              std::string_view text, RunHost* host) {
    // No zero-filled range for a damaged line: it would claim addresses for a country.
    return ReadRangeFile<CountryRange6>(indexByCode, text, host, 56,
                                        [](std::string_view start, std::string_view end, CountryRange6& range) {
                                            return ParseIPv6(start, range.RangeStart) && ParseIPv6(end, range.RangeEnd);
                                        });
}

void ParseCountryRanges(ReferenceData& ref, std::string_view text, RunHost* host) {
    ref.CountryRanges.Assign(ReadCountryRanges(ref.CountryIndexByCode, text, host));
}

void ParseCountryRanges6(ReferenceData& ref, std::string_view text, RunHost* host) {
    ref.CountryRanges6.Assign(ReadCountryRanges6(ref.CountryIndexByCode, text, host));
}

bool LoadSearchEngines(ReferenceData& ref, RunHost& host, const std::string& folder) {
    auto text = OpenDataFile(host, folder, "search.dat", "SEARCH.DAT");
    if (text) ParseSearchEngines(ref, *text);
    return text.has_value();
}

bool LoadSpiders(ReferenceData& ref, RunHost& host, const std::string& folder) {
    auto text = OpenDataFile(host, folder, "spider.dat", "SPIDER.DAT");
    if (text) ParseSpiders(ref, *text);
    return text.has_value();
}

bool LoadBrowserDefinitions(ReferenceData& ref, RunHost& host, const std::string& folder) {
    auto text = OpenDataFile(host, folder, "browser.dat", "BROWSER.DAT");
    if (text) ParseBrowserDefinitions(ref, *text);
    return text.has_value();
}

bool LoadErrorDescriptions(ReferenceData& ref, RunHost& host, const std::string& folder) {
    auto text = OpenDataFile(host, folder, "errors.dat", "ERRORS.DAT");
    if (text) ParseErrorDescriptions(ref, *text);
    return text.has_value();
}

bool ReadGraphicsFile(ReferenceData& ref, RunHost& host, const std::string& folder) {
    auto text = OpenDataFile(host, folder, "graphics.dat", "GRAPHICS.DAT");
    if (text) {
        ref.GraphicExtensions = ParseItemList(*text);
        ref.IndexGraphicExtensions();
    }
    return text.has_value();
}

bool ReadSessionIDFile(ReferenceData& ref, RunHost& host, const std::string& folder) {
    auto text = OpenDataFile(host, folder, "sessionid.dat", "SESSIONID.DAT");
    if (text) {
        ref.SessionIDPrefixes = ParseItemList(*text);
        ref.IndexSessionIDPrefixes();
    }
    return text.has_value();
}

bool LoadCountryData(ReferenceData& ref, RunHost& host, const std::string& folder) {
    ref.CountriesLoaded = false;
    host.SetStatus("Loading country data...");
    host.ProcessEvents();
    ref.CountryList.assign(1, CountryRecord{});
    ref.CountryIndexByCode.clear();
    ref.CountryRanges.Clear();
    ref.CountryRanges6.Clear();

    auto countries = OpenDataFile(host, folder, "countries.dat", "COUNTRIES.DAT");
    if (!countries) return false;
    ParseCountryList(ref, *countries);
    if (LoadCachedCountryRanges(folder, ref)) {
        ref.CountriesLoaded = true;
        return true;
    }
    auto ranges = OpenDataFile(host, folder, "country.dat", "COUNTRY.DAT");
    if (!ranges) {
        // Without addresses there are no countries at all, as when countries.dat is missing.
        ref.CountryList.assign(1, CountryRecord{});
        ref.CountryIndexByCode.clear();
        return false;
    }
    // One file at a time, each text let go once parsed: this runs once per data folder (the
    // tables are cached), so a low peak matters more than a second core.
    host.ShowProgress(true);
    ParseCountryRanges(ref, *ranges, &host);
    host.ShowProgress(false);
    ranges.reset();
    // IPv4 countries work without the IPv6 file, so its absence only costs its own message.
    auto ranges6 = OpenDataFile(host, folder, "country6.dat", "COUNTRY6.DAT");
    const bool haveRanges6 = ranges6.has_value();
    if (ranges6) {
        ref.CountryRanges6.Assign(ReadCountryRanges6(ref.CountryIndexByCode, *ranges6, nullptr));
        ranges6.reset();
    }
    ref.CountriesLoaded = true;
    if (haveRanges6) SaveCachedCountryRanges(folder, ref);
    return true;
}

void LoadGraphicExtensions(SettingsStore& store, ReferenceData& ref, RunHost& host,
                           const std::string& folder) {
    LoadStoredList(store, ref.GraphicExtensions, "Graphics", "NumGraphics", "Graphic", ReadGraphicsFile,
                   SaveGraphicExtensions, ref, host, folder);
    ref.IndexGraphicExtensions();
}

void LoadSessionIDPrefixes(SettingsStore& store, ReferenceData& ref, RunHost& host,
                           const std::string& folder) {
    LoadStoredList(store, ref.SessionIDPrefixes, "SessionID", "NumSessionID", "SessionID", ReadSessionIDFile,
                   SaveSessionIDPrefixes, ref, host, folder);
    ref.IndexSessionIDPrefixes();
}

void SaveGraphicExtensions(SettingsStore& store, const ReferenceData& ref) {
    SaveStoredList(store, ref.GraphicExtensions, "Graphics", "NumGraphics", "Graphic");
}

void SaveSessionIDPrefixes(SettingsStore& store, const ReferenceData& ref) {
    SaveStoredList(store, ref.SessionIDPrefixes, "SessionID", "NumSessionID", "SessionID");
}

void LoadAllReferenceData(SettingsStore& store, const ProgramOptions& options, ReferenceData& ref,
                          RunHost& host, const std::string& folder) {
    ref.CountriesLoaded = false;
    if (options.AnalyseCountries) LoadCountryData(ref, host, folder);
    LoadSearchEngines(ref, host, folder);
    LoadSpiders(ref, host, folder);
    LoadGraphicExtensions(store, ref, host, folder);
    LoadSessionIDPrefixes(store, ref, host, folder);
    LoadBrowserDefinitions(ref, host, folder);
    LoadErrorDescriptions(ref, host, folder);
}

} // namespace trevix
