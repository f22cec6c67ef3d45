#pragma once
// Conversion reports: which referrers, search terms and entry pages brought the visitors who
// reached a goal file.
#include <string>

namespace trevix {

class Analyser;

void GenerateConversionsReport(Analyser& a, const std::string& goal, bool showPage);
// Shows report n (1-based) in the three conversion lists.
void DisplayConversionsReport(Analyser& a, int n);

} // namespace trevix
