#include "engine/parse/FormatLines.h"

#include "engine/Analyser.h"
#include "engine/base/Text.h"
#include "engine/formats/StampForms.h"
#include "engine/parse/Classification.h"

#include <cstring>

namespace trevix {

namespace {

bool Inside(std::string_view line, std::string_view text) {
    return text.data() >= line.data() && text.data() + text.size() <= line.data() + line.size();
}

// Minutes east of UTC of the computer's zone.
int LocalOffset(const Analyser& a) { return -(a.LocalTimeBias.Hours * 60 + a.LocalTimeBias.Minutes); }

// "+0200" -> 120; nullopt for a zone that does not read.
std::optional<int> ZoneMinutes(std::string_view zone) {
    zone = TrimBlanks(zone);
    if (zone.size() != 5 || (zone[0] != '+' && zone[0] != '-')) return std::nullopt;
    int v = 0;
    for (size_t i = 1; i < 5; ++i) {
        const unsigned d = static_cast<unsigned char>(zone[i]) - '0';
        if (d > 9) return std::nullopt;
        v = v * 10 + static_cast<int>(d);
    }
    const int minutes = v / 100 * 60 + v % 100;
    return zone[0] == '-' ? -minutes : minutes;
}

// Minutes east of UTC of the run's zone (the zone of its first line), the computer's when
// that does not read. Remembered by the zone's text: it is asked for on every line and changes
// once a run at most.
int RunOffset(const Analyser& a) {
    struct Last {
        char Text[8];
        size_t Size = 0;
        std::optional<int> Minutes;
        bool Known = false;
    };
    thread_local Last last;
    const std::string& zone = a.Tables.LogTimeZone;
    if (!last.Known || zone.size() != last.Size || std::memcmp(zone.data(), last.Text, zone.size()) != 0) {
        last.Minutes = ZoneMinutes(zone);
        last.Known = zone.size() <= sizeof last.Text;
        last.Size = zone.size();
        if (last.Known) std::memcpy(last.Text, zone.data(), zone.size());
    }
    return last.Minutes.value_or(LocalOffset(a));
}

void ZoneText(int minutes, char (&out)[6]) {
    const int m = minutes < 0 ? -minutes : minutes;
    out[0] = minutes < 0 ? '-' : '+';
    out[1] = static_cast<char>('0' + m / 600 % 10);
    out[2] = static_cast<char>('0' + m / 60 % 10);
    out[3] = static_cast<char>('0' + m % 60 / 10);
    out[4] = static_cast<char>('0' + m % 10);
    out[5] = '\0';
}

// Method and URL of a request line ("GET /a.html?x HTTP/1.1", also without the protocol).
bool SplitRequest(std::string_view request, std::string_view& method, std::string_view& url) {
    request = TrimBlanks(request);
    const size_t blank = request.find(' ');
    if (blank == std::string_view::npos) return false;
    method = request.substr(0, blank);
    std::string_view rest = TrimBlanks(request.substr(blank + 1));
    const size_t http = rest.rfind(" HTTP/");
    if (http != std::string_view::npos) rest = TrimBlanks(rest.substr(0, http));
    url = rest;
    return !url.empty();
}

// ReadStamp, remembering the last text read: lines of one second repeat their stamp, and a
// reader gives the same answer for the same text whatever the run.
std::optional<ZonedStamp> ReadStampOnce(const LineFields& f) {
    struct Last {
        char Text[48];
        size_t Size = 0;
        StampForm Form = StampForm::None;
        std::optional<ZonedStamp> Value;
    };
    thread_local Last last;
    std::string_view key;
    char joined[48];
    switch (f.Form) {
    case StampForm::None:
    case StampForm::Pattern: return ReadStamp(f);   // the text alone does not say the answer
    case StampForm::W3c:
        if (f.StampDate.size() + f.StampTime.size() + 1 > sizeof joined) return ReadStamp(f);
        std::memcpy(joined, f.StampDate.data(), f.StampDate.size());
        joined[f.StampDate.size()] = '\n';   // no field holds a line break
        std::memcpy(joined + f.StampDate.size() + 1, f.StampTime.data(), f.StampTime.size());
        key = {joined, f.StampDate.size() + 1 + f.StampTime.size()};
        break;
    default: key = f.Stamp; break;
    }
    if (key.size() > sizeof last.Text) return ReadStamp(f);
    if (last.Form == f.Form && key == std::string_view(last.Text, last.Size)) return last.Value;
    last.Value = ReadStamp(f);
    last.Form = f.Form;
    last.Size = key.size();
    std::memcpy(last.Text, key.data(), key.size());
    return last.Value;
}

// The entry's date and time from the line's stamp, moved into the zone of the run's first line
// so every stamp of the run compares and converts alike; false for a stamp that does not read.
bool MakeStamp(Analyser& a, const LineFields& f, std::string_view line, LogEntry& e, FileParseState& state,
               bool w3cUtc) {
    const std::optional<ZonedStamp> stamp = ReadStampOnce(f);
    if (!stamp) return false;
    const int offset = stamp->HasOffset ? stamp->OffsetMinutes : w3cUtc ? 0 : LocalOffset(a);
    DateTime wall = stamp->Wall;
    // The line's zone is the run's when it is the run's first stamp; later ones move into it.
    char zone[6] = "";
    if (a.Tables.FirstDateTime.empty()) {
        ZoneText(offset, zone);
    } else {
        const int runOffset = RunOffset(a);
        wall = wall.AddSeconds(int64_t(runOffset - offset) * 60);
    }
    // Years 1970 to 9999, as the line parser allows.
    constexpr int64_t End = 253402300800;   // 10000-01-01 00:00:00
    if (wall.Seconds() < 0 || wall.Seconds() >= End) return false;
    e.Date = a.Tables.FormatTexts.Date(wall);
    e.Time = a.Tables.FormatTexts.Time(wall);
    NoteStamp(a, e.Stamp(), zone, state, line);
    return true;
}

} // namespace

uint16_t AddRunFormat(Analyser& a, std::unique_ptr<LineFormat> format, const std::string& key) {
    auto found = a.LineFormatSlots.find(key);
    if (found != a.LineFormatSlots.end()) return found->second;
    if (a.LineFormats.empty()) a.LineFormats.emplace_back();   // slot 0: common/combined
    if (a.LineFormats.size() >= StoredEntry::MaxFormats) return 0;
    const auto slot = static_cast<uint16_t>(a.LineFormats.size());
    a.LineFormats.push_back(std::move(format));
    a.LineFormatSlots.emplace(key, slot);
    return slot;
}

ParseResult MakeEntry(Analyser& a, const LineFields& f, std::string_view line, LogEntry& e, FileParseState& state) {
    ZeroFill(e);
    e.Format = state.Format;
    auto reject = [&] {
        InvalidEntry(a, line);
        return ParseResult::Rejected;
    };
    EntryTexts& texts = a.Tables.FormatTexts;
    auto keep = [&](std::string_view text) {
        text = TrimBlanks(text);
        return Inside(line, text) ? text : texts.Keep(text);
    };

    e.ClientIP = keep(f.Client);
    if (a.Tables.Masks.On()) a.Tables.Masks.NoteClient(e.ClientIP);
    if (e.ClientIP.empty()) return reject();

    // A W3C line of the same second as the last one, with the run's zone settled: the entry
    // texts that line gave, without reading the stamp again.
    const bool w3cUtc = f.Form == StampForm::W3c && !a.Tables.EntryParsing.W3cLocalTime;
    if (f.Form == StampForm::W3c && !a.Tables.FirstDateTime.empty()) {
        const int local = LocalOffset(a), runOffset = RunOffset(a);
        EntryTexts::W3cStampMemo& memo = texts.W3cStamp;
        if (memo.Holds(f.StampDate, f.StampTime, w3cUtc, local, runOffset)) {
            e.Date = memo.EntryDate;
            e.Time = memo.EntryTime;
        } else {
            // Whole seconds of a "HH:MM:SS" time; -1 for any other form, read the long way.
            const std::string_view t = f.StampTime;
            const int second = t.size() == 8 && t[6] >= '0' && t[6] <= '5' && t[7] >= '0' && t[7] <= '9'
                                   ? (t[6] - '0') * 10 + (t[7] - '0')
                                   : -1;
            DateTime wall;
            if (second >= 0 && memo.HoldsMinute(f.StampDate, t, w3cUtc, local, runOffset)) {
                // Another second of the last stamp's minute: moved by whole minutes, it stays
                // in that minute and on that day.
                wall = memo.MinuteWall.AddSeconds(second);
            } else {
                const std::optional<ZonedStamp> stamp = ReadStamp(f);
                if (!stamp) return reject();
                const int offset = stamp->HasOffset ? stamp->OffsetMinutes : w3cUtc ? 0 : local;
                wall = stamp->Wall.AddSeconds(int64_t(runOffset - offset) * 60);
                constexpr int64_t End = 253402300800;   // 10000-01-01 00:00:00, as MakeStamp allows
                if (wall.Seconds() < 0 || wall.Seconds() >= End) return reject();
            }
            e.Date = texts.Date(wall);
            e.Time = texts.Time(wall);
            std::optional<DateTime> minute;
            if (second >= 0) minute = wall.AddSeconds(-second);
            memo.Keep(f.StampDate, f.StampTime, w3cUtc, local, runOffset, e.Date, e.Time, minute);
        }
        NoteStamp(a, e.Stamp(), "", state, line);
    } else if (!MakeStamp(a, f, line, e, state, w3cUtc)) {
        return reject();
    }

    std::string_view method = f.Method, url;
    if (!f.Request.empty()) {
        if (!SplitRequest(f.Request, method, url)) return reject();
        url = keep(url);
    } else {
        const std::string_view path = TrimBlanks(f.Path), query = TrimBlanks(f.Query);
        if (path.empty()) return reject();
        if (query.empty()) {
            url = keep(path);
        } else if (Inside(line, path) && Inside(line, query) && query.data() == path.data() + path.size() + 1 &&
                   path.data()[path.size()] == '?') {
            url = {path.data(), path.size() + 1 + query.size()};   // written together in the line
        } else {
            thread_local std::string joined;   // kept between lines: no allocation per line
            joined.assign(path).append(1, '?').append(query);
            url = texts.Keep(joined);
        }
    }
    // Counted as the line parser counts: page requests only.
    method = TrimBlanks(method);
    if (method != "GET" && method != "POST" && method != "HEAD") return reject();
    e.File = url;
    // StripSessionID looks for a "?" or "&" first, a block at a time.
    if (a.Options.MergeSessions) e.File = StripSessionID(a, e.File);

    uint64_t number = 0;
    if (!PlainDigits(TrimBlanks(f.Status), number) || number > 32767) return reject();
    e.Status = static_cast<int16_t>(number);
    if (PlainDigits(TrimBlanks(f.Bytes), number)) e.Bytes = static_cast<int64_t>(number);

    e.Host = keep(f.Host);
    if (e.Host.starts_with("www.")) e.Host.remove_prefix(4);
    if (a.CurrentProfile.DifferentDomains && !e.Host.empty()) e.File = a.Tables.Arena.Concat(e.Host, e.File);

    // An absent referrer or agent reads as the "-" the combined format writes for it.
    e.Referrer = keep(f.Referrer);
    if (e.Referrer.empty()) e.Referrer = "-";
    if (a.Options.MergeSessions && e.Referrer.size() > 1) e.Referrer = StripSessionID(a, e.Referrer);
    // A decoding the format numbered is found by its number: no need to read its text again.
    e.UserAgent = f.UserAgentSerial ? texts.Keep(TrimBlanks(f.UserAgent), f.UserAgentSerial) : keep(f.UserAgent);
    if (e.UserAgent.empty()) e.UserAgent = "-";
    return ParseResult::Accepted;
}

ParseResult ParseFormatLine(Analyser& a, std::string_view line, LogEntry& e, FileParseState& state) {
    const LineFormat* format = a.LineFormats[state.Format].get();
    a.LineScratch.Clear();
    if (a.Tables.Masks.On()) a.Tables.Masks.NoteClient({});
    LineFields fields;
    switch (format->Read(line, fields, a.LineScratch)) {
    case LineKind::Entry: return MakeEntry(a, fields, line, e, state);
    case LineKind::Comment: {
        std::unique_ptr<LineFormat> next = format->After(line);
        if (next) {
            std::string key(next->Name());
            key.append(1, '\n').append(TrimBlanks(line));
            const uint16_t slot = AddRunFormat(a, std::move(next), key);
            if (slot != 0) state.Format = slot;
        }
        return ParseResult::Skipped;
    }
    case LineKind::NotRead: break;
    }
    InvalidEntry(a, line);
    return ParseResult::Rejected;
}

} // namespace trevix
