#include "engine/base/MappedText.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <algorithm>
#include <mutex>
#include <system_error>
#include <sys/mman.h>
#include <unistd.h>

namespace trevix {

namespace {

// The handler reads these without locks: a slot is published by storing its end last and
// withdrawn by clearing its end first.
struct GuardSlot {
    std::atomic<uintptr_t> Begin{0};
    std::atomic<uintptr_t> End{0};
    std::atomic<bool> Lost{false};
};
GuardSlot Slots[MappedText::MaxGuarded];
std::mutex SlotsMutex;
struct sigaction Previous {};
uintptr_t PageSize = 4096;   // read once, outside the handler

void OnSigbus(int sig, siginfo_t* info, void* context) {
    const auto addr = reinterpret_cast<uintptr_t>(info->si_addr);
    for (GuardSlot& s : Slots) {
        const uintptr_t end = s.End.load(std::memory_order_acquire);
        const uintptr_t begin = s.Begin.load(std::memory_order_relaxed);
        if (end == 0 || addr < begin || addr >= end) continue;
        // Zero pages from the lost one to the end of the mapping: the faulting read is
        // repeated and sees zeros; the reader notices Lost and stops.
        const uintptr_t from = addr & ~(PageSize - 1);
        if (mmap(reinterpret_cast<void*>(from), end - from, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                 0) == MAP_FAILED)
            break;
        s.Lost.store(true, std::memory_order_release);
        return;
    }
    // Not one of ours: whatever was there before decides.
    if (Previous.sa_flags & SA_SIGINFO) {
        if (Previous.sa_sigaction) return Previous.sa_sigaction(sig, info, context);
    } else if (Previous.sa_handler != SIG_DFL && Previous.sa_handler != SIG_IGN && Previous.sa_handler) {
        return Previous.sa_handler(sig);
    }
    signal(SIGBUS, SIG_DFL);   // the faulting access repeats and ends the program as usual
}

bool InstallHandler() {
    static const bool installed = [] {
        PageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction act {};
        act.sa_sigaction = OnSigbus;
        act.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&act.sa_mask);
        return sigaction(SIGBUS, &act, &Previous) == 0;
    }();
    return installed;
}

#ifndef MADV_POPULATE_READ
#define MADV_POPULATE_READ 22   // Linux 5.14
#endif

// Read in at once before the reader starts; the rest follows in steps of ReadAheadStep.
constexpr size_t ReadFirst = size_t{4} << 20;
constexpr size_t ReadAheadStep = size_t{4} << 20;

} // namespace

bool MappedText::Map(int fd, size_t size) {
    Unmap();
    if (size == 0 || !InstallHandler()) {
        errno = size == 0 ? EINVAL : errno;
        return false;
    }
    std::lock_guard<std::mutex> lock(SlotsMutex);
    int slot = -1;
    for (int i = 0; i < MaxGuarded && slot < 0; ++i)
        if (Slots[i].End.load(std::memory_order_relaxed) == 0) slot = i;
    if (slot < 0) {
        errno = EMFILE;
        return false;
    }
    // The first pages are read in now and the rest by a helper thread, so the reader starts at
    // once instead of after the whole file; without MADV_POPULATE_READ (older kernels) the
    // whole file is read in by the mapping, as before.
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) return false;
    const size_t first = std::min(size, ReadFirst);
    bool ahead = size > first;
    if (madvise(p, first, MADV_POPULATE_READ) != 0 && errno == EINVAL) {
        munmap(p, size);
        p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p == MAP_FAILED) return false;
        ahead = false;
    }
    madvise(p, size, MADV_SEQUENTIAL);
    data_ = static_cast<char*>(p);
    size_ = size;
    slot_ = slot;
    Slots[slot].Lost.store(false, std::memory_order_relaxed);
    Slots[slot].Begin.store(reinterpret_cast<uintptr_t>(data_), std::memory_order_relaxed);
    Slots[slot].End.store(reinterpret_cast<uintptr_t>(data_) + size, std::memory_order_release);
    if (ahead) {
        stopAhead_.store(false, std::memory_order_relaxed);
        try {
            ahead_ = std::thread([this, first] {
                // A failure (the file cut short, memory short) ends it: the reader then faults
                // the pages in itself, and a lost page is handled as without this thread.
                for (size_t at = first; at < size_ && !stopAhead_.load(std::memory_order_relaxed);
                     at += ReadAheadStep)
                    if (madvise(data_ + at, std::min(ReadAheadStep, size_ - at), MADV_POPULATE_READ) != 0) break;
            });
        } catch (const std::system_error&) {
            // No thread to be had: the reader faults the pages in as it goes.
        }
    }
    return true;
}

void MappedText::ReleasePages() {
    StopReadingAhead();
    if (data_) madvise(data_, size_, MADV_DONTNEED);
}

void MappedText::ReleasePagesBefore(size_t end) const {
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    end = std::min(end, size_) / page * page;
    if (data_ && end > 0) madvise(data_, end, MADV_DONTNEED);
}

void MappedText::StopReadingAhead() {
    if (!ahead_.joinable()) return;
    stopAhead_.store(true, std::memory_order_relaxed);
    ahead_.join();
}

void MappedText::Unmap() {
    StopReadingAhead();
    if (!data_) return;
    {
        std::lock_guard<std::mutex> lock(SlotsMutex);
        Slots[slot_].End.store(0, std::memory_order_release);
        Slots[slot_].Begin.store(0, std::memory_order_relaxed);
    }
    munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    slot_ = -1;
}

bool MappedText::CutShort() const { return slot_ >= 0 && Slots[slot_].Lost.load(std::memory_order_acquire); }

} // namespace trevix
