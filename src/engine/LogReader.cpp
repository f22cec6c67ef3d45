#include "LogReader.h"

#include "Accumulation.h"
#include "Analyser.h"
#include "Filters.h"
#include "InternalErrors.h"
#include "LogParser.h"
#include "Text.h"
#include "TimeStamps.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace trevix {

namespace {

constexpr size_t PlainChunk = 1048576;
constexpr unsigned GzipChunk = 65526;
constexpr size_t LongLine = 30000;

std::string DisplayName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool EndsWithGz(const std::string& path) {
    return path.size() >= 3 && ToLowerAscii(path.substr(path.size() - 3)) == ".gz";
}

void ReportOpenError(Analyser& a, const std::string& path, int error) {
    a.Host->ShowMessage(MessageIcon::Critical, "Error opening file",
                        "An error was encountered opening the file:\r\n\r\n" + path + "\r\n\r\n(Error " +
                            std::to_string(error) + ")");
    a.T.Cancelled = true;
}

// Decompresses a gzip file into text. A damaged or truncated stream keeps what was read
// and says so in the processing log.
bool ReadGzipFile(Analyser& a, const std::string& path, const std::string& name, std::string& text) {
    a.Host->SetStatus("Decompressing " + name + " ...");
    errno = 0;
    gzFile gz = gzopen(path.c_str(), "rb");
    if (!gz) {
        ReportOpenError(a, path, errno ? errno : ENOMEM);
        return false;
    }
    gzbuffer(gz, 256 * 1024);
    std::string buffer(GzipChunk, '\0');
    long chunks = 0;
    long kilobytes = 0;
    double kiloFigure = 0;
    for (;;) {
        int got = gzread(gz, buffer.data(), GzipChunk);
        if (got <= 0) break;
        text.append(buffer.data(), static_cast<size_t>(got));
        ++chunks;
        kiloFigure = std::round(kiloFigure + 65.526);
        kilobytes = static_cast<long>(kiloFigure);
        if (chunks % 20 == 0) {
            a.Host->SetStatus("Decompressing " + name + " (" + std::to_string(kilobytes) + "K) ...");
            a.Host->ProcessEvents();
        }
    }
    int err = Z_OK;
    const char* message = gzerror(gz, &err);
    std::string reason = (err != Z_OK && err != Z_STREAM_END && message) ? message : "";
    int closed = gzclose(gz);
    if (reason.empty() && closed != Z_OK) reason = closed == Z_BUF_ERROR ? "unexpected end of file" : "read error";
    if (!reason.empty()) {
        a.AddToLog("Damaged compressed file: '" + path + "' (" + reason + "). The " + std::to_string(text.size()) +
                   " bytes read before the damage were processed.");
    }
    return true;
}

bool ReadPlainFile(Analyser& a, const std::string& path, const std::string& name, std::string& text) {
    a.Host->SetStatus("Loading " + name + " ...");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ReportOpenError(a, path, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        ReportOpenError(a, path, EISDIR);
        return false;
    }
    const long long length = st.st_size > 0 ? st.st_size : 0;
    text.reserve(static_cast<size_t>(length));
    std::string chunk(PlainChunk, '\0');
    for (;;) {
        long long first = static_cast<long long>(text.size());
        ssize_t got = ::read(fd, chunk.data(), PlainChunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int error = errno;
            ::close(fd);
            ReportOpenError(a, path, error);
            return false;
        }
        if (got == 0) break;
        text.append(chunk.data(), static_cast<size_t>(got));
        if (length > 0) a.Host->SetProgress(std::min<long long>(100, first * 100 / length), 100);
        a.Host->ProcessEvents();
        if (a.Host->IsCancelled()) {
            a.T.Cancelled = true;
            break;
        }
    }
    ::close(fd);
    return true;
}

void UpdateLastDateTime(Analyser& a, const FileParseState& state, std::string_view raw) {
    if (!state.HaveLastStamp) return;
    auto mine = StampValue(state.LastStamp);
    if (a.T.LastDateTime.empty()) {
        a.T.LastDateTime = state.LastStamp.Text();
        return;
    }
    auto last = StampValue(a.T.LastDateTime);
    if (!mine) {
        ReportInternalError(a, ErrLastTimeNotDate, raw);
    } else if (!last || *mine > *last) {
        a.T.LastDateTime = state.LastStamp.Text();
    }
}

void ProcessLines(Analyser& a, const std::string& text, FileParseState& state, std::string_view& lastRaw) {
    AnalysisTables& t = a.T;
    a.Host->SetStatus("Processing...");
    // Lines that are not valid UTF-8 are re-read as Windows-1252; most files need no look.
    const bool allValid = IsValidUtf8(text);
    const char* data = text.data();
    const size_t size = text.size();
    size_t pos = 0;
    bool last = false;

    // One slot per line at most: reserving up front avoids re-copying the entries.
    size_t lines = 1;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\n', data + size - p))); ++p) ++lines;
    t.LogEntries.reserve(t.LogEntries.size() + lines);

    while (!last && !t.Cancelled) {
        const char* lf = static_cast<const char*>(std::memchr(data + pos, '\n', size - pos));
        size_t lfPos = lf ? static_cast<size_t>(lf - data) : size;
        if (!lf) last = true;
        std::string_view line(data + pos, lfPos - pos);
        if (line.size() > LongLine) {
            a.AddToLog("Ignoring long line (probably vulnerability exploit attempt): '" +
                       ToValidUtf8(Utf8Prefix(line, 75)) + " ...'");
            line = {};
        }
        pos = lfPos + 1;
        if (line.empty()) continue;

        ++t.EntryCount;
        if (t.LogEntries.size() <= t.EntryCount) t.LogEntries.resize(t.EntryCount + 1);
        if (!allValid && !IsValidUtf8(line)) line = t.Arena.Store(ToValidUtf8(line));
        if (t.EntryCount % 100 == 0) {
            if (pos <= size) a.Host->SetProgress(static_cast<long long>(pos * 100 / (size ? size : 1)), 100);
            a.Host->ProcessEvents();
            if (a.Host->IsCancelled()) t.Cancelled = true;
        }
        lastRaw = line;
        LogEntry& entry = t.LogEntries[t.EntryCount];
        ParseResult result = ParseLogLine(a, line, entry, state);
        if (result == ParseResult::EndOfFile) {
            --t.EntryCount;
            break;
        }
        if (result == ParseResult::Rejected) {
            ++t.LinesRejected;
            --t.EntryCount;
        } else if (PassesFilters(a, line, entry)) {
            AccumulateEntry(a, line);
            state.FirstLineAccepted = true;
        } else {
            ++t.LinesFiltered;
            --t.EntryCount;
        }
    }
}

} // namespace

void ProcessFile(Analyser& a, const std::string& path) {
    const std::string name = DisplayName(path);
    a.T.Cancelled = false;
    a.Host->ResetCancel();
    a.Host->SetProgress(0, 100);
    a.Host->ShowProgress(true);
    a.Host->SetBusy(true);

    auto owned = std::make_unique<std::string>();
    bool read = EndsWithGz(path) ? ReadGzipFile(a, path, name, *owned) : ReadPlainFile(a, path, name, *owned);
    // A Cancel during reading takes effect before any line is parsed.
    if (read && a.Host->IsCancelled()) a.T.Cancelled = true;

    FileParseState state;
    std::string_view lastRaw;
    if (read && !a.T.Cancelled) {
        a.T.FileTexts.push_back(std::move(owned));
        ProcessLines(a, *a.T.FileTexts.back(), state, lastRaw);
    }

    UpdateLastDateTime(a, state, lastRaw);
    a.Host->ShowProgress(false);
    a.Host->SetBusy(false);
    a.Host->SetStatus("Done.");
}

void LoadFile(Analyser& a, const std::string& path) {
    a.Lists.Summary = "Loading log file...";
    ProcessFile(a, path);
    if (a.T.Cancelled) {
        a.Lists.Summary = "(Loading cancelled)";
        a.ClearLists();
    }
}

} // namespace trevix
