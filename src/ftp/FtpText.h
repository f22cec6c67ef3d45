#pragma once
// Small text rules of the FTP browser: path endings, the port box, the size text and the
// way a directory entry is shown in the file list.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trevix {

// One entry of a remote directory as the listing delivers it.
struct FtpDirEntry {
    std::string Name;
    bool IsDirectory = false;
    uint64_t Size = 0; // bytes; 0 for directories
    std::string Modified; // the time stamp as the server's listing shows it; may be empty
};

// How the server text asks to be reached: plain FTP ("host", "ftp://host"), FTP with
// explicit TLS that must succeed ("ftps://host") or SSH file transfer ("sftp://host").
enum class FtpScheme { Ftp, Ftps, Sftp };

struct FtpServerText {
    FtpScheme Scheme = FtpScheme::Ftp;
    std::string Host; // without scheme, blanks and a trailing "/"
};

// Splits a server text into scheme (letter case ignored) and host. An unknown scheme such as
// "http://" stays part of the host, which then fails as an invalid server name.
FtpServerText ParseServerText(std::string_view text);
// 21 for FTP and FTPS, 22 for SFTP.
int DefaultFtpPort(FtpScheme scheme);
// "FTP", "FTPS" (FTP over TLS) or "SFTP", for status texts and the panel.
const char* FtpSchemeName(FtpScheme scheme);

// A remote path made absolute-looking: "." and ".." applied, ending in "/".
std::string NormalRemoteFolder(std::string_view path);

// The text up to the first NUL character (all of it when there is none).
std::string TrimAtNul(std::string_view text);
// The text with "/" appended unless it already ends in one.
std::string EnsureTrailingSlash(std::string_view text);
// The text with the platform's path separator appended unless it already ends in one.
std::string EnsureTrailingPathSeparator(std::string_view text);

// The port box: a whole number from 1 to 65535 (blanks around it allowed) is that port;
// empty text, 0 and anything else mean the scheme's standard port (21 unless told).
int ParseFtpPort(std::string_view text, int defaultPort = 21);

// One line of an "ls -l" style listing (what SFTP servers send): permissions, links, owner,
// group, size, three date fields, name. Nullopt for lines that are not entries ("total 8",
// blank lines, "." and ".."). A link is listed under its own name.
std::optional<FtpDirEntry> ParseLongListLine(std::string_view line);

// A name for "Keep both": "access.log" gives "access (2).log", "access.log.gz" gives
// "access (2).log.gz" (the compression ending stays last), "README" gives "README (2)".
std::string NumberedName(std::string_view name, int number);

// A short size with a unit, as file managers show it: below 1000 bytes "N bytes"; above, the
// unit (KB, MB, GB, TB, PB, EB, each 1024 of the one before) that keeps the number below
// 1000, shown with three significant digits, cut rather than rounded so a size is never
// shown larger than it is: "1.50 KB", "12.3 MB", "512 KB", "0.97 KB" for 1000 bytes.
std::string FormatFileSize(uint64_t bytes);

// How an entry appears in the file list: "name/" for a directory, else name, a tab and
// FormatFileSize of its size.
std::string FtpListText(const FtpDirEntry& entry);
// A list entry's text up to its first tab (the whole text when there is none).
std::string ListEntryName(std::string_view entry);
// Whether clicking this list entry makes "Download" available: files only, not "..".
bool IsDownloadableEntry(std::string_view entry);

// A name that can be saved inside the download folder as it is: not empty, not "." or
// "..", no "/" or "\", no NUL. Anything else could land outside the folder.
bool IsPlainFileName(std::string_view name);

} // namespace trevix
