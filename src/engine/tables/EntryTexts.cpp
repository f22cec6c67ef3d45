#include "engine/tables/EntryTexts.h"

#include <cstdio>

namespace trevix {

std::string_view EntryTexts::Keep(std::string_view text) {
    if (text.empty()) return {};
    // A visitor's lines follow one another with the same agent: one comparison, no hash.
    if (text == lastKept_) return lastKept_;
    const uint64_t hash = HashText(text);
    const uint32_t found = keptIndex_.Find(hash, [&](uint32_t record) { return kept_[record] == text; });
    if (found) return lastKept_ = kept_[found];
    const std::string_view stored = store_.Store(text);
    kept_.push_back(stored);
    keptIndex_.Insert(hash, static_cast<uint32_t>(kept_.size() - 1), [](uint32_t) { return false; });
    return lastKept_ = stored;
}

std::string_view EntryTexts::Keep(std::string_view text, uint64_t serial) {
    if (serial == 0) return Keep(text);
    Numbered& slot = numbered_[serial % numbered_.size()];
    if (slot.Serial != serial) slot = {serial, Keep(text)};
    return slot.Kept;
}

std::string_view EntryTexts::Date(DateTime value) {
    const int64_t day = value.Days();
    if (day == lastDay_ && !lastDate_.empty()) return lastDate_;   // lines come in time order
    auto found = dates_.find(day);
    if (found != dates_.end()) {
        lastDay_ = day;
        lastDate_ = found->second;
        return lastDate_;
    }
    static constexpr const char* Months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const CivilTime c = value.Civil();
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%02d/%s/%04d", c.Day, Months[(c.Month + 11) % 12], c.Year);
    const std::string_view stored = store_.Store({text, static_cast<size_t>(n)});
    dates_.emplace(day, stored);
    lastDay_ = day;
    lastDate_ = stored;
    return stored;
}

std::string_view EntryTexts::Time(DateTime value) {
    const int64_t second = value.Seconds() - value.Days() * 86400;
    if (times_.empty()) times_.resize(86400);
    std::string_view& slot = times_[static_cast<size_t>(second)];
    if (slot.empty()) {
        const int h = static_cast<int>(second / 3600), m = static_cast<int>(second / 60 % 60),
                  s = static_cast<int>(second % 60);
        const char text[8] = {static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
                              static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10), ':',
                              static_cast<char>('0' + s / 10), static_cast<char>('0' + s % 10)};
        slot = store_.Store({text, sizeof text});
    }
    return slot;
}

void EntryTexts::Clear() {
    kept_.assign(1, std::string_view());
    keptIndex_.Clear();
    lastKept_ = {};
    numbered_.fill({});
    dates_.clear();
    lastDate_ = {};
    times_.clear();
    W3cStamp = {};
    store_.Clear();
}

} // namespace trevix
