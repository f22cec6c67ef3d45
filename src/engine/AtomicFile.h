#pragma once
// Replacing a file atomically: the new content goes to a temporary file in the target's
// folder, is flushed and synced, then renamed over the target. Until Commit succeeds the old
// file is untouched; a failed or abandoned write removes the temporary file. A symbolic link
// is followed (the file it names is replaced); a device or pipe (/dev/stdout) is written in
// place, as there is no file to keep.
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

    // Mode of the file once committed; call before Open. Without it a new file gets 0644 and
    // a replaced file keeps its mode.
    void SetMode(mode_t mode) {
        mode_ = mode;
        modeSet_ = true;
    }

    // Creates the temporary file exclusively next to the target.
    bool Open(std::string& error);
    bool Write(std::string_view data, std::string& error);
    // Flush, fsync, rename over the target, fsync the folder. After a failure the target is
    // as it was and the temporary file is gone.
    bool Commit(std::string& error);

    // The system error number of the last failure (0 when none).
    int ErrorNumber() const { return errorNumber_; }
    const std::string& TargetPath() const { return target_; }
    const std::string& TempPath() const { return temp_; }

private:
    void Discard();
    std::string Fail(int errorNumber);

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    mode_t mode_ = 0644;
    bool modeSet_ = false;
    bool direct_ = false;   // a device or pipe: written in place, nothing to replace
    bool committed_ = false;
    int errorNumber_ = 0;
};

// The whole content in one go; false with error set ("Error 28: No space left on device")
// when anything fails, the old file then being unchanged.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// "Error N: text" for the system error number errorNumber.
std::string SystemErrorText(int errorNumber);

} // namespace trevix
