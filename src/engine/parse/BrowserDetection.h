#pragma once
// Naming a visitor's browser and operating system from its user agent.
#include "engine/tables/ReferenceData.h"

#include <string_view>
#include <vector>

namespace trevix {

struct BrowserResult {
    std::string_view Browser;
    std::string_view OS;
    bool BrowserFound = false;
    bool OSFound = false;
};

// Tries every definition in order; a later match overwrites an earlier name, "(all)"
// definitions only count. With countHits, every matching definition's Hits grows, and the
// built-in unknown records count when nothing matched.
BrowserResult DetectBrowser(ReferenceData& ref, std::string_view userAgent, bool countHits);
// The same without counting; the numbers of the matching definitions go to matched.
BrowserResult DetectBrowser(const ReferenceData& ref, std::string_view userAgent, std::vector<int>& matched);
// Counts a detection made earlier: every matching definition, or the unknown records.
void CountBrowserHits(ReferenceData& ref, const BrowserResult& result, const std::vector<int>& matched);

} // namespace trevix
