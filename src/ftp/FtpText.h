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
    bool SizeKnown = false; // Size is what the server stated, not a stand-in for "unknown"
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

// One line of a Windows-style listing: "12-06-26  01:02PM  <DIR>  Old Logs" or
// "12-06-26  01:02PM  1234 win log.txt". Nullopt for anything else.
std::optional<FtpDirEntry> ParseDosListLine(std::string_view line);
// One line of an FTP LIST reply in either style.
std::optional<FtpDirEntry> ParseListLine(std::string_view line);

// Cuts a listing into lines as it arrives. Listings end their lines with CR LF; when this one
// does, a lone LF belongs to a name (a file name may hold one), so it neither cuts that entry
// nor hides the ones after it. A listing without any CR LF is cut at every LF.
class ListingLines {
public:
    // Hands every complete line (without its line end) to onLine, which returns false to
    // stop; then Feed returns false too.
    template <class OnLine> bool Feed(std::string_view bytes, OnLine&& onLine) {
        pending_.append(bytes);
        return Cut(false, onLine);
    }
    // The listing is over: the last line, even without a line end.
    template <class OnLine> bool Finish(OnLine&& onLine) { return Cut(true, onLine); }

private:
    template <class OnLine> bool Cut(bool end, OnLine& onLine) {
        if (mode_ == Mode::Unknown) {
            if (pending_.find("\r\n") != std::string::npos) mode_ = Mode::CrLf;
            else if (end || pending_.size() > 65536) mode_ = Mode::Lf;
            else return true; // the first line end decides
        }
        const std::string_view lineEnd = mode_ == Mode::CrLf ? "\r\n" : "\n";
        size_t start = 0, stop;
        bool go = true;
        while (go && (stop = pending_.find(lineEnd, start)) != std::string::npos) {
            go = onLine(std::string_view(pending_).substr(start, stop - start));
            start = stop + lineEnd.size();
        }
        if (go && end && start < pending_.size()) {
            go = onLine(std::string_view(pending_).substr(start));
            start = pending_.size();
        }
        pending_.erase(0, start);
        return go;
    }

    enum class Mode { Unknown, Lf, CrLf };
    Mode mode_ = Mode::Unknown;
    std::string pending_;
};

// Turns a listing into entries as it arrives. A line that is not an entry continues the name
// of the entry before it: listed in ASCII mode, a line feed inside a name arrives as a line
// end, and the rest of the name must neither become an entry nor be lost.
class ListingParser {
public:
    // Hands every complete entry to onEntry, which returns false to stop; then Feed does too.
    template <class OnEntry> bool Feed(std::string_view bytes, OnEntry&& onEntry) {
        return lines_.Feed(bytes, [&](std::string_view line) { return Line(line, onEntry); });
    }
    template <class OnEntry> bool Finish(OnEntry&& onEntry) {
        if (!lines_.Finish([&](std::string_view line) { return Line(line, onEntry); })) return false;
        if (!held_) return true;
        const FtpDirEntry last = std::move(*held_);
        held_.reset();
        return onEntry(last);
    }

private:
    // An entry is handed on once the next line shows that its name is complete.
    template <class OnEntry> bool Line(std::string_view line, OnEntry& onEntry) {
        auto entry = ParseListLine(line);
        if (!entry) {
            while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            // "." and ".." are entries too, only not shown.
            const bool dots = line.size() > 3 && (line.substr(line.size() - 2) == " ." || line.substr(line.size() - 3) == " ..");
            if (held_ && !line.empty() && !dots) held_->Name.append("\n").append(line);
            return true;
        }
        if (!held_) {
            held_ = std::move(entry);
            return true;
        }
        const FtpDirEntry ready = std::move(*held_);
        held_ = std::move(entry);
        return onEntry(ready);
    }

    ListingLines lines_;
    std::optional<FtpDirEntry> held_;
};

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
// "..", no "/" or "\", no control character (a line feed in a name would also end an FTP
// command). Anything else could land outside the folder or misdrive the server.
bool IsPlainFileName(std::string_view name);

// What stands in the way of a download to localPath: empty when nothing or a regular file is
// there; else "is a symbolic link", "is a named pipe", "is a device", "is a folder" or "is not
// a regular file". A link is looked at itself, never followed.
std::string DownloadTargetProblem(const std::string& localPath);
// "Not downloaded: PATH is a symbolic link, which is never written through or replaced."
std::string NotReplacedText(const std::string& localPath, const std::string& problem);

} // namespace trevix
