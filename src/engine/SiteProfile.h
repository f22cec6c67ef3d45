#pragma once
// A web site the user analyses: its domains (which decide what is internal), whether the
// files report keeps domains apart, its log format, its FTP accounts and its automatic
// conversion reports.
#include <cstdint>
#include <string>
#include <vector>

namespace trevix {

struct FtpAccount {
    std::string Server;
    std::string Username;
    std::string Password;
    std::string Directory;
};

// A filter kept with a site, named as the report file names it: field ("status", "file", ...),
// op ("is", "is not", "contains", "doesn't contain") and value.
struct SiteFilter {
    std::string Field;
    std::string Op;
    std::string Value;
    bool operator==(const SiteFilter&) const = default;
};

struct SiteProfile {
    std::string SiteName;
    std::vector<std::string> Domains;        // in the order the user entered them
    bool DifferentDomains = false;
    // "auto", a format's name ("combined", "w3c", ...) or the server's format string.
    std::string LogFormat = "auto";
    bool W3cLocalTime = false;               // W3C times are the server's local time, not UTC
    std::vector<FtpAccount> FtpAccounts;
    int16_t FTP = 0;                         // 0-based position of the account last connected to
    std::vector<std::string> AutoConversionReports;
    // Visitors' addresses: "none" (as logged), "truncate" (networks) or "hash" (keyed hash).
    std::string Anonymise = "none";
    std::string AnonymiseKey;                // the hash's key, 64 hex digits; made once per site
    std::vector<SiteFilter> Filters;         // in force when the site's last run started

    int NumDomains() const { return static_cast<int>(Domains.size()); }
    int NumberFTP() const { return static_cast<int>(FtpAccounts.size()); }
    int NumAutoConversionReports() const { return static_cast<int>(AutoConversionReports.size()); }
};

} // namespace trevix
