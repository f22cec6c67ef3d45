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
#include <cstring>
#include <optional>
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

    // The last W3C stamp an entry was made of (its date and time texts as written), what moved
    // it into the run's zone, and the entry texts it gave: the lines of one second repeat it.
    struct W3cStampMemo {
        char Date[16];
        char Time[32];
        uint8_t DateSize = 0, TimeSize = 0;
        bool Utc = false;
        int LocalOffset = 0, RunOffset = 0;
        std::string_view EntryDate, EntryTime;   // empty: nothing kept
        // The start of the stamp's minute in the run's zone, when its time was "HH:MM:SS".
        DateTime MinuteWall;
        bool HasMinute = false;

        bool Holds(std::string_view date, std::string_view time, bool utc, int localOffset, int runOffset) const {
            return !EntryDate.empty() && date.size() == DateSize && time.size() == TimeSize && Utc == utc &&
                   LocalOffset == localOffset && RunOffset == runOffset &&
                   std::memcmp(date.data(), Date, DateSize) == 0 && std::memcmp(time.data(), Time, TimeSize) == 0;
        }
        // Whether the stamp lies in the minute of the one kept (the same date, hour and minute
        // texts, whole seconds alone), moved the same way.
        bool HoldsMinute(std::string_view date, std::string_view time, bool utc, int localOffset,
                         int runOffset) const {
            return HasMinute && !EntryDate.empty() && date.size() == DateSize && time.size() == 8 && Utc == utc &&
                   LocalOffset == localOffset && RunOffset == runOffset &&
                   std::memcmp(date.data(), Date, DateSize) == 0 && std::memcmp(time.data(), Time, 5) == 0;
        }
        // False, keeping nothing, for texts too long to keep. minuteWall: the start of the
        // stamp's minute in the run's zone, when its time was "HH:MM:SS".
        bool Keep(std::string_view date, std::string_view time, bool utc, int localOffset, int runOffset,
                  std::string_view entryDate, std::string_view entryTime,
                  std::optional<DateTime> minuteWall = std::nullopt) {
            EntryDate = {};
            HasMinute = minuteWall.has_value() && time.size() == 8;
            if (HasMinute) MinuteWall = *minuteWall;
            if (date.size() > sizeof Date || time.size() > sizeof Time) return false;
            std::memcpy(Date, date.data(), date.size());
            std::memcpy(Time, time.data(), time.size());
            DateSize = static_cast<uint8_t>(date.size());
            TimeSize = static_cast<uint8_t>(time.size());
            Utc = utc;
            LocalOffset = localOffset;
            RunOffset = runOffset;
            EntryDate = entryDate;
            EntryTime = entryTime;
            return true;
        }
    };
    W3cStampMemo W3cStamp;   // the texts it names live in this store: cleared with it

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
