#include "LogReader.h"

#include "Analyser.h"
#include "Decompression.h"
#include "InternalErrors.h"
#include "LineLoop.h"
#include "LogParser.h"
#include "Text.h"
#include "TimeStamps.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace trevix {

namespace {

constexpr size_t PlainChunk = 1048576;
constexpr unsigned GzipChunk = 65526;

std::string DisplayName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

void ReportOpenError(Analyser& a, const std::string& path, int error) {
    a.Host->ShowMessage(MessageIcon::Critical, "Error opening file",
                        "An error was encountered opening the file:\r\n\r\n" + path + "\r\n\r\n(Error " +
                            std::to_string(error) + ": " + std::strerror(error) + ")");
}

// A blocked open or read was interrupted by the user's Cancel (Ctrl+C): not an error.
bool CancelledWhileBlocked(Analyser& a, int error) {
    if (error != EINTR || !a.Host->IsCancelled()) return false;
    a.T.Cancelled = true;
    return true;
}

// Refuses what is not a file of data before anything blocks on it or reads a folder.
bool CheckOpenable(Analyser& a, const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        ReportOpenError(a, path, EISDIR);
        return false;
    }
    return true;
}

// The inflated size a gzip file states in its last four bytes (modulo 4 GiB, and of its last
// member only), when it is plausible: at least the packed size, and no more than deflate's
// largest ratio allows. 0 otherwise.
uint64_t InflatedSizeHint(const std::string& path, long long packed) {
    if (packed < 18) return 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    unsigned char tail[4] = {};
    const bool got = ::pread(fd, tail, 4, packed - 4) == 4;
    ::close(fd);
    if (!got) return 0;
    const uint64_t size = tail[0] | (tail[1] << 8) | (tail[2] << 16) | (static_cast<uint64_t>(tail[3]) << 24);
    const uint64_t p = static_cast<uint64_t>(packed);
    return size >= p && size <= p * 1032 ? size : 0;
}

// Memory for what a compressed file will still need; the stream is closed before giving up.
void RequireOrClose(Analyser& a, gzFile gz, double more) {
    try {
        a.T.Budget.Require(static_cast<uint64_t>(more));
    } catch (...) {
        gzclose(gz);
        throw;
    }
}

// Decompresses a gzip file into text. A damaged or truncated stream keeps what was read
// and says so in the processing log.
bool ReadGzipFile(Analyser& a, const std::string& path, const std::string& name, FileText& file) {
    std::string& text = file.Growable();
    a.Host->SetStatus("Decompressing " + name + " ...");
    if (!CheckOpenable(a, path)) return false;
    errno = 0;
    gzFile gz = gzopen(path.c_str(), "rb");
    if (!gz) {
        const int error = errno ? errno : ENOMEM;
        if (!CancelledWhileBlocked(a, error)) ReportOpenError(a, path, error);
        return false;
    }
    struct stat st {};
    const long long packed = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
    bool bombNoted = false;
    gzbuffer(gz, 256 * 1024);
    // Room for the whole text at once, when the file tells its size and it fits: no copy
    // while the text grows, and no spare half of a doubled buffer.
    if (uint64_t whole = InflatedSizeHint(path, packed); whole > 0 && whole <= a.T.Budget.Headroom())
        text.reserve(static_cast<size_t>(whole) + GzipChunk);   // the last read asks for a whole chunk
    long chunks = 0;
    long kilobytes = 0;
    double kiloFigure = 0;
    for (;;) {
        const size_t before = text.size();
        text.resize(before + GzipChunk);
        int got = gzread(gz, text.data() + before, GzipChunk);
        text.resize(before + static_cast<size_t>(got > 0 ? got : 0));
        if (got <= 0) break;
        if (!bombNoted && packed > 0 && static_cast<long long>(text.size()) / packed > InflationNoteRatio) {
            bombNoted = true;
            a.AddToLog("Note: '" + path + "' inflates to more than " + GroupDigits(InflationNoteRatio) +
                       " times its compressed size (a possible decompression bomb); reading goes on.");
        }
        ++chunks;
        kiloFigure = std::round(kiloFigure + 65.526);
        kilobytes = static_cast<long>(kiloFigure);
        if (chunks % 20 == 0) {
            // The whole text, at the ratio inflated so far, and the entries of its lines.
            const long long consumed = gzoffset(gz);
            const double have = static_cast<double>(text.size());
            const double whole = consumed > 0 && packed > consumed ? have * static_cast<double>(packed) / consumed : have;
            RequireOrClose(a, gz, (whole - have) + whole * a.T.Budget.PerTextByte());
            a.Host->SetStatus("Decompressing " + name + " (" + std::to_string(kilobytes) + "K) ...");
            a.Host->ProcessEvents();
        }
        if (a.Host->IsCancelled()) break;
    }
    if (a.Host->IsCancelled()) {
        gzclose(gz);
        a.T.Cancelled = true;
        return true;
    }
    int err = Z_OK;
    const char* message = gzerror(gz, &err);
    std::string reason = (err != Z_OK && err != Z_STREAM_END && message) ? message : "";
    int closed = gzclose(gz);
    if (reason.empty() && closed != Z_OK) reason = closed == Z_BUF_ERROR ? "unexpected end of file" : "read error";
    if (!reason.empty()) {
        a.AddToLog("Damaged compressed file: '" + path + "' (" + reason + "). The " + std::to_string(text.size()) +
                   " bytes read before the damage were processed.");
        ReportIncompleteInput(a, path, "damaged after " + GroupDigits(text.size()) + " bytes; the lines before were analysed");
    }
    file.UseGrowable();
    return true;
}

// bzip2, xz and zstd files: the same status texts, event points, Cancel and damage report as
// a gzip file.
bool ReadCompressedFile(Analyser& a, LogCompression kind, const std::string& path, const std::string& name,
                        FileText& file) {
    std::string& text = file.Growable();
    a.Host->SetStatus("Decompressing " + name + " ...");
    if (!CheckOpenable(a, path)) return false;
    long chunks = 0;
    bool overBudget = false;   // the stream is let go before the run ends for want of memory
    DecompressOutcome outcome = DecompressFile(kind, path, text, [&] {
        if (++chunks % 20 == 0) {
            const double lines = static_cast<double>(text.size()) * a.T.Budget.PerTextByte();
            if (static_cast<uint64_t>(lines) > a.T.Budget.Headroom()) {
                overBudget = true;
                return false;
            }
            a.Host->SetStatus("Decompressing " + name + " (" + std::to_string(text.size() / 1000) + "K) ...");
            a.Host->ProcessEvents();
            if (a.Host->IsCancelled()) return false;
        }
        return true;
    });
    if (overBudget) throw std::bad_alloc();
    if (outcome.OpenError != 0) {
        if (!CancelledWhileBlocked(a, outcome.OpenError)) ReportOpenError(a, path, outcome.OpenError);
        return false;
    }
    if (outcome.Stopped) a.T.Cancelled = true;
    if (!outcome.Damage.empty()) {
        a.AddToLog("Damaged compressed file: '" + path + "' (" + outcome.Damage + "). The " +
                   std::to_string(text.size()) + " bytes read before the damage were processed.");
        ReportIncompleteInput(a, path, "damaged after " + GroupDigits(text.size()) + " bytes; the lines before were analysed");
    }
    file.UseGrowable();
    return true;
}

bool ReadPlainFile(Analyser& a, const std::string& path, const std::string& name, FileText& file) {
    a.Host->SetStatus("Loading " + name + " ...");
    if (!CheckOpenable(a, path)) return false;
    // A Cancel that came before a blocking open would not interrupt it.
    if (a.Host->IsCancelled()) {
        a.T.Cancelled = true;
        return true;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (!CancelledWhileBlocked(a, error)) ReportOpenError(a, path, error);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        ReportOpenError(a, path, EISDIR);
        return false;
    }
    const long long length = st.st_size > 0 ? st.st_size : 0;
    // A regular file is mapped: no copy, and pages the system can drop and read again. Pipes,
    // devices and files that cannot be mapped (address space limit) are read.
    const double perByte = a.T.Budget.PerTextByte();
    if (S_ISREG(st.st_mode) && length > 0) {
        try {
            a.T.Budget.Require(static_cast<uint64_t>(static_cast<double>(length) * perByte));
        } catch (...) {
            ::close(fd);
            throw;
        }
    }
    if (S_ISREG(st.st_mode) && length > 0 && file.Map(fd, static_cast<size_t>(length))) {
        ::close(fd);
        a.Host->ProcessEvents();
        if (a.Host->IsCancelled()) a.T.Cancelled = true;
        return true;
    }
    // Read straight into a buffer of the file's size: one copy from the system.
    file.Allocate(static_cast<size_t>(length));
    char* buffer = file.Buffer();
    size_t capacity = static_cast<size_t>(length), filled = 0;
    std::string& more = file.Growable();   // what a growing file adds beyond its size at open
    for (;;) {
        const bool inBuffer = filled < capacity;
        size_t want = inBuffer ? std::min(PlainChunk, capacity - filled) : PlainChunk;
        if (!inBuffer) more.resize(filled - capacity + want);
        char* into = inBuffer ? buffer + filled : more.data() + (filled - capacity);
        ssize_t got = ::read(fd, into, want);
        if (got < 0 && errno == EINTR) {
            if (!a.Host->IsCancelled()) continue;
            a.T.Cancelled = true;
            got = 0;
        }
        if (got < 0) {
            int error = errno;
            ::close(fd);
            ReportOpenError(a, path, error);
            return false;
        }
        if (!inBuffer) more.resize(filled - capacity + static_cast<size_t>(got));
        if (got == 0) break;
        const long long first = static_cast<long long>(filled);
        filled += static_cast<size_t>(got);
        if (length > 0) a.Host->SetProgress(std::min<long long>(100, first * 100 / length), 100);
        a.Host->ProcessEvents();
        if (a.Host->IsCancelled()) {
            a.T.Cancelled = true;
            break;
        }
    }
    if (filled <= capacity) {
        file.UseBuffer(filled);
    } else {
        // Rare: the file grew while it was read. Keep it as one text.
        more.insert(0, buffer, capacity);
        file.UseGrowable();
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

} // namespace

std::string GroupDigits(unsigned long long n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string NotEnoughMemoryText(const Analyser& a) {
    const unsigned long long lines =
        static_cast<unsigned long long>(a.T.EntryCount) + a.T.LinesRejected + a.T.LinesFiltered;
    return "Not enough memory to analyse " + a.T.CurrentPath + ": " + GroupDigits(lines) + " lines read";
}

void ReportIncompleteInput(Analyser& a, const std::string& path, const std::string& what) {
    a.T.IncompleteInputs.push_back({path, path + ": " + what});
}

bool ReadLogText(Analyser& a, const std::string& path, FileText& file) {
    const std::string name = DisplayName(path);
    const LogCompression kind = CompressionOf(path);
    return kind == LogCompression::Gzip   ? ReadGzipFile(a, path, name, file)
           : kind == LogCompression::None ? ReadPlainFile(a, path, name, file)
                                          : ReadCompressedFile(a, kind, path, name, file);
}

bool ProcessFile(Analyser& a, const std::string& path) {
    a.T.CurrentPath = path;
    a.T.Cancelled = false;
    a.Host->ResetCancel();
    a.Host->SetProgress(0, 100);
    a.Host->ShowProgress(true);
    a.Host->SetBusy(true);

    auto owned = std::make_unique<FileText>();
    bool read = ReadLogText(a, path, *owned);
    // A Cancel during reading takes effect before any line is parsed.
    if (read && a.Host->IsCancelled()) a.T.Cancelled = true;

    FileParseState state;
    std::string_view lastRaw;
    if (read && !a.T.Cancelled) {
        const uint64_t rejectedBefore = a.T.LinesRejected, filteredBefore = a.T.LinesFiltered;
        const uint32_t entriesBefore = a.T.EntryCount;
        a.T.FileTexts.push_back(std::move(owned));
        const FileText& text = *a.T.FileTexts.back();
        ProcessLines(a, text.View(), state, lastRaw, &text);
        a.T.Budget.AddText(text.size());
        if (text.CutShort()) {
            a.AddToLog("The file '" + path + "' shrank while it was read (rotated?); the lines read before were analysed.");
            ReportIncompleteInput(a, path, "cut short while it was read; the lines before were analysed");
        }
        // Text in which no line is a log line: a binary file, or not an access log at all.
        const bool toldAlready = !a.T.IncompleteInputs.empty() && a.T.IncompleteInputs.back().Path == path;
        if (!a.T.Cancelled && !toldAlready && a.T.LinesRejected > rejectedBefore && a.T.EntryCount == entriesBefore &&
            a.T.LinesFiltered == filteredBefore)
            ReportIncompleteInput(a, path, "no valid log line; nothing was analysed");
    }

    UpdateLastDateTime(a, state, lastRaw);
    a.Host->ShowProgress(false);
    a.Host->SetBusy(false);
    a.Host->SetStatus("Done.");
    return read;
}

bool LoadFile(Analyser& a, const std::string& path) {
    a.Lists.Summary = "Loading log file...\r\n" + path;
    a.Host->ShowSummary(a.Lists.Summary);
    const bool read = ProcessFile(a, path);
    if (a.T.Cancelled) {
        a.Lists.Summary = "(Loading cancelled)";
        a.Host->ShowSummary(a.Lists.Summary);
        a.ClearLists();
    }
    return read;
}

} // namespace trevix
