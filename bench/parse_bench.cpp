// Reading and parsing speed of the engine on one log file.
//   parse_bench FILE [--full]
// Without --full: the file is read (through zlib for .gz) and every line is parsed, nothing
// is counted. With --full: ProcessFile with the shipped reference data, as a run does.
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "config/ReferenceDataLoader.h"
#include "engine/Analyser.h"
#include "engine/LogParser.h"
#include "engine/LogReader.h"
#include "engine/MemoryBudget.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <zlib.h>

using namespace trevix;
using Clock = std::chrono::steady_clock;

namespace {

std::string ReadAll(const std::string& path) {
    std::string text;
    gzFile gz = gzopen(path.c_str(), "rb");
    if (!gz) return text;
    gzbuffer(gz, 1 << 18);
    std::string chunk(1 << 20, '\0');
    int got;
    while ((got = gzread(gz, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) text.append(chunk.data(), got);
    gzclose(gz);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: parse_bench FILE [--full]\n");
        return 1;
    }
    const std::string path = argv[1];
    const bool full = argc > 2 && std::strcmp(argv[2], "--full") == 0;
    Analyser a;
    a.Options.ConvertTimes = true;
    unsigned long long lines = 0, bytes = 0;
    auto start = Clock::now();
    if (full) {
        MemorySettingsStore store;
        NullHost host;
        LoadAllReferenceData(store, a.Options, a.Ref, host, FindDataFolder());
        a.ClearAllData();
        start = Clock::now();
        a.T.CurrentFileNumber = 1;
        ProcessFile(a, path);
        lines = a.T.EntryCount + a.T.LinesRejected;
        bytes = a.T.FileTexts.empty() ? 0 : a.T.FileTexts.back()->size();
    } else {
        std::string text = ReadAll(path);
        bytes = text.size();
        FileParseState state;
        LogEntry entry;
        size_t pos = 0;
        while (pos < text.size()) {
            const char* lf = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
            size_t end = lf ? static_cast<size_t>(lf - text.data()) : text.size();
            if (end > pos) {
                if (ParseLogLine(a, std::string_view(text.data() + pos, end - pos), entry, state) ==
                    ParseResult::Accepted)
                    state.FirstLineAccepted = true;
                ++lines;
            }
            pos = end + 1;
        }
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%s %s: %llu lines, %.1f MB in %.3f s = %.0f lines/s, %.0f MB/s\n", full ? "full" : "parse",
                path.c_str(), lines, bytes / 1048576.0, seconds, lines / seconds, bytes / 1048576.0 / seconds);
    // Anonymous memory at the end (the mapped log's pages are not in it), per line and per
    // byte of log text: the figures the memory budget and the documentation use.
    if (full && lines > 0)
        std::printf("  RssAnon at the end: %.1f MB = %.0f bytes per line, %.2f per byte of text\n",
                    AnonymousMemory() / 1048576.0, static_cast<double>(AnonymousMemory()) / lines,
                    bytes ? static_cast<double>(AnonymousMemory()) / bytes : 0.0);
    return 0;
}
