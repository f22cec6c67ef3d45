#include "BrowserDetection.h"

namespace trevix {

BrowserResult DetectBrowser(ReferenceData& ref, std::string_view userAgent, bool countHits) {
    BrowserResult result;
    auto& defs = ref.BrowserDefinitions;
    for (size_t i = 1; i < defs.size(); ++i) {
        BrowserDefinition& def = defs[i];
        bool matched = false;
        for (const std::string& match : def.MatchStrings) {
            if (userAgent.find(match) != std::string_view::npos) {
                matched = true;
                break;
            }
        }
        if (!matched) continue;
        if (countHits) ++def.Hits;
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
    if (countHits && defs.size() >= 2) {
        if (!result.BrowserFound) ++defs[0].Hits;
        if (!result.OSFound) ++defs[1].Hits;
    }
    return result;
}

} // namespace trevix
