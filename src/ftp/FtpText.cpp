#include "FtpText.h"

#include "engine/base/AtomicFile.h"
#include "engine/base/TerminalText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace trevix {

std::string TrimAtNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string EnsureTrailingSlash(std::string_view text) {
    std::string out(text);
    if (out.empty() || out.back() != '/') out.push_back('/');
    return out;
}

std::string EnsureTrailingPathSeparator(std::string_view text) {
    constexpr char sep = std::filesystem::path::preferred_separator;
    std::string out(text);
    if (out.empty() || out.back() != sep) out.push_back(sep);
    return out;
}

int ParseFtpPort(std::string_view text, int defaultPort) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    int port = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port <= 0 || port > 65535) return defaultPort;
    return port;
}

FtpServerText ParseServerText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    FtpServerText result;
    static const struct {
        std::string_view Prefix;
        FtpScheme Scheme;
    } schemes[] = {{"ftp://", FtpScheme::Ftp}, {"ftps://", FtpScheme::Ftps}, {"sftp://", FtpScheme::Sftp}};
    for (const auto& s : schemes) {
        if (text.size() < s.Prefix.size()) continue;
        bool same = true;
        for (size_t i = 0; i < s.Prefix.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(text[i])) == s.Prefix[i];
        if (!same) continue;
        result.Scheme = s.Scheme;
        text.remove_prefix(s.Prefix.size());
        break;
    }
    while (!text.empty() && text.back() == '/') text.remove_suffix(1);
    result.Host = std::string(text);
    return result;
}

int DefaultFtpPort(FtpScheme scheme) { return scheme == FtpScheme::Sftp ? 22 : 21; }

const char* FtpSchemeName(FtpScheme scheme) {
    switch (scheme) {
    case FtpScheme::Ftps: return "FTPS";
    case FtpScheme::Sftp: return "SFTP";
    default: return "FTP";
    }
}

namespace {

// Fills fields with the blank-separated words of line from pos on; pos ends after the last.
// False when the line has fewer words.
template <size_t N>
bool NextFields(std::string_view line, std::string_view (&fields)[N], size_t& pos) {
    for (auto& field : fields) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        const size_t start = pos;
        while (pos < line.size() && line[pos] != ' ') ++pos;
        if (start == pos) return false;
        field = line.substr(start, pos - start);
    }
    return true;
}

} // namespace

std::optional<FtpDirEntry> ParseLongListLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    // Eight fields separated by blanks, then the name, which may hold blanks of its own.
    std::string_view fields[8];
    size_t pos = 0;
    if (!NextFields(line, fields, pos)) return std::nullopt;
    if (pos >= line.size() || line[pos] != ' ') return std::nullopt;
    std::string_view name = line.substr(pos + 1);
    const char type = fields[0][0];
    if (fields[0].size() < 10 || std::string_view("-dlcbps").find(type) == std::string_view::npos) return std::nullopt;
    if (type == 'l') name = name.substr(0, name.find(" -> "));
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    FtpDirEntry entry;
    entry.Name = std::string(name);
    entry.IsDirectory = type == 'd';
    uint64_t size = 0;
    const auto [end, ec] = std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), size);
    if (ec != std::errc() || end != fields[4].data() + fields[4].size()) return std::nullopt;
    if (!entry.IsDirectory) {
        entry.Size = size;
        entry.SizeKnown = true;
    }
    entry.Modified = std::string(fields[5]) + " " + std::string(fields[6]) + " " + std::string(fields[7]);
    return entry;
}

std::optional<FtpDirEntry> ParseDosListLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    std::string_view fields[3];
    size_t pos = 0;
    if (!NextFields(line, fields, pos)) return std::nullopt;
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const std::string_view name = line.substr(pos);
    // 12-06-26 or 12/06/2026, then 01:02PM or 13:02.
    const auto only = [](std::string_view text, std::string_view allowed) {
        return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
    };
    if (!only(fields[0], "0123456789-/") || fields[0].find_first_of("-/") == std::string_view::npos) return std::nullopt;
    if (!only(fields[1], "0123456789:AMPamp") || fields[1].find(':') == std::string_view::npos) return std::nullopt;
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    FtpDirEntry entry;
    entry.Name = std::string(name);
    entry.Modified = std::string(fields[0]) + " " + std::string(fields[1]);
    if (fields[2] == "<DIR>") {
        entry.IsDirectory = true;
        return entry;
    }
    const auto [end, ec] = std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), entry.Size);
    if (ec != std::errc() || end != fields[2].data() + fields[2].size()) return std::nullopt;
    entry.SizeKnown = true;
    return entry;
}

std::optional<FtpDirEntry> ParseListLine(std::string_view line) {
    if (auto entry = ParseLongListLine(line)) return entry;
    return ParseDosListLine(line);
}

std::string NumberedName(std::string_view name, int number) {
    std::string_view tail;
    if (name.size() > 3 && name.substr(name.size() - 3) == ".gz") {
        tail = name.substr(name.size() - 3);
        name.remove_suffix(3);
    }
    // A leading dot (".hidden") is part of the name, not an extension.
    size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos) dot = name.size();
    return std::string(name.substr(0, dot)) + " (" + std::to_string(number) + ")" + std::string(name.substr(dot)) +
           std::string(tail);
}

std::string FormatFileSize(uint64_t bytes) {
    if (bytes < 1000) return std::to_string(bytes) + " bytes";
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    // Hundredths of the unit, in integers so nothing is rounded up on the way.
    int unit = 0;
    uint64_t divisor = 1024;
    while (unit < 5 && bytes / divisor >= 1000) {
        ++unit;
        divisor *= 1024;
    }
    const uint64_t whole = bytes / divisor;
    const uint64_t rest = bytes % divisor;
    // Exact in integers except for remainders of exabyte size, where long double is close enough.
    const unsigned frac = rest <= UINT64_MAX / 100
                              ? static_cast<unsigned>(rest * 100 / divisor)
                              : static_cast<unsigned>(static_cast<long double>(rest) * 100 / divisor);
    std::string text = std::to_string(whole);
    if (whole < 10) {
        text += '.';
        text += static_cast<char>('0' + frac / 10);
        text += static_cast<char>('0' + frac % 10);
    } else if (whole < 100) {
        text += '.';
        text += static_cast<char>('0' + frac / 10);
    }
    return text + " " + kUnits[unit];
}

std::string FtpListText(const FtpDirEntry& entry) {
    if (entry.IsDirectory) return EnsureTrailingSlash(entry.Name);
    return entry.Name + "\t" + FormatFileSize(entry.Size);
}

std::string ListEntryName(std::string_view entry) { return std::string(entry.substr(0, entry.find('\t'))); }

bool IsDownloadableEntry(std::string_view entry) {
    return !entry.empty() && entry.back() != '/' && entry != "..";
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos && !HasControlCharacter(name);
}

std::string DownloadTargetProblem(const std::string& localPath) {
    switch (NonPlainFileAt(localPath)) {
    case NonPlainFile::None: return {};
    case NonPlainFile::Link: return "is a symbolic link";
    case NonPlainFile::Pipe: return "is a named pipe";
    case NonPlainFile::Device: return "is a device";
    case NonPlainFile::Folder: return "is a folder";
    case NonPlainFile::Other: break;
    }
    return "is not a regular file";
}

std::string NotReplacedText(const std::string& localPath, const std::string& problem) {
    return "Not downloaded: " + localPath + " " + problem + ", which is never written through or replaced.";
}

std::string NormalRemoteFolder(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    std::string folder = "/";
    for (const std::string& part : parts) folder += part + "/";
    return folder;
}

} // namespace trevix
