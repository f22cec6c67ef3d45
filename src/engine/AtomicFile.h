#pragma once
// Replacing a file atomically: the new content goes to a temporary file in the target's
// folder, is flushed and synced, then renamed over the target. Until Commit succeeds the old
// file is untouched; a failed or abandoned write removes the temporary file.
#include <string>
#include <string_view>
#include <sys/types.h>

namespace trevix {

class AtomicFile {
public:
    explicit AtomicFile(std::string targetPath);
    ~AtomicFile(); // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Mode of the file once committed (default 0644); call before Open.
    void SetMode(mode_t mode) { mode_ = mode; }

    // Creates the temporary file exclusively next to the target.
    bool Open(std::string& error);
    bool Write(std::string_view data, std::string& error);
    // Flush, fsync, rename over the target, fsync the folder. After a failure the target is
    // as it was and the temporary file is gone.
    bool Commit(std::string& error);

    const std::string& TargetPath() const { return target_; }
    const std::string& TempPath() const { return temp_; }

private:
    void Discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    mode_t mode_ = 0644;
    bool committed_ = false;
};

// The whole content in one go; false with error set ("Error 28: No space left on device")
// when anything fails, the old file then being unchanged.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// "Error N: text" for the system error number errorNumber.
std::string SystemErrorText(int errorNumber);

} // namespace trevix
