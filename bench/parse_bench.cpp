// Reading and parsing speed of the engine on one log file.
//   parse_bench FILE [--full | --read [FORMAT] | --fields [FORMAT]]
// Without an option: the file's text is read as a run reads it (a plain file mapped, a
// compressed one inflated), cut into lines by the run's cutter and every line parsed as
// common/combined; nothing is counted.
// With --full: ProcessFile with the shipped reference data, as a run does.
// With --read: what a large file's reading thread does, alone: the format chosen as a run
// chooses it (FORMAT as --log-format takes it, else automatic), every line parsed, filtered
// and classified; nothing is counted.
// With --fields: only the chosen format's reader cutting each line into its fields (no entry
// is made), to tell a reader's cost from the rest of the reading thread's.
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "config/ReferenceDataLoader.h"
#include "engine/Analyser.h"
#include "engine/parse/Classification.h"
#include "engine/parse/Filters.h"
#include "engine/parse/FormatDetection.h"
#include "engine/parse/FormatLines.h"
#include "engine/read/LineCutter.h"
#include "engine/parse/LogParser.h"
#include "engine/read/LogReader.h"
#include "engine/base/MemoryBudget.h"

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>

using namespace trevix;
using Clock = std::chrono::steady_clock;

// The processor time this thread has used: on a machine shared with other work the wall time
// of a loop says more about the others than about the loop.
static double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: parse_bench FILE [--full | --read [FORMAT] | --fields [FORMAT]]\n");
        return 1;
    }
    const std::string path = argv[1];
    const bool full = argc > 2 && std::strcmp(argv[2], "--full") == 0;
    const bool fieldsOnly = argc > 2 && std::strcmp(argv[2], "--fields") == 0;
    const bool read = fieldsOnly || (argc > 2 && std::strcmp(argv[2], "--read") == 0);
    Analyser a;
    a.Options.ConvertTimes = true;
    unsigned long long lines = 0, bytes = 0;
    auto start = Clock::now();
    double cpuStart = ThreadSeconds();
    if (read) {
        MemorySettingsStore store;
        NullHost host;
        LoadAllReferenceData(store, a.Options, a.Reference, host, FindDataFolder());
        a.ClearAllData();
        a.CurrentProfile.Domains = {"example.com"};
        if (argc > 3) a.CurrentProfile.LogFormat = argv[3];
        FileText text;
        if (!ReadLogText(a, path, text)) {
            std::fprintf(stderr, "parse_bench: cannot read %s\n", path.c_str());
            return 2;
        }
        start = Clock::now();
        cpuStart = ThreadSeconds();
        bytes = text.size();
        FileParseState state;
        const FileFormat format = ChooseFileFormat(a, path, text.View(), state);
        a.Tables.EntryParsing.MergeSessions = a.Options.MergeSessions;
        LineCutter cutter(a, text.View(), &text);
        LogEntry entry;
        std::string_view line;
        unsigned long long accepted = 0;
        while (fieldsOnly && cutter.Next(line)) {
            ++lines;
            if (state.Format == 0) continue;   // common/combined has no separate reader
            const LineFormat* reader = a.LineFormats[state.Format].get();
            a.LineScratch.Clear();
            LineFields fields;
            const LineKind kind = reader->Read(line, fields, a.LineScratch);
            if (kind == LineKind::Entry) {
                ++accepted;
            } else if (kind == LineKind::Comment) {
                if (std::unique_ptr<LineFormat> next = reader->After(line)) {
                    const std::string key = std::string(next->Name()) + "\n" + std::string(line);
                    state.Format = AddRunFormat(a, std::move(next), key);
                }
            }
        }
        while (!fieldsOnly && cutter.Next(line)) {
            ++lines;
            const ParseResult result = state.Format == 0 ? ParseLogLine(a, line, entry, state)
                                                         : ParseFormatLine(a, line, entry, state);
            if (result != ParseResult::Accepted || !PassesFilters(a, line, entry)) continue;
            state.FirstLineAccepted = true;
            ++accepted;
            entry.IsSpider = IsSpiderAgent(a, entry.UserAgent);
            // The two-thread loop leaves these to the counting thread for the other formats.
            if (state.Format == 0) {
                entry.IsExitPage = ValidExitPage(a.Reference, entry.File);
                entry.HashKeys();
            }
        }
        std::printf("read as %s: %llu %s\n", format.Name.c_str(), accepted, fieldsOnly ? "read" : "accepted");
    } else if (full) {
        MemorySettingsStore store;
        NullHost host;
        LoadAllReferenceData(store, a.Options, a.Reference, host, FindDataFolder());
        a.ClearAllData();
        start = Clock::now();
        cpuStart = ThreadSeconds();
        a.Tables.CurrentFileNumber = 1;
        ProcessFile(a, path);
        lines = a.Tables.EntryCount + a.Tables.LinesRejected;
        bytes = a.Tables.FileTexts.empty() ? 0 : a.Tables.FileTexts.back()->size();
    } else {
        a.ClearAllData();
        start = Clock::now();
        cpuStart = ThreadSeconds();
        FileText text;
        if (!ReadLogText(a, path, text)) {
            std::fprintf(stderr, "parse_bench: cannot read %s\n", path.c_str());
            return 2;
        }
        bytes = text.size();
        LineCutter cutter(a, text.View(), &text);
        FileParseState state;
        LogEntry entry;
        std::string_view line;
        while (cutter.Next(line)) {
            if (ParseLogLine(a, line, entry, state) == ParseResult::Accepted) state.FirstLineAccepted = true;
            ++lines;
        }
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadSeconds() - cpuStart;
    std::printf("%s %s: %llu lines, %.1f MB in %.3f s = %.0f lines/s, %.0f MB/s; thread cpu %.3f s\n",
                full ? "full" : read ? "read" : "parse", path.c_str(), lines, bytes / 1048576.0, seconds,
                lines / seconds, bytes / 1048576.0 / seconds, cpu);
    // Anonymous memory at the end (the mapped log's pages are not in it), per line and per
    // byte of log text: the figures the memory budget and the documentation use.
    if (full && lines > 0)
        std::printf("  RssAnon at the end: %.1f MB = %.0f bytes per line, %.2f per byte of text\n",
                    AnonymousMemory() / 1048576.0, static_cast<double>(AnonymousMemory()) / lines,
                    bytes ? static_cast<double>(AnonymousMemory()) / bytes : 0.0);
    return 0;
}
