#include "engine/parse/LogParser.h"

#include "engine/Analyser.h"
#include "engine/base/ByteScan.h"
#include "engine/parse/Classification.h"
#include "engine/InternalErrors.h"
#include "engine/formats/LineFormat.h"
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"
#include "engine/parse/TimeStamps.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace trevix {

namespace {
constexpr auto npos = std::string_view::npos;
} // namespace

void InvalidEntry(Analyser& a, std::string_view raw) {
    if (a.QuietParse) return;
    std::string masked;
    if (a.Tables.Masks.On()) raw = masked = a.Tables.Masks.ShownLine(raw);
    std::string_view text = raw;
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
        text.remove_suffix(2);
    else if (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    std::string msg = "Invalid entry: '";
    if (text.size() > 255) {
        msg.append(Utf8Prefix(text, 255)).append("...");
    } else {
        msg.append(text);
    }
    msg.append("'");
    a.AddToLog(msg);
}

void ReportInternalError(Analyser& a, int number, std::string_view raw) {
    if (a.QuietParse) return;
    std::string msg = "*** Internal Error " + std::to_string(number) + " encountered while processing:\r\n";
    if (a.Tables.Masks.On())
        msg.append(a.Tables.Masks.ShownLine(raw));
    else
        msg.append(raw);
    msg.append("\r\n\r\n");
    a.AddToLog(msg);
}

bool IsBlankAfterAddress(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Such a line ends with a blank: nearly every line is told by its last byte.
    if (line.empty() || line.back() != ' ') return false;
    const size_t blank = line.find(' ');
    return blank != npos && TrimBlanks(line.substr(blank + 1)).empty();
}

void NoteFirstStamp(Analyser& a, const StampRef& stamp, std::string_view zone, std::string_view line) {
    // The run's first time stamp is the earliest among each file's lines up to its first
    // accepted one; later lines cannot move it.
    if (a.Tables.FirstDateTime.empty()) {
        a.Tables.LogTimeZone.assign(zone);
        a.Tables.FirstDateTime = stamp.Text();
        if (a.Tables.FirstDateTime.empty()) a.Tables.FirstDateTime.assign(1, ' ');
        if (!StampValue(stamp)) ReportInternalError(a, ErrFirstTimeNotDate, line);
    } else {
        auto mine = StampValue(stamp);
        auto first = StampValue(a.Tables.FirstDateTime);
        if (!mine) {
            ReportInternalError(a, ErrFirstTimeNotDate, line);
        } else if (!first || *mine < *first) {
            a.Tables.FirstDateTime = stamp.Text();
        }
    }
}

namespace {

// Where a line's blanks, quotes, brackets and URL parameter marks are, marked in one pass over
// its first kilobyte, so each field boundary is a bit search instead of another pass over the
// line. Beyond the marked bytes (a very long line) the searches read the text itself.
template <class Scan>
class LineMarks {
public:
    static constexpr size_t Words = 16;   // marks for the first 1,024 bytes

    explicit LineMarks(std::string_view line) : line_(line), marked_(std::min(line.size(), Words * 64)) {
        Scan::MarkText(line.data(), marked_, {blanks_, quotes_, others_});
    }

    size_t Blank(size_t from) const { return Next(blanks_, ' ', from); }
    size_t Quote(size_t from) const { return Next(quotes_, '"', from); }
    // c is '[' or ']'.
    size_t Bracket(char c, size_t from) const {
        size_t at = Next(others_, c, from);
        while (at < marked_ && line_[at] != c) at = Next(others_, c, at + 1);
        return at;
    }
    // Only a URL with a "?" or an "&" can hold a session parameter. url lies in the line.
    bool MayHoldSession(std::string_view url) const {
        const size_t from = static_cast<size_t>(url.data() - line_.data()), to = from + url.size();
        if (to > marked_) return url.find_first_of("?&") != npos;
        for (size_t w = from / 64; w * 64 < to; ++w) {
            uint64_t m = others_[w];
            if (w == from / 64) m &= ~uint64_t{0} << (from % 64);
            if ((w + 1) * 64 > to) m &= ~(~uint64_t{0} << (to % 64));
            for (; m; m &= m - 1) {
                const char c = line_[w * 64 + static_cast<size_t>(std::countr_zero(m))];
                if (c == '?' || c == '&') return true;
            }
        }
        return false;
    }
    // The first from position on where text starts (text starts with a blank).
    size_t BlankText(std::string_view text, size_t from) const {
        for (size_t at = Blank(from); at != npos; at = Blank(at + 1))
            if (line_.substr(at, text.size()) == text) return at;
        return npos;
    }
    // The first quote from position on that a blank follows.
    size_t QuoteBlank(size_t from) const {
        for (size_t at = Quote(from); at != npos; at = Quote(at + 1))
            if (at + 1 < line_.size() && line_[at + 1] == ' ') return at;
        return npos;
    }

private:
    size_t Next(const uint64_t* bits, char c, size_t from) const {
        if (from < marked_) {
            const size_t words = (marked_ + 63) / 64;
            size_t w = from / 64;
            uint64_t m = bits[w] & (~uint64_t{0} << (from % 64));
            for (;;) {
                if (m) return w * 64 + static_cast<size_t>(std::countr_zero(m));
                if (++w == words) break;
                m = bits[w];
            }
            from = marked_;
        }
        return Beyond(c, from);
    }
    size_t Beyond(char c, size_t from) const { return from < line_.size() ? line_.find(c, from) : npos; }

    std::string_view line_;
    size_t marked_;
    uint64_t blanks_[Words], quotes_[Words], others_[Words];
};

// False for a date of the log's form (dd/Mon/yyyy) that names no day of the calendar or a year
// outside 1970-9999. Other forms are left to the date conversion, as before.
bool PlausibleDate(std::string_view date) {
    if (date.size() != 11 || date[2] != '/' || date[6] != '/') return true;
    const int month = LogMonthNumber(date.substr(3, 3));
    auto digit = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(date[i]) - '0'); };
    for (size_t i : {0, 1, 7, 8, 9, 10})
        if (digit(i) > 9) return month == 0;
    if (month == 0) return true;
    const int day = static_cast<int>(digit(0) * 10 + digit(1));
    const int year = static_cast<int>(digit(7) * 1000 + digit(8) * 100 + digit(9) * 10 + digit(10));
    return year >= 1970 && day >= 1 && day <= DateTime::DaysInMonth(year, month);
}

template <class Scan>
ParseResult Parse(Analyser& a, std::string_view line, LogEntry& e, FileParseState& state) {
    ZeroFill(e);
    auto reject = [&] {
        InvalidEntry(a, line);
        return ParseResult::Rejected;
    };
    const LineMarks<Scan> marks(line);
    const size_t size = line.size();
    // The text from pos to its end; empty when pos lies at or beyond it.
    auto tail = [&](size_t pos) { return pos >= size ? std::string_view() : line.substr(pos); };

    // Client.
    const bool masked = a.Tables.Masks.On();
    const size_t clientEnd = marks.Blank(0);
    if (clientEnd == npos) {
        if (masked) a.Tables.Masks.NoteClient(line);   // all of it is the client field
        return reject();
    }
    e.ClientIP = TrimBlanks(line.substr(0, clientEnd));
    if (masked) a.Tables.Masks.NoteClient(e.ClientIP);
    const size_t restStart = clientEnd + 1;
    if (restStart == size || (line[restStart] == ' ' && TrimBlanks(line.substr(restStart)).empty()))
        return reject();

    // Time stamp between the first "[" and the first "]".
    const size_t lb = marks.Bracket('[', restStart), rb = marks.Bracket(']', restStart);
    if (lb == npos || rb == npos || rb < lb) return reject();
    std::string_view stamp = TrimBlanks(line.substr(lb + 1, rb - lb - 1));
    std::string_view zone;
    size_t colon = stamp.find(':');
    if (colon == npos) {
        ReportInternalError(a, ErrTimeStampNoColon, line);
    } else {
        e.Date = TrimBlanks(stamp.substr(0, colon));
        size_t sp = stamp.find(' ', colon + 1);
        if (sp == npos) {
            ReportInternalError(a, ErrTimeStampNoBlank, line);
        } else {
            e.Time = TrimBlanks(stamp.substr(colon + 1, sp - colon - 1));
            zone = stamp.substr(sp + 1);
        }
    }

    // A date that is not on the calendar, or lies outside the years a report can show, makes
    // no entry: it would blank the run's period or stretch it over millennia.
    if (!state.HavePlausibleDay || e.Date.size() != 11 ||
        std::memcmp(e.Date.data(), state.PlausibleDay, 11) != 0) {
        if (!PlausibleDate(e.Date)) return reject();
        if (e.Date.size() == 11) {
            std::memcpy(state.PlausibleDay, e.Date.data(), 11);
            state.HavePlausibleDay = true;
        }
    }

    NoteStamp(a, e.Stamp(), zone, state, line);

    // Request: method, URL, protocol. Positions from here on are in the line.
    const size_t reqStart = rb + 3;
    const size_t q = reqStart <= size ? marks.Quote(reqStart) : npos;
    if (q == npos) return reject();
    std::string_view request = line.substr(reqStart, q - reqStart);
    size_t url = restStart;   // where the URL starts; the identity field for a "-" request
    bool method = false;
    if (request != "-") {
        if (request.starts_with("GET")) {
            url = reqStart + 4;
        } else if (request.starts_with("POST") || request.starts_with("HEAD")) {
            url = reqStart + 5;
        } else {
            return reject();
        }
        method = true;
    }
    const size_t blank = marks.Blank(url);
    if (blank == npos) return reject();
    // A request without a protocol ("GET /a.html") ends at its closing quote, not at the
    // blank after it. A quote inside the URL (followed by more of it) does not end it.
    size_t fileEnd = blank;
    if (method && q >= url && q < blank) {
        if (q + 1 == size || line[q + 1] == ' ' || line[q + 1] == '\r') fileEnd = q;
    }
    e.File = TrimBlanks(line.substr(url, fileEnd - url));
    if (a.Options.MergeSessions && marks.MayHoldSession(e.File)) e.File = StripSessionID(a, e.File);

    const size_t http = marks.BlankText(" HTTP/", url);
    const size_t closing = marks.QuoteBlank(http == npos ? url : http + 1);
    if (closing == npos) return reject();

    // Status.
    const size_t statusStart = closing + 2;
    const size_t statusEnd = marks.Blank(statusStart);
    if (statusEnd == npos) return reject();
    const std::string_view statusText = line.substr(statusStart, statusEnd - statusStart);
    uint64_t digits;
    const double status =
        PlainDigits(statusText, digits) ? static_cast<double>(digits) : LeadingNumber(statusText);
    if (status > 32767 || status < -32768)
        ReportInternalError(a, ErrStatusOutOfRange, line);
    else
        e.Status = static_cast<int16_t>(status);

    // Bytes; a line may end here (common format).
    const size_t bytesStart = statusEnd + 1;
    const size_t bytesEnd = marks.Blank(bytesStart);
    std::string_view bytes;
    const bool lastField = bytesEnd == npos;
    if (lastField) {
        bytes = tail(bytesStart);
        if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    } else {
        bytes = line.substr(bytesStart, bytesEnd - bytesStart);
    }
    if (PlainDigits(bytes, digits)) {
        e.Bytes = static_cast<int64_t>(digits);
    } else if (IsWholeNumber(bytes)) {
        const double v = LeadingNumber(bytes);
        if (v >= 9.2e18 || v <= -9.2e18)
            ReportInternalError(a, ErrBytesOutOfRange, line);
        else
            e.Bytes = static_cast<int64_t>(v);
    }
    if (lastField) return ParseResult::Accepted;

    // Virtual host, then the quoted referrer.
    const size_t hostStart = bytesEnd + 1;
    const size_t q1 = marks.Quote(hostStart);
    if (q1 == npos) {
        ReportInternalError(a, ErrHostNoQuote, line);
    } else {
        e.Host = TrimBlanks(line.substr(hostStart, q1 - hostStart));
        if (e.Host.starts_with("www.")) e.Host.remove_prefix(4);
        if (a.CurrentProfile.DifferentDomains && !e.Host.empty()) e.File = a.Tables.Arena.Concat(e.Host, e.File);
    }
    const size_t q2 = q1 == npos ? npos : marks.Quote(q1 + 1);
    if (q2 == npos) return reject();
    e.Referrer = line.substr(q1 + 1, q2 - q1 - 1);
    if (a.Options.MergeSessions && marks.MayHoldSession(e.Referrer))
        e.Referrer = StripSessionID(a, e.Referrer);

    // User agent.
    const size_t agentStart = q2 + 3;
    if (agentStart < size) {
        const size_t q3 = marks.Quote(agentStart);
        if (q3 == npos)
            ReportInternalError(a, ErrUserAgentNoQuote, line);
        else
            e.UserAgent = line.substr(agentStart, q3 - agentStart);
    }
    return ParseResult::Accepted;
}

} // namespace

ParseResult ParseLogLine(Analyser& a, std::string_view line, LogEntry& e, FileParseState& state) {
#if defined(TREVIX_WIDE_SCAN)
    if (WideScan::Available()) return Parse<WideScan>(a, line, e, state);
#endif
    return Parse<ByteScan>(a, line, e, state);
}

ParseResult ParseLogLinePortable(Analyser& a, std::string_view line, LogEntry& e, FileParseState& state) {
    return Parse<PortableScan>(a, line, e, state);
}

} // namespace trevix
