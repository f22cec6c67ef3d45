#include "engine/parse/FormatDetection.h"

#include "engine/Analyser.h"
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"
#include "engine/formats/StampForms.h"
#include "engine/parse/FormatLines.h"
#include "engine/parse/TimeStamps.h"

#include <vector>

namespace trevix {

namespace {

// Enough lines to tell the formats apart and few enough to cost nothing next to the file.
constexpr size_t SampleLines = 40;
constexpr size_t SampleBytes = 256 * 1024;

// The first lines of text, comments included (a W3C file's directives come first).
std::vector<std::string_view> Sample(std::string_view text) {
    const bool cut = text.size() > SampleBytes;
    const std::string_view window = text.substr(0, SampleBytes);
    const char end = window.find('\n') != std::string_view::npos || window.find('\r') == std::string_view::npos ? '\n' : '\r';
    std::vector<std::string_view> lines;
    size_t entries = 0, pos = 0;
    while (pos < window.size() && entries < SampleLines) {
        size_t stop = window.find(end, pos);
        if (stop == std::string_view::npos) {
            if (cut) break;   // the window ends inside this line
            stop = window.size();
        }
        std::string_view line = window.substr(pos, stop - pos);
        pos = stop + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (TrimBlanks(line).empty() || IsBlankAfterAddress(line)) continue;
        lines.push_back(line);
        if (line.front() != '#') ++entries;
    }
    return lines;
}

// Fields a format cut that make an entry: a time that reads, digits for the status, a request.
bool Plausible(const LineFields& f) {
    if (f.Client.empty() || f.Status.empty() || (f.Request.empty() && f.Path.empty())) return false;
    for (char c : f.Status)
        if (c < '0' || c > '9') return false;
    return ReadStamp(f).has_value();
}

// How many of the sample's entry lines format reads, following its directives.
size_t ReadCount(std::unique_ptr<LineFormat> format, const std::vector<std::string_view>& lines) {
    TextArena scratch;
    size_t read = 0;
    for (std::string_view line : lines) {
        scratch.Clear();
        LineFields fields;
        const LineKind kind = format->Read(line, fields, scratch);
        if (kind == LineKind::Comment) {
            if (auto next = format->After(line)) format = std::move(next);
        } else if (kind == LineKind::Entry && line.front() != '#' && Plausible(fields)) {
            ++read;
        }
    }
    return read;
}

// How many the line parser reads, and whether any of them has a referrer or user agent.
size_t CombinedCount(Analyser& a, const std::vector<std::string_view>& lines, bool& combined) {
    const bool quiet = a.QuietParse;
    a.QuietParse = true;
    size_t read = 0;
    for (std::string_view line : lines) {
        if (line.front() == '#') continue;
        FileParseState state;
        state.FirstLineAccepted = true;   // the run's first stamp is the real read's to set
        LogEntry e;
        // The line parser takes any text between brackets as a time; a file counts as its
        // format only by lines whose time reads.
        if (ParseLogLine(a, line, e, state) != ParseResult::Accepted || e.Date.size() != 11 ||
            LogMonthNumber(e.Date.substr(3, 3)) == 0 || !StampValue(e.Stamp()))
            continue;
        ++read;
        if (!e.UserAgent.empty() || !e.Referrer.empty()) combined = true;
    }
    a.QuietParse = quiet;
    return read;
}

// A line as a message shows it: valid UTF-8, control characters as "?".
std::string Printable(std::string_view line) {
    std::string text = ToValidUtf8(Utf8Prefix(line, 200));
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text;
}

std::string ShownName(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

} // namespace

FileFormat DetectFormat(Analyser& a, std::string_view text, std::unique_ptr<LineFormat>& format) {
    format.reset();
    const std::vector<std::string_view> lines = Sample(text);
    size_t total = 0;
    for (std::string_view line : lines) total += line.front() != '#';
    bool combined = false;
    const size_t combinedRead = CombinedCount(a, lines, combined);
    size_t best = combinedRead, bestIndex = 0;
    bool other = false;
    std::vector<std::unique_ptr<LineFormat>> candidates = DetectableFormats();
    for (size_t i = 0; i < candidates.size(); ++i) {
        const size_t read = ReadCount(std::move(candidates[i]), lines);
        // The line parser is lenient (it reads a vhost_combined line with "host:port" as its
        // client): a reader of a stricter shape that reads as much is the file's format.
        if (read > 0 && (read > best || (!other && read == best))) best = read, bestIndex = i, other = true;
    }
    FileFormat chosen;
    // A file is of the format that reads most of its first lines. A file none of whose first
    // lines any format reads is of no known format; it is still read as common/combined, so
    // nothing it may hold further on is lost.
    if (total > 0 && best == 0) {
        chosen.Known = false;
        for (std::string_view line : lines)
            if (line.front() != '#') {
                chosen.FirstLine = Printable(line);
                break;
            }
        if (chosen.FirstLine.empty() && !lines.empty()) chosen.FirstLine = Printable(lines.front());
        chosen.Name = "combined";
        return chosen;
    }
    if (!other) {
        chosen.Name = combined || combinedRead == 0 ? "combined" : "common";
        return chosen;
    }
    format = std::move(DetectableFormats()[bestIndex]);
    chosen.Name = std::string(format->Name());
    return chosen;
}

FileFormat ChooseFileFormat(Analyser& a, const std::string& path, std::string_view text, FileParseState& state) {
    const FormatChoice choice = FormatChoiceOf(a.CurrentProfile.LogFormat);
    std::unique_ptr<LineFormat> format;
    FileFormat chosen;
    if (choice.Name == FormatName::Automatic) {
        chosen = DetectFormat(a, text, format);
    } else {
        std::string error;
        format = MakeLineFormat(choice, error);
        if (!format) {
            chosen.Name = choice.Name == FormatName::Common ? "common" : "combined";
            if (!error.empty())
                a.AddToLog(ShownName(path) + ": the log format cannot be used (" + error + "); read as " + chosen.Name);
        } else {
            chosen.Name = std::string(format->Name());
        }
    }
    state.Format = format ? AddRunFormat(a, std::move(format), chosen.Name + "\n" + FormatChoiceText(choice)) : 0;
    if (chosen.Known) {
        const size_t before = a.Tables.ErrorLogText.size();
        a.AddToLog(ShownName(path) + ": read as " + chosen.Name);
        a.Tables.FormatNoteBytes += a.Tables.ErrorLogText.size() - before;
    } else
        a.AddToLog(ShownName(path) + ": no known log format; its first line: '" +
                   (a.Tables.Masks.On() ? a.Tables.Masks.ShownLine(chosen.FirstLine) : chosen.FirstLine) + "'");
    a.Tables.FilesReadAs.push_back({path, chosen.Known ? chosen.Name : std::string()});
    return chosen;
}

} // namespace trevix
