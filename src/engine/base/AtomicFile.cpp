#include "engine/base/AtomicFile.h"

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

NonPlainFile NonPlainFileAt(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return NonPlainFile::None;
    if (S_ISLNK(st.st_mode)) return NonPlainFile::Link;
    if (S_ISDIR(st.st_mode)) return NonPlainFile::Folder;
    if (S_ISFIFO(st.st_mode)) return NonPlainFile::Pipe;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return NonPlainFile::Device;
    return NonPlainFile::Other;
}

int PlainFileProblem(const std::string& path) {
    switch (NonPlainFileAt(path)) {
    case NonPlainFile::None: return 0;
    case NonPlainFile::Link: return ELOOP;
    case NonPlainFile::Folder: return EISDIR;
    default: return EEXIST;
    }
}

std::string SystemErrorText(int errorNumber) {
    return "Error " + std::to_string(errorNumber) + ": " + std::strerror(errorNumber);
}

AtomicFile::AtomicFile(std::string targetPath) : target_(std::move(targetPath)) {}

AtomicFile::~AtomicFile() {
    if (!committed_) Discard();
}

std::string AtomicFile::Fail(int errorNumber) {
    errorNumber_ = errorNumber;
    return SystemErrorText(errorNumber);
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
    direct_ = false;
    finished_ = false;
    if (target_.empty()) {
        error = Fail(ENOENT);
        return false;
    }
    if (plainOnly_) {
        if (const int problem = PlainFileProblem(target_); problem != 0) {
            error = Fail(problem);
            return false;
        }
    }
    struct stat st{};
    if (::stat(target_.c_str(), &st) == 0) {
        // Writing through a folder name would replace the folder's entry, not write a file.
        if (S_ISDIR(st.st_mode)) {
            error = Fail(EISDIR);
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) {
                error = Fail(errno);
                return false;
            }
            fd_ = fd;
            direct_ = true;
            return true;
        }
        if (!modeSet_) mode_ = st.st_mode & 07777;
        // Replace the file a link points to, not the link.
        struct stat link{};
        if (::lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            if (char* real = ::realpath(target_.c_str(), nullptr)) {
                target_ = real;
                std::free(real);
            }
        }
    }
    // Hidden, and named after the target, so a leftover after a power cut is recognisable.
    std::string pattern = FolderOf(target_) + "/." + BaseNameOf(target_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Fail(errno);
        return false;
    }
    fd_ = fd;
    temp_.assign(name.data());
    // mkostemp creates 0600; the caller's mode applies (the umask is not consulted, as the
    // caller chose the mode on purpose).
    if (::fchmod(fd_, mode_) != 0) {
        error = Fail(errno);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFile::Write(std::string_view data, std::string& error) {
    if (fd_ < 0) {
        error = Fail(EBADF);
        return false;
    }
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = Fail(errno);
            Discard();
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool AtomicFile::Finish(std::string& error) {
    if (finished_) return true;
    if (fd_ < 0) {
        error = Fail(EBADF);
        return false;
    }
    if (direct_) {
        const int fd = fd_;
        fd_ = -1;
        committed_ = true;
        finished_ = true;
        if (::close(fd) != 0) {
            error = Fail(errno);
            return false;
        }
        return true;
    }
    // Write errors of delayed allocation (a full disk on NFS or ext4) show up here.
    if (::fsync(fd_) != 0) {
        error = Fail(errno);
        Discard();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        error = Fail(errno);
        Discard();
        return false;
    }
    finished_ = true;
    return true;
}

bool AtomicFile::Commit(std::string& error) {
    if (!Finish(error)) return false;
    if (direct_) return true;
    if (temp_.empty()) {
        error = Fail(EBADF);
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = Fail(errno);
        Discard();
        return false;
    }
    temp_.clear();
    committed_ = true;
    if (const int e = SyncFolder(FolderOf(target_)); e != 0) {
        // The new file is in place; only its durability is in doubt.
        error = Fail(e);
        return false;
    }
    return true;
}

AtomicFile& AtomicFileGroup::Add(std::string targetPath) {
    files_.push_back(std::make_unique<AtomicFile>(std::move(targetPath)));
    return *files_.back();
}

bool AtomicFileGroup::Finish(std::string& error) {
    for (auto& file : files_) {
        std::string why;
        if (!file->Finish(why)) {
            error = file->TargetPath() + ": " + why;
            Discard();
            return false;
        }
    }
    return true;
}

bool AtomicFileGroup::Commit(std::string& error, const std::function<void(size_t)>& afterRename) {
    if (!Finish(error)) return false;
    bool ok = true;
    for (size_t i = 0; i < files_.size(); ++i) {
        std::string why;
        if (!files_[i]->Commit(why)) {
            if (ok) error = files_[i]->TargetPath() + ": " + why;
            ok = false;
            // Only a folder that could not be synced leaves the file renamed; the rest of the
            // group still goes in, as the set is new by now.
            if (!files_[i]->Committed()) return false;
        }
        if (afterRename) afterRename(i);
    }
    return ok;
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
    AtomicFile file(path);
    return file.Open(error) && file.Write(content, error) && file.Commit(error);
}

} // namespace trevix
