#include "ReferenceData.h"

#include "Text.h"

#include <algorithm>

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
} // namespace

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

void ReferenceData::IndexCountryRanges() {
    CountryRangesSorted = true;
    for (size_t i = 1; i < CountryRanges.size(); ++i) {
        const CountryRange& r = CountryRanges[i];
        if (r.RangeStart > r.RangeEnd || (i > 1 && CountryRanges[i - 1].RangeEnd >= r.RangeStart)) {
            CountryRangesSorted = false;
            break;
        }
    }
    CountryRanges6Sorted = true;
    for (size_t i = 1; i < CountryRanges6.size(); ++i) {
        const CountryRange6& r = CountryRanges6[i];
        if (r.RangeStart > r.RangeEnd || (i > 1 && CountryRanges6[i - 1].RangeEnd >= r.RangeStart)) {
            CountryRanges6Sorted = false;
            break;
        }
    }
}

int32_t ReferenceData::FindCountryOfNumber(int64_t number) const {
    if (CountryRangesSorted) {
        // Ranges are disjoint and ascending: at most one holds the number, the one with the
        // greatest start not above it.
        auto first = CountryRanges.begin() + 1;
        auto it = std::upper_bound(first, CountryRanges.end(), number,
                                   [](int64_t n, const CountryRange& r) { return n < r.RangeStart; });
        if (it == first) return 0;
        --it;
        return number <= it->RangeEnd ? it->CountryIndex : 0;
    }
    for (size_t i = 1; i < CountryRanges.size(); ++i)
        if (CountryRanges[i].RangeStart <= number && number <= CountryRanges[i].RangeEnd)
            return CountryRanges[i].CountryIndex;
    return 0;
}

int32_t ReferenceData::FindCountryOfNumber6(const Ip6Number& number) const {
    if (CountryRanges6Sorted) {
        auto first = CountryRanges6.begin() + 1;
        auto it = std::upper_bound(first, CountryRanges6.end(), number,
                                   [](const Ip6Number& n, const CountryRange6& r) { return n < r.RangeStart; });
        if (it == first) return 0;
        --it;
        return number <= it->RangeEnd ? it->CountryIndex : 0;
    }
    for (size_t i = 1; i < CountryRanges6.size(); ++i)
        if (CountryRanges6[i].RangeStart <= number && number <= CountryRanges6[i].RangeEnd)
            return CountryRanges6[i].CountryIndex;
    return 0;
}

int32_t ReferenceData::FindCountry(std::string_view address) const {
    int64_t number = 0;
    if (AddressNumber(address, number)) return FindCountryOfNumber(number);
    if (address.find(':') != std::string_view::npos) {
        // An IPv6 address never falls through to the host-name rule: its last part after a
        // "." would be a number of a mapped IPv4 address, never a country code.
        Ip6Number number6;
        if (ParseIPv6(address, number6)) {
            uint32_t v4 = 0;
            if (MappedIPv4(number6, v4)) return FindCountryOfNumber(v4);
            return FindCountryOfNumber6(number6);
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

void ReferenceData::IndexGraphicExtensions() {
    graphicIndex_.assign(256, {});
    for (size_t i = 1; i < GraphicExtensions.size(); ++i) {
        const std::string& g = GraphicExtensions[i];
        graphicIndex_[g.empty() ? 0 : static_cast<unsigned char>(g[0])].push_back(static_cast<uint16_t>(i));
    }
    graphicIndexOf_ = GraphicExtensions.data();
    graphicIndexCount_ = GraphicExtensions.size();
}

const std::vector<uint16_t>* ReferenceData::GraphicsStartingWith(unsigned char first) const {
    if (graphicIndexOf_ != GraphicExtensions.data() || graphicIndexCount_ != GraphicExtensions.size() ||
        graphicIndexCount_ > 65535)
        return nullptr;
    return &graphicIndex_[first];
}

void ReferenceData::IndexSessionIDPrefixes() {
    sessionFirst_.fill(false);
    for (size_t i = 1; i < SessionIDPrefixes.size(); ++i) {
        const std::string& p = SessionIDPrefixes[i];
        if (p.empty()) {
            // An empty prefix follows every "&" and "?", even at the end: no filter then.
            sessionIndexOf_ = nullptr;
            sessionIndexCount_ = 0;
            return;
        }
        sessionFirst_[static_cast<unsigned char>(p[0])] = true;
    }
    sessionIndexOf_ = SessionIDPrefixes.data();
    sessionIndexCount_ = SessionIDPrefixes.size();
}

const std::array<bool, 256>* ReferenceData::SessionPrefixFirstChars() const {
    if (sessionIndexOf_ != SessionIDPrefixes.data() || sessionIndexCount_ != SessionIDPrefixes.size()) return nullptr;
    return &sessionFirst_;
}

} // namespace trevix
