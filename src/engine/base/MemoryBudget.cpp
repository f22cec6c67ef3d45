#include "engine/base/MemoryBudget.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <new>
#include <string>

namespace trevix {

namespace {

constexpr uint64_t Unlimited = std::numeric_limits<uint64_t>::max();

// The number after "Key:" in a /proc file of "Key: value kB" lines, in bytes.
std::optional<uint64_t> ProcField(const char* path, std::string_view key) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 || line[key.size()] != ':') continue;
        return std::strtoull(line.c_str() + key.size() + 1, nullptr, 10) * 1024;
    }
    return std::nullopt;
}

std::optional<uint64_t> ReadNumber(const std::string& path) {
    std::ifstream in(path);
    std::string word;
    if (!(in >> word) || word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;   // "max", or no such file
    return std::strtoull(word.c_str(), nullptr, 10);
}

// The page cache a control group's usage includes (clean file pages are given back under
// pressure, so they do not count against the run): the sum of the named memory.stat fields.
uint64_t GroupFilePages(const std::string& stat, std::string_view active, std::string_view inactive) {
    std::ifstream in(stat);
    std::string key;
    uint64_t value = 0, sum = 0;
    while (in >> key >> value)
        if (key == active || key == inactive) sum += value;
    return sum;
}

uint64_t Headroom(uint64_t max, uint64_t usage, uint64_t reclaimable) {
    usage = usage > reclaimable ? usage - reclaimable : 0;
    return max > usage ? max - usage : 0;
}

// What the control group's memory limit leaves (cgroup v2, then v1).
uint64_t GroupHeadroom() {
    std::string group;
    {
        std::ifstream in("/proc/self/cgroup");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("0::", 0) == 0) group = line.substr(3);
    }
    for (const std::string& dir : {"/sys/fs/cgroup" + group, std::string("/sys/fs/cgroup")}) {
        auto max = ReadNumber(dir + "/memory.max"), current = ReadNumber(dir + "/memory.current");
        if (max && current)
            return Headroom(*max, *current, GroupFilePages(dir + "/memory.stat", "active_file", "inactive_file"));
    }
    auto limit = ReadNumber("/sys/fs/cgroup/memory/memory.limit_in_bytes");
    auto usage = ReadNumber("/sys/fs/cgroup/memory/memory.usage_in_bytes");
    // v1 reports "no limit" as a huge figure.
    if (limit && usage && *limit < (uint64_t(1) << 60))
        return Headroom(*limit, *usage,
                        GroupFilePages("/sys/fs/cgroup/memory/memory.stat", "total_active_file", "total_inactive_file"));
    return Unlimited;
}

} // namespace

std::optional<uint64_t> ParseByteSize(std::string_view text) {
    if (text.empty()) return std::nullopt;
    uint64_t scale = 1;
    switch (text.back()) {
    case 'K': case 'k': scale = uint64_t(1) << 10; break;
    case 'M': case 'm': scale = uint64_t(1) << 20; break;
    case 'G': case 'g': scale = uint64_t(1) << 30; break;
    default: break;
    }
    if (scale != 1) text.remove_suffix(1);
    if (text.empty() || text.size() > 15) return std::nullopt;
    uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n * scale;
}

uint64_t AnonymousMemory() { return ProcField("/proc/self/status", "RssAnon").value_or(0); }

void MemoryBudget::Start() {
    startAnon_ = AnonymousMemory();
    text_ = 0;
    const char* env = std::getenv("TREVIX_MEMORY_BUDGET");
    budget_ = env ? ParseByteSize(env) : std::nullopt;
}

uint64_t MemoryBudget::Headroom() const {
    uint64_t room = std::min(ProcField("/proc/meminfo", "MemAvailable").value_or(Unlimited), GroupHeadroom());
    if (budget_) {
        const uint64_t now = AnonymousMemory(), taken = now > startAnon_ ? now - startAnon_ : 0;
        room = std::min(room, *budget_ > taken ? *budget_ - taken : 0);
    }
    return room;
}

void MemoryBudget::Require(uint64_t more) const {
    if (more > Headroom()) throw std::bad_alloc();
}

double MemoryBudget::PerTextByte() const {
    if (text_ < (uint64_t(1) << 20)) return Fallback;
    const uint64_t now = AnonymousMemory(), taken = now > startAnon_ ? now - startAnon_ : 0;
    return std::max(0.05, static_cast<double>(taken) / static_cast<double>(text_));
}

} // namespace trevix
