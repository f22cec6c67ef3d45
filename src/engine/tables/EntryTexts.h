#pragma once
// Texts an entry of a format other than common/combined needs that its line does not hold as
// written: decoded fields (a W3C "+" for a blank, a JSON escape), a path joined to its query,
// and the time stamp in the log's own form. Each distinct text is stored once for the run, so
// a log of millions of lines costs the variety of its texts, not its length.
#include "engine/base/DateTime.h"
#include "engine/base/RecordIndex.h"
#include "engine/base/TextArena.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trevix {

class EntryTexts {
public:
    // The one stored copy of text.
    std::string_view Keep(std::string_view text);
    // The same, for a text serial names (LineFields::UserAgentSerial): a recent number finds
    // its copy without reading the text again.
    std::string_view Keep(std::string_view text, uint64_t serial);
    // "10/Oct/2000" and "13:55:36" for value.
    std::string_view Date(DateTime value);
    std::string_view Time(DateTime value);
    void Clear();

private:
    TextArena store_;
    // The kept texts, found through an open-addressing index by their hash: a probe reads one
    // slot and compares the text only on a whole-hash match.
    std::vector<std::string_view> kept_{std::string_view()};   // 1-based
    RecordIndex keptIndex_;
    std::string_view lastKept_;                              // the text Keep gave last
    struct Numbered {
        uint64_t Serial = 0;
        std::string_view Kept;
    };
    std::array<Numbered, 256> numbered_{};                   // by serial, the latest of each slot
    std::unordered_map<int64_t, std::string_view> dates_;   // by day since 1970
    int64_t lastDay_ = 0;
    std::string_view lastDate_;
    std::vector<std::string_view> times_;                    // by second of the day
};

} // namespace trevix
