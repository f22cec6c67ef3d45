#include "engine/tables/ReferenceData.h"

#include "engine/base/Text.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <queue>

namespace trevix {

namespace {
// A piece of a dotted address that is all digits; its value is capped so that an absurd
// piece cannot overflow the address number (it then lies outside every range anyway).
bool ReadAddressPiece(std::string_view piece, int64_t& value) {
    if (piece.empty()) return false;
    value = 0;
    for (char c : piece) {
        if (c < '0' || c > '9') return false;
        if (value < (int64_t{1} << 32)) value = value * 10 + (c - '0');
    }
    return true;
}

// The IPv4 number of "a.b.c.d" with four numeric pieces (the last one is everything after the
// third dot); false for anything else.
bool AddressNumber(std::string_view address, int64_t& number) {
    int64_t pieces[4];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t dot = address.find('.', start);
        if (dot == std::string_view::npos) return false;
        if (!ReadAddressPiece(address.substr(start, dot - start), pieces[i])) return false;
        start = dot + 1;
    }
    if (!ReadAddressPiece(address.substr(start), pieces[3])) return false;
    number = pieces[0] * 16777216 + pieces[1] * 65536 + pieces[2] * 256 + pieces[3];
    return true;
}

// A range with its bounds in a table's key space.
template <class Key> struct Span {
    Key Start;
    Key End;
    int32_t Country;
};

// Hands the steps of ranges 0..count-1 (span(i) gives each one, nothing for a range that holds
// no key) to step(start, country) in ascending order: the first at bottom, none with the
// country of the step before. Where ranges overlap, the lower-numbered one counts.
template <class Key, class SpanOf, class Next, class Step>
void ForEachStep(size_t count, SpanOf span, Key bottom, Key top, Next next, Step step) {
    // A step is held back until the next one starts elsewhere: a range starting where the one
    // before ended, or at the bottom, replaces the step of country 0 there.
    Key heldStart = bottom;
    int32_t heldCountry = 0;
    bool given = false;
    int32_t lastGiven = 0;
    auto add = [&](Key at, int32_t country) {
        if (at == heldStart) {
            heldCountry = country;
            return;
        }
        if (!given || heldCountry != lastGiven) step(heldStart, heldCountry);
        given = true;
        lastGiven = heldCountry;
        heldStart = at;
        heldCountry = country;
    };

    // Ranges sorted by start and disjoint, as the shipped files are, give their steps in order.
    bool sorted = true;
    std::optional<Key> lastEnd;
    for (size_t i = 0; i < count && sorted; ++i) {
        std::optional<Span<Key>> s = span(i);
        if (!s) continue;
        sorted = !lastEnd || *lastEnd < s->Start;
        lastEnd = s->End;
    }
    if (sorted) {
        for (size_t i = 0; i < count; ++i) {
            std::optional<Span<Key>> s = span(i);
            if (!s) continue;
            add(s->Start, s->Country);
            if (s->End != top) add(next(s->End), 0);
        }
    } else {
        // A sweep over all bounds, keeping the ranges that hold the current key by number.
        struct Bound {
            Key At;
            size_t Range;
            bool Opens;
        };
        std::vector<Bound> bounds;
        std::vector<int32_t> countries(count, 0);
        for (size_t i = 0; i < count; ++i) {
            std::optional<Span<Key>> s = span(i);
            if (!s) continue;
            countries[i] = s->Country;
            bounds.push_back({s->Start, i, true});
            if (s->End != top) bounds.push_back({next(s->End), i, false});
        }
        std::sort(bounds.begin(), bounds.end(), [](const Bound& a, const Bound& b) { return a.At < b.At; });
        std::priority_queue<size_t, std::vector<size_t>, std::greater<>> holding;
        std::vector<bool> closed(count, false);
        for (size_t k = 0; k < bounds.size();) {
            const Key at = bounds[k].At;
            for (; k < bounds.size() && bounds[k].At == at; ++k) {
                if (bounds[k].Opens)
                    holding.push(bounds[k].Range);
                else
                    closed[bounds[k].Range] = true;
            }
            while (!holding.empty() && closed[holding.top()])
                holding.pop();
            add(at, holding.empty() ? 0 : countries[holding.top()]);
        }
    }
    if (!given || heldCountry != lastGiven) step(heldStart, heldCountry);
}

int32_t LargestCountry(size_t count, auto span) {
    int32_t largest = 0;
    for (size_t i = 0; i < count; ++i)
        if (auto s = span(i)) largest = std::max(largest, s->Country);
    return largest;
}

constexpr int64_t Beyond32 = int64_t{1} << 32;
} // namespace

void CountryIndexColumn::Reset(int32_t largest) {
    wide_ = largest > std::numeric_limits<uint16_t>::max();
    narrowIndexes_.clear();
    wideIndexes_.clear();
}

void CountryIndexColumn::Add(int32_t index) {
    if (wide_)
        wideIndexes_.push_back(index);
    else
        narrowIndexes_.push_back(static_cast<uint16_t>(index));
}

void CountryIndexColumn::Reserve(size_t count) {
    if (wide_)
        wideIndexes_.reserve(count);
    else
        narrowIndexes_.reserve(count);
}

size_t CountryIndexColumn::Bytes() const {
    return narrowIndexes_.capacity() * sizeof(uint16_t) + wideIndexes_.capacity() * sizeof(int32_t);
}

void CountryRangeTable::Assign(const std::vector<CountryRange>& ranges) {
    // Addresses are never negative: a range reaching below 0 holds only its part from 0 on.
    auto span = [&](size_t i) -> std::optional<Span<int64_t>> {
        const CountryRange& r = ranges[i];
        const int64_t start = std::max<int64_t>(r.RangeStart, 0);
        if (start > r.RangeEnd) return std::nullopt;
        return Span<int64_t>{start, r.RangeEnd, r.CountryIndex};
    };
    auto next = [](int64_t n) { return n + 1; };
    constexpr int64_t top = std::numeric_limits<int64_t>::max();
    // Counted first, so that the arrays are allocated once at their size.
    size_t below = 0;
    ForEachStep<int64_t>(ranges.size(), span, 0, top, next, [&](int64_t at, int32_t) { below += at < Beyond32; });
    starts_.clear();
    starts_.shrink_to_fit();
    starts_.reserve(below);
    beyond_.clear();
    countries_.Reset(LargestCountry(ranges.size(), span));
    countries_.Reserve(below);
    ForEachStep<int64_t>(ranges.size(), span, 0, top, next, [&](int64_t at, int32_t country) {
        if (at < Beyond32) {
            starts_.push_back(static_cast<uint32_t>(at));
            countries_.Add(country);
            return;
        }
        if (beyond_.empty() && at != Beyond32) beyond_.push_back({Beyond32, countries_.back()});
        beyond_.push_back({at, country});
    });
    IndexBlocks();
    rangeCount_ = ranges.size();
}

int32_t CountryRangeTable::Find(int64_t number) const {
    if (number < 0 || starts_.empty()) return 0;
    if (number >= Beyond32) {
        // The last step below 2^32 reaches on unless a range file says otherwise.
        if (beyond_.empty()) return countries_.back();
        auto it = std::upper_bound(beyond_.begin(), beyond_.end(), number,
                                   [](int64_t n, const std::pair<int64_t, int32_t>& s) { return n < s.first; });
        return std::prev(it)->second;
    }
    // The first step starts at 0, so some step holds every number: the last of those before
    // the number's block when none in the block starts at or below it.
    const auto n = static_cast<uint32_t>(number);
    const auto it = std::upper_bound(starts_.begin() + blockFirst_[n >> 16], starts_.begin() + blockFirst_[(n >> 16) + 1], n);
    return countries_[static_cast<size_t>(it - starts_.begin()) - 1];
}

void CountryRangeTable::IndexBlocks() {
    blockFirst_.clear();
    if (starts_.empty()) return;
    blockFirst_.resize(size_t{1} << 16 | 1);
    size_t step = 0;
    for (size_t block = 0; block < blockFirst_.size(); ++block) {
        while (step < starts_.size() && starts_[step] < (uint64_t{block} << 16)) ++step;
        blockFirst_[block] = static_cast<uint32_t>(step);
    }
}

size_t CountryRangeTable::Bytes() const {
    return starts_.capacity() * sizeof(uint32_t) + countries_.Bytes() +
           beyond_.capacity() * sizeof(std::pair<int64_t, int32_t>) + blockFirst_.capacity() * sizeof(uint32_t);
}

void CountryRangeTable6::Assign(const std::vector<CountryRange6>& ranges) {
    auto span = [&](size_t i) -> std::optional<Span<Ip6Number>> {
        const CountryRange6& r = ranges[i];
        if (r.RangeStart > r.RangeEnd) return std::nullopt;
        return Span<Ip6Number>{r.RangeStart, r.RangeEnd, r.CountryIndex};
    };
    auto next = [](Ip6Number n) {
        if (++n.Lo == 0) ++n.Hi;
        return n;
    };
    const Ip6Number bottom{0, 0}, top{~uint64_t{0}, ~uint64_t{0}};
    size_t steps = 0, los = 0;
    ForEachStep<Ip6Number>(ranges.size(), span, bottom, top, next, [&](const Ip6Number& at, int32_t) {
        ++steps;
        los += at.Lo != 0;
    });
    startHis_.clear();
    startHis_.shrink_to_fit();
    startHis_.reserve(steps);
    startLos_.clear();
    startLos_.shrink_to_fit();
    startLos_.reserve(los);
    countries_.Reset(LargestCountry(ranges.size(), span));
    countries_.Reserve(steps);
    ForEachStep<Ip6Number>(ranges.size(), span, bottom, top, next, [&](const Ip6Number& at, int32_t country) {
        if (at.Lo != 0) startLos_.push_back({startHis_.size(), at.Lo});
        startHis_.push_back(at.Hi);
        countries_.Add(country);
    });
    rangeCount_ = ranges.size();
}

uint64_t CountryRangeTable6::StartLo(size_t step) const {
    auto it = std::lower_bound(startLos_.begin(), startLos_.end(), step,
                               [](const std::pair<size_t, uint64_t>& s, size_t n) { return s.first < n; });
    return it != startLos_.end() && it->first == step ? it->second : 0;
}

int32_t CountryRangeTable6::Find(const Ip6Number& number) const {
    if (startHis_.empty()) return 0;
    // The steps whose upper half is at most the number's; the last of them holds it unless it
    // shares the upper half and starts above in the lower one.
    size_t end = static_cast<size_t>(std::upper_bound(startHis_.begin(), startHis_.end(), number.Hi) - startHis_.begin());
    if (startHis_[end - 1] == number.Hi && StartLo(end - 1) > number.Lo) {
        const size_t first = static_cast<size_t>(
            std::lower_bound(startHis_.begin(), startHis_.begin() + static_cast<ptrdiff_t>(end), number.Hi) -
            startHis_.begin());
        size_t lo = first, hi = end; // the first step in [first, end) starting above the number
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (StartLo(mid) > number.Lo)
                hi = mid;
            else
                lo = mid + 1;
        }
        end = lo;
    }
    return countries_[end - 1];
}

size_t CountryRangeTable6::Bytes() const {
    return startHis_.capacity() * sizeof(uint64_t) + countries_.Bytes() +
           startLos_.capacity() * sizeof(std::pair<size_t, uint64_t>);
}

namespace {

// Raw numbers and arrays of a cache file: written and read on the same machine.
void PutNumber(std::string& out, uint64_t n) { out.append(reinterpret_cast<const char*>(&n), sizeof n); }

bool TakeNumber(std::string_view& in, uint64_t& n) {
    if (in.size() < sizeof n) return false;
    std::memcpy(&n, in.data(), sizeof n);
    in.remove_prefix(sizeof n);
    return true;
}

template <class T> void PutArray(std::string& out, const std::vector<T>& items) {
    PutNumber(out, items.size());
    if (!items.empty()) out.append(reinterpret_cast<const char*>(items.data()), items.size() * sizeof(T));
}

template <class T> bool TakeArray(std::string_view& in, std::vector<T>& items) {
    uint64_t count = 0;
    if (!TakeNumber(in, count) || count > in.size() / sizeof(T)) return false;
    items.resize(static_cast<size_t>(count));
    if (count != 0) std::memcpy(items.data(), in.data(), static_cast<size_t>(count) * sizeof(T));
    in.remove_prefix(static_cast<size_t>(count) * sizeof(T));
    return true;
}

bool IsCountry(int64_t index, int32_t countryCount) { return index >= 0 && index <= countryCount; }

} // namespace

void CountryIndexColumn::AppendTo(std::string& out) const {
    PutNumber(out, wide_ ? 1 : 0);
    if (wide_)
        PutArray(out, wideIndexes_);
    else
        PutArray(out, narrowIndexes_);
}

bool CountryIndexColumn::ReadFrom(std::string_view& in, int32_t countryCount) {
    uint64_t wide = 0;
    if (!TakeNumber(in, wide) || wide > 1) return false;
    wide_ = wide == 1;
    narrowIndexes_.clear();
    wideIndexes_.clear();
    if (wide_ ? !TakeArray(in, wideIndexes_) : !TakeArray(in, narrowIndexes_)) return false;
    for (size_t i = 0; i < size(); ++i)
        if (!IsCountry((*this)[i], countryCount)) return false;
    return true;
}

void CountryRangeTable::AppendTo(std::string& out) const {
    PutNumber(out, rangeCount_);
    PutArray(out, starts_);
    countries_.AppendTo(out);
    PutArray(out, beyond_);
}

bool CountryRangeTable::ReadFrom(std::string_view& in, int32_t countryCount) {
    uint64_t ranges = 0;
    bool ok = TakeNumber(in, ranges) && TakeArray(in, starts_) && countries_.ReadFrom(in, countryCount) &&
              TakeArray(in, beyond_) && countries_.size() == starts_.size();
    // Find relies on a first step at 0 and on ascending starts.
    if (ok && !starts_.empty()) ok = starts_[0] == 0;
    for (size_t i = 1; ok && i < starts_.size(); ++i) ok = starts_[i - 1] < starts_[i];
    if (ok && !beyond_.empty()) ok = !starts_.empty() && beyond_[0].first >= Beyond32;
    for (size_t i = 0; ok && i < beyond_.size(); ++i)
        ok = IsCountry(beyond_[i].second, countryCount) && (i == 0 || beyond_[i - 1].first < beyond_[i].first);
    if (!ok) {
        Clear();
        return false;
    }
    IndexBlocks();
    rangeCount_ = static_cast<size_t>(ranges);
    return true;
}

void CountryRangeTable6::AppendTo(std::string& out) const {
    PutNumber(out, rangeCount_);
    PutArray(out, startHis_);
    countries_.AppendTo(out);
    PutArray(out, startLos_);
}

bool CountryRangeTable6::ReadFrom(std::string_view& in, int32_t countryCount) {
    uint64_t ranges = 0;
    bool ok = TakeNumber(in, ranges) && TakeArray(in, startHis_) && countries_.ReadFrom(in, countryCount) &&
              TakeArray(in, startLos_) && countries_.size() == startHis_.size();
    // Find relies on a first step at 0 and on steps ascending by upper, then lower half, with
    // the lower halves listed by ascending step.
    if (ok && !startHis_.empty()) ok = startHis_[0] == 0 && (startLos_.empty() || startLos_[0].first != 0);
    for (size_t i = 0; ok && i < startLos_.size(); ++i)
        ok = startLos_[i].first < startHis_.size() && startLos_[i].second != 0 &&
             (i == 0 || startLos_[i - 1].first < startLos_[i].first);
    size_t lo = 0;
    uint64_t previousLo = 0;
    for (size_t i = 0; ok && i < startHis_.size(); ++i) {
        const uint64_t thisLo = lo < startLos_.size() && startLos_[lo].first == i ? startLos_[lo++].second : 0;
        if (i > 0) ok = startHis_[i - 1] < startHis_[i] || (startHis_[i - 1] == startHis_[i] && previousLo < thisLo);
        previousLo = thisLo;
    }
    if (!ok) {
        Clear();
        return false;
    }
    rangeCount_ = static_cast<size_t>(ranges);
    return true;
}

ReferenceData::ReferenceData() {
    ResetBrowserDefinitions();
}

void ReferenceData::ResetBrowserDefinitions() {
    BrowserDefinitions.assign(2, BrowserDefinition{});
    BrowserDefinitions[0].Name = "(unknown)";
    BrowserDefinitions[0].IsOS = false;
    BrowserDefinitions[1].Name = "(unknown)";
    BrowserDefinitions[1].IsOS = true;
}

int32_t ReferenceData::FindCountry(std::string_view address) const {
    int64_t number = 0;
    if (AddressNumber(address, number)) return CountryRanges.Find(number);
    if (address.find(':') != std::string_view::npos) {
        // An IPv6 address never falls through to the host-name rule: its last part after a
        // "." would be a number of a mapped IPv4 address, never a country code.
        Ip6Number number6;
        if (ParseIPv6(address, number6)) {
            uint32_t v4 = 0;
            if (MappedIPv4(number6, v4)) return CountryRanges.Find(v4);
            return CountryRanges6.Find(number6);
        }
    }
    size_t dot = address.rfind('.');
    if (dot == std::string_view::npos) return 0;
    std::string_view top = address.substr(dot + 1);
    if (!CountryIndexByCode.empty()) {
        std::string lower(top);
        for (char& c : lower)
            c = LowerAscii(c);
        auto found = CountryIndexByCode.find(lower);
        return found == CountryIndexByCode.end() ? 0 : found->second;
    }
    for (size_t i = 1; i < CountryList.size(); ++i)
        if (EqualsIgnoringCase(CountryList[i].Code, top)) return static_cast<int32_t>(i);
    return 0;
}

std::string_view ReferenceData::ErrorDescriptionOf(int code) const {
    for (size_t i = 1; i < ErrorDescriptions.size(); ++i)
        if (ErrorDescriptions[i].Code == code) return ErrorDescriptions[i].Description;
    return "Unknown";
}

namespace {
using Patterns = std::vector<std::pair<std::string_view, uint32_t>>;

// The items of a 1-based list numbered by their place.
Patterns NumberedItems(const std::vector<std::string>& items) {
    Patterns patterns;
    patterns.reserve(items.size());
    for (size_t i = 1; i < items.size(); ++i)
        patterns.emplace_back(items[i], static_cast<uint32_t>(i));
    return patterns;
}
} // namespace

void ReferenceData::IndexLists() {
    IndexSpiderStrings();
    IndexBrowserDefinitions();
    IndexSearchEngines();
    IndexGraphicExtensions();
    IndexSessionIDPrefixes();
}

void ReferenceData::IndexSpiderStrings() {
    spiders_.Build(NumberedItems(SpiderStrings), MultiMatch::Letters::Exact);
    spidersOf_ = ListStamp::Of(SpiderStrings);
}

void ReferenceData::IndexBrowserDefinitions() {
    Patterns patterns;
    for (size_t i = 1; i < BrowserDefinitions.size(); ++i)
        for (const std::string& match : BrowserDefinitions[i].MatchStrings)
            patterns.emplace_back(match, static_cast<uint32_t>(i));
    browsers_.Build(patterns, MultiMatch::Letters::Exact);
    browsersOf_ = ListStamp::Of(BrowserDefinitions);
}

void ReferenceData::IndexSearchEngines() {
    std::vector<std::string> lowered(SearchEngineDefinitions.size());
    for (size_t i = 1; i < SearchEngineDefinitions.size(); ++i)
        lowered[i] = ToLowerAscii(SearchEngineDefinitions[i].MatchText);
    searchEngines_.Build(NumberedItems(lowered), MultiMatch::Letters::LowerText);
    searchEnginesOf_ = ListStamp::Of(SearchEngineDefinitions);
}

void ReferenceData::IndexGraphicExtensions() {
    graphics_.Build(NumberedItems(GraphicExtensions), MultiMatch::Letters::LowerText);
    graphicsOf_ = ListStamp::Of(GraphicExtensions);
}

void ReferenceData::IndexSessionIDPrefixes() {
    sessions_.Build(NumberedItems(SessionIDPrefixes), MultiMatch::Letters::Exact);
    sessionsOf_ = ListStamp::Of(SessionIDPrefixes);
}

const MultiMatch* ReferenceData::SpiderMatcher() const {
    return spidersOf_ == ListStamp::Of(SpiderStrings) ? &spiders_ : nullptr;
}

const MultiMatch* ReferenceData::BrowserMatcher() const {
    return browsersOf_ == ListStamp::Of(BrowserDefinitions) ? &browsers_ : nullptr;
}

const MultiMatch* ReferenceData::SearchEngineMatcher() const {
    return searchEnginesOf_ == ListStamp::Of(SearchEngineDefinitions) ? &searchEngines_ : nullptr;
}

const MultiMatch* ReferenceData::GraphicsMatcher() const {
    return graphicsOf_ == ListStamp::Of(GraphicExtensions) ? &graphics_ : nullptr;
}

const MultiMatch* ReferenceData::SessionIDMatcher() const {
    return sessionsOf_ == ListStamp::Of(SessionIDPrefixes) ? &sessions_ : nullptr;
}

} // namespace trevix
