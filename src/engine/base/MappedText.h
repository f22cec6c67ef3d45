#pragma once
// Log files mapped read-only. Another program may truncate a mapped file while it is read
// (log rotation by copy and truncate); touching a page beyond the new end then raises SIGBUS.
// A process-wide handler puts zero-filled pages in place of the lost ones and marks the
// mapping as cut short, so the reader stops instead of the program being killed.
#include <atomic>
#include <cstddef>
#include <thread>

namespace trevix {

class MappedText {
public:
    MappedText() = default;
    MappedText(const MappedText&) = delete;
    MappedText& operator=(const MappedText&) = delete;
    ~MappedText() { Unmap(); }

    // Maps size bytes of the open file fd. False (errno set) when the mapping or the guard
    // could not be set up; nothing is mapped then.
    bool Map(int fd, size_t size);
    void Unmap();
    const char* Data() const { return data_; }
    size_t Size() const { return size_; }
    // True once a page of the mapping was found gone (the file shrank under it).
    bool CutShort() const;
    // The text is read: no more reading ahead, and its pages leave the process's resident set.
    // They stay in the page cache, so a later read of a line is a minor fault that maps the
    // same page again (or, for a file cut short meanwhile, a lost page as any other).
    void ReleasePages();
    // The same for the pages wholly before offset end, while the rest is still being read.
    void ReleasePagesBefore(size_t end) const;

    // Mappings guarded at once; a file beyond this many is read into memory instead.
    static constexpr int MaxGuarded = 1024;

private:
    void StopReadingAhead();

    char* data_ = nullptr;
    // Pages beyond the first few are read in by this thread while the reader starts.
    std::thread ahead_;
    std::atomic<bool> stopAhead_{false};
    size_t size_ = 0;
    int slot_ = -1;
};

} // namespace trevix
