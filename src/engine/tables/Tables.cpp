#include "engine/tables/Tables.h"

#include "engine/base/DateTime.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <random>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {

std::string StampRef::Text() const {
    if (empty()) return {};
    std::string s;
    s.reserve(Date.size() + 1 + Time.size());
    s.append(Date).append(" ").append(Time);
    return s;
}

StampRef StampRef::FromText(std::string_view text) {
    auto blank = text.find(' ');
    if (blank == std::string_view::npos) return {text, {}};
    return {text.substr(0, blank), text.substr(blank + 1)};
}

int LogMonthNumber(std::string_view name) {
    static constexpr const char* Names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (name.size() != 3) return 0;
    for (int i = 0; i < 12; ++i)
        if (name == Names[i]) return i + 1;
    if (name == "Mai") return 5;
    return 0;
}

namespace {
// Two decimal digits at `at`, -1 when either is not a digit.
int TwoDigits(std::string_view s, size_t at) {
    const unsigned tens = static_cast<unsigned char>(s[at]) - '0', ones = static_cast<unsigned char>(s[at + 1]) - '0';
    return tens > 9 || ones > 9 ? -1 : static_cast<int>(tens * 10 + ones);
}
} // namespace

uint64_t StampRef::OrderOf(std::string_view date, std::string_view time) {
    if (date.size() != 11 || time.size() != 8 || date[2] != '/' || date[6] != '/' || time[2] != ':' || time[5] != ':')
        return 0;
    const int day = TwoDigits(date, 0), century = TwoDigits(date, 7), yearOfCentury = TwoDigits(date, 9);
    const int hour = TwoDigits(time, 0), minute = TwoDigits(time, 3), second = TwoDigits(time, 6);
    if ((day | century | yearOfCentury | hour | minute | second) < 0) return 0;
    const int year = century * 100 + yearOfCentury, month = LogMonthNumber(date.substr(3, 3));
    // Only a moment the stamp's full reading accepts: anything else compares as it always did.
    if (month == 0 || year < 1 || day < 1 || day > DateTime::DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return 0;
    uint64_t order = static_cast<uint64_t>(year);
    for (const int field : {month, day, hour, minute, second}) order = order * 64 + static_cast<uint64_t>(field);
    return order;
}

const char* StampTexts::TimesOfDay() {
    static const std::unique_ptr<char[]> texts = [] {
        auto t = std::make_unique<char[]>(86400 * 8);
        char* p = t.get();
        for (int h = 0; h < 24; ++h)
            for (int m = 0; m < 60; ++m)
                for (int s = 0; s < 60; ++s, p += 8) {
                    const char text[8] = {char('0' + h / 10), char('0' + h % 10), ':', char('0' + m / 10),
                                          char('0' + m % 10), ':', char('0' + s / 10), char('0' + s % 10)};
                    std::memcpy(p, text, 8);
                }
        return t;
    }();
    return texts.get();
}

std::string_view StampTexts::KeepDate(std::string_view date) {
    auto it = dates_.find(date);
    if (it == dates_.end()) it = dates_.insert(kept_.Store(date)).first;
    return lastDate_ = *it;
}

void StampTexts::Clear() {
    lastDate_ = {};
    dates_.clear();
}

void FileText::Allocate(size_t size) {
    if (raw_) munmap(raw_, rawSize_);
    raw_ = nullptr;
    rawSize_ = 0;
    view_ = {};
    if (size == 0) return;
    // Pages mapped in one go are far cheaper than one fault per page while reading.
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    raw_ = static_cast<char*>(p);
    rawSize_ = size;
}

SessionSlots& SessionSlots::operator=(const SessionSlots& other) {
    if (this == &other) return *this;
    more_.reset();
    size_ = 0;
    resize(other.size_);
    first_ = other.first_;
    for (size_t i = 2; i < size_; ++i) more_[i - 2] = other.more_[i - 2];
    return *this;
}

void SessionSlots::resize(size_t n) {
    if (n <= size_) {
        size_ = static_cast<uint32_t>(n);
        return;
    }
    if (size_ <= 1 && n > 1) first_ = {};
    if (n > 2) {
        // Files come one after the other, so a block grows by a slot or two at a time.
        auto more = std::make_unique<VisitorSession[]>(n - 2);
        for (size_t i = 2; i < size_; ++i) more[i - 2] = more_[i - 2];
        more_ = std::move(more);
    }
    size_ = static_cast<uint32_t>(n);
}

VisitorSession& SessionSlots::Unused() {
    thread_local VisitorSession none;
    none = {};
    return none;
}

void EntryTable::resize(size_t n) {
    // The block list never moves, so a reader thread may index earlier blocks while the
    // table grows (2^32 entries at most).
    if (blocks_.capacity() == 0) blocks_.reserve(size_t(1) << (32 - BlockBits));
    while ((blocks_.size() << BlockBits) < n) {
        // Later blocks are mapped whole at once (one system call instead of a fault per page);
        // the first is not, so a small run or an empty table costs only the pages it touches.
        const int populate = blocks_.empty() ? 0 : MAP_POPULATE;
        void* p = mmap(nullptr, BlockSize * sizeof(StoredEntry), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | populate, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        blocks_.push_back(static_cast<StoredEntry*>(p));
    }
    for (size_t i = size_; i < n; ++i) new (&(*this)[i]) StoredEntry{};
    size_ = n;
}

void EntryTable::clear() {
    for (StoredEntry* block : blocks_) munmap(block, BlockSize * sizeof(StoredEntry));
    blocks_.clear();
    size_ = 0;
}

FileText::~FileText() {
    if (raw_) munmap(raw_, rawSize_);
    mapped_.Unmap();
    if (fd_ >= 0) ::close(fd_);
}

namespace {
// Enough of a file's end to tell a truncated and refilled log from one that was appended to.
constexpr size_t TailCheck = 4096;

FileIdentity IdentityOf(const struct stat& st) {
    FileIdentity id;
    id.Device = static_cast<uint64_t>(st.st_dev);
    id.Inode = static_cast<uint64_t>(st.st_ino);
    id.Size = static_cast<int64_t>(st.st_size);
    id.MtimeSec = st.st_mtim.tv_sec;
    id.MtimeNsec = st.st_mtim.tv_nsec;
    id.CtimeSec = st.st_ctim.tv_sec;
    id.CtimeNsec = st.st_ctim.tv_nsec;
    return id;
}

// The last bytes of a file of the given size, as TailCheck bytes or fewer; nothing when they
// cannot be read in full.
std::optional<std::string> TailOf(int fd, int64_t size) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(size, static_cast<int64_t>(TailCheck)));
    std::string bytes(n, '\0');
    if (n > 0 && ::pread(fd, bytes.data(), n, static_cast<off_t>(size) - static_cast<off_t>(n)) != static_cast<ssize_t>(n))
        return std::nullopt;
    return bytes;
}

bool SameTimes(const FileIdentity& a, const FileIdentity& b) {
    return a.MtimeSec == b.MtimeSec && a.MtimeNsec == b.MtimeNsec && a.CtimeSec == b.CtimeSec &&
           a.CtimeNsec == b.CtimeNsec;
}
} // namespace

bool FileText::Map(int fd, size_t size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !mapped_.Map(fd, size)) return false;
    view_ = {mapped_.Data(), mapped_.Size()};
    fd_ = fd;
    mappedAs_ = IdentityOf(st);
    const size_t tail = std::min(size, TailCheck);
    tail_.assign(view_.data() + size - tail, tail);
    return true;
}

bool FileText::MapTemporary(int fd, size_t size) {
    if (!mapped_.Map(fd, size)) return false;
    view_ = {mapped_.Data(), mapped_.Size()};
    fd_ = fd;
    temporary_ = true;
    return true;
}

bool FileText::Unchanged() const {
    if (!Mapped() || temporary_) return true;
    if (CutShort()) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_size < 0 || static_cast<size_t>(st.st_size) < view_.size()) return false;
    // Written to without growing: rewritten in place.
    if (!SameTimes(IdentityOf(st), mappedAs_) && static_cast<size_t>(st.st_size) == view_.size()) return false;
    // Grown, or the same times (which a rewrite within one tick of the clock may keep): the
    // bytes at the old end must still be those that were read.
    return TailOf(fd_, static_cast<int64_t>(view_.size())) == tail_;
}


std::optional<FileIdentity> FileIdentity::OfOpen(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return IdentityOf(st);
}

std::optional<FileIdentity> FileIdentity::OfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return IdentityOf(st);
}

void FileText::MarkWhole(const FileIdentity& identity, int fd) {
    source_.reset();
    std::optional<std::string> tail = TailOf(fd, identity.Size);
    if (!tail) return;
    sourceTail_ = std::move(*tail);
    source_ = identity;
}

bool FileText::StillReads(const std::string& path) const {
    if (!source_ || FileIdentity::OfPath(path) != source_) return false;
    // Opened without blocking: whatever took the name meanwhile (a pipe) must not stop the run.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool same = FileIdentity::OfOpen(fd) == source_ && TailOf(fd, source_->Size) == sourceTail_;
    ::close(fd);
    // A mapped text is checked through its own descriptor as well: a page cut short stays so.
    return same && Unchanged();
}

AnalysisTables::AnalysisTables() { Clear(0); }

std::unique_ptr<FileText> AnalysisTables::TakeKeptText(const std::string& path) {
    for (auto it = KeptTexts.begin(); it != KeptTexts.end(); ++it) {
        if ((*it)->Path != path) continue;
        std::unique_ptr<FileText> text = std::move(*it);
        KeptTexts.erase(it);
        // Out of date: let go of it before the file is read again.
        if (!text->StillReads(path)) return nullptr;
        ++TextsReused;
        return text;
    }
    return nullptr;
}

void AnalysisTables::Clear(int countryCount, const std::vector<std::string>& keepTextsOf) {
    KeptTexts.clear();
    for (auto& text : FileTexts) {
        // Only what the new run will read, so it never holds more than the previous report did.
        if (text->Reusable() && std::find(keepTextsOf.begin(), keepTextsOf.end(), text->Path) != keepTextsOf.end() &&
            text->StillReads(text->Path))
            KeptTexts.push_back(std::move(text));
    }
    FileTexts.clear();
    TextsReused = 0;
    Arena.Clear();
    Kept.Clear();
    KeptFiles.Clear();
    KeptStamps.Clear();
    FormatTexts.Clear();
    Masks.Clear();
    SlotsOfFile.clear();
    ErrorSlotsOfFile.clear();
    IncompleteInputs.clear();
    NoRoomOnDisk.clear();
    LogEntries.clear();
    LogEntries.resize(1);
    EntryCount = 0;
    EntryParsing = {};
    Budget.Start();
    Visitors.assign(1, Visitor{});
    Files.assign(1, FileRecord{});
    Referrers.assign(1, ReferrerRecord{});
    Errors.assign(1, ErrorRecord{});
    RawBrowserData.assign(1, RawBrowserRecord{});
    CountryHits.assign(static_cast<size_t>(countryCount) + 1, 0);
    CountryHitsTotal = 0;
    SpiderHits = 0;
    LinesRejected = 0;
    LinesFiltered = 0;
    FirstDateTime.clear();
    LastDateTime.clear();
    AcceptedFirst = {};
    AcceptedLast = {};
    TotalMegabytes = 0;
    CurrentFileNumber = 0;
    RawLogClients = {};
    LogTimeZone.clear();
    FilesReadAs.clear();
    FormatNoteBytes = 0;
    ErrorLogText.clear();
    SearchEngines.assign(1, SearchEngineRow{});
    EngineOfDefinition.assign(1, 0);
    GoogleEngine = 0;
    AdWordsEngine = 0;
    SearchTerms.assign(1, SearchTermRow{});
    DateVisitors.assign(1, DateVisitorRow{});
    HourVisitors.fill(0);
    ConversionReports.assign(1, ConversionReport{});
    CurrentConversionReport = -1;
    VisitorIndex.Clear();
    SpiderOnlyAddresses.assign(1, SpiderOnlyAddress{});
    SpiderOnlyIndex.Clear();
    KeptReferrers.assign(1, std::string_view());
    KeptReferrerIndex.Clear();
    Agents.assign(1, AgentRecord{});
    AgentTokens.clear();
    AgentIndex.Clear();
    FileIndex.Clear();
    ReferrerIndex.Clear();
    ErrorIndex.Clear();
    RawBrowserIndex.Clear();
    SearchTermIndex.Clear();
}

uint64_t MakeHashSeed() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device() ^ 0x9e3779b97f4a7c15ULL;
}

namespace {
// Keys the counting adds are often the very text a record holds (a file's copy): equal without
// reading it.
bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.data() == b.data() || a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}
uint64_t ReferrerKeyHash(uint64_t referrerHash, uint64_t fileHash) { return HashCombine(fileHash, referrerHash); }
uint64_t ReferrerHash(std::string_view referrer, std::string_view toFile) {
    return ReferrerKeyHash(HashText(referrer), HashText(toFile));
}
uint64_t ErrorKeyHash(uint64_t fileHash, uint64_t referrerHash, int16_t status) {
    return HashCombine(HashCombine(fileHash, referrerHash), static_cast<uint64_t>(status));
}
uint64_t ErrorHash(std::string_view file, std::string_view referrer, int16_t status) {
    return ErrorKeyHash(HashText(file), HashText(referrer), status);
}
} // namespace

void AnalysisTables::PrefetchKeys(const LogEntry& e) const {
    VisitorIndex.Prefetch(e.ClientHash);
    FileIndex.Prefetch(e.FileHash);
    ReferrerIndex.Prefetch(ReferrerKeyHash(e.ReferrerHash, e.FileHash));
    // The key texts themselves: the reading thread parsed them on the other core, and the
    // compares that confirm a found record would wait for them.
    __builtin_prefetch(e.ClientIP.data());
    __builtin_prefetch(e.File.data());
    __builtin_prefetch(e.File.data() + e.File.size() - 1);
    __builtin_prefetch(e.Referrer.data());
}

uint32_t AnalysisTables::FindVisitor(std::string_view ip) const { return FindVisitor(ip, HashText(ip)); }

uint32_t AnalysisTables::FindVisitor(std::string_view ip, uint64_t ipHash) const {
    return VisitorIndex.Find(ipHash, [&](uint32_t r) { return Visitors[r].IP == ip; });
}

uint32_t AnalysisTables::FindFile(std::string_view file) const { return FindFile(file, HashText(file)); }

uint32_t AnalysisTables::FindFile(std::string_view file, uint64_t fileHash) const {
    return FileIndex.Find(fileHash, [&](uint32_t r) { return Files[r].File == file; });
}

uint32_t AnalysisTables::FindReferrer(std::string_view referrer, std::string_view toFile) const {
    return FindReferrer(referrer, toFile, HashText(referrer), HashText(toFile));
}

uint32_t AnalysisTables::FindReferrer(std::string_view referrer, std::string_view toFile, uint64_t referrerHash,
                                      uint64_t fileHash) const {
    return ReferrerIndex.Find(ReferrerKeyHash(referrerHash, fileHash), [&](uint32_t r) {
        return SameText(Referrers[r].ToFile, toFile) && Referrers[r].Referrer == referrer;
    });
}

uint32_t AnalysisTables::FindError(std::string_view file, std::string_view referrer, int16_t status) const {
    return FindError(file, referrer, status, HashText(file), HashText(referrer));
}

uint32_t AnalysisTables::FindError(std::string_view file, std::string_view referrer, int16_t status,
                                   uint64_t fileHash, uint64_t referrerHash) const {
    return ErrorIndex.Find(ErrorKeyHash(fileHash, referrerHash, status), [&](uint32_t r) {
        const ErrorRecord& e = Errors[r];
        return e.File == file && e.Referrer == referrer && e.Status == status;
    });
}

uint32_t AnalysisTables::FindRawBrowser(std::string_view token) const { return FindRawBrowser(token, HashText(token)); }

uint32_t AnalysisTables::FindRawBrowser(std::string_view token, uint64_t tokenHash) const {
    return RawBrowserIndex.Find(tokenHash, [&](uint32_t r) { return RawBrowserData[r].Data == token; });
}

uint32_t AnalysisTables::FindSpiderOnly(std::string_view ip, uint64_t ipHash) const {
    return SpiderOnlyIndex.Find(ipHash, [&](uint32_t r) { return SpiderOnlyAddresses[r].IP == ip; });
}

uint32_t AnalysisTables::FindAgent(std::string_view agent, uint64_t agentHash) const {
    return AgentIndex.Find(agentHash, [&](uint32_t r) { return Agents[r].Agent == agent; });
}

namespace {
// A record filled in at the end of its table and indexed under the hash its lookup has just
// missed, so the key is not searched for again.
template <class Record, class Fill>
uint32_t AppendIndexed(std::vector<Record>& table, RecordIndex& index, uint64_t hash, Fill fill) {
    fill(table.emplace_back());
    const auto n = static_cast<uint32_t>(table.size() - 1);
    index.InsertNew(hash, n);
    return n;
}
} // namespace

uint32_t AnalysisTables::AppendNewAgent(AgentRecord agent, uint64_t agentHash) {
    return AppendIndexed(Agents, AgentIndex, agentHash, [&](AgentRecord& r) { r = std::move(agent); });
}

std::string_view AnalysisTables::KeepReferrer(std::string_view referrer, uint64_t hash) {
    uint32_t r = KeptReferrerIndex.Find(hash, [&](uint32_t k) { return KeptReferrers[k] == referrer; });
    if (r == 0)
        r = AppendIndexed(KeptReferrers, KeptReferrerIndex, hash, [&](std::string_view& k) { k = Kept.Store(referrer); });
    return KeptReferrers[r];
}

uint32_t AnalysisTables::AppendNewVisitor(std::string_view ip, uint64_t ipHash) {
    return AppendIndexed(Visitors, VisitorIndex, ipHash, [&](Visitor& r) { r.IP = ip; });
}

uint32_t AnalysisTables::AppendNewFile(std::string_view file, uint64_t fileHash) {
    return AppendIndexed(Files, FileIndex, fileHash, [&](FileRecord& r) { r.File = file; });
}

uint32_t AnalysisTables::AppendNewReferrer(std::string_view referrer, std::string_view toFile, uint64_t referrerHash,
                                           uint64_t fileHash) {
    return AppendIndexed(Referrers, ReferrerIndex, ReferrerKeyHash(referrerHash, fileHash), [&](ReferrerRecord& r) {
        r.Referrer = referrer;
        r.ToFile = toFile;
    });
}

uint32_t AnalysisTables::AppendNewError(std::string_view file, std::string_view referrer, int16_t status,
                                        uint64_t fileHash, uint64_t referrerHash) {
    return AppendIndexed(Errors, ErrorIndex, ErrorKeyHash(fileHash, referrerHash, status), [&](ErrorRecord& r) {
        r.File = file;
        r.Referrer = referrer;
        r.Status = status;
    });
}

uint32_t AnalysisTables::AppendNewRawBrowser(std::string_view token, uint64_t tokenHash) {
    return AppendIndexed(RawBrowserData, RawBrowserIndex, tokenHash, [&](RawBrowserRecord& r) { r.Data = token; });
}

uint32_t AnalysisTables::AppendSpiderOnly(std::string_view ip, uint64_t ipHash, uint32_t entry) {
    return AppendIndexed(SpiderOnlyAddresses, SpiderOnlyIndex, ipHash,
                         [&](SpiderOnlyAddress& r) { r = {ip, entry, entry}; });
}

uint32_t AnalysisTables::AppendVisitor(std::string_view ip) {
    Visitors.emplace_back();
    Visitors.back().IP = ip;
    auto n = VisitorCount();
    VisitorIndex.Insert(HashText(ip), n, [&](uint32_t r) { return Visitors[r].IP == ip; });
    return n;
}

uint32_t AnalysisTables::AppendFile(std::string_view file) {
    Files.emplace_back();
    Files.back().File = file;
    auto n = FileCount();
    FileIndex.Insert(HashText(file), n, [&](uint32_t r) { return Files[r].File == file; });
    return n;
}

uint32_t AnalysisTables::AppendReferrer(std::string_view referrer, std::string_view toFile) {
    Referrers.emplace_back();
    Referrers.back().Referrer = referrer;
    Referrers.back().ToFile = toFile;
    auto n = ReferrerCount();
    ReferrerIndex.Insert(ReferrerHash(referrer, toFile), n, [&](uint32_t r) {
        return Referrers[r].ToFile == toFile && Referrers[r].Referrer == referrer;
    });
    return n;
}

void AnalysisTables::KeepVisitors(uint32_t count) {
    if (count >= VisitorCount()) return;
    Visitors.resize(size_t{count} + 1);
    VisitorIndex.Clear();
    VisitorIndex.Reserve(count);
    for (uint32_t r = 1; r <= count; ++r) {
        const std::string_view ip = Visitors[r].IP;
        VisitorIndex.Insert(HashText(ip), r, [&](uint32_t other) { return Visitors[other].IP == ip; });
    }
}

void AnalysisTables::KeepReferrers(uint32_t count) {
    if (count >= ReferrerCount()) return;
    Referrers.resize(size_t{count} + 1);
    ReferrerIndex.Clear();
    ReferrerIndex.Reserve(count);
    for (uint32_t r = 1; r <= count; ++r) {
        const ReferrerRecord& rec = Referrers[r];
        ReferrerIndex.Insert(ReferrerHash(rec.Referrer, rec.ToFile), r, [&](uint32_t other) {
            return Referrers[other].ToFile == rec.ToFile && Referrers[other].Referrer == rec.Referrer;
        });
    }
}

uint32_t AnalysisTables::AppendError(std::string_view file, std::string_view referrer, int16_t status) {
    Errors.emplace_back();
    ErrorRecord& e = Errors.back();
    e.File = file;
    e.Referrer = referrer;
    e.Status = status;
    auto n = ErrorCount();
    ErrorIndex.Insert(ErrorHash(file, referrer, status), n, [&](uint32_t r) {
        const ErrorRecord& other = Errors[r];
        return other.File == file && other.Referrer == referrer && other.Status == status;
    });
    return n;
}

uint32_t AnalysisTables::AppendRawBrowser(std::string_view token) {
    RawBrowserData.emplace_back();
    RawBrowserData.back().Data = token;
    auto n = RawBrowserCount();
    RawBrowserIndex.Insert(HashText(token), n, [&](uint32_t r) { return RawBrowserData[r].Data == token; });
    return n;
}

std::vector<uint32_t> AnalysisTables::EntriesOfAddress(uint32_t visitor) const {
    std::vector<uint32_t> entries;
    if (visitor == 0 || visitor > VisitorCount()) return entries;
    const Visitor& v = Visitors[visitor];
    for (uint32_t j = v.FirstOfAddress; j != 0 && j <= EntryCount; j = LogEntries[j].NextOfAddress) {
        entries.push_back(j);
        if (j == v.LastOfAddress) break;
    }
    return entries;
}

} // namespace trevix
