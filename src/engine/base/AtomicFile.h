#pragma once
// Replacing a file atomically: the new content goes to a temporary file in the target's
// folder, is flushed and synced, then renamed over the target. Until Commit succeeds the old
// file is untouched; a failed or abandoned write removes the temporary file. A symbolic link
// is followed (the file it names is replaced); a device or pipe (/dev/stdout) is written in
// place, as there is no file to keep.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace trevix {

class AtomicFile {
public:
    explicit AtomicFile(std::string targetPath);
    ~AtomicFile(); // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Mode of the file once committed; call before Open. Without it a new file gets 0644 and
    // a replaced file keeps its mode.
    void SetMode(mode_t mode) {
        mode_ = mode;
        modeSet_ = true;
    }

    // For a name the program chose inside a folder the user named: the target must be a
    // regular file or absent. A symbolic link (ELOOP), pipe, device or socket (EEXIST) in its
    // place is refused, so the name cannot lead the write anywhere else.
    void RequirePlainFile() { plainOnly_ = true; }

    // Creates the temporary file exclusively next to the target.
    bool Open(std::string& error);
    bool Write(std::string_view data, std::string& error);
    // Flush, fsync and close the temporary file: the new content is complete on disk, the
    // target still untouched. Commit does this itself when it was not done.
    bool Finish(std::string& error);
    // Flush, fsync, rename over the target, fsync the folder. After a failure the target is
    // as it was and the temporary file is gone.
    bool Commit(std::string& error);
    // Drops an uncommitted write: the temporary file is removed, the target stays as it was.
    void Discard();

    // The system error number of the last failure (0 when none).
    int ErrorNumber() const { return errorNumber_; }
    const std::string& TargetPath() const { return target_; }
    bool Committed() const { return committed_; }

private:
    std::string Fail(int errorNumber);

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    mode_t mode_ = 0644;
    bool modeSet_ = false;
    bool direct_ = false;   // a device or pipe: written in place, nothing to replace
    bool plainOnly_ = false;
    bool finished_ = false;
    bool committed_ = false;
    int errorNumber_ = 0;
};

// Several files replaced together, so a failure half-way never leaves some targets new and
// others old: each is written to its own temporary file, and only when every one is complete
// are they renamed over their targets. Files not committed are removed with the group.
class AtomicFileGroup {
public:
    AtomicFile& Add(std::string targetPath);
    size_t Size() const { return files_.size(); }
    AtomicFile& operator[](size_t i) { return *files_[i]; }
    // Syncs and closes every temporary file. On a failure error names the file ("PATH: Error
    // 28: No space left on device") and every temporary file is removed.
    bool Finish(std::string& error);
    // Renames every temporary file over its target, in the order added; afterRename(i) runs
    // after the i-th rename. A failure names the file; the files renamed before it stay new.
    bool Commit(std::string& error, const std::function<void(size_t)>& afterRename = {});
    // Removes every temporary file not yet committed.
    void Discard() { files_.clear(); }

private:
    std::vector<std::unique_ptr<AtomicFile>> files_;
};

// The whole content in one go; false with error set ("Error 28: No space left on device")
// when anything fails, the old file then being unchanged.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// What stands at path when it is neither absent nor a regular file (not followed if a link).
enum class NonPlainFile { None, Link, Folder, Pipe, Device, Other };
NonPlainFile NonPlainFileAt(const std::string& path);

// Why path cannot be written as a name the program chose (see RequirePlainFile): ELOOP for a
// symbolic link, EISDIR for a folder, EEXIST for a pipe, device or socket; 0 when it is a
// regular file or absent.
int PlainFileProblem(const std::string& path);

// "Error N: text" for the system error number errorNumber.
std::string SystemErrorText(int errorNumber);

} // namespace trevix
