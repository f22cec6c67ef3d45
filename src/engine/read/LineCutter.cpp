#include "engine/read/LineCutter.h"

#include "engine/Analyser.h"
#include "engine/base/ByteScan.h"
#include "engine/base/Utf8.h"

#include <algorithm>
#include <cstring>

namespace trevix {

LineCutter::LineCutter(Analyser& a, std::string_view text, const FileText* source)
    : a_(a), text_(text), source_(source), end_(UsesCrAlone(text) ? '\r' : '\n') {}

bool LineCutter::UsesCrAlone(std::string_view text) {
    return !text.empty() && !std::memchr(text.data(), '\n', text.size()) &&
           std::memchr(text.data(), '\r', text.size());
}

namespace {
// How far ahead of the line being cut its text is asked into the cache: the processor's own
// prefetching stops at each 4 KB page, and a mapped log's pages are in no cache when the
// reader gets to them.
constexpr size_t FetchAhead = 2048;
} // namespace

bool LineCutter::Next(std::string_view& line) {
    while (!last_) {
        const char* data = text_.data();
        if (fetched_ < pos_ + FetchAhead) {
            // A prefetch never faults, but it is kept inside the text all the same.
            const size_t until = std::min(text_.size(), pos_ + FetchAhead + 512);
            if (fetched_ < pos_) fetched_ = pos_ & ~size_t{63};
            for (; fetched_ < until; fetched_ += 64) __builtin_prefetch(data + fetched_);
        }
        // The end and the UTF-8 question in one pass: an ASCII line needs no check. Checking
        // line by line gives what checking the whole text first would: LF and CR are never
        // part of a longer UTF-8 sequence, so a valid text is cut into valid lines.
        const LineEnd end = pos_ < text_.size()
                                ? ByteScan::FindLineEnd(data + pos_, text_.size() - pos_, end_)
                                : LineEnd{0, true};
        const size_t lfPos = pos_ + end.Pos;
        if (lfPos >= text_.size()) last_ = true;
        // The file shrank under its mapping: this line and the rest are gone.
        if (source_ && source_->CutShort()) {
            last_ = true;
            return false;
        }
        line = pos_ < lfPos ? std::string_view(data + pos_, lfPos - pos_) : std::string_view();
        if (line.size() > LongLine) {
            // Rejected like any line that is not a log line, so a file of nothing else says so.
            a_.AddToLog("Ignoring long line (probably vulnerability exploit attempt): '" +
                        ToValidUtf8(Utf8Prefix(a_.Tables.Masks.On() ? std::string_view(a_.Tables.Masks.ShownLine(line))
                                                                     : line, 75)) + " ...'");
            ++a_.Tables.LinesRejected;
            line = {};
        }
        pos_ = lfPos + 1;
        // A blank line of a CR LF file holds only its CR: it is empty too.
        if (line.empty() || (line.size() == 1 && line[0] == '\r')) continue;
        if (!end.Ascii && !IsValidUtf8(line)) line = a_.Tables.Arena.Store(ToValidUtf8(line));
        return true;
    }
    return false;
}

} // namespace trevix
