#pragma once
// Pages of [p, p + n) mapped into the process now (the present bit of /proc/self/pagemap, which
// needs no privilege); nothing where the kernel does not say.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <optional>

namespace trevix::testing {

inline std::optional<size_t> PresentPages(const char* p, size_t n) {
    const long page = sysconf(_SC_PAGESIZE);
    const int fd = ::open("/proc/self/pagemap", O_RDONLY);
    if (fd < 0) return std::nullopt;
    size_t present = 0;
    for (uintptr_t at = reinterpret_cast<uintptr_t>(p) / page; at * page < reinterpret_cast<uintptr_t>(p) + n; ++at) {
        uint64_t entry = 0;
        if (::pread(fd, &entry, sizeof entry, static_cast<off_t>(at * sizeof entry)) != sizeof entry) {
            ::close(fd);
            return std::nullopt;
        }
        present += (entry >> 63) & 1;
    }
    ::close(fd);
    return present;
}

} // namespace trevix::testing
