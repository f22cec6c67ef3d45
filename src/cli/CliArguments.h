#pragma once
// The options of "trevix-cli [options] LOGFILE...".
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace trevix {

struct SortRequest {
    std::string List;
    std::string Column;    // 1-based number or column title
    int Order = -1;        // 0 asc, 1 desc, -1 choose as a column click does
};

struct FilterRequest {
    bool Negated = false;
    std::string Text;
};

struct DateFilterRequest {
    bool Negated = false;
    std::string From, To;  // yyyy-mm-dd; To empty for "equal to"
};

struct CliArguments {
    std::vector<std::string> LogFiles;
    std::vector<std::string> Lists;
    std::vector<SortRequest> Sorts;
    std::optional<std::string> SettingsFile;
    std::optional<std::string> Site;
    std::vector<std::string> Domains;
    bool SeparateDomains = false;
    std::optional<std::string> LogFormat;   // a format's name or a format string, checked
    std::vector<std::pair<std::string, std::string>> Sets;   // Options key, value
    std::optional<std::string> Anonymise;          // "none", "truncate" or "hash"
    std::optional<std::string> AnonymiseKeyFile;
    std::optional<FilterRequest> FilterText;
    std::optional<FilterRequest> FilterFile;
    std::optional<DateFilterRequest> FilterDate;
    // Values checked when read (the country's code against the country list once it is read).
    std::optional<FilterRequest> FilterStatus;
    std::optional<FilterRequest> FilterAddress;
    std::optional<FilterRequest> FilterReferrer;
    std::optional<FilterRequest> FilterAgent;
    std::optional<FilterRequest> FilterCountry;
    std::optional<std::string> Only;   // all, people, spiders
    std::vector<std::string> Conversions;
    std::vector<std::string> Visitors;
    bool ShowLog = false;
    bool Stats = false;
    bool Help = false;
    std::optional<std::string> XmlOut;
    std::optional<std::string> CsvDir;
    std::optional<std::string> HtmlOut;
    std::optional<std::string> Load;
    std::vector<std::string> Compares;
};

// Parses argv[1..]; on a bad argument returns nothing and sets error.
std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& args, std::string& error);
const char* CliUsage();

} // namespace trevix
