#pragma once
// The filter test applied to every parsed line before it is counted. Every enabled filter
// must let the entry through.
#include "engine/tables/Tables.h"

#include <string_view>

namespace trevix {

class Analyser;

// True when every enabled filter lets the entry through. raw is the line as read (a
// trailing CR included).
bool PassesFilters(Analyser& a, std::string_view raw, const LogEntry& entry);

} // namespace trevix
