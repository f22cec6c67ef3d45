#pragma once
// The entry filters as the front end sets them for a run. The text, file and date filters are
// set field by field; the others hold a value read once by FilterValues.h, so a line is tested
// with numbers and plain comparisons.
#include "engine/base/DateTime.h"
#include "engine/base/IpAddress.h"

#include <bitset>
#include <cstdint>
#include <string>

namespace trevix {

// Status codes 0..999 as a set; Text is the value as given ("404", "4xx", "301,302").
struct StatusFilter {
    std::bitset<1000> Codes;
    std::string Text;
};

// One address, a range of IPv4 or IPv6 addresses, or the end of a host name.
struct AddressFilter {
    enum class Kind : uint8_t { IPv4, IPv6, HostSuffix };
    Kind Type = Kind::IPv4;
    uint32_t First4 = 0, Last4 = 0;
    Ip6Number First6, Last6;
    std::string Suffix;   // lower case, without a leading "."
    std::string Text;     // the value as given
};

// A country as an index of the country list, with the index of its other code (gb and uk)
// when the list holds that one apart.
struct CountryFilter {
    int32_t Index = 0;
    int32_t OtherIndex = 0;
    std::string Code;     // lower case
};

enum class OnlyRequests : uint8_t { All, People, Spiders };

struct EntryFilters {
    bool LogTextOn = false;
    bool LogTextContains = true;   // false: "doesn't contain"
    std::string LogText;
    bool FileOn = false;
    bool FileContains = true;      // with FileExact: "is" (true) or "is not"
    bool FileExact = false;        // the whole file, not a part of it
    std::string FileText;
    bool DateOn = false;
    bool DateIs = true;            // false: "is not"
    bool DateBetween = false;      // false: "equal to"
    DateTime Date1;
    DateTime Date2;

    bool StatusOn = false;
    bool StatusIs = true;
    StatusFilter Status;
    bool AddressOn = false;
    bool AddressIs = true;
    AddressFilter Address;
    bool ReferrerOn = false;
    bool ReferrerContains = true;
    std::string ReferrerText;
    bool AgentOn = false;
    bool AgentContains = true;
    std::string AgentText;
    bool CountryOn = false;
    bool CountryIs = true;
    CountryFilter Country;
    OnlyRequests Only = OnlyRequests::All;

    bool AnyOn() const {
        return LogTextOn || FileOn || DateOn || StatusOn || AddressOn || ReferrerOn || AgentOn || CountryOn ||
               Only != OnlyRequests::All;
    }
};

} // namespace trevix
