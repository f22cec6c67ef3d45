#pragma once
// Reading the values of the status, address, country and request-kind filters, testing an
// entry against them, and naming every active filter (for the summary and the report file).
// A value is read once before a run; the per-line tests do no parsing of the value and no
// allocation.
#include "engine/EntryFilters.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

struct ReferenceData;

// "404", "4xx", or a list of either ("301,302", "301,4xx"). Codes are 100..599.
std::optional<StatusFilter> ParseStatusFilter(std::string_view text, std::string& error);
// "1.2.3.4", "10.0.0.0/8", "2001:db8::1", "2001:db8::/32", or the end of a host name
// ("example.com" matches it and every name under it, any letter case).
std::optional<AddressFilter> ParseAddressFilter(std::string_view text, std::string& error);
// A two-letter code of the country list; gb and uk name the same country.
std::optional<CountryFilter> ParseCountryFilter(std::string_view text, const ReferenceData& ref, std::string& error);
// "all", "people" or "spiders".
std::optional<OnlyRequests> ParseOnlyFilter(std::string_view text, std::string& error);
// "yyyy-mm-dd" or "yyyy-mm-dd..yyyy-mm-dd"; sets the date filter's dates and its "between".
bool ParseDateSpec(std::string_view text, EntryFilters& filters, std::string& error);

bool StatusMatches(const StatusFilter& f, int status);
bool AddressMatches(const AddressFilter& f, std::string_view clientIP);
bool CountryMatches(const CountryFilter& f, const ReferenceData& ref, std::string_view clientIP);

// One active filter as the report file keeps it: Field is text, file, date, status, address,
// referrer, agent, country or only; Op is "is", "is not", "contains" or "doesn't contain" (a
// file takes all four: "is" names the whole file).
struct FilterDescription {
    std::string Field;
    std::string Op;
    std::string Value;
    bool operator==(const FilterDescription&) const = default;
};

// The active filters in a fixed order; empty when none is on.
std::vector<FilterDescription> DescribeFilters(const EntryFilters& f);
// "Filters: status is 404; user agent doesn't contain \"bot\"", or empty when none is on.
std::string FiltersLine(const EntryFilters& f);
// Turns one described filter on in f. False, with error set and f unchanged, for a field,
// op or value that cannot be read.
bool ApplyFilterDescription(EntryFilters& f, const FilterDescription& d, const ReferenceData& ref,
                            std::string& error);

} // namespace trevix
