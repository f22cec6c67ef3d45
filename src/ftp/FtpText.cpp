#include "FtpText.h"

#include <charconv>
#include <cstdint>
#include <filesystem>

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

int ParseFtpPort(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    int port = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc() || end != text.data() + text.size() || port <= 0 || port > 65535) return 21;
    return port;
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
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

} // namespace trevix
