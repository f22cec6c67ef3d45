#include "engine/parse/Filters.h"

#include "engine/Analyser.h"
#include "engine/InternalErrors.h"
#include "engine/parse/Classification.h"
#include "engine/parse/FilterValues.h"
#include "engine/parse/LogParser.h"
#include "engine/parse/TimeStamps.h"

namespace trevix {

namespace {
bool TextTest(bool contains, std::string_view text, std::string_view needle) {
    bool found = text.find(needle) != std::string_view::npos;
    return contains ? found : !found;
}
} // namespace

bool PassesFilters(Analyser& a, std::string_view raw, const LogEntry& e) {
    const EntryFilters& f = a.Filters;
    if (f.LogTextOn && !TextTest(f.LogTextContains, raw, f.LogText)) return false;
    if (f.FileOn && !(f.FileExact ? (e.File == f.FileText) == f.FileContains : TextTest(f.FileContains, e.File, f.FileText)))
        return false;
    if (f.DateOn) {
        auto date = StampValue(e.Date);
        bool inRange = false;
        if (!date) {
            // An entry whose date does not read is in no date range.
            ReportInternalError(a, ErrFilterDateNotDate, raw);
        } else {
            int64_t fromFirst = date->Days() - f.Date1.Days();
            if (f.DateBetween)
                inRange = fromFirst >= 0 && date->Days() - f.Date2.Days() <= 0;
            else
                inRange = fromFirst == 0;
        }
        if (f.DateIs != inRange) return false;
    }
    if (f.StatusOn && StatusMatches(f.Status, e.Status) != f.StatusIs) return false;
    if (f.ReferrerOn && !TextTest(f.ReferrerContains, e.Referrer, f.ReferrerText)) return false;
    if (f.AgentOn && !TextTest(f.AgentContains, e.UserAgent, f.AgentText)) return false;
    if (f.AddressOn && AddressMatches(f.Address, e.ClientIP) != f.AddressIs) return false;
    if (f.CountryOn && CountryMatches(f.Country, a.Reference, e.ClientIP) != f.CountryIs) return false;
    // The answer is remembered for the agent, so counting the entry asks again at no cost.
    if (f.Only != OnlyRequests::All && IsSpiderAgent(a, e.UserAgent) != (f.Only == OnlyRequests::Spiders))
        return false;
    return true;
}

} // namespace trevix
