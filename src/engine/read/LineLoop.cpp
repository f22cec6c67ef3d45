#include "engine/read/LineLoop.h"

#include "engine/analysis/Accumulation.h"
#include "engine/Analyser.h"
#include "engine/parse/Classification.h"
#include "engine/parse/Filters.h"
#include "engine/read/LineCutter.h"
#include "engine/parse/FormatLines.h"
#include "engine/parse/LogParser.h"
#include "engine/base/MemoryBudget.h"
#include "engine/base/Text.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace trevix {

namespace {

// Below this size a second thread costs more than it saves.
constexpr size_t ParallelFrom = 1 << 20;

enum class LineFate { Accepted, Dropped };

// Lines holding an address and nothing else are what an interrupted write leaves at the end
// of a log. Such lines are held back: at the end of the file they are skipped, and when a
// real line follows they were damage in the middle and are rejected like any invalid line.
class HeldBlankLines {
public:
    // True when the line is held (it then takes no slot).
    bool Hold(std::string_view line) {
        if (!IsBlankAfterAddress(line)) return false;
        lines_.push_back(line);
        return true;
    }
    // A real line follows: the held lines count as rejected.
    void RejectHeld(Analyser& a) {
        for (std::string_view line : lines_) {
            InvalidEntry(a, line);
            ++a.Tables.LinesRejected;
        }
        lines_.clear();
    }

private:
    std::vector<std::string_view> lines_;
};

// The spider answers of the user agents a file's entries hold outside their lines. For a
// format other than common/combined such an agent is a text kept for the run (EntryTexts),
// so within a file its address names its text, and an answer is found by the address alone.
class KeptAgentSpiders {
public:
    bool IsSpider(Analyser& a, std::string_view agent) {
        Slot& slot = slots_[(reinterpret_cast<uintptr_t>(agent.data()) >> 3 ^ agent.size()) % Slots];
        if (slot.Data != agent.data() || slot.Size != agent.size())
            slot = {agent.data(), agent.size(), IsSpiderAgent(a, agent)};
        return slot.Spider;
    }

private:
    static constexpr size_t Slots = 256;
    struct Slot {
        const char* Data = nullptr;
        size_t Size = 0;
        bool Spider = false;
    };
    Slot slots_[Slots];
};

// Whether a file may end a visit, by its extension: a log's files have a few extensions, so
// the answers of the ones met lately are kept (extensions of up to 8 bytes, which is nearly
// all of them, by their bytes as one word).
class ExitPageAnswers {
public:
    bool Valid(const ReferenceData& ref, std::string_view file) {
        const size_t dot = file.rfind('.');
        if (dot == std::string_view::npos) return true;
        const size_t size = file.size() - dot - 1;
        if (size > 8) return ValidExitPage(ref, file);
        uint64_t word = 0;
        std::memcpy(&word, file.data() + dot + 1, size);
        Slot& slot = slots_[((word ^ size) * 0x9e3779b97f4a7c15ULL) >> 58];
        // Size + 1, so that an unused slot (0) holds no extension, not even an empty one.
        if (slot.Word != word || slot.Size != size + 1)
            slot = {word, static_cast<uint32_t>(size + 1), ValidExitPage(ref, file)};
        return slot.Valid;
    }

private:
    struct Slot {
        uint64_t Word = 0;
        uint32_t Size = 0;
        bool Valid = false;
    };
    Slot slots_[64];
};

// What the reading thread remembers of the lines before.
struct ReaderAnswers {
    KeptAgentSpiders Spiders;
    ExitPageAnswers ExitPages;
};

bool Inside(std::string_view line, std::string_view text) {
    return text.data() >= line.data() && text.data() + text.size() <= line.data() + line.size();
}

// Settles what ParseAndFilter left to the counting thread.
inline void FinishKeys(const Analyser& a, LogEntry& entry) {
    if (!entry.KeysPending) return;
    entry.IsExitPage = ValidExitPage(a.Reference, entry.File);
    entry.HashKeys();
    entry.KeysPending = false;
}

// Parses the line into entry and applies the filters. With shareWork, an entry of a format
// other than common/combined leaves its exit-page test and hashes to the counting thread:
// reading such lines costs more than counting them, and the two threads then even out.
LineFate ParseAndFilter(Analyser& a, std::string_view line, LogEntry& entry, FileParseState& state,
                        ReaderAnswers& answers, bool shareWork = false) {
    const ParseResult result =
        state.Format == 0 ? ParseLogLine(a, line, entry, state) : ParseFormatLine(a, line, entry, state);
    if (result != ParseResult::Accepted) {
        if (result == ParseResult::Rejected) ++a.Tables.LinesRejected;
        return LineFate::Dropped;
    }
    if (!PassesFilters(a, line, entry)) {
        ++a.Tables.LinesFiltered;
        return LineFate::Dropped;
    }
    state.FirstLineAccepted = true;
    // What depends on the entry alone is settled here, on the reading thread when there is one.
    entry.IsSpider = state.Format != 0 && !Inside(line, entry.UserAgent) ? answers.Spiders.IsSpider(a, entry.UserAgent)
                                                                        : IsSpiderAgent(a, entry.UserAgent);
    if (shareWork && state.Format != 0 && !a.Tables.Masks.On()) {
        entry.KeysPending = true;
        return LineFate::Accepted;
    }
    entry.IsExitPage = answers.ExitPages.Valid(a.Reference, entry.File);
    if (a.Tables.Masks.On()) {
        // Filters saw the address as logged; from here on only its replacement is kept.
        entry.OriginalIP = entry.ClientIP;
        entry.ClientIP = a.Tables.Masks.Replace(entry.ClientIP, entry.ClientHash);
        entry.HashOtherKeys();
    } else {
        entry.HashKeys();
    }
    return LineFate::Accepted;
}

// Every this many entries the loop checks that the rest of the file will fit in memory.
constexpr uint32_t MemoryCheckEvery = 65536;

// Ends the run with bad_alloc when the rest of the text, at the memory per byte the file took
// so far, would not fit. progress is the percentage of the text cut so far.
void CheckMemory(Analyser& a, uint64_t anonAtStart, size_t textSize, long long progress) {
    const double done = static_cast<double>(textSize) * static_cast<double>(progress) / 100.0;
    const uint64_t now = AnonymousMemory(), taken = now > anonAtStart ? now - anonAtStart : 0;
    const double perByte = done >= 1048576.0 ? static_cast<double>(taken) / done : a.Tables.Budget.PerTextByte();
    a.Tables.Budget.Require(static_cast<uint64_t>((static_cast<double>(textSize) - done) * perByte));
}

// Lets pending events run and looks at Cancel, as every 100 entries.
void ServeEvents(Analyser& a, long long progress) {
    a.Host->SetProgress(progress, 100);
    a.Host->ProcessEvents();
    if (a.Host->IsCancelled()) a.Tables.Cancelled = true;
}

void ProcessLinesInOrder(Analyser& a, std::string_view text, FileParseState& state, std::string_view& lastRaw,
                         const FileText* source) {
    AnalysisTables& t = a.Tables;
    LineCutter cutter(a, text, source);
    HeldBlankLines held;
    std::string_view line;
    LogEntry entry;
    auto answers = std::make_unique<ReaderAnswers>();
    const uint64_t anonAtStart = AnonymousMemory();
    while (!t.Cancelled && cutter.Next(line)) {
        if (held.Hold(line)) continue;
        held.RejectHeld(a);
        // The slot is taken first and given back when the line does not count.
        ++t.EntryCount;
        if (t.LogEntries.size() <= t.EntryCount) t.LogEntries.resize(t.EntryCount + 1);
        if (t.EntryCount % 100 == 0) ServeEvents(a, cutter.Progress());
        if (t.EntryCount % MemoryCheckEvery == 0) CheckMemory(a, anonAtStart, text.size(), cutter.Progress());
        lastRaw = line;
        LineFate fate = ParseAndFilter(a, line, entry, state, *answers);
        if (fate == LineFate::Accepted)
            AccumulateEntry(a, entry, line);
        else
            --t.EntryCount;
    }
}

// Large files use both cores: a reader thread cuts, parses and filters lines into the next
// free slots of a window of parsed entries while this thread counts the accepted ones in
// order. The reader touches only what counting never reads (parser state, the processing log,
// the text arena, the spider answers, the slots not yet handed over), and runs at most Window
// entries ahead, so counting sees exactly the sequence the one-thread loop would produce.
// Front-end calls stay on this thread.
class LinePipeline {
public:
    static constexpr uint32_t Window = 8192;
    static constexpr uint32_t Batch = 256;
    static constexpr uint32_t PrefetchAhead = 8;

    LinePipeline(Analyser& a, std::string_view text, FileParseState& state, std::string_view& lastRaw,
                 const FileText* source)
        : a_(a), text_(text), source_(source), state_(state), lastRaw_(lastRaw), raw_(Window), entries_(Window) {}

    // False, with nothing done, when no second thread can be had (a process near its limits):
    // the caller then reads in one thread.
    bool Run() {
        const uint32_t base = a_.Tables.EntryCount;
        handed_ = counted_ = base;
        std::thread reader;
        try {
            reader = std::thread([this, base] { Read(base); });
        } catch (const std::system_error&) {
            return false;
        }
        // The reader is stopped and joined before anything leaves this routine.
        std::exception_ptr counting;
        try {
            Count(base);
        } catch (...) {
            counting = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        roomCv_.notify_all();
        reader.join();
        a_.Tables.EntryCount = counted_;
        if (counting) std::rethrow_exception(counting);
        if (error_) std::rethrow_exception(error_);
        return true;
    }

private:
    void Read(uint32_t base) {
        try {
            LineCutter cutter(a_, text_, source_);
            HeldBlankLines held;
            std::string_view line;
            auto answers = std::make_unique<ReaderAnswers>();
            uint32_t slot = base, unannounced = 0;
            while (!stop_.load(std::memory_order_relaxed) && cutter.Next(line)) {
                if (held.Hold(line)) continue;
                held.RejectHeld(a_);
                const uint32_t next = slot + 1;
                if (next - counted_.load() >= Window && !WaitForRoom(next)) return;
                // Slots a batch at a time: the table may hold spare ones.
                if (a_.Tables.LogEntries.size() <= next) a_.Tables.LogEntries.resize(next + Batch);
                lastRaw_ = line;
                LineFate fate = ParseAndFilter(a_, line, entries_[next % Window], state_, *answers, true);
                if (fate == LineFate::Dropped) continue;
                raw_[next % Window] = line;
                slot = next;
                if (++unannounced == Batch) {
                    Announce(slot, cutter.Progress(), false);
                    unannounced = 0;
                }
            }
            Announce(slot, 100, true);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_);
            error_ = std::current_exception();
            finished_ = true;
            readyCv_.notify_all();
        }
    }

    // Wakes the reader after counting moved on. Taking the lock first means the reader is
    // either still to test the count or already waiting: the wake-up cannot be lost.
    void MakeRoom() {
        { std::lock_guard<std::mutex> lock(m_); }
        roomCv_.notify_all();
    }

    bool WaitForRoom(uint32_t next) {
        std::unique_lock<std::mutex> lock(m_);
        roomCv_.wait(lock, [&] { return stop_ || next - counted_.load() < Window; });
        return !stop_;
    }

    void Announce(uint32_t slot, long long progress, bool finished) {
        std::lock_guard<std::mutex> lock(m_);
        handed_ = slot;
        progress_ = progress;
        finished_ = finished;
        readyCv_.notify_all();
    }

    void Count(uint32_t base) {
        AnalysisTables& t = a_.Tables;
        uint32_t s = base;
        const uint64_t anonAtStart = AnonymousMemory();
        for (;;) {
            uint32_t until;
            long long progress;
            {
                std::unique_lock<std::mutex> lock(m_);
                readyCv_.wait(lock, [&] { return handed_ != s || finished_; });
                if (handed_ == s) return;   // finished and all counted
                until = handed_;
                progress = progress_;
            }
            while (s != until) {
                ++s;
                t.EntryCount = s;
                if (s % 100 == 0) {
                    ServeEvents(a_, progress);
                    if (t.Cancelled) {
                        counted_.store(s - 1);
                        return;
                    }
                }
                if (s % MemoryCheckEvery == 0) {
                    counted_.store(s - 1);
                    CheckMemory(a_, anonAtStart, text_.size(), progress);
                    // Nothing the counting reads again lies before this line (the run's first and
                    // last stamps aside, copied when the file is done).
                    if (source_) source_->ReleasePagesBefore(raw_[s % Window].data());
                }
                if (until - s >= PrefetchAhead) {
                    LogEntry& ahead = entries_[(s + PrefetchAhead) % Window];
                    FinishKeys(a_, ahead);
                    t.PrefetchKeys(ahead);
                }
                FinishKeys(a_, entries_[s % Window]);
                AccumulateEntry(a_, entries_[s % Window], raw_[s % Window]);
                counted_.store(s);
                if (s % Batch == 0) MakeRoom();
            }
            MakeRoom();
        }
    }

    Analyser& a_;
    std::string_view text_;
    const FileText* source_;
    FileParseState& state_;
    std::string_view& lastRaw_;
    std::vector<std::string_view> raw_;   // the raw line of each slot in the window
    std::vector<LogEntry> entries_;       // and its parsed entry

    std::mutex m_;
    std::condition_variable readyCv_, roomCv_;
    uint32_t handed_ = 0;                 // slots up to this one are ready to count
    std::atomic<uint32_t> counted_{0};    // slots up to this one are counted
    long long progress_ = 0;
    bool finished_ = false;
    std::atomic<bool> stop_{false};
    std::exception_ptr error_;
};

} // namespace

void ProcessLines(Analyser& a, std::string_view text, FileParseState& state, std::string_view& lastRaw,
                  const FileText* source) {
    a.Host->SetStatus("Processing...");
    a.Tables.EntryParsing.MergeSessions = a.Options.MergeSessions;
    a.Tables.EntryParsing.DifferentDomains = a.CurrentProfile.DifferentDomains;
    a.Tables.EntryParsing.W3cLocalTime = a.CurrentProfile.W3cLocalTime;
    a.LastAgent = {};
    a.LastAgentSpider = false;
    if (LineCutter::UsesCrAlone(text)) a.AddToLog("The file's lines end with CR alone; read as such.");
    if (a.ParallelReading && text.size() >= ParallelFrom && std::thread::hardware_concurrency() > 1 &&
        LinePipeline(a, text, state, lastRaw, source).Run())
        return;
    ProcessLinesInOrder(a, text, state, lastRaw, source);
}

} // namespace trevix
