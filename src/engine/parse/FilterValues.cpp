#include "engine/parse/FilterValues.h"

#include "engine/base/Text.h"
#include "engine/tables/ReferenceData.h"

#include <algorithm>
#include <charconv>

namespace trevix {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ReadNumber(std::string_view s, int& value) {
    if (s.empty() || s.size() > 3 || !std::all_of(s.begin(), s.end(), IsDigit)) return false;
    std::from_chars(s.data(), s.data() + s.size(), value);
    return true;
}

// Adds one item of a status list: a code or a class such as 4xx.
bool AddStatusItem(std::string_view item, StatusFilter& f) {
    if (item.size() != 3 || item[0] < '1' || item[0] > '5') return false;
    const int hundreds = (item[0] - '0') * 100;
    if ((item[1] == 'x' || item[1] == 'X') && (item[2] == 'x' || item[2] == 'X')) {
        for (int code = hundreds; code < hundreds + 100; ++code) f.Codes.set(static_cast<size_t>(code));
        return true;
    }
    if (!IsDigit(item[1]) || !IsDigit(item[2])) return false;
    f.Codes.set(static_cast<size_t>(hundreds + (item[1] - '0') * 10 + (item[2] - '0')));
    return true;
}

// The first and last number of a prefix of the given length over bits of address width.
Ip6Number Mask6(int length) {
    Ip6Number m;
    if (length >= 64) {
        m.Hi = ~uint64_t{0};
        m.Lo = length == 128 ? ~uint64_t{0} : length == 64 ? 0 : ~uint64_t{0} << (128 - length);
    } else {
        m.Hi = length == 0 ? 0 : ~uint64_t{0} << (64 - length);
    }
    return m;
}

bool IsHostNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-' || c == '.' || c == '_';
}

// The 128-bit number of an entry's address; an IPv4 address as its mapped form.
bool EntryNumber6(std::string_view ip, Ip6Number& number) {
    uint32_t v4 = 0;
    if (ParseIPv4(ip, v4)) {
        number = {0, 0xffff00000000ull | v4};
        return true;
    }
    return ip.find(':') != std::string_view::npos && ParseIPv6(ip, number);
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerEnd) {
    if (text.size() < lowerEnd.size()) return false;
    const std::string_view tail = text.substr(text.size() - lowerEnd.size());
    for (size_t i = 0; i < tail.size(); ++i)
        if (LowerAscii(tail[i]) != lowerEnd[i]) return false;
    return true;
}

std::string IsoDate(const DateTime& d) { return d.ToIso().substr(0, 10); }

bool IsIsoDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsDigit(s[i])) return false;
    return true;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

constexpr const char* Contains = "contains";
constexpr const char* NotContains = "doesn't contain";
constexpr const char* Is = "is";
constexpr const char* IsNot = "is not";

} // namespace

std::optional<StatusFilter> ParseStatusFilter(std::string_view text, std::string& error) {
    StatusFilter f;
    f.Text = std::string(Trim(text));
    std::string_view rest = f.Text;
    for (;;) {
        const size_t comma = rest.find(',');
        std::string_view item = Trim(rest.substr(0, comma));
        if (!AddStatusItem(item, f)) {
            error = "not a status code (100 to 599), a class (1xx to 5xx) or a list of them: " + std::string(text);
            return std::nullopt;
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return f;
}

std::optional<AddressFilter> ParseAddressFilter(std::string_view text, std::string& error) {
    AddressFilter f;
    f.Text = std::string(Trim(text));
    std::string_view value = f.Text;
    const size_t slash = value.find('/');
    std::string_view address = value.substr(0, slash);
    int length = -1;
    const bool lengthRead = slash == std::string_view::npos || ReadNumber(value.substr(slash + 1), length);
    uint32_t v4 = 0;
    Ip6Number v6;
    if (lengthRead && ParseIPv4(address, v4)) {
        if (length < 0) length = 32;
        if (length <= 32) {
            const uint32_t mask = length == 0 ? 0 : ~uint32_t{0} << (32 - length);
            f.Type = AddressFilter::Kind::IPv4;
            f.First4 = v4 & mask;
            f.Last4 = f.First4 | ~mask;
            return f;
        }
    } else if (lengthRead && address.find(':') != std::string_view::npos && ParseIPv6(address, v6)) {
        if (length < 0) length = 128;
        if (length <= 128) {
            const Ip6Number mask = Mask6(length);
            f.Type = AddressFilter::Kind::IPv6;
            f.First6 = {v6.Hi & mask.Hi, v6.Lo & mask.Lo};
            f.Last6 = {f.First6.Hi | ~mask.Hi, f.First6.Lo | ~mask.Lo};
            return f;
        }
    } else if (slash == std::string_view::npos) {
        std::string_view name = value;
        if (!name.empty() && name.front() == '.') name.remove_prefix(1);
        // Digits and dots alone are a mistyped IPv4 address, not the end of a name.
        const bool numeric = std::all_of(name.begin(), name.end(), [](char c) { return IsDigit(c) || c == '.'; });
        if (!name.empty() && !numeric && std::all_of(name.begin(), name.end(), IsHostNameCharacter)) {
            f.Type = AddressFilter::Kind::HostSuffix;
            f.Suffix = ToLowerAscii(name);
            return f;
        }
    }
    error = "not an address, an address range such as 10.0.0.0/8 or 2001:db8::/32, or a host name: " +
            std::string(text);
    return std::nullopt;
}

std::optional<CountryFilter> ParseCountryFilter(std::string_view text, const ReferenceData& ref, std::string& error) {
    const std::string code = ToLowerAscii(Trim(text));
    if (code.size() != 2 || !std::all_of(code.begin(), code.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
        error = "not a two-letter country code: " + std::string(text);
        return std::nullopt;
    }
    if (ref.CountryIndexByCode.empty()) {
        error = "the country list (countries.dat) was not read";
        return std::nullopt;
    }
    auto indexOf = [&](const std::string& c) {
        auto found = ref.CountryIndexByCode.find(c);
        return found == ref.CountryIndexByCode.end() ? 0 : found->second;
    };
    CountryFilter f;
    f.Code = code;
    f.Index = indexOf(code);
    // Addresses count under gb, host names under .uk: either code means both.
    if (code == "gb" || code == "uk") f.OtherIndex = indexOf(code == "gb" ? "uk" : "gb");
    if (f.Index == 0 && f.OtherIndex == 0) {
        error = "no country has the code " + std::string(text) + " in countries.dat";
        return std::nullopt;
    }
    if (f.Index == 0) f.Index = f.OtherIndex;
    return f;
}

std::optional<OnlyRequests> ParseOnlyFilter(std::string_view text, std::string& error) {
    const std::string_view value = Trim(text);
    if (value == "all") return OnlyRequests::All;
    if (value == "people") return OnlyRequests::People;
    if (value == "spiders") return OnlyRequests::Spiders;
    error = "needs all, people or spiders, not " + std::string(text);
    return std::nullopt;
}

bool ParseDateSpec(std::string_view text, EntryFilters& filters, std::string& error) {
    const std::string_view value = Trim(text);
    const size_t dots = value.find("..");
    const std::string_view from = value.substr(0, dots);
    const std::string_view to = dots == std::string_view::npos ? from : value.substr(dots + 2);
    std::optional<DateTime> first, last;
    if (IsIsoDate(from) && IsIsoDate(to)) {
        first = DateTime::ParseIso(from);
        last = DateTime::ParseIso(to);
    }
    if (!first || !last) {
        error = "needs YYYY-MM-DD or YYYY-MM-DD..YYYY-MM-DD, calendar dates: " + std::string(text);
        return false;
    }
    filters.DateBetween = dots != std::string_view::npos;
    filters.Date1 = *first;
    filters.Date2 = *last;
    return true;
}

bool StatusMatches(const StatusFilter& f, int status) {
    return status >= 0 && status < static_cast<int>(f.Codes.size()) && f.Codes.test(static_cast<size_t>(status));
}

bool AddressMatches(const AddressFilter& f, std::string_view clientIP) {
    switch (f.Type) {
    case AddressFilter::Kind::IPv4: {
        uint32_t v4 = 0;
        Ip6Number v6;
        if (!ParseIPv4(clientIP, v4) &&
            !(clientIP.find(':') != std::string_view::npos && ParseIPv6(clientIP, v6) && MappedIPv4(v6, v4)))
            return false;
        return v4 >= f.First4 && v4 <= f.Last4;
    }
    case AddressFilter::Kind::IPv6: {
        Ip6Number v6;
        return EntryNumber6(clientIP, v6) && v6 >= f.First6 && v6 <= f.Last6;
    }
    case AddressFilter::Kind::HostSuffix:
        if (!EndsWithIgnoringCase(clientIP, f.Suffix)) return false;
        // The suffix must start a label: example.com is not the end of badexample.com.
        return clientIP.size() == f.Suffix.size() || clientIP[clientIP.size() - f.Suffix.size() - 1] == '.';
    }
    return false;
}

bool CountryMatches(const CountryFilter& f, const ReferenceData& ref, std::string_view clientIP) {
    const int32_t country = ref.FindCountry(clientIP);
    return country != 0 && (country == f.Index || country == f.OtherIndex);
}

std::vector<FilterDescription> DescribeFilters(const EntryFilters& f) {
    std::vector<FilterDescription> out;
    auto text = [&](bool on, const char* field, bool contains, const std::string& value) {
        if (on) out.push_back({field, contains ? Contains : NotContains, value});
    };
    auto is = [&](bool on, const char* field, bool isOp, const std::string& value) {
        if (on) out.push_back({field, isOp ? Is : IsNot, value});
    };
    text(f.LogTextOn, "text", f.LogTextContains, f.LogText);
    if (f.FileExact) is(f.FileOn, "file", f.FileContains, f.FileText);
    else text(f.FileOn, "file", f.FileContains, f.FileText);
    if (f.DateOn)
        is(true, "date", f.DateIs, f.DateBetween ? IsoDate(f.Date1) + ".." + IsoDate(f.Date2) : IsoDate(f.Date1));
    is(f.StatusOn, "status", f.StatusIs, f.Status.Text);
    is(f.AddressOn, "address", f.AddressIs, f.Address.Text);
    text(f.ReferrerOn, "referrer", f.ReferrerContains, f.ReferrerText);
    text(f.AgentOn, "agent", f.AgentContains, f.AgentText);
    is(f.CountryOn, "country", f.CountryIs, f.Country.Code);
    if (f.Only != OnlyRequests::All) out.push_back({"only", Is, f.Only == OnlyRequests::People ? "people" : "spiders"});
    return out;
}

std::string FiltersLine(const EntryFilters& f) {
    std::string line;
    for (const FilterDescription& d : DescribeFilters(f)) {
        line += line.empty() ? "Filters: " : "; ";
        if (d.Field == "only") {
            line += d.Value + " only";
        } else if (d.Field == "date") {
            const size_t dots = d.Value.find("..");
            line += "date " + d.Op + " " +
                    (dots == std::string::npos ? d.Value
                                               : "between " + d.Value.substr(0, dots) + " and " + d.Value.substr(dots + 2));
        } else {
            const bool quoted = d.Op == Contains || d.Op == NotContains;
            const std::string name = d.Field == "text" ? "log text" : d.Field == "agent" ? "user agent" : d.Field;
            line += name + " " + d.Op + " " + (quoted ? Quoted(d.Value) : d.Value);
        }
    }
    return line;
}

bool ApplyFilterDescription(EntryFilters& f, const FilterDescription& d, const ReferenceData& ref,
                            std::string& error) {
    const bool textOp = d.Op == Contains || d.Op == NotContains;
    const bool isOp = d.Op == Is || d.Op == IsNot;
    const bool positive = d.Op == Contains || d.Op == Is;
    auto wrongOp = [&] {
        error = "the " + d.Field + " filter cannot be \"" + d.Op + "\"";
        return false;
    };
    if (d.Field == "file" && isOp) {
        // A file named whole: the list's row, not every file that holds its text.
        f.FileOn = true;
        f.FileContains = positive;
        f.FileExact = true;
        f.FileText = d.Value;
        return true;
    }
    if (d.Field == "text" || d.Field == "file" || d.Field == "referrer" || d.Field == "agent") {
        if (!textOp) return wrongOp();
        auto set = [&](bool& on, bool& contains, std::string& value) {
            on = true;
            contains = positive;
            value = d.Value;
        };
        if (d.Field == "text") set(f.LogTextOn, f.LogTextContains, f.LogText);
        else if (d.Field == "file") {
            set(f.FileOn, f.FileContains, f.FileText);
            f.FileExact = false;
        }
        else if (d.Field == "referrer") set(f.ReferrerOn, f.ReferrerContains, f.ReferrerText);
        else set(f.AgentOn, f.AgentContains, f.AgentText);
        return true;
    }
    if (!isOp) {
        if (d.Field == "date" || d.Field == "status" || d.Field == "address" || d.Field == "country" ||
            d.Field == "only")
            return wrongOp();
        error = "no filter is called " + d.Field;
        return false;
    }
    if (d.Field == "date") {
        EntryFilters dates = f;
        if (!ParseDateSpec(d.Value, dates, error)) return false;
        f.DateOn = true;
        f.DateIs = positive;
        f.DateBetween = dates.DateBetween;
        f.Date1 = dates.Date1;
        f.Date2 = dates.Date2;
    } else if (d.Field == "status") {
        auto status = ParseStatusFilter(d.Value, error);
        if (!status) return false;
        f.StatusOn = true;
        f.StatusIs = positive;
        f.Status = std::move(*status);
    } else if (d.Field == "address") {
        auto address = ParseAddressFilter(d.Value, error);
        if (!address) return false;
        f.AddressOn = true;
        f.AddressIs = positive;
        f.Address = std::move(*address);
    } else if (d.Field == "country") {
        auto country = ParseCountryFilter(d.Value, ref, error);
        if (!country) return false;
        f.CountryOn = true;
        f.CountryIs = positive;
        f.Country = std::move(*country);
    } else if (d.Field == "only") {
        auto only = ParseOnlyFilter(d.Value, error);
        if (!only || !positive) {
            if (only) error = "the only filter cannot be \"is not\"";
            return false;
        }
        f.Only = *only;
    } else {
        error = "no filter is called " + d.Field;
        return false;
    }
    return true;
}

} // namespace trevix
