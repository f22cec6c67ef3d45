#include "CliArguments.h"

namespace trevix {

const char* CliUsage() {
    return "Usage: trevix-cli [options] LOGFILE...\n"
           "       trevix-cli [options] --load REPORT.xml\n"
           "       trevix-cli fetch (ftp|ftps|sftp)://USER@HOST[:PORT]/PATH/FILE... --to FOLDER [--password-file F]\n"
           "                        [--ca-file F] [--known-hosts F] [--rename]   (trevix-cli fetch --help)\n"
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
           "  --stats                  print files loaded, lines accepted and rejected, first and last time,\n"
           "                           and the data folder used\n"
           "  --log                    print the data folder used and the processing log on stderr\n"
           "Site and options:\n"
           "  --settings FILE          use this INI file as the settings store\n"
           "  --site NAME              use the stored site profile of that name (default: the first)\n"
           "  --domain D               use an ad-hoc profile with this domain (repeatable)\n"
           "  --separate-domains       the ad-hoc profile shows domains separately\n"
           "  --set KEY=VALUE          override an option for this run (e.g. MergeSessions=No)\n"
           "Filters:\n"
           "  --filter-text [!]TEXT    raw line contains (or, with !, doesn't contain) TEXT\n"
           "  --filter-file [!]TEXT    requested file contains (doesn't contain) TEXT\n"
           "  --filter-date [!]YYYY-MM-DD[..YYYY-MM-DD]  date is (is not) equal to / between\n"
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

} // namespace

std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& args, std::string& error) {
    CliArguments out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = "missing value after " + arg;
                return false;
            }
            into = args[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            out.Help = true;
        } else if (arg == "--list") {
            if (!value(v)) return std::nullopt;
            out.Lists.push_back(v);
        } else if (arg == "--sort") {
            if (!value(v)) return std::nullopt;
            SortRequest s;
            size_t c1 = v.find(':');
            if (c1 == std::string::npos) {
                error = "--sort needs NAME:COLUMN[:asc|desc]";
                return std::nullopt;
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
        } else if (arg == "--settings") {
            if (!value(v)) return std::nullopt;
            out.SettingsFile = v;
        } else if (arg == "--site") {
            if (!value(v)) return std::nullopt;
            out.Site = v;
        } else if (arg == "--domain") {
            if (!value(v)) return std::nullopt;
            out.Domains.push_back(v);
        } else if (arg == "--separate-domains") {
            out.SeparateDomains = true;
        } else if (arg == "--set") {
            if (!value(v)) return std::nullopt;
            size_t eq = v.find('=');
            if (eq == std::string::npos || eq == 0) {
                error = "--set needs KEY=VALUE";
                return std::nullopt;
            }
            out.Sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else if (arg == "--filter-text") {
            if (!value(v)) return std::nullopt;
            out.FilterText = ParseFilter(v);
        } else if (arg == "--filter-file") {
            if (!value(v)) return std::nullopt;
            out.FilterFile = ParseFilter(v);
        } else if (arg == "--filter-date") {
            if (!value(v)) return std::nullopt;
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
                return std::nullopt;
            }
            out.FilterDate = d;
        } else if (arg == "--conversion") {
            if (!value(v)) return std::nullopt;
            out.Conversions.push_back(v);
        } else if (arg == "--visitor") {
            if (!value(v)) return std::nullopt;
            out.Visitors.push_back(v);
        } else if (arg == "--log") {
            out.ShowLog = true;
        } else if (arg == "--stats") {
            out.Stats = true;
        } else if (arg == "--xml") {
            if (!value(v)) return std::nullopt;
            out.XmlOut = v;
        } else if (arg == "--csv") {
            if (!value(v)) return std::nullopt;
            out.CsvDir = v;
        } else if (arg == "--html") {
            if (!value(v)) return std::nullopt;
            out.HtmlOut = v;
        } else if (arg == "--load") {
            if (!value(v)) return std::nullopt;
            out.Load = v;
        } else if (arg == "--compare") {
            if (!value(v)) return std::nullopt;
            out.Compares.push_back(v);
        } else if (arg == "--") {
            for (++i; i < args.size(); ++i) out.LogFiles.push_back(args[i]);
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
