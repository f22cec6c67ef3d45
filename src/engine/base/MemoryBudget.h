#pragma once
// The memory a run may still take, so a log too large for the machine ends with "Not enough
// memory" before the system's out-of-memory killer ends the program (Linux hands out memory
// it does not have, so a failed allocation is no warning). The headroom is the least of the
// system's available memory (MemAvailable), what the control group's limit leaves, and
// TREVIX_MEMORY_BUDGET (bytes, or with a K, M or G suffix) less what the run took so far.
#include <cstdint>
#include <optional>
#include <string_view>

namespace trevix {

// "512", "64K", "300M", "2G" (binary multiples); nothing for anything else.
std::optional<uint64_t> ParseByteSize(std::string_view text);

// The process's anonymous resident memory (RssAnon), in bytes; 0 when unknown.
uint64_t AnonymousMemory();

class MemoryBudget {
public:
    // At the start of a run: what the process holds now is not the run's.
    void Start();
    // Bytes the run may still take (the largest figure when nothing limits it).
    uint64_t Headroom() const;
    // Throws std::bad_alloc when more bytes beyond what the run holds now would not fit.
    void Require(uint64_t more) const;
    // Memory the run took per byte of log text so far, once enough text was read to tell;
    // otherwise Fallback (a table entry and its share of the lists per typical line).
    double PerTextByte() const;
    // Counts text handed to the line loop.
    void AddText(uint64_t bytes) { text_ += bytes; }

    static constexpr double Fallback = 0.5;

private:
    uint64_t startAnon_ = 0;
    uint64_t text_ = 0;
    std::optional<uint64_t> budget_;
};

} // namespace trevix
