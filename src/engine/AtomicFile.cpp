#include "AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace trevix {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the rename itself durable. Some file systems cannot sync a folder (EINVAL): that
// is not a failure of the save.
int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    int result = 0;
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) result = errno;
    ::close(fd);
    return result;
}

} // namespace

std::string SystemErrorText(int errorNumber) {
    return "Error " + std::to_string(errorNumber) + ": " + std::strerror(errorNumber);
}

AtomicFile::AtomicFile(std::string targetPath) : target_(std::move(targetPath)) {}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool AtomicFile::Open(std::string& error) {
    Discard();
    committed_ = false;
    if (target_.empty()) {
        error = SystemErrorText(ENOENT);
        return false;
    }
    // Writing through a folder name would replace the folder's entry, not write a file.
    struct stat st{};
    if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = SystemErrorText(EISDIR);
        return false;
    }
    // Hidden, and named after the target, so a leftover after a power cut is recognisable.
    std::string pattern = FolderOf(target_) + "/." + BaseNameOf(target_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = SystemErrorText(errno);
        return false;
    }
    fd_ = fd;
    temp_.assign(name.data());
    // mkostemp creates 0600; the caller's mode applies (the umask is not consulted, as the
    // caller chose the mode on purpose).
    if (::fchmod(fd_, mode_) != 0) {
        error = SystemErrorText(errno);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFile::Write(std::string_view data, std::string& error) {
    if (fd_ < 0) {
        error = SystemErrorText(EBADF);
        return false;
    }
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = SystemErrorText(errno);
            Discard();
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::Commit(std::string& error) {
    if (fd_ < 0) {
        error = SystemErrorText(EBADF);
        return false;
    }
    // Write errors of delayed allocation (a full disk on NFS or ext4) show up here.
    if (::fsync(fd_) != 0) {
        error = SystemErrorText(errno);
        Discard();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        error = SystemErrorText(errno);
        Discard();
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = SystemErrorText(errno);
        Discard();
        return false;
    }
    temp_.clear();
    committed_ = true;
    if (const int e = SyncFolder(FolderOf(target_)); e != 0) {
        // The new file is in place; only its durability is in doubt.
        error = SystemErrorText(e);
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
    AtomicFile file(path);
    return file.Open(error) && file.Write(content, error) && file.Commit(error);
}

} // namespace trevix
