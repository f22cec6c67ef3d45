#pragma once
// Visitors after the run: the visitor page, first and last sessions, visitors per date and
// hour; and the visitor report of selected addresses.
#include <string>
#include <vector>

namespace trevix {

class Analyser;

// Fills lstIPs, FirstFile/LastFile of every visitor, DateVisitors and HourVisitors[0..23].
void RunVisitorPass(Analyser& a);
// Whole seconds from the first session's entry to the last session's exit; 0 when unreadable.
long long TimeSpent(const Analyser& a, unsigned visitor);

struct VisitorReport {
    std::string Caption;   // "Visitor Report - 1.2.3.4" or "Visitor Report - 3 visitors"
    std::string Summary;   // the blocks of txtSummary
};

// The visitor report of the selected addresses (lstIPs row texts, top to bottom): fills
// Lists.Pages and returns caption and summary. Nothing happens for an empty selection.
VisitorReport BuildVisitorReport(Analyser& a, const std::vector<std::string>& selectedIPs);

} // namespace trevix
