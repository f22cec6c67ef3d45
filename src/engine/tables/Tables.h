#pragma once
// The in-memory tables one analysis run fills. Tables are 1-based: slot 0 of each vector is a
// placeholder, so record numbers match those the reports and saved files use. Texts are views:
// into the log file texts (kept alive in FileTexts for the whole run) or into Arena for texts
// the engine changed or a loaded report supplied.
#include "engine/base/MappedText.h"
#include "engine/base/MemoryBudget.h"
#include "engine/base/RecordIndex.h"
#include "engine/base/TextArena.h"
#include "engine/tables/Anonymise.h"
#include "engine/tables/EntryTexts.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace trevix {

// Month number of a log month name ("Jan".."Dec", and "Mai" for May); 0 when unknown.
int LogMonthNumber(std::string_view name);

// A log time stamp as two texts: the log's date (10/Oct/2000) and time (13:55:36).
// Its text form is date, one blank, time.
struct StampRef {
    std::string_view Date;
    std::string_view Time;
    // The stamp as a number that orders as its time does (OrderOf), 0 when not known: the
    // counting compares stamps line after line and need not read their texts again.
    uint64_t Order = 0;
    bool empty() const { return Date.empty() && Time.empty(); }
    std::string Text() const;
    // Splits "date time" at its first blank (for stamps restored from a saved report).
    static StampRef FromText(std::string_view text);
    // A date "dd/Mon/yyyy" and time "hh:mm:ss" that name a real moment as a number ordered as
    // the moments are; 0 for any other form.
    static uint64_t OrderOf(std::string_view date, std::string_view time);
};

// One line parsed: what the filters and the counting read. Only a few hundred are alive at a
// time; what a run keeps of each counted line is a StoredEntry.
struct LogEntry {
    std::string_view ClientIP;
    // The address as logged, when ClientIP holds its replacement (AddressMasks): the country is
    // looked up from it.
    std::string_view OriginalIP;
    std::string_view Date;
    std::string_view Time;
    std::string_view File;
    std::string_view Host;
    std::string_view Referrer;
    std::string_view UserAgent;
    int64_t Bytes = 0;
    int16_t Status = 0;
    bool IsSpider = false;
    bool IsExitPage = false;   // File may end a visit (not a graphic)
    uint16_t Format = 0;       // the reader of its line: 0 for common/combined, else a slot of the run's formats
    // IsExitPage and the hashes are still to be settled (FinishKeys), by the counting thread.
    bool KeysPending = false;
    // HashText of ClientIP, File and Referrer, taken by the reading thread (HashKeys) so the
    // counting thread only probes its tables.
    uint64_t ClientHash = 0;
    uint64_t FileHash = 0;
    uint64_t ReferrerHash = 0;
    uint64_t StampOrder = 0;   // StampRef::OrderOf the date and time, taken with the hashes

    StampRef Stamp() const { return {Date, Time, StampOrder}; }
    void HashKeys() {
        ClientHash = HashText(ClientIP);
        HashOtherKeys();
    }
    // When ClientHash is known already (a replaced address's, AddressMasks).
    void HashOtherKeys() {
        FileHash = HashText(File);
        ReferrerHash = HashText(Referrer);
        StampOrder = StampRef::OrderOf(Date, Time);
    }
};

// What a run keeps of each counted line: where its text is and its place in its address's
// chain. The few reports that need an entry's fields again read them from the line
// (StoredEntryReader): 16 bytes a line instead of a parsed entry's 128 keep a run's memory a
// fraction of its log's size.
struct StoredEntry {
    const char* Line = nullptr;   // into a file text or the arena; stays valid for the run
    uint32_t NextOfAddress = 0;   // the same ClientIP's next entry (spiders too), 0 at the end

    static constexpr uint32_t MaxFormats = 1u << 14;

    StoredEntry() = default;
    StoredEntry(std::string_view line, uint16_t format)
        : Line(line.data()),
          bits_(static_cast<uint32_t>(line.size()) | (static_cast<uint32_t>(format) << FormatShift)) {}
    std::string_view Text() const { return {Line, bits_ & LengthMask}; }
    bool IsSpider() const { return (bits_ & SpiderBit) != 0; }
    void MarkSpider() { bits_ |= SpiderBit; }
    // The format its line is read with (LogEntry::Format).
    uint16_t Format() const { return static_cast<uint16_t>(bits_ >> FormatShift); }

private:
    // A stored line is at most a long line's limit, three times over when it had to be
    // repaired to UTF-8: 17 bits. Then the spider mark and 14 bits of format.
    static constexpr uint32_t LengthMask = (1u << 17) - 1;
    static constexpr uint32_t SpiderBit = 1u << 17;
    static constexpr int FormatShift = 18;
    uint32_t bits_ = 0;
};
static_assert(sizeof(StoredEntry) == 16, "a run keeps one of these per line");

// Where a line's client field lies in its stored text. Size 0: nothing to replace; At ==
// NotInLine: the field the parser read is not a piece of the line (it was decoded).
struct ClientField {
    static constexpr uint32_t NotInLine = UINT32_MAX;
    uint32_t At = 0;
    uint32_t Size = 0;
};

// One visitor's slot for one log file of the run (its session in that file).
struct VisitorSession {
    StampRef EntryTime;
    StampRef ExitTime;
    std::string_view EntryPage;
    std::string_view ExitPage;
    std::string_view Referrer;
};

// A visitor's sessions by file number, as a vector of slots 0..size()-1 would hold them. Runs
// number their files from 1, so slot 0 never holds a session: it costs nothing and reads empty.
// Slot 1 lives in the visitor itself, so a visitor of a one-file run needs no block of its own;
// later slots share one block.
class SessionSlots {
public:
    SessionSlots() = default;
    SessionSlots(const SessionSlots& other) { *this = other; }
    SessionSlots& operator=(const SessionSlots& other);
    SessionSlots(SessionSlots&&) noexcept = default;
    SessionSlots& operator=(SessionSlots&&) noexcept = default;

    size_t size() const { return size_; }
    // New slots are empty.
    void resize(size_t n);
    VisitorSession& operator[](size_t i) { return i == 1 ? first_ : i == 0 ? Unused() : more_[i - 2]; }
    const VisitorSession& operator[](size_t i) const {
        return i == 1 ? first_ : i == 0 ? Unused() : more_[i - 2];
    }

    const VisitorSession& at(size_t i) const {
        if (i >= size_) throw std::out_of_range("SessionSlots::at");
        return (*this)[i];
    }
    // Slots 0..size()-1 in order.
    class const_iterator {
    public:
        const_iterator(const SessionSlots* slots, size_t i) : slots_(slots), i_(i) {}
        const VisitorSession& operator*() const { return (*slots_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& other) const = default;

    private:
        const SessionSlots* slots_;
        size_t i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

private:
    // Slot 0, for a caller that looks at it all the same: always empty again.
    static VisitorSession& Unused();
    VisitorSession first_;
    std::unique_ptr<VisitorSession[]> more_;   // slots 2..size()-1
    uint32_t size_ = 0;
};

struct Visitor {
    std::string_view IP;
    int32_t FirstOctet = 0;
    std::string_view FirstDate;
    int16_t FirstHour = 0;
    int32_t Requests = 0;
    double Bytes = 0;            // megabytes
    std::string_view Country;
    std::string_view OS;
    std::string_view Browser;
    int16_t LastFileNumber = 0;
    int16_t FirstFile = 0;
    int16_t LastFile = 0;
    SessionSlots Sessions;       // per-file slots 0..LastFileNumber
    uint32_t FirstEntry = 0;     // first and last entries of the visitor itself (no spiders)
    uint32_t LastEntry = 0;
    uint32_t FirstOfAddress = 0; // first and last entries of its address, spider requests too
    uint32_t LastOfAddress = 0;
};

struct FileRecord {
    std::string_view File;
    int32_t TotalRequests = 0;
    int32_t Gets = 0;
    int32_t Reloads = 0;
    int32_t Resumes = 0;
    double Bytes = 0;   // megabytes
};

// A text most records never get: one pointer while empty, a string of its own once set.
class RareText {
public:
    RareText() = default;
    RareText(const RareText& other) { *this = other; }
    RareText& operator=(const RareText& other) {
        if (this != &other) text_ = other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr;
        return *this;
    }
    RareText(RareText&&) noexcept = default;
    RareText& operator=(RareText&&) noexcept = default;
    RareText& operator=(std::string_view text) {
        if (text.empty()) text_.reset();
        else if (text_) text_->assign(text);
        else text_ = std::make_unique<std::string>(text);
        return *this;
    }
    bool empty() const { return !text_; }
    void clear() { text_.reset(); }
    operator const std::string&() const { return text_ ? *text_ : Empty(); }
    friend bool operator==(const RareText& a, std::string_view b) { return std::string_view(a.Text()) == b; }
    friend bool operator==(const RareText& a, const RareText& b) { return a.Text() == b.Text(); }

private:
    const std::string& Text() const { return *this; }
    static const std::string& Empty() {
        static const std::string none;
        return none;
    }
    std::unique_ptr<std::string> text_;
};

// One per referrer-and-file pair: a varied log has hundreds of thousands.
struct ReferrerRecord {
    std::string_view Referrer;
    int32_t Hits = 0;
    int32_t CompareHits = 0;
    std::string_view ToFile;
    bool IsInternal = false;
    bool IsSearch = false;
    int32_t SearchTermIndex = 0;
    RareText RowKey;   // its row in the referrer list, once the list is filled
};
static_assert(sizeof(ReferrerRecord) <= 56, "a run keeps one of these per referrer and file");

struct ErrorRecord {
    int16_t Status = 0;
    std::string_view File;
    std::string_view Referrer;
    int32_t Hits = 0;
    std::vector<StampRef> TimeFirst;   // per-file slots 0..LastFileNumber
    std::vector<StampRef> TimeLast;
    int16_t LastFileNumber = 0;
};

struct RawBrowserRecord {
    std::string_view Data;
    int32_t Hits = 0;
    bool IsSpiderToken = false;
};

// A user agent as its first visitor gave it: the browser it was detected as and the raw
// browser records of its tokens, so the next new visitor with it is counted without cutting,
// finding or matching anything again.
struct AgentRecord {
    std::string_view Agent;
    std::string_view Browser;
    std::string_view OS;
    bool BrowserFound = false;
    bool OSFound = false;
    std::vector<int> Matched;    // browser definitions it matched
    uint32_t FirstToken = 0;     // its tokens' records: AgentTokens[FirstToken, + TokenCount)
    uint32_t TokenCount = 0;
};

struct SearchEngineRow {
    std::string SearchEngine;
    int32_t Hits = 0;
};

struct SearchTermRow {
    std::string SearchTerm;
    std::string SearchEngine;
    int32_t Hits = 0;
    std::string URL;
    std::string ToFile;
};

struct DateVisitorRow {
    std::string Date;
    int32_t Hits = 0;
};

struct ConversionSource {
    std::string Source;
    std::string SourceURL;
    std::string SearchEngine;
    std::string Query;
    int32_t Visitors = 0;
    int32_t Conversions = 0;
    std::string PercentConversions;
    int32_t CompareVisitors = 0;
    int32_t CompareConversions = 0;
    std::string ComparePercentConversions;
};

struct ConversionReport {
    std::string File;
    // Referrers, search terms, entry pages; each 0-based in the order sources were met.
    std::array<std::vector<ConversionSource>, 3> Sources;
};

// What a regular file on disk was when it was read: a later run takes the text it gave again
// only while the file still is exactly this.
struct FileIdentity {
    uint64_t Device = 0, Inode = 0;
    int64_t Size = 0;
    int64_t MtimeSec = 0, MtimeNsec = 0, CtimeSec = 0, CtimeNsec = 0;
    bool operator==(const FileIdentity&) const = default;
    // Of the open descriptor, or of the file a path names now; nothing for what is not a
    // regular file (a pipe, a device, a folder) or cannot be looked at.
    static std::optional<FileIdentity> OfOpen(int fd);
    static std::optional<FileIdentity> OfPath(const std::string& path);
};

// The whole text of one log file. A plain file is mapped read-only (its pages stay the page
// cache's, which the system may drop and read again); a file that cannot be mapped is read
// into a buffer of its size that is never zero-filled first; a decompressed one grows in a
// string.
class FileText {
public:
    FileText() = default;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    ~FileText();
    void Allocate(size_t size);     // a buffer for a file of known size
    char* Buffer() { return raw_; }
    std::string& Growable() { return grown_; }
    void UseBuffer(size_t used) { view_ = {raw_, used}; }
    void UseGrowable() { view_ = grown_; }
    // Maps size bytes of the open file fd and uses them; false when it cannot be mapped.
    // Maps size bytes of the open file fd and uses them; false when it cannot be mapped. On
    // success the text keeps fd (and closes it): what the file is now is checked against it.
    bool Map(int fd, size_t size);
    // Maps size bytes of a temporary file of the run's own (an inflated log too large for
    // memory) and uses them; on success the text keeps fd and closes it, and with it the file
    // goes. Nobody else can open such a file, so it is always unchanged.
    bool MapTemporary(int fd, size_t size);
    bool OnDisk() const { return temporary_; }
    // The mapped file shrank while it was in use: the text beyond its new end reads as zeros.
    bool CutShort() const { return mapped_.CutShort(); }
    // Whether the text still is what the file holds: true for a private copy; for a mapped file,
    // false once it was truncated, rewritten or cut short since it was mapped. Text appended
    // to the file does not count (a log being written to is read up to its size at the start).
    bool Unchanged() const;
    bool Mapped() const { return mapped_.Data() != nullptr; }
    bool Holds(const char* p) const { return p >= view_.data() && p < view_.data() + view_.size(); }
    // The text is counted: a mapped text lets go of every page; a later read faults them in.
    void ReleasePages() { mapped_.ReleasePages(); }
    // The lines before p are counted and nothing the tables keep points into them: a mapped
    // text lets go of their pages (read-only, so the text is the same for whoever reads it).
    void ReleasePagesBefore(const char* p) const {
        if (Mapped() && Holds(p)) mapped_.ReleasePagesBefore(static_cast<size_t>(p - view_.data()));
    }
    std::string_view View() const { return view_; }
    size_t size() const { return view_.size(); }

    // The text is the whole of the file fd has open, which identity describes (the reader read
    // all of it, undamaged): a later run may take it again while the file is unchanged. The
    // file's last bytes are kept too, so a rewrite within one tick of the clock is told.
    void MarkWhole(const FileIdentity& identity, int fd);
    // Not to be taken again (cancelled, cut short, changed under the run).
    void ForgetSource() { source_.reset(); }
    bool Reusable() const { return source_.has_value(); }
    // Whether path still names the file this text was read whole from, as it was then.
    bool StillReads(const std::string& path) const;

    std::string Path;   // as the run was given it, for messages
    // Reading stopped where the input went on for EndlessLine bytes without a line end.
    bool StoppedAtEndlessLine = false;

private:
    char* raw_ = nullptr;
    size_t rawSize_ = 0;
    std::string grown_;
    MappedText mapped_;
    std::string_view view_;
    // A mapped file as it was when mapped: its descriptor, times and last bytes.
    int fd_ = -1;
    FileIdentity mappedAs_;
    std::string tail_;
    bool temporary_ = false;
    // The file the whole text came from (MarkWhole) and its last bytes.
    std::optional<FileIdentity> source_;
    std::string sourceTail_;
};

// The stored entries of a run, in blocks that never move: growing by a million entries neither
// copies the earlier ones nor needs twice their memory for a moment.
class EntryTable {
public:
    EntryTable() = default;
    EntryTable(const EntryTable&) = delete;
    EntryTable& operator=(const EntryTable&) = delete;
    ~EntryTable() { clear(); }

    StoredEntry& operator[](size_t i) { return blocks_[i >> BlockBits][i & BlockMask]; }
    const StoredEntry& operator[](size_t i) const { return blocks_[i >> BlockBits][i & BlockMask]; }
    size_t size() const { return size_; }
    // New slots start empty.
    void resize(size_t n);
    void clear();

private:
    static constexpr size_t BlockBits = 15;
    static constexpr size_t BlockSize = size_t(1) << BlockBits;
    static constexpr size_t BlockMask = BlockSize - 1;
    std::vector<StoredEntry*> blocks_;
    size_t size_ = 0;
};

// Stamps as the tables keep them: the time of day as one of the 86,400 texts a time can be, the
// date as one copy per distinct date. What the counting keeps this way never points into the
// log, so a log's pages can go as soon as its lines are counted.
class StampTexts {
public:
    explicit StampTexts(TextArena& kept) : kept_(kept) {}
    // s with texts that stay valid for the run; a stamp whose form does not read as a moment
    // (Order 0) is returned as it is, for KeepTextsOfFile to copy.
    StampRef Keep(const StampRef& s) {
        if (s.Order == 0) return s;
        const uint64_t o = s.Order;
        const size_t second = (o >> 12 & 63) * 3600 + (o >> 6 & 63) * 60 + (o & 63);
        return {s.Date == lastDate_ ? lastDate_ : KeepDate(s.Date), {TimesOfDay() + second * 8, 8}, o};
    }
    void Clear();

private:
    static const char* TimesOfDay();   // "00:00:00" .. "23:59:59", 8 bytes each, no separators
    std::string_view KeepDate(std::string_view date);
    TextArena& kept_;
    std::string_view lastDate_;   // a log runs through its dates in order: nearly always this one
    std::unordered_set<std::string_view, TextHash> dates_;   // the kept copies
};

// A log file that was read only in part, or whose text held nothing usable: what the front
// end tells the user ("access.log.gz: damaged after 1,234 bytes; the lines before were
// analysed"). Every reader reports through ReportIncompleteInput (LogReader.h).
struct IncompleteInput {
    std::string Path;
    std::string Text;   // the whole sentence, starting with the path
    // The file changed under the run (truncated or rewritten while its text was in use): the
    // report may hold texts that were never in the log, so nothing of it is to be saved.
    bool Changed = false;
};

struct AnalysisTables {
    AnalysisTables();

    // Log file texts the entries point into.
    std::vector<std::unique_ptr<FileText>> FileTexts;
    // Texts of the previous run set aside by Clear for the files the new run reads: a file
    // still as it was is not read again (TakeKeptText). Empty outside a run.
    std::vector<std::unique_ptr<FileText>> KeptTexts;
    uint32_t TextsReused = 0;   // files of this run whose kept text was taken
    TextArena Arena;
    // Decoded texts and time stamps of entries of other formats than common/combined.
    EntryTexts FormatTexts;
    // The run's replacement of visitors' addresses (off unless the site asks for it).
    AddressMasks Masks;
    // Copies of the texts the tables keep (keys, session and error texts), made by the counting
    // thread: a log file truncated or rewritten after it was read changes nothing they hold.
    TextArena Kept;
    // The requested files' copies, apart from the rest: every counted line compares its file
    // with one, and packed together they stay in the cache.
    TextArena KeptFiles;
    // The stamps the counting keeps (sessions, errors), into Kept.
    StampTexts KeptStamps{Kept};
    // Visitors and errors whose slot of the file being read holds texts of that file; they are
    // copied into Kept when the file is done.
    std::vector<uint32_t> SlotsOfFile, ErrorSlotsOfFile;
    MemoryBudget Budget;   // started again by Clear

    EntryTable LogEntries;                  // 1..EntryCount (the table may hold spare slots)
    uint32_t EntryCount = 0;
    // The settings that shape a parsed entry, as the stored entries were read with: a report
    // that reads them again later sees the texts the run counted.
    struct {
        bool MergeSessions = false;
        bool DifferentDomains = false;
        bool W3cLocalTime = false;
    } EntryParsing;
    std::vector<Visitor> Visitors;
    std::vector<FileRecord> Files;
    std::vector<ReferrerRecord> Referrers;
    std::vector<ErrorRecord> Errors;
    std::vector<RawBrowserRecord> RawBrowserData;
    std::vector<int32_t> CountryHits;       // per CountryList index, 0..count
    int32_t CountryHitsTotal = 0;
    int32_t SpiderHits = 0;
    uint64_t LinesRejected = 0;   // lines the parser refused ("Invalid entry")
    uint64_t LinesFiltered = 0;   // parsed lines the filters left out

    std::string FirstDateTime;
    std::string LastDateTime;
    // Earliest and latest stamps of the counted entries: the period a filtered run covers.
    StampRef AcceptedFirst;
    StampRef AcceptedLast;
    double TotalMegabytes = 0;
    int16_t CurrentFileNumber = 0;
    bool Cancelled = false;
    // Where each counted line's client field lies in its text (by entry number), noted only
    // while the raw log is on and addresses are replaced: the raw log shows the line with
    // that field replaced (RawLogLines).
    std::vector<ClientField> RawLogClients;
    std::string LogTimeZone;
    std::string ErrorLogText;
    size_t FormatNoteBytes = 0;   // of ErrorLogText, the notes saying what each file was read as
    std::vector<IncompleteInput> IncompleteInputs;
    std::string CurrentPath;   // the file being read, for messages
    // Why a text too large for memory could not go to disk either ("in FOLDER (REASON)"),
    // for the memory message; empty otherwise.
    std::string NoRoomOnDisk;
    // The format each file was read as, in the order read ("combined", "W3C extended (IIS)").
    struct FileFormat {
        std::string Path;
        std::string Format;   // empty when no known format reads it
    };
    std::vector<FileFormat> FilesReadAs;

    // Derived by the run.
    std::vector<SearchEngineRow> SearchEngines;   // 1..upper bound, all in use
    std::vector<int32_t> EngineOfDefinition;      // per search-engine definition
    int32_t GoogleEngine = 0;
    int32_t AdWordsEngine = 0;
    std::vector<SearchTermRow> SearchTerms;       // 1..SearchTermCount
    std::vector<DateVisitorRow> DateVisitors;     // 1..DateVisitorCount
    std::array<int32_t, 48> HourVisitors{};
    std::vector<ConversionReport> ConversionReports;   // 1..count
    int32_t CurrentConversionReport = -1;

    // Indexes that stand in for the linear scans.
    RecordIndex VisitorIndex;
    RecordIndex FileIndex;
    RecordIndex ReferrerIndex;
    RecordIndex ErrorIndex;
    RecordIndex RawBrowserIndex;
    RecordIndex SearchTermIndex;
    // The user agents of the visitors so far (1-based) and their tokens' raw browser records.
    std::vector<AgentRecord> Agents;
    std::vector<uint32_t> AgentTokens;
    RecordIndex AgentIndex;
    // Addresses seen so far only in spider requests: their first and last entries, so the
    // chain of a visitor that comes later begins with them (1-based, found by the address's
    // hash; a record stays when its address becomes a visitor, which is found first from then on).
    struct SpiderOnlyAddress {
        std::string_view IP;
        uint32_t First = 0;
        uint32_t Last = 0;
    };
    std::vector<SpiderOnlyAddress> SpiderOnlyAddresses;
    RecordIndex SpiderOnlyIndex;
    // One copy of each referrer text, shared by its referrer-and-file pairs, its errors and the
    // sessions it began (1-based): a referrer comes with many files.
    std::vector<std::string_view> KeptReferrers;
    RecordIndex KeptReferrerIndex;

    uint32_t VisitorCount() const { return static_cast<uint32_t>(Visitors.size() - 1); }
    uint32_t FileCount() const { return static_cast<uint32_t>(Files.size() - 1); }
    uint32_t ReferrerCount() const { return static_cast<uint32_t>(Referrers.size() - 1); }
    uint32_t ErrorCount() const { return static_cast<uint32_t>(Errors.size() - 1); }
    uint32_t RawBrowserCount() const { return static_cast<uint32_t>(RawBrowserData.size() - 1); }
    uint32_t SearchTermCount() const { return static_cast<uint32_t>(SearchTerms.size() - 1); }
    uint32_t DateVisitorCount() const { return static_cast<uint32_t>(DateVisitors.size() - 1); }
    uint32_t ConversionReportCount() const { return static_cast<uint32_t>(ConversionReports.size() - 1); }

    // Empties every table (country counters sized to countryCount + 1). The whole texts of
    // the files named in keepTextsOf that are still as they were read go to KeptTexts; every
    // other text is released.
    void Clear(int countryCount, const std::vector<std::string>& keepTextsOf = {});
    // The kept text of path when the file still is what it was read from (taken out of
    // KeptTexts); nothing otherwise, and a kept text of path that is out of date is released.
    std::unique_ptr<FileText> TakeKeptText(const std::string& path);

    // Lookups by key (0 when absent); the Add routines of the accumulation keep them current.
    uint32_t FindVisitor(std::string_view ip) const;
    uint32_t FindFile(std::string_view file) const;
    uint32_t FindReferrer(std::string_view referrer, std::string_view toFile) const;
    uint32_t FindError(std::string_view file, std::string_view referrer, int16_t status) const;
    uint32_t FindRawBrowser(std::string_view token) const;
    uint32_t FindRawBrowser(std::string_view token, uint64_t tokenHash) const;
    uint32_t FindSpiderOnly(std::string_view ip, uint64_t ipHash) const;
    uint32_t FindAgent(std::string_view agent, uint64_t agentHash) const;

    // Starts loading the index slots the counting of entry e will probe.
    void PrefetchKeys(const LogEntry& e) const;
    // The same with the key texts' hashes taken already (HashText of each text).
    uint32_t FindVisitor(std::string_view ip, uint64_t ipHash) const;
    uint32_t FindFile(std::string_view file, uint64_t fileHash) const;
    uint32_t FindReferrer(std::string_view referrer, std::string_view toFile, uint64_t referrerHash,
                          uint64_t fileHash) const;
    uint32_t FindError(std::string_view file, std::string_view referrer, int16_t status, uint64_t fileHash,
                       uint64_t referrerHash) const;

    uint32_t AppendVisitor(std::string_view ip);
    uint32_t AppendFile(std::string_view file);
    uint32_t AppendReferrer(std::string_view referrer, std::string_view toFile);
    // The same for a key its Find has just missed, with the hashes that Find was given: the
    // key is indexed without being searched for again.
    uint32_t AppendNewVisitor(std::string_view ip, uint64_t ipHash);
    uint32_t AppendNewFile(std::string_view file, uint64_t fileHash);
    uint32_t AppendNewReferrer(std::string_view referrer, std::string_view toFile, uint64_t referrerHash,
                               uint64_t fileHash);
    uint32_t AppendNewError(std::string_view file, std::string_view referrer, int16_t status, uint64_t fileHash,
                            uint64_t referrerHash);
    uint32_t AppendNewRawBrowser(std::string_view token, uint64_t tokenHash);
    uint32_t AppendSpiderOnly(std::string_view ip, uint64_t ipHash, uint32_t entry);
    uint32_t AppendNewAgent(AgentRecord agent, uint64_t agentHash);
    // The kept copy of a referrer text (hash: HashText of it), made the first time it is asked for.
    std::string_view KeepReferrer(std::string_view referrer, uint64_t hash);
    // Drop the records after the first count and index the rest again: what a stopped
    // comparison appended goes, and the lookups find exactly what they found before it.
    void KeepVisitors(uint32_t count);
    void KeepReferrers(uint32_t count);
    uint32_t AppendError(std::string_view file, std::string_view referrer, int16_t status);
    uint32_t AppendRawBrowser(std::string_view token);

    // Every entry of the visitor's address, spider requests included, in log order (empty
    // after a report load, which brings no entries).
    std::vector<uint32_t> EntriesOfAddress(uint32_t visitor) const;
};

} // namespace trevix
