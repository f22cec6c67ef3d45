#pragma once
// The reference lists read from the data files at start-up. Lists keep the file order and
// are used 1-based: slot 0 is a placeholder (for BrowserDefinitions, records 0 and 1 are the
// built-in "(unknown)" browser and operating system).
#include "engine/base/IpAddress.h"
#include "engine/base/MultiMatch.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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

// A range of an address file as read, in file order. Only the country index is kept: the code
// and name are those of CountryList. The lookup tables below are built from these.
struct CountryRange {
    int64_t RangeStart = 0;
    int64_t RangeEnd = 0;
    int32_t CountryIndex = 0;   // 0: code not in CountryList, no country
};

struct CountryRange6 {
    Ip6Number RangeStart;
    Ip6Number RangeEnd;
    int32_t CountryIndex = 0;   // 0: code not in CountryList, no country
};

// Country indexes of a table's steps, two bytes each unless an index needs more.
class CountryIndexColumn {
public:
    void Reset(int32_t largest);
    void Add(int32_t index);
    int32_t operator[](size_t i) const { return wide_ ? wideIndexes_[i] : narrowIndexes_[i]; }
    int32_t back() const { return (*this)[size() - 1]; }
    size_t size() const { return wide_ ? wideIndexes_.size() : narrowIndexes_.size(); }
    void Reserve(size_t count);
    size_t Bytes() const;
    void AppendTo(std::string& out) const;
    bool ReadFrom(std::string_view& in, int32_t countryCount);

private:
    bool wide_ = false;
    std::vector<uint16_t> narrowIndexes_;
    std::vector<int32_t> wideIndexes_;
};

// The IPv4 ranges as steps: ascending starts (the first one 0), each step's country reaching up
// to the next start; gaps are steps of country 0. Address files hold hundreds of thousands of
// ranges, so a step costs six bytes instead of a record. Where ranges overlap, the one first in
// the file counts, as a front-to-back scan of the file would find it.
class CountryRangeTable {
public:
    void Assign(const std::vector<CountryRange>& ranges);
    void Clear() { Assign({}); }
    // The country of an address number, 0 when none. Numbers past 32 bits come from dotted
    // addresses with a piece over 255; only a range file reaching past 32 bits holds them.
    int32_t Find(int64_t number) const;
    size_t RangeCount() const { return rangeCount_; }
    size_t StepCount() const { return starts_.size() + beyond_.size(); }
    size_t Bytes() const;
    // The table as bytes for a cache file on this machine, and back. ReadFrom takes a table
    // from the front of in and checks it whole (steps ascending, country indexes within
    // 0..countryCount); false, with the table left empty, for anything else.
    void AppendTo(std::string& out) const;
    bool ReadFrom(std::string_view& in, int32_t countryCount);

private:
    void IndexBlocks();

    std::vector<uint32_t> starts_;
    CountryIndexColumn countries_;
    std::vector<std::pair<int64_t, int32_t>> beyond_;   // steps from 2^32 on, rarely any
    // Per block of 65,536 addresses (and one past the last), its first step: a search reads
    // the few steps of one block instead of halving the whole table (256 KB).
    std::vector<uint32_t> blockFirst_;
    size_t rangeCount_ = 0;
};

// The IPv6 ranges as steps, like CountryRangeTable. Range bounds almost always fall on /64
// borders, so a step keeps the upper half of its start; the few others keep their lower half
// apart.
class CountryRangeTable6 {
public:
    void Assign(const std::vector<CountryRange6>& ranges);
    void Clear() { Assign({}); }
    int32_t Find(const Ip6Number& number) const;
    size_t RangeCount() const { return rangeCount_; }
    size_t StepCount() const { return startHis_.size(); }
    size_t Bytes() const;
    // As CountryRangeTable's.
    void AppendTo(std::string& out) const;
    bool ReadFrom(std::string_view& in, int32_t countryCount);

private:
    uint64_t StartLo(size_t step) const;

    std::vector<uint64_t> startHis_;
    CountryIndexColumn countries_;
    std::vector<std::pair<size_t, uint64_t>> startLos_;   // (step, lower half) where not 0
    size_t rangeCount_ = 0;
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
    CountryRangeTable CountryRanges;
    bool CountriesLoaded = false;
    CountryRangeTable6 CountryRanges6;

private:
    // Where a list was when its automaton was built: a list assigned or resized since then
    // has another buffer or size, and is searched the plain way until indexed again.
    struct ListStamp {
        const void* Data = nullptr;
        size_t Size = 0;
        template <class List> static ListStamp Of(const List& list) { return {list.data(), list.size()}; }
        bool operator==(const ListStamp&) const = default;
    };
    MultiMatch spiders_, browsers_, searchEngines_, graphics_, sessions_;
    ListStamp spidersOf_, browsersOf_, searchEnginesOf_, graphicsOf_, sessionsOf_;

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
    // One automaton per list, so a text is searched for all of a list's patterns in one pass.
    // The loader builds them, and the run again at its start; the matchers give nullptr for a
    // list changed since (its users then search the plain way). Numbers are list indexes
    // (browser and search-engine patterns: their definition's). Search-engine match texts are
    // lowered and the text read lowered; a graphic extension is compared with the lowered
    // extension, so one written with capitals never matches.
    void IndexLists();
    void IndexSpiderStrings();
    void IndexBrowserDefinitions();
    void IndexSearchEngines();
    void IndexGraphicExtensions();
    void IndexSessionIDPrefixes();
    const MultiMatch* SpiderMatcher() const;
    const MultiMatch* BrowserMatcher() const;
    const MultiMatch* SearchEngineMatcher() const;
    const MultiMatch* GraphicsMatcher() const;
    const MultiMatch* SessionIDMatcher() const;
    // The error description text of a status code: first match, else "Unknown".
    std::string_view ErrorDescriptionOf(int code) const;
};

} // namespace trevix
