#include "engine/base/TemporaryFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

namespace {

// mkdir -p, each new folder for its owner only.
int MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    for (size_t cut = folder.find('/', 1);; cut = folder.find('/', cut + 1)) {
        const std::string part = folder.substr(0, cut);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        if (cut == std::string::npos) return 0;
    }
}

} // namespace

std::string TemporaryFolder(const std::string& chosen) {
    if (!chosen.empty()) return chosen;
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

TemporaryFile::~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool TemporaryFile::Create(const std::string& folder) {
    if (fd_ >= 0) return true;
    if ((error_ = MakeFolders(folder)) != 0) return false;
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    // File systems without unnamed files say so in one of these ways; a name it is, then.
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::string name = folder + (folder.back() == '/' ? "" : "/") + "trevix-inflated-XXXXXX";
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);   // mode 0600
        if (fd_ >= 0 && ::unlink(name.c_str()) != 0) {
            error_ = errno;
            ::close(fd_);
            fd_ = -1;
            return false;
        }
    }
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    size_ = 0;
    return true;
}

bool TemporaryFile::Append(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            error_ = put < 0 ? errno : ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(put));
        size_ += static_cast<uint64_t>(put);
    }
    return true;
}

int TemporaryFile::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

} // namespace trevix
