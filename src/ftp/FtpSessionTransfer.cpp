// Downloading one file: progress, a temporary file beside the target, the size check and
// the rename that gives it the target's name.
#include "FtpSession.h"

#include "FtpErrors.h"
#include "FtpSessionInternal.h"
#include "FtpText.h"

#include "engine/RunHost.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

int CallbackAccess::Progress(void* data, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
    auto& call = *static_cast<FtpSession::Call*>(data);
    FtpSession& s = *call.Session;
    if (call.Download && s.transferMode_ == 3) {
        s.bytesReceived_ = dlnow;
        // Without a known size the server's own announcement is the best maximum.
        if (s.transferTotal_ <= 0 && dltotal > 0) s.transferTotal_ = dltotal;
        const int64_t value = std::max<int64_t>(std::min<int64_t>(s.bytesReceived_, s.transferTotal_),
                                                std::max<int64_t>(call.ShownProgress, 0));
        if (value != call.ShownProgress) {
            call.ShownProgress = value;
            s.host_.SetProgress(value, s.transferTotal_);
        }
    }
    return ShouldStop(call) ? 1 : 0;
}

namespace {

// rename() that fails with EEXIST instead of replacing an existing target.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    // A file system without the flag: a hard link cannot replace either.
    if (::link(from.c_str(), to.c_str()) != 0) return -1;
    ::unlink(from.c_str());
    return 0;
}

std::string ParentFolder(const std::string& localPath) {
    const std::filesystem::path parent = std::filesystem::path(localPath).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

} // namespace

void FtpSession::ResetTransferCounters() {
    bytesReceived_ = 0;
    transferTotal_ = 0;
}

bool FtpSession::FtpDownloadFile(std::string_view remotePath, const std::string& localPath,
                                 const FtpDirEntry& entry, bool failIfExists) {
    if (!ConnectionOpen() || Busy()) return false;
    lastError_ = FtpErrorNone;
    lastResponse_.clear();
    lastDetail_.clear();
    // A link, pipe or device under the target's name is never written through or replaced:
    // the download folder may be shared with others.
    if (const std::string problem = DownloadTargetProblem(localPath); !problem.empty()) {
        lastError_ = FtpErrorInternal;
        lastDetail_ = NotReplacedText(localPath, problem);
        return false;
    }
    struct stat target {};
    if (failIfExists && ::lstat(localPath.c_str(), &target) == 0) {
        lastError_ = EEXIST;
        lastDetail_ = "Not downloaded: " + localPath + " already exists.";
        return false;
    }

    transferTotal_ = static_cast<int64_t>(std::min<uint64_t>(entry.Size, INT64_MAX));
    host_.ShowProgress(true);
    host_.SetProgress(0, transferTotal_);
    host_.ProcessEvents();
    if (!ConnectionOpen()) return false;

    // The bytes land in a hidden temporary file next to the target and take its name only
    // when complete.
    std::string temp = EnsureTrailingPathSeparator(ParentFolder(localPath)) + ".trevix-download-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        lastError_ = FtpErrorInternal;
        lastDetail_ = "Cannot write " + localPath + ": " + std::strerror(errno);
        return false;
    }
    std::FILE* out = fdopen(fd, "wb");
    if (!out) {
        ::close(fd);
        std::remove(temp.c_str());
        lastError_ = FtpErrorInternal;
        return false;
    }

    Call call;
    call.Download = true;
    call.Out = out;
    Configure(main_, call, UrlFor(remotePath));
    // The size a server announces is not trusted to end the transfer: libcurl reads to the
    // end of the data connection (and sends no SIZE of its own), and the count is compared
    // with the size looked up before.
    if (scheme_ != FtpScheme::Sftp) curl_easy_setopt(static_cast<CURL*>(main_), CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    transferMode_ = 3;
    const int rc = Perform(main_, call, mainMulti_);
    transferMode_ = 0;

    int writeError = call.WriteErrno;
    bool ok = rc == CURLE_OK && writeError == 0;
    if (ok) {
        // Files are created as any other program of the user would create them.
        const mode_t mask = umask(0);
        umask(mask);
        // On disk before it takes the log's name, so a crash never leaves a torn file there.
        ok = std::fflush(out) == 0 && fsync(fd) == 0 && fchmod(fd, 0666 & ~mask) == 0;
        if (!ok) writeError = errno ? errno : EIO;
        // A connection that ends early can look like a finished transfer, and a server can
        // announce one size and send another: either way the file is not kept.
        const off_t got = ftello(out);
        if (ok && entry.SizeKnown && got >= 0 && static_cast<uint64_t>(got) != entry.Size) {
            ok = false;
            lastError_ = FtpErrorServerReply;
            lastResponse_ = "The transfer of " + std::string(remotePath) + " ended after " + std::to_string(got) +
                            " bytes, but the server announced " + std::to_string(entry.Size) +
                            " bytes; the file was not kept.";
        }
    }
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        writeError = errno ? errno : EIO;
    }
    if (ok) {
        // Where the caller found no file, one that appeared meanwhile is not replaced.
        ok = (failIfExists ? RenameNoReplace(temp, localPath) : std::rename(temp.c_str(), localPath.c_str())) == 0;
        if (!ok) writeError = errno ? errno : EIO;
    }
    if (!ok) {
        std::remove(temp.c_str());
        if (writeError != 0) {
            // Disk full and the like: the system's reason, not a generic failure.
            lastError_ = FtpErrorInternal;
            lastDetail_ = "Cannot write " + localPath + ": " + std::strerror(writeError);
        }
        if (lastError_ == FtpErrorNone) lastError_ = FtpErrorInternal;
    }
    return ok;
}

} // namespace trevix
