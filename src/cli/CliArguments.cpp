#include "CliArguments.h"

#include "engine/formats/FormatChoice.h"
#include "engine/parse/FilterValues.h"

#include <algorithm>
#include <cstddef>

namespace trevix {

const char* CliUsage() {
    return "Usage: trevix-cli [options] LOGFILE...\n"
           "       trevix-cli [options] --load REPORT.xml\n"
           "       trevix-cli fetch (ftp|ftps|sftp)://USER@HOST[:PORT]/PATH/FILE... --to FOLDER [--password-file F]\n"
           "                        [--ca-file F] [--known-hosts F] [--rename] [--overwrite]   (trevix-cli fetch --help)\n"
           "\n"
           "Analyses web-server access logs (plain, .gz, .bz2, .xz or .zst) and prints the summary.\n"
           "\n"
           "Report:\n"
           "  --list NAME              print a report list as tab-separated text (repeatable):\n"
           "                           lstHits lstHour lstIPs lstReferrers lstSearchTerms lstSearchEngines\n"
           "                           lstBrowsers lstOS lstWebBrowser lstFiles lstCountries lstErrors\n"
           "                           lstConversions0 lstConversions1 lstConversions2\n"
           "  --sort NAME:COLUMN[:asc|desc]  sort a list by a column (number or title) first\n"
           "  --conversion FILE        generate the conversion report for a goal file (repeatable)\n"
           "  --visitor IP             print the visitor report for an address (repeatable)\n"
           "  --stats                  print files loaded, the format each was read as, lines accepted and\n"
           "                           rejected, first and last time, and the data folder used\n"
           "  --log                    print the data folder used and the processing log on stderr\n"
           "Site and options:\n"
           "  --settings FILE          use this INI file as the settings store\n"
           "  --site NAME              use the stored site profile of that name (default: the first)\n"
           "  --domain D               use an ad-hoc profile with this domain (repeatable)\n"
           "  --separate-domains       the ad-hoc profile shows domains separately\n"
           "  --log-format NAME|STRING read the logs as this format (default: the site's, else auto):\n"
           "                           auto common combined vhost-combined w3c cloudfront caddy traefik\n"
           "                           nginx-json alb elb s3, or the server's own format string\n"
           "  --set KEY=VALUE          override an option for this run (e.g. MergeSessions=No)\n"
           "  --anonymise none|truncate|hash  visitors' addresses: as logged, their networks (IPv4 /24,\n"
           "                           IPv6 /48) or a keyed hash (default: the site's setting)\n"
           "  --anonymise-key-file F   the hash's key: 64 hex digits or 32+ bytes, in a file of mode 0600\n"
           "                           (default: the key of the site profile)\n"
           "Filters:\n"
           "  --filter-text [!]TEXT    raw line contains (or, with !, doesn't contain) TEXT\n"
           "  --filter-file [!]TEXT    requested file contains (doesn't contain) TEXT\n"
           "  --filter-date [!]YYYY-MM-DD[..YYYY-MM-DD]  date is (is not) equal to / between\n"
           "  --filter-status [!]CODES status is (is not) a code, a class or a list: 404, 4xx, 301,302\n"
           "  --filter-address [!]ADDR  client is (is not) an address, a range (10.0.0.0/8, 2001:db8::/32)\n"
           "                           or a host name and the names under it (example.com)\n"
           "  --filter-referrer [!]TEXT  referrer contains (doesn't contain) TEXT\n"
           "  --filter-agent [!]TEXT   user agent contains (doesn't contain) TEXT\n"
           "  --filter-country [!]CODE country is (is not) a two-letter code of countries.dat (gb = uk)\n"
           "  --only people|spiders    count only the requests of people, or only those of spiders\n"
           "Report files:\n"
           "  --xml FILE               save the report as XML after the analysis\n"
           "  --csv DIR                save every report list as DIR/<list name>.csv\n"
           "  --html FILE              save the report as one self-contained HTML file\n"

           "  --load REPORT.xml        load a saved report instead of reading logs\n"
           "  --compare OTHER.xml      compare with a saved report (repeatable)\n"
           "  --help                   show this text\n"
           "\n"
           "Exit status:\n"
           "  0    done\n"
           "  1    bad arguments (nothing was read)\n"
           "  2    a log file or report could not be read, not enough memory, or the report not saved\n"
           "  3    analysis completed, but some input was damaged or skipped (a warning names each file)\n"
           "  129  stopped by SIGHUP; nothing was saved\n"
           "  130  cancelled (Ctrl+C); nothing was saved\n"
           "  143  stopped by SIGTERM; nothing was saved\n";
}

namespace {

FilterRequest ParseFilter(const std::string& value) {
    FilterRequest f;
    if (!value.empty() && value[0] == '!') {
        f.Negated = true;
        f.Text = value.substr(1);
    } else {
        f.Text = value;
    }
    return f;
}

bool IsIsoDate(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// "NAME:COLUMN[:asc|desc]"; a column title may itself hold a colon.
bool AddSort(CliArguments& out, std::string v, std::string& error) {
    SortRequest s;
    size_t c1 = v.find(':');
    if (c1 == std::string::npos) {
        error = "--sort needs NAME:COLUMN[:asc|desc]";
        return false;
    }
    s.List = v.substr(0, c1);
    std::string rest = v.substr(c1 + 1);
    size_t c2 = rest.rfind(':');
    if (c2 != std::string::npos && (rest.substr(c2 + 1) == "asc" || rest.substr(c2 + 1) == "desc")) {
        s.Order = rest.substr(c2 + 1) == "asc" ? 0 : 1;
        rest = rest.substr(0, c2);
    }
    s.Column = rest;
    out.Sorts.push_back(s);
    return true;
}

bool SetAnonymise(CliArguments& out, std::string v, std::string& error) {
    if (v != "none" && v != "truncate" && v != "hash") {
        error = "--anonymise needs none, truncate or hash";
        return false;
    }
    out.Anonymise = std::move(v);
    return true;
}

bool AddSet(CliArguments& out, std::string v, std::string& error) {
    size_t eq = v.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "--set needs KEY=VALUE";
        return false;
    }
    out.Sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    return true;
}

bool SetDateFilter(CliArguments& out, std::string v, std::string& error) {
    DateFilterRequest d;
    if (!v.empty() && v[0] == '!') {
        d.Negated = true;
        v.erase(0, 1);
    }
    size_t dots = v.find("..");
    d.From = v.substr(0, dots);
    if (dots != std::string::npos) d.To = v.substr(dots + 2);
    if (!IsIsoDate(d.From) || (dots != std::string::npos && !IsIsoDate(d.To))) {
        error = "--filter-date needs YYYY-MM-DD or YYYY-MM-DD..YYYY-MM-DD";
        return false;
    }
    out.FilterDate = d;
    return true;
}

// The new filters' values are read by the engine's own readers, so a bad one is refused
// before anything is read, naming the option.
bool SetStatusFilter(CliArguments& out, std::string v, std::string& error) {
    FilterRequest f = ParseFilter(v);
    if (!ParseStatusFilter(f.Text, error)) {
        error = "--filter-status: " + error;
        return false;
    }
    out.FilterStatus = f;
    return true;
}

bool SetAddressFilter(CliArguments& out, std::string v, std::string& error) {
    FilterRequest f = ParseFilter(v);
    if (!ParseAddressFilter(f.Text, error)) {
        error = "--filter-address: " + error;
        return false;
    }
    out.FilterAddress = f;
    return true;
}

bool SetCountryFilter(CliArguments& out, std::string v, std::string& error) {
    FilterRequest f = ParseFilter(v);
    const bool letters = f.Text.size() == 2 && std::all_of(f.Text.begin(), f.Text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
    if (!letters) {
        error = "--filter-country: not a two-letter country code: " + f.Text;
        return false;
    }
    out.FilterCountry = f;
    return true;
}

bool SetOnly(CliArguments& out, std::string v, std::string& error) {
    if (!ParseOnlyFilter(v, error)) {
        error = "--only: " + error;
        return false;
    }
    out.Only = std::move(v);
    return true;
}

// "auto", a format's name or a format string the reader can use. A single word of letters,
// digits and '-' is taken as a name, so a misspelt name is refused instead of being read as
// a format string that matches no line.
bool SetLogFormat(CliArguments& out, std::string v, std::string& error) {
    if (v.find_first_not_of(" \t") == std::string::npos) {
        error = "--log-format needs a format name or a format string";
        return false;
    }
    const FormatChoice choice = FormatChoiceOf(v);
    const bool word = std::all_of(v.begin(), v.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    });
    if (word && choice.Name == FormatName::FormatString) {
        std::string names;
        for (const FormatNameInfo& info : FormatNames())
            if (!info.Key.empty()) names += (names.empty() ? "" : ", ") + std::string(info.Key);
        error = "unknown log format name in --log-format: " + v + " (the names are " + names + ")";
        return false;
    }
    std::string why;
    MakeLineFormat(choice, why);
    if (!why.empty()) {
        error = "--log-format: the format string cannot be used: " + why;
        return false;
    }
    out.LogFormat = FormatChoiceText(choice);
    return true;
}

// One option: its name, whether the next word is its value, and what it does with it. A
// handler that finds the value wrong sets the error and returns false.
struct CliOption {
    const char* Name;
    bool TakesValue;
    bool (*Handle)(CliArguments& out, std::string value, std::string& error);
};

using Value = std::string;
using Error = std::string&;

const CliOption Options[] = {
    {"--help", false, [](CliArguments& o, Value, Error) { o.Help = true; return true; }},
    {"-h", false, [](CliArguments& o, Value, Error) { o.Help = true; return true; }},
    {"--list", true, [](CliArguments& o, Value v, Error) { o.Lists.push_back(std::move(v)); return true; }},
    {"--sort", true, AddSort},
    {"--settings", true, [](CliArguments& o, Value v, Error) { o.SettingsFile = std::move(v); return true; }},
    {"--site", true, [](CliArguments& o, Value v, Error) { o.Site = std::move(v); return true; }},
    {"--domain", true, [](CliArguments& o, Value v, Error) { o.Domains.push_back(std::move(v)); return true; }},
    {"--separate-domains", false, [](CliArguments& o, Value, Error) { o.SeparateDomains = true; return true; }},
    {"--log-format", true, SetLogFormat},
    {"--set", true, AddSet},
    {"--anonymise", true, SetAnonymise},
    {"--anonymise-key-file", true, [](CliArguments& o, Value v, Error) { o.AnonymiseKeyFile = std::move(v); return true; }},
    {"--filter-text", true, [](CliArguments& o, Value v, Error) { o.FilterText = ParseFilter(v); return true; }},
    {"--filter-file", true, [](CliArguments& o, Value v, Error) { o.FilterFile = ParseFilter(v); return true; }},
    {"--filter-date", true, SetDateFilter},
    {"--filter-status", true, SetStatusFilter},
    {"--filter-address", true, SetAddressFilter},
    {"--filter-referrer", true, [](CliArguments& o, Value v, Error) { o.FilterReferrer = ParseFilter(v); return true; }},
    {"--filter-agent", true, [](CliArguments& o, Value v, Error) { o.FilterAgent = ParseFilter(v); return true; }},
    {"--filter-country", true, SetCountryFilter},
    {"--only", true, SetOnly},
    {"--conversion", true, [](CliArguments& o, Value v, Error) { o.Conversions.push_back(std::move(v)); return true; }},
    {"--visitor", true, [](CliArguments& o, Value v, Error) { o.Visitors.push_back(std::move(v)); return true; }},
    {"--log", false, [](CliArguments& o, Value, Error) { o.ShowLog = true; return true; }},
    {"--stats", false, [](CliArguments& o, Value, Error) { o.Stats = true; return true; }},
    {"--xml", true, [](CliArguments& o, Value v, Error) { o.XmlOut = std::move(v); return true; }},
    {"--csv", true, [](CliArguments& o, Value v, Error) { o.CsvDir = std::move(v); return true; }},
    {"--html", true, [](CliArguments& o, Value v, Error) { o.HtmlOut = std::move(v); return true; }},
    {"--load", true, [](CliArguments& o, Value v, Error) { o.Load = std::move(v); return true; }},
    {"--compare", true, [](CliArguments& o, Value v, Error) { o.Compares.push_back(std::move(v)); return true; }},
};

const CliOption* FindOption(const std::string& name) {
    for (const CliOption& option : Options)
        if (name == option.Name) return &option;
    return nullptr;
}

} // namespace

std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& args, std::string& error) {
    CliArguments out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const CliOption* option = FindOption(arg)) {
            std::string value;
            if (option->TakesValue) {
                if (i + 1 >= args.size()) {
                    error = "missing value after " + arg;
                    return std::nullopt;
                }
                value = args[++i];
            }
            if (!option->Handle(out, std::move(value), error)) return std::nullopt;
        } else if (arg == "--") {
            out.LogFiles.insert(out.LogFiles.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            out.LogFiles.push_back(arg);
        }
    }
    if (!out.Help && out.LogFiles.empty() && !out.Load) {
        error = "no log file given";
        return std::nullopt;
    }
    if (out.Load && !out.LogFiles.empty()) {
        error = "--load reads a saved report instead of log files; give one or the other";
        return std::nullopt;
    }
    return out;
}

} // namespace trevix
