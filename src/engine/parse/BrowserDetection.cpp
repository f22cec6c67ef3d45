#include "engine/parse/BrowserDetection.h"

#include <algorithm>

namespace trevix {

BrowserResult DetectBrowser(ReferenceData& ref, std::string_view userAgent, bool countHits) {
    std::vector<int> matched;
    BrowserResult result = DetectBrowser(static_cast<const ReferenceData&>(ref), userAgent, matched);
    if (countHits) CountBrowserHits(ref, result, matched);
    return result;
}

void CountBrowserHits(ReferenceData& ref, const BrowserResult& result, const std::vector<int>& matched) {
    auto& defs = ref.BrowserDefinitions;
    for (int i : matched) ++defs[static_cast<size_t>(i)].Hits;
    if (defs.size() >= 2) {
        if (!result.BrowserFound) ++defs[0].Hits;
        if (!result.OSFound) ++defs[1].Hits;
    }
}

BrowserResult DetectBrowser(const ReferenceData& ref, std::string_view userAgent, std::vector<int>& matchedDefinitions) {
    BrowserResult result;
    matchedDefinitions.clear();
    const auto& defs = ref.BrowserDefinitions;
    if (const MultiMatch* browsers = ref.BrowserMatcher()) {
        std::vector<uint32_t> found;
        browsers->AllIn(userAgent, found);
        matchedDefinitions.assign(found.begin(), found.end());
    } else {
        for (size_t i = 1; i < defs.size(); ++i) {
            const auto& matches = defs[i].MatchStrings;
            if (std::any_of(matches.begin(), matches.end(),
                            [&](const std::string& m) { return userAgent.find(m) != std::string_view::npos; }))
                matchedDefinitions.push_back(static_cast<int>(i));
        }
    }
    for (int i : matchedDefinitions) {
        const BrowserDefinition& def = defs[static_cast<size_t>(i)];
        // Aggregate records ("(all)") count their hits but never name the visitor's software.
        bool aggregate = def.Name.find("(all)") != std::string::npos;
        if (def.IsOS) {
            result.OSFound = true;
            if (!aggregate) result.OS = def.Name;
        } else {
            result.BrowserFound = true;
            if (!aggregate) result.Browser = def.Name;
        }
    }
    return result;
}

} // namespace trevix
