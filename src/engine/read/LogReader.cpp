#include "engine/read/LogReader.h"

#include "engine/analysis/Accumulation.h"
#include "engine/Analyser.h"
#include "engine/IncompleteInputs.h"
#include "engine/base/Locale.h"
#include "engine/base/TemporaryFile.h"
#include "engine/read/Decompression.h"
#include "engine/InternalErrors.h"
#include "engine/read/LineLoop.h"
#include "engine/parse/FormatDetection.h"
#include "engine/parse/LogParser.h"
#include "engine/base/Text.h"
#include "engine/parse/TimeStamps.h"
#include "engine/tables/Tables.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <malloc.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

namespace {

constexpr size_t PlainChunk = 1048576;

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
    a.Tables.Cancelled = true;
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
// member only), when it is plausible: a file that starts as gzip, at least the packed size, and
// no more than deflate's largest ratio allows. 0 otherwise (a plain text named .gz included,
// whose last bytes would otherwise send it to disk).
uint64_t InflatedSizeHint(const std::string& path, long long packed) {
    if (packed < 18) return 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    unsigned char head[2] = {}, tail[4] = {};
    const bool got = ::pread(fd, head, 2, 0) == 2 && ::pread(fd, tail, 4, packed - 4) == 4;
    ::close(fd);
    if (!got || head[0] != 0x1f || head[1] != 0x8b) return 0;
    const uint64_t size = tail[0] | (tail[1] << 8) | (tail[2] << 16) | (static_cast<uint64_t>(tail[3]) << 24);
    const uint64_t p = static_cast<uint64_t>(packed);
    return size >= p && size <= p * 1032 ? size : 0;
}

// Ends the run (std::bad_alloc) unless a text of size bytes, held in a string of the given
// capacity (0: not a string), may grow by ahead bytes: the new bytes, the copy a string makes
// when it outgrows its capacity, and the entries of all its lines.
void RequireToGrow(Analyser& a, size_t size, size_t capacity, size_t inString, size_t ahead) {
    double more = static_cast<double>(ahead) + static_cast<double>(size + ahead) * a.Tables.Budget.PerTextByte();
    if (capacity > 0 && inString + ahead > capacity) more += static_cast<double>(inString);
    a.Tables.Budget.Require(static_cast<uint64_t>(more));
}

// Watches a text growing from a source of unknown length for a stretch without a line end:
// an input that goes on for EndlessLine bytes without one (a device of zeros, an endless
// line) is not a log, and reading stops there.
class LineEndWatch {
public:
    void Saw(const char* chunk, size_t n) {
        const auto* lf = static_cast<const char*>(n ? memrchr(chunk, '\n', n) : nullptr);
        const auto* cr = static_cast<const char*>(n ? memrchr(chunk, '\r', n) : nullptr);
        const char* last = !lf ? cr : !cr ? lf : std::max(lf, cr);
        if (last) lastEnd_ = seen_ + static_cast<uint64_t>(last - chunk) + 1;
        seen_ += n;
    }
    bool Endless() const { return seen_ - lastEnd_ > EndlessLine; }

private:
    uint64_t seen_ = 0, lastEnd_ = 0;
};

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Ends the run for want of memory when a text too large for it cannot go to disk either; the
// memory message then names the folder and the reason.
[[noreturn]] void NoRoomOnDisk(Analyser& a, const std::string& folder, int error) {
    a.Tables.NoRoomOnDisk = "in " + folder + " (" + std::strerror(error) + ")";
    throw std::bad_alloc();
}

// Decompresses a compressed file into text: zlib for gzip, libbz2, liblzma and libzstd for
// the others. A damaged or truncated stream keeps what was read and says so. A text that will
// not fit in memory beside its entries is inflated into a temporary file instead (decided
// before, from a gzip file's stated size, or once a memory check fails while inflating), which
// is mapped when complete: its pages are then the page cache's, as a plain log's are.
bool ReadCompressedFile(Analyser& a, LogCompression kind, const std::string& path, const std::string& name,
                        FileText& file) {
    std::string& text = file.Growable();
    a.Host->SetStatus("Decompressing " + name + " ...");
    if (!CheckOpenable(a, path)) return false;
    struct stat st {};
    const long long packed = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : 0;
    const std::string folder = TemporaryFolder(a.Options.TemporaryFilesFolder);
    TemporaryFile disk;   // open once the text goes to disk
    // Moves what was inflated so far to disk and lets its memory go.
    auto moveToDisk = [&] {
        if (!disk.Create(folder) || !disk.Append(text)) return false;
        std::string().swap(text);
        // A text that came from the heap (glibc raises its threshold for mapping large blocks
        // after the first is freed) goes back to the system too, not only to the heap.
        malloc_trim(0);
        return true;
    };
    // Room for the whole text at once, when a gzip file tells its size and it fits: no copy
    // while the text grows, and no spare half of a doubled buffer. When it does not fit but its
    // entries would, the text goes to disk from the start.
    if (kind == LogCompression::Gzip) {
        if (uint64_t whole = InflatedSizeHint(path, packed); whole > 0) {
            const auto entries = static_cast<uint64_t>(static_cast<double>(whole) * a.Tables.Budget.PerTextByte());
            if (whole + entries <= a.Tables.Budget.Headroom()) {
                text.reserve(static_cast<size_t>(whole) + DecompressChunk);
            } else {
                a.Tables.Budget.Require(entries);
                if (!moveToDisk()) NoRoomOnDisk(a, folder, disk.Error());
            }
        }
    }
    constexpr long CheckEvery = 20;   // chunks between memory checks, status texts and events
    long chunks = 0;
    double kiloFigure = 0;
    bool bombNoted = false, endless = false, cancelled = false, diskFailed = false;
    uint64_t consumed = 0, inflated = 0;
    LineEndWatch watch;
    // Whatever stops the stream, it is let go before the run ends for want of memory.
    std::exception_ptr failure;
    const std::optional<FileIdentity> before = FileIdentity::OfPath(path);
    DecompressOutcome outcome = DecompressFile(
        kind, path,
        [&](std::string_view chunk) {
            if (!disk.IsOpen()) {
                text.append(chunk);
            } else if (!disk.Append(chunk)) {
                diskFailed = true;
                return false;
            }
            inflated += chunk.size();
            watch.Saw(chunk.data(), chunk.size());
            if (watch.Endless()) {
                endless = true;
                return false;
            }
            if (!bombNoted && packed > 0 && static_cast<long long>(inflated) / packed > InflationNoteRatio) {
                bombNoted = true;
                a.AddToLog("Note: '" + path + "' inflates to more than " + GroupDigits(InflationNoteRatio) +
                           " times its compressed size (a possible decompression bomb); reading goes on.");
            }
            kiloFigure = std::round(kiloFigure + 65.526);
            if (++chunks % CheckEvery != 0) return true;
            try {
                // The whole text, at the ratio inflated so far, and the entries of its lines.
                const double have = static_cast<double>(inflated);
                const double whole = consumed > 0 && static_cast<uint64_t>(packed) > consumed
                                         ? have * static_cast<double>(packed) / static_cast<double>(consumed)
                                         : have;
                const double entries = whole * a.Tables.Budget.PerTextByte();
                // Not even the entries fit: a text on disk would not help.
                a.Tables.Budget.Require(static_cast<uint64_t>(entries));
                if (!disk.IsOpen()) {
                    try {
                        a.Tables.Budget.Require(static_cast<uint64_t>((whole - have) + entries));
                        RequireToGrow(a, text.size(), text.capacity(), text.size(), CheckEvery * DecompressChunk);
                    } catch (const std::bad_alloc&) {
                        if (!moveToDisk()) {
                            diskFailed = true;
                            return false;
                        }
                    }
                }
            } catch (...) {
                failure = std::current_exception();
                return false;
            }
            a.Host->SetStatus("Decompressing " + name + (disk.IsOpen() ? " to disk (" : " (") +
                              std::to_string(static_cast<long>(kiloFigure)) + "K) ...");
            a.Host->ProcessEvents();
            cancelled = a.Host->IsCancelled();
            return !cancelled;
        },
        &consumed);
    if (failure) std::rethrow_exception(failure);
    if (diskFailed) NoRoomOnDisk(a, folder, disk.Error());
    if (outcome.OpenError != 0) {
        if (!CancelledWhileBlocked(a, outcome.OpenError)) ReportOpenError(a, path, outcome.OpenError);
        return false;
    }
    if (cancelled || a.Host->IsCancelled()) {
        a.Tables.Cancelled = true;
        return true;
    }
    file.StoppedAtEndlessLine = endless;
    if (!outcome.Damage.empty()) {
        a.AddToLog("Damaged compressed file: '" + path + "' (" + outcome.Damage + "). The " +
                   std::to_string(inflated) + " bytes read before the damage were processed.");
        ReportIncompleteInput(a, path, "damaged after " + GroupDigits(inflated) + " bytes; the lines before were analysed");
    }
    if (!disk.IsOpen() || inflated == 0) {
        file.UseGrowable();
    } else {
        // Mapping takes address space, not memory; where even that is short, memory is.
        if (!file.MapTemporary(disk.Descriptor(), static_cast<size_t>(inflated))) throw std::bad_alloc();
        disk.Release();
        a.AddToLog(name + " inflated into a temporary file in " + folder + ": too large for memory");
    }
    // Inflated whole from a file that stayed as it was meanwhile: a later run may take it again.
    // Not one that earned a note: reading it again says so again, as a fresh read would.
    if (outcome.Damage.empty() && !endless && !bombNoted && before) {
        Descriptor fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
        if (fd.fd >= 0 && FileIdentity::OfOpen(fd.fd) == before) file.MarkWhole(*before, fd.fd);
    }
    return true;
}

// Files that stay open, mapped, for the whole run at most; later ones are read into memory
// (a private copy, which nothing can change), so a run of many files keeps descriptors free.
constexpr size_t MostMappedFiles = 256;

bool MayMapAnother(const Analyser& a) {
    size_t mapped = 0;
    for (const auto& text : a.Tables.FileTexts) mapped += text->Mapped() ? 1 : 0;
    return mapped < MostMappedFiles;
}

bool ReadPlainFile(Analyser& a, const std::string& path, const std::string& name, FileText& file) {
    a.Host->SetStatus("Loading " + name + " ...");
    if (!CheckOpenable(a, path)) return false;
    // A Cancel that came before a blocking open would not interrupt it.
    if (a.Host->IsCancelled()) {
        a.Tables.Cancelled = true;
        return true;
    }
    Descriptor fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (fd.fd < 0) {
        const int error = errno;
        if (!CancelledWhileBlocked(a, error)) ReportOpenError(a, path, error);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ReportOpenError(a, path, EISDIR);
        return false;
    }
    const long long length = st.st_size > 0 ? st.st_size : 0;
    const std::optional<FileIdentity> identity = FileIdentity::OfOpen(fd.fd);
    // A regular file is mapped: no copy, and pages the system can drop and read again. Pipes,
    // devices and files that cannot be mapped (address space limit) are read.
    const double perByte = a.Tables.Budget.PerTextByte();
    if (S_ISREG(st.st_mode) && length > 0)
        a.Tables.Budget.Require(static_cast<uint64_t>(static_cast<double>(length) * perByte));
    if (S_ISREG(st.st_mode) && length > 0 && MayMapAnother(a) && file.Map(fd.fd, static_cast<size_t>(length))) {
        if (identity && identity->Size == length) file.MarkWhole(*identity, fd.fd);
        fd.fd = -1;   // the text keeps it, to tell later whether the file changed
        a.Host->ProcessEvents();
        if (a.Host->IsCancelled()) a.Tables.Cancelled = true;
        return true;
    }
    // Read straight into a buffer of the file's size: one copy from the system.
    file.Allocate(static_cast<size_t>(length));
    char* buffer = file.Buffer();
    size_t capacity = static_cast<size_t>(length), filled = 0;
    std::string& more = file.Growable();   // what a pipe, a device or a growing file gives beyond
    LineEndWatch watch;
    for (;;) {
        const bool inBuffer = filled < capacity;
        size_t want = inBuffer ? std::min(PlainChunk, capacity - filled) : PlainChunk;
        if (!inBuffer) {
            // No known end: the memory it takes is checked before each chunk.
            RequireToGrow(a, filled, std::max<size_t>(more.capacity(), 1), more.size(), want);
            more.resize(filled - capacity + want);
        }
        char* into = inBuffer ? buffer + filled : more.data() + (filled - capacity);
        ssize_t got = ::read(fd.fd, into, want);
        if (got < 0 && errno == EINTR) {
            if (!a.Host->IsCancelled()) continue;
            a.Tables.Cancelled = true;
            got = 0;
        }
        if (got < 0) {
            ReportOpenError(a, path, errno);
            return false;
        }
        if (!inBuffer) more.resize(filled - capacity + static_cast<size_t>(got));
        if (got == 0) break;
        const long long first = static_cast<long long>(filled);
        filled += static_cast<size_t>(got);
        if (!inBuffer) {
            watch.Saw(into, static_cast<size_t>(got));
            if (watch.Endless()) {
                file.StoppedAtEndlessLine = true;
                break;
            }
        } else if (filled == capacity) {
            watch.Saw(buffer, capacity);
        }
        if (length > 0) a.Host->SetProgress(std::min<long long>(100, first * 100 / length), 100);
        a.Host->ProcessEvents();
        if (a.Host->IsCancelled()) {
            a.Tables.Cancelled = true;
            break;
        }
    }
    if (filled <= capacity) {
        file.UseBuffer(filled);
        // All of a regular file that did not change while it was read.
        if (identity && filled == capacity && identity->Size == length && !a.Tables.Cancelled &&
            !file.StoppedAtEndlessLine && FileIdentity::OfOpen(fd.fd) == identity)
            file.MarkWhole(*identity, fd.fd);
    } else {
        // Rare: the file grew while it was read. Keep it as one text.
        RequireToGrow(a, filled, std::max<size_t>(more.capacity(), 1), more.size(), capacity);
        more.insert(0, buffer, capacity);
        file.UseGrowable();
    }
    return true;
}

// A kept text in place of reading the file: what the user sees is as when it is read, less
// the waiting.
void UseKeptText(Analyser& a, const std::string& path, const FileText& file) {
    a.Host->SetStatus("Loading " + DisplayName(path) + " ...");
    a.Tables.Budget.Require(static_cast<uint64_t>(static_cast<double>(file.size()) * a.Tables.Budget.PerTextByte()));
    a.Host->ProcessEvents();
    if (a.Host->IsCancelled()) a.Tables.Cancelled = true;
}

void UpdateLastDateTime(Analyser& a, const FileParseState& state, std::string_view raw) {
    if (!state.HaveLastStamp) return;
    auto mine = StampValue(state.LastStamp);
    if (a.Tables.LastDateTime.empty()) {
        a.Tables.LastDateTime = state.LastStamp.Text();
        return;
    }
    auto last = StampValue(a.Tables.LastDateTime);
    if (!mine) {
        ReportInternalError(a, ErrLastTimeNotDate, raw);
    } else if (!last || *mine > *last) {
        a.Tables.LastDateTime = state.LastStamp.Text();
    }
}

} // namespace

std::string NotEnoughMemoryText(const Analyser& a) {
    const unsigned long long lines =
        static_cast<unsigned long long>(a.Tables.EntryCount) + a.Tables.LinesRejected + a.Tables.LinesFiltered;
    std::string text = "Not enough memory to analyse " + a.Tables.CurrentPath + ": " + GroupDigits(lines) + " lines read";
    if (!a.Tables.NoRoomOnDisk.empty()) text += "; no temporary file could be written " + a.Tables.NoRoomOnDisk;
    return text;
}

bool ReadLogText(Analyser& a, const std::string& path, FileText& file) {
    const std::string name = DisplayName(path);
    const LogCompression kind = CompressionOf(path);
    return kind == LogCompression::None ? ReadPlainFile(a, path, name, file)
                                        : ReadCompressedFile(a, kind, path, name, file);
}

bool ProcessFile(Analyser& a, const std::string& path) {
    a.Tables.CurrentPath = path;
    a.Tables.Cancelled = false;
    a.Host->ResetCancel();
    a.Host->SetProgress(0, 100);
    a.Host->ShowProgress(true);
    a.Host->SetBusy(true);

    // A file unchanged since the previous run read it whole is not read again: its text is.
    std::unique_ptr<FileText> owned = a.Tables.TakeKeptText(path);
    bool read = true;
    if (owned) {
        UseKeptText(a, path, *owned);
    } else {
        owned = std::make_unique<FileText>();
        read = ReadLogText(a, path, *owned);
    }
    // A Cancel during reading takes effect before any line is parsed.
    if (read && a.Host->IsCancelled()) a.Tables.Cancelled = true;

    FileParseState state;
    std::string_view lastRaw;
    if (read && !a.Tables.Cancelled) {
        const uint64_t rejectedBefore = a.Tables.LinesRejected, filteredBefore = a.Tables.LinesFiltered;
        const uint32_t entriesBefore = a.Tables.EntryCount;
        a.Tables.FileTexts.push_back(std::move(owned));
        FileText& text = *a.Tables.FileTexts.back();
        text.Path = path;
        const FileFormat format = ChooseFileFormat(a, path, text.View(), state);
        // A file of no known format was said so once; its lines are not told one by one.
        const bool quiet = a.QuietParse;
        if (!format.Known) a.QuietParse = true;
        ProcessLines(a, text.View(), state, lastRaw, &text);
        a.QuietParse = quiet;
        UpdateLastDateTime(a, state, lastRaw);
        KeepTextsOfFile(a, text);
        // Whatever reads a line again (the raw log, a visitor's report) faults its page in.
        text.ReleasePages();
        a.Tables.Budget.AddText(text.size());
        // After the copies: a change up to here may have reached them, one after cannot.
        if (!text.Unchanged()) {
            ReportChangedInput(a, path);
            text.ForgetSource();
        }
        // Only a text read and counted whole is taken again by a later run.
        if (a.Tables.Cancelled || text.StoppedAtEndlessLine) text.ForgetSource();
        // Text in which no line is a log line: a binary file, or not an access log at all.
        const bool toldAlready = !a.Tables.IncompleteInputs.empty() && a.Tables.IncompleteInputs.back().Path == path;
        const bool noneValid = a.Tables.LinesRejected > rejectedBefore && a.Tables.EntryCount == entriesBefore &&
                               a.Tables.LinesFiltered == filteredBefore;
        if (!a.Tables.Cancelled && !toldAlready && noneValid && !format.Known)
            ReportIncompleteInput(a, path, "no known log format; its first line: '" + format.FirstLine + "'");
        else if (!a.Tables.Cancelled && !toldAlready && noneValid)
            ReportIncompleteInput(a, path, "no valid log line; nothing was analysed");
        else if (!a.Tables.Cancelled && !toldAlready && text.StoppedAtEndlessLine)
            ReportIncompleteInput(a, path, "more than " + GroupDigits(EndlessLine) +
                                               " bytes without a line end; reading stopped there, the lines before were analysed");
    }

    a.Host->ShowProgress(false);
    a.Host->SetBusy(false);
    a.Host->SetStatus("Done.");
    return read;
}

bool LoadFile(Analyser& a, const std::string& path) {
    a.Lists.Summary = "Loading log file...\r\n" + path;
    a.Host->ShowSummary(a.Lists.Summary);
    const bool read = ProcessFile(a, path);
    if (a.Tables.Cancelled) {
        a.Lists.Summary = "(Loading cancelled)";
        a.Host->ShowSummary(a.Lists.Summary);
        a.ClearLists();
    }
    return read;
}

} // namespace trevix
