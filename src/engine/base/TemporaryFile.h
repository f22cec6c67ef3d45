#pragma once
// A file of the program's own that no other program can find: made without a name (O_TMPFILE)
// where the file system allows it, else named, readable by its owner only, and unlinked at
// once. Its space is given back when the last descriptor closes, however the program ends
// (a signal, even SIGKILL, included), so there is never anything left to clean up.
#include <cstdint>
#include <string>
#include <string_view>

namespace trevix {

// The folder for such files: chosen when not empty, else $TMPDIR when set, else /tmp.
std::string TemporaryFolder(const std::string& chosen);

class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    // Makes the file in folder (and the folder, for its owner only, when it is missing).
    // False, with Error() telling why, when that cannot be done.
    bool Create(const std::string& folder);
    // Writes bytes at the end. False, with Error() telling why (ENOSPC, EDQUOT, EIO...).
    bool Append(std::string_view bytes);
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    // Gives the descriptor away: the caller closes it.
    int Release();
    uint64_t Size() const { return size_; }
    int Error() const { return error_; }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    int error_ = 0;
};

} // namespace trevix
