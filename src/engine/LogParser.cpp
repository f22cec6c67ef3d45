#include "LogParser.h"

#include "Analyser.h"
#include "Classification.h"
#include "InternalErrors.h"
#include "Text.h"
#include "TimeStamps.h"

#include <cmath>

namespace trevix {

namespace {
constexpr auto npos = std::string_view::npos;

std::string_view From(std::string_view s, size_t pos) { return pos >= s.size() ? std::string_view() : s.substr(pos); }
} // namespace

void InvalidEntry(Analyser& a, std::string_view raw) {
    if (a.QuietParse) return;
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
    msg.append(raw).append("\r\n\r\n");
    a.AddToLog(msg);
}

bool IsBlankAfterAddress(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t blank = line.find(' ');
    return blank != npos && TrimBlanks(line.substr(blank + 1)).empty();
}

ParseResult ParseLogLine(Analyser& a, std::string_view line, LogEntry& e, FileParseState& state) {
    e = LogEntry{};
    auto reject = [&] {
        InvalidEntry(a, line);
        return ParseResult::Rejected;
    };

    // Client.
    size_t blank = line.find(' ');
    if (blank == npos) return reject();
    e.ClientIP = TrimBlanks(line.substr(0, blank));
    std::string_view rest = line.substr(blank + 1);
    if (TrimBlanks(rest).empty()) return reject();

    // Time stamp between the first "[" and the first "]".
    size_t lb = rest.find('['), rb = rest.find(']');
    if (lb == npos || rb == npos || rb < lb) return reject();
    std::string_view stamp = TrimBlanks(rest.substr(lb + 1, rb - lb - 1));
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

    // The run's first time stamp is the earliest among each file's lines up to its first
    // accepted one; later lines cannot move it.
    if (!state.FirstLineAccepted) {
        if (a.T.FirstDateTime.empty()) {
            a.T.LogTimeZone.assign(zone);
            a.T.FirstDateTime = e.Stamp().Text();
            if (a.T.FirstDateTime.empty()) a.T.FirstDateTime = " ";
            if (!StampValue(e.Stamp())) ReportInternalError(a, ErrFirstTimeNotDate, line);
        } else {
            auto mine = StampValue(e.Stamp());
            auto first = StampValue(a.T.FirstDateTime);
            if (!mine) {
                ReportInternalError(a, ErrFirstTimeNotDate, line);
            } else if (!first || *mine < *first) {
                a.T.FirstDateTime = e.Stamp().Text();
            }
        }
    }
    state.LastStamp = e.Stamp();
    state.HaveLastStamp = true;

    // Request: method, URL, protocol.
    size_t reqStart = rb + 3;
    size_t q = reqStart <= rest.size() ? rest.find('"', reqStart) : npos;
    if (q == npos) return reject();
    std::string_view request = rest.substr(reqStart, q - reqStart);
    size_t methodEnd = 0;   // where the URL starts in the text before the method was cut
    if (request != "-") {
        if (request.starts_with("GET")) {
            methodEnd = reqStart + 4;
            rest = From(rest, methodEnd);
        } else if (request.starts_with("POST") || request.starts_with("HEAD")) {
            methodEnd = reqStart + 5;
            rest = From(rest, methodEnd);
        } else {
            return reject();
        }
    }
    blank = rest.find(' ');
    if (blank == npos) return reject();
    // A request without a protocol ("GET /a.html") ends at its closing quote, not at the
    // blank after it. A quote inside the URL (followed by more of it) does not end it.
    size_t fileEnd = blank;
    if (methodEnd != 0 && q >= methodEnd && q - methodEnd < blank) {
        const size_t quote = q - methodEnd;
        if (quote + 1 == rest.size() || rest[quote + 1] == ' ' || rest[quote + 1] == '\r') fileEnd = quote;
    }
    e.File = TrimBlanks(rest.substr(0, fileEnd));
    if (a.Options.MergeSessions) e.File = StripSessionID(a, e.File);

    size_t http = rest.find(" HTTP/");
    size_t closing = rest.find("\" ", http == npos ? 0 : http + 1);
    if (closing == npos) return reject();
    rest = From(rest, closing + 2);

    // Status.
    blank = rest.find(' ');
    if (blank == npos) return reject();
    double status = LeadingNumber(rest.substr(0, blank));
    if (status > 32767 || status < -32768)
        ReportInternalError(a, ErrStatusOutOfRange, line);
    else
        e.Status = static_cast<int16_t>(status);
    rest = From(rest, blank + 1);

    // Bytes; a line may end here (common format).
    blank = rest.find(' ');
    std::string_view bytes;
    bool lastField = blank == npos;
    if (lastField) {
        bytes = rest;
        if (!bytes.empty() && bytes.back() == '\r') bytes.remove_suffix(1);
    } else {
        bytes = rest.substr(0, blank);
        rest = From(rest, blank + 1);
    }
    if (IsWholeNumber(bytes)) {
        double v = LeadingNumber(bytes);
        if (v >= 9.2e18 || v <= -9.2e18)
            ReportInternalError(a, ErrBytesOutOfRange, line);
        else
            e.Bytes = static_cast<int64_t>(v);
    }
    if (lastField) return ParseResult::Accepted;

    // Virtual host, then the quoted referrer.
    size_t q1 = rest.find('"');
    if (q1 == npos) {
        ReportInternalError(a, ErrHostNoQuote, line);
    } else {
        e.Host = TrimBlanks(rest.substr(0, q1));
        if (e.Host.starts_with("www.")) e.Host.remove_prefix(4);
        if (a.CurrentProfile.DifferentDomains && !e.Host.empty()) e.File = a.T.Arena.Concat(e.Host, e.File);
    }
    size_t q2 = q1 == npos ? npos : rest.find('"', q1 + 1);
    if (q2 == npos) return reject();
    e.Referrer = rest.substr(q1 + 1, q2 - q1 - 1);
    if (a.Options.MergeSessions) e.Referrer = StripSessionID(a, e.Referrer);

    // User agent.
    rest = From(rest, q2 + 3);
    if (!rest.empty()) {
        size_t q3 = rest.find('"');
        if (q3 == npos)
            ReportInternalError(a, ErrUserAgentNoQuote, line);
        else
            e.UserAgent = rest.substr(0, q3);
    }
    return ParseResult::Accepted;
}

} // namespace trevix
