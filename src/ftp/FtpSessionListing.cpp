// Listings and file look-ups: the LIST body cut into entries, SIZE with a listing to fall
// back on, and the cap on what a server may send besides a download.
#include "FtpSession.h"

#include "FtpErrors.h"
#include "FtpSessionInternal.h"
#include "FtpText.h"

#include "engine/RunHost.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

namespace trevix {

using ftpsession::LimitText;

bool CallbackAccess::ListEntry(FtpSession::Call& call, const FtpDirEntry& entry) {
    if (call.OnEntry && !(*call.OnEntry)(entry)) {
        call.StoppedByCaller = true;
        return false;
    }
    return true;
}

size_t CallbackAccess::Write(char* ptr, size_t size, size_t count, void* data) {
    auto& call = *static_cast<FtpSession::Call*>(data);
    const size_t bytes = size * count;
    if (!call.Out) {
        // A listing is held in memory while it is cut into lines; an endless one stops here.
        call.BodyBytes += static_cast<int64_t>(bytes);
        if (call.BodyBytes > call.Session->ReplyLimit) {
            call.Oversized = true;
            return 0;
        }
        if (!call.Listing) return bytes; // replies of commands without a file: not wanted
        return call.Parser.Feed(std::string_view(ptr, bytes),
                                [&](const FtpDirEntry& entry) { return ListEntry(call, entry); })
                   ? bytes
                   : 0;
    }
    const size_t written = std::fwrite(ptr, 1, bytes, call.Out);
    if (written != bytes) call.WriteErrno = errno ? errno : EIO;
    return written;
}

size_t CallbackAccess::Header(char* ptr, size_t size, size_t count, void* data) {
    auto& call = *static_cast<FtpSession::Call*>(data);
    const size_t bytes = size * count;
    // A reply that never ends (one line after another) is refused, not collected.
    call.ReplyBytes += static_cast<int64_t>(bytes);
    if (call.ReplyBytes > call.Session->ReplyLimit) {
        call.Oversized = true;
        return 0;
    }
    std::string line(ptr, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty()) return bytes;
    call.LastReply = line;
    if (line[0] == '4' || line[0] == '5') call.LastErrorReply = line;
    call.Replies.push_back(std::move(line));
    return bytes;
}

namespace {

// Whether the last 213 reply among a command's replies is "213 " and digits alone.
bool IsPlainSizeReply(const std::vector<std::string>& replies) {
    for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
        if (it->rfind("213 ", 0) != 0) continue;
        std::string_view digits = std::string_view(*it).substr(4);
        while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
        return !digits.empty() && digits.size() <= 19 && digits.find_first_not_of("0123456789") == std::string_view::npos;
    }
    return false;
}

} // namespace

namespace ftpsession {

// "64 MB" for a limit of whole megabytes, else its bytes.
std::string LimitText(int64_t limit) {
    constexpr int64_t mb = 1024 * 1024;
    return limit % mb == 0 ? std::to_string(limit / mb) + " MB" : std::to_string(limit) + " bytes";
}

} // namespace ftpsession

void* FtpSession::OpenListingConnection() const {
    if (!SessionOpen() || !main_) return nullptr;
    return curl_easy_init();
}

bool FtpSession::FindFiles(std::string_view directory,
                           const std::function<bool(const FtpDirEntry&)>& onEntry) {
    if (Busy()) return false;
    const bool sftp = scheme_ == FtpScheme::Sftp;
    // One SSH session is enough: SFTP listings run on the main connection.
    if (sftp && !ConnectionOpen()) return false;
    CURL* h = sftp ? static_cast<CURL*>(main_) : static_cast<CURL*>(OpenListingConnection());
    if (!h) return false;
    Call call;
    call.OnEntry = &onEntry;
    call.Listing = true;
    // The LIST reply is read and cut into entries here rather than by libcurl's own parser,
    // which gives up at a name holding a line feed and so hides the entries after it.
    const std::string folder = EnsureTrailingSlash(directory);
    Configure(h, call, UrlFor(folder));
    int rc = sftp ? Perform(h, call, mainMulti_) : Perform(h, call);
    if (!sftp) curl_easy_cleanup(h);
    if (rc == CURLE_OK &&
        !call.Parser.Finish([&](const FtpDirEntry& entry) { return CallbackAccess::ListEntry(call, entry); }))
        rc = CURLE_WRITE_ERROR;
    if (call.Oversized) {
        lastDetail_ = "The listing of " + folder + " is larger than " + LimitText(ReplyLimit) +
                      "; it was refused.";
        return false;
    }
    return rc == CURLE_OK || call.StoppedByCaller;
}

std::optional<FtpDirEntry> FtpSession::FindFileInListing(std::string_view remotePath) {
    const size_t slash = remotePath.rfind('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view("/") : remotePath.substr(0, slash + 1));
    const std::string name(slash == std::string_view::npos ? remotePath : remotePath.substr(slash + 1));
    std::optional<FtpDirEntry> found;
    const bool listed = FindFiles(folder, [&](const FtpDirEntry& entry) {
        if (entry.Name != name) return true;
        if (!entry.IsDirectory) found = entry;
        return false;
    });
    if (!found && listed) {
        lastError_ = FtpErrorItemNotFound;
        lastResponse_.clear();
        lastDetail_.clear();
    }
    return found;
}

std::optional<FtpDirEntry> FtpSession::FindFile(std::string_view remotePath) {
    if (Busy() || remotePath.empty() || remotePath.back() == '/') return std::nullopt;
    // SFTP has no SIZE; a server that refused it once is not asked again.
    if (scheme_ == FtpScheme::Sftp || sizeRefused_)
        return ConnectionOpen() ? FindFileInListing(remotePath) : std::nullopt;
    CURL* h = static_cast<CURL*>(OpenListingConnection());
    if (!h) return std::nullopt;
    Call call;
    Configure(h, call, UrlFor(remotePath));
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L); // SIZE only: the fast way
    const int rc = Perform(h, call);
    curl_off_t size = -1;
    if (rc == CURLE_OK) curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    curl_easy_cleanup(h);
    // libcurl reads the digits at the end of "213 -5" as 5; only a plain number is a size.
    if (size >= 0 && !IsPlainSizeReply(call.Replies)) size = -1;
    if (rc == CURLE_ABORTED_BY_CALLBACK || replyTooLarge_ || !ConnectionOpen() || host_.IsCancelled())
        return std::nullopt;
    // Some servers refuse SIZE ("550 SIZE not allowed here.") or do not know it; the file's
    // directory listing still says whether it exists and how big it is.
    if (rc != CURLE_OK || size < 0) {
        const int error = lastError_;
        const std::string response = lastResponse_;
        auto entry = FindFileInListing(remotePath);
        if (entry && rc != CURLE_OK) sizeRefused_ = true;
        if (!entry) {
            lastError_ = error;
            lastResponse_ = response;
        }
        return entry;
    }
    FtpDirEntry entry;
    const size_t slash = remotePath.rfind('/');
    entry.Name = std::string(slash == std::string_view::npos ? remotePath : remotePath.substr(slash + 1));
    entry.Size = size > 0 ? static_cast<uint64_t>(size) : 0;
    entry.SizeKnown = true;
    return entry;
}

} // namespace trevix
