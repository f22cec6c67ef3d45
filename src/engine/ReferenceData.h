#pragma once
// The reference lists read from the data files at start-up. Lists keep the file order and
// are used 1-based: slot 0 is a placeholder (for BrowserDefinitions, records 0 and 1 are the
// built-in "(unknown)" browser and operating system).
#include "IpAddress.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trevix {

struct SearchEngineDefinition {
    std::string Name;
    std::string MatchText;
    std::string QueryParameter;
};

struct BrowserDefinition {
    std::vector<std::string> MatchStrings;
    std::string Name;
    int32_t Hits = 0;     // counted per run
    bool IsOS = false;
};

struct ErrorDescription {
    int32_t Code = 0;
    std::string Description;
};

struct CountryRecord {
    std::string Code;
    std::string Name;
};

struct CountryRange {
    int64_t RangeStart = 0;
    int64_t RangeEnd = 0;
    std::string Code;
    std::string NameText;
    int32_t CountryIndex = 0;   // 0: code not in CountryList, no country
};

// An IPv6 range of country6.dat. Only the country index is kept: the file has hundreds of
// thousands of ranges, and the code and name are those of CountryList anyway.
struct CountryRange6 {
    Ip6Number RangeStart;
    Ip6Number RangeEnd;
    int32_t CountryIndex = 0;   // 0: code not in CountryList, no country
};

struct ReferenceData {
    ReferenceData();

    std::vector<SearchEngineDefinition> SearchEngineDefinitions{1};
    std::vector<std::string> SpiderStrings{1};
    std::vector<BrowserDefinition> BrowserDefinitions;   // built-in records 0 and 1
    std::vector<ErrorDescription> ErrorDescriptions{1};
    std::vector<std::string> GraphicExtensions{1};
    std::vector<std::string> SessionIDPrefixes{1};
    std::vector<CountryRecord> CountryList{1};
    std::unordered_map<std::string, int32_t> CountryIndexByCode;   // lower-case code -> index
    std::vector<CountryRange> CountryRanges{1};
    bool CountriesLoaded = false;
    // Set by the loader when ranges 1..n are sorted by start and do not overlap, so the
    // lookup may binary-search and still return the first match of a front-to-back scan.
    bool CountryRangesSorted = false;
    std::vector<CountryRange6> CountryRanges6{1};
    bool CountryRanges6Sorted = false;

private:
    std::vector<std::vector<uint16_t>> graphicIndex_;   // 256 buckets of GraphicExtensions numbers
    const std::string* graphicIndexOf_ = nullptr;
    size_t graphicIndexCount_ = 0;
    std::array<bool, 256> sessionFirst_{};
    const std::string* sessionIndexOf_ = nullptr;
    size_t sessionIndexCount_ = 0;

public:

    int SearchEngineCount() const { return static_cast<int>(SearchEngineDefinitions.size()) - 1; }
    int SpiderCount() const { return static_cast<int>(SpiderStrings.size()) - 1; }
    int BrowserCount() const { return static_cast<int>(BrowserDefinitions.size()) - 1; }
    int ErrorDescriptionCount() const { return static_cast<int>(ErrorDescriptions.size()) - 1; }
    int CountryCount() const { return static_cast<int>(CountryList.size()) - 1; }

    // Resets the two built-in browser records and drops the rest.
    void ResetBrowserDefinitions();
    // Country of a client address: IPv4 by number, IPv6 by its 128-bit number (an IPv4-mapped
    // address by its IPv4 part), else a host name by its last part.
    // Returns the CountryList index, 0 when none.
    int32_t FindCountry(std::string_view address) const;
    // Graphic extensions by first character, for the exit-page test of every request. Valid
    // while GraphicExtensions is the list it was built from; the run rebuilds it.
    void IndexGraphicExtensions();
    const std::vector<uint16_t>* GraphicsStartingWith(unsigned char first) const;
    // The first characters of the session-ID prefixes, to rule out most URLs at once; nullptr
    // when SessionIDPrefixes changed since IndexSessionIDPrefixes.
    void IndexSessionIDPrefixes();
    const std::array<bool, 256>* SessionPrefixFirstChars() const;
    // Rechecks CountryRangesSorted and CountryRanges6Sorted after the ranges changed.
    void IndexCountryRanges();
    // The error description text of a status code: first match, else "Unknown".
    std::string_view ErrorDescriptionOf(int code) const;

private:
    int32_t FindCountryOfNumber(int64_t number) const;
    int32_t FindCountryOfNumber6(const Ip6Number& number) const;
};

} // namespace trevix
