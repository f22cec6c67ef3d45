#pragma once
// The three entry filters as the front end sets them for a run.
#include "engine/base/DateTime.h"

#include <string>

namespace trevix {

struct EntryFilters {
    bool LogTextOn = false;
    bool LogTextContains = true;   // false: "doesn't contain"
    std::string LogText;
    bool FileOn = false;
    bool FileContains = true;
    std::string FileText;
    bool DateOn = false;
    bool DateIs = true;            // false: "is not"
    bool DateBetween = false;      // false: "equal to"
    DateTime Date1;
    DateTime Date2;
};

} // namespace trevix
