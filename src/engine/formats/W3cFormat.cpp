// W3C extended logs: IIS names its columns in a "#Fields:" directive and separates them by
// one blank (other writers by a tab); CloudFront writes a known, growing column list,
// tab-separated, with its own URL encoding of every field.
#include "engine/base/ByteScan.h"
#include "engine/base/RecordIndex.h"
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"
#include "engine/formats/KnownFormats.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trevix {

namespace {

// What a column gives the entry; every other column is skipped.
enum class Column : uint8_t {
    Skip, Date, Time, Client, Method, Stem, Query, Uri, Status, Bytes, Referrer, UserAgent,
    HostHeader,   // x-host-header: the Host header the visitor sent
    Host,         // cs-host, cs(Host): CloudFront's distribution name, IIS's Host header
    Count
};

Column ColumnOf(std::string_view name) {
    struct Known {
        std::string_view Name;
        Column What;
    };
    static constexpr Known known[] = {
        {"date", Column::Date},
        {"time", Column::Time},
        {"c-ip", Column::Client},
        {"cs-method", Column::Method},
        {"cs-uri-stem", Column::Stem},
        {"cs-uri-query", Column::Query},
        {"cs-uri", Column::Uri},
        {"sc-status", Column::Status},
        {"sc-bytes", Column::Bytes},
        {"cs(Referer)", Column::Referrer},
        {"cs(Referrer)", Column::Referrer},
        {"cs(User-Agent)", Column::UserAgent},
        {"x-host-header", Column::HostHeader},
        {"cs-host", Column::Host},
        {"cs(Host)", Column::Host},
    };
    for (const Known& k : known)
        if (EqualsIgnoringCase(k.Name, name)) return k.What;
    return Column::Skip;
}

// CloudFront's columns in the order it writes them. It has only ever added columns at the
// end, so a file of an older year without its directive holds a prefix of this list.
constexpr std::string_view CloudFrontFields =
    "date time x-edge-location sc-bytes c-ip cs-method cs(Host) cs-uri-stem sc-status cs(Referer) "
    "cs(User-Agent) cs-uri-query cs(Cookie) x-edge-result-type x-edge-request-id x-host-header "
    "cs-protocol cs-bytes time-taken x-forwarded-for ssl-protocol ssl-cipher "
    "x-edge-response-result-type cs-protocol-version fle-status fle-encrypted-fields c-port "
    "time-to-first-byte x-edge-detailed-result-type sc-content-type sc-content-len "
    "sc-range-start sc-range-end";
// The oldest CloudFront lines end after cs-uri-query.
constexpr size_t OldestCloudFrontCount = 12;

struct ColumnList {
    std::vector<Column> Columns;
    bool Edge = false;   // names an x-edge- column: written by CloudFront
};

ColumnList ParseColumns(std::string_view names) {
    ColumnList list;
    size_t i = 0;
    while (i < names.size()) {
        while (i < names.size() && (names[i] == ' ' || names[i] == '\t')) ++i;
        size_t end = i;
        while (end < names.size() && names[end] != ' ' && names[end] != '\t') ++end;
        if (end > i) {
            const std::string_view name = names.substr(i, end - i);
            list.Columns.push_back(ColumnOf(name));
            if (name.size() > 7 && EqualsIgnoringCase(name.substr(0, 7), "x-edge-")) list.Edge = true;
        }
        i = end;
    }
    return list;
}

// The line without its CR, and without the byte-order mark IIS writes before the first line
// of a UTF-8 log (else the first directive would not be one).
std::string_view Trimmed(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
    return line;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && EqualsIgnoringCase(text.substr(0, start.size()), start);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

// "2010-08-15"
bool IsW3cDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsDigit(s[i])) return false;
    return true;
}

// "00:01:23", some writers add a fraction: "00:01:23.456"
bool IsW3cTime(std::string_view s) {
    if (s.size() < 8 || s[2] != ':' || s[5] != ':') return false;
    for (size_t i : {0, 1, 3, 4, 6, 7})
        if (!IsDigit(s[i])) return false;
    if (s.size() == 8) return true;
    return s[8] == '.' && AllDigits(s.substr(9));
}

// "-" is W3C's empty field.
std::string_view Value(std::string_view field) { return field == "-" ? std::string_view() : field; }

// The host a visitor asked for, without ":port" ("[::1]:8080" keeps its brackets).
std::string_view WithoutPort(std::string_view host) {
    if (!host.empty() && host.front() == '[') {
        const size_t close = host.find(']');
        return close == std::string_view::npos ? host : host.substr(0, close + 1);
    }
    const size_t colon = host.find(':');
    if (colon == std::string_view::npos || host.find(':', colon + 1) != std::string_view::npos) return host;
    const std::string_view port = host.substr(colon + 1);
    return port.empty() || AllDigits(port) ? host.substr(0, colon) : host;
}

// IIS writes the blanks of a user agent as "+".
std::string_view PlusAsBlank(std::string_view text, TextArena& scratch) {
    if (text.find('+') == std::string_view::npos) return text;
    const std::string_view stored = scratch.Store(text);
    char* p = const_cast<char*>(stored.data());   // the arena's own, writable block
    for (size_t i = 0; i < stored.size(); ++i)   // without a branch, so it runs a block at a time
        p[i] = static_cast<char>(p[i] == '+' ? ' ' : p[i]);
    return stored;
}

// The value of a hex digit, 16 for any other byte.
constexpr auto HexDigits = [] {
    std::array<uint8_t, 256> digits{};
    digits.fill(16);
    for (int c = 0; c < 10; ++c) digits['0' + c] = static_cast<uint8_t>(c);
    for (int c = 0; c < 6; ++c) digits['a' + c] = digits['A' + c] = static_cast<uint8_t>(10 + c);
    return digits;
}();

struct DecodedSize {
    size_t Size;
    bool High;   // a decoded byte is not ASCII
};

// One round of "%XX" decoding in place. Control characters stay escaped, so a decoded field
// never carries a line break or a NUL into the reports. A "%" without two hex digits stays.
DecodedSize DecodeRound(char* p, size_t n) {
    const void* first = std::memchr(p, '%', n);
    if (!first) return {n, false};
    size_t out = static_cast<size_t>(static_cast<const char*>(first) - p), i = out;
    unsigned high = 0;
    while (i < n) {
        const char c = p[i];
        if (c == '%' && i + 2 < n) {
            const unsigned hi = HexDigits[static_cast<unsigned char>(p[i + 1])];
            const unsigned lo = HexDigits[static_cast<unsigned char>(p[i + 2])];
            const unsigned byte = hi << 4 | lo;
            if ((hi | lo) < 16 && byte >= 0x20 && byte != 0x7F) {
                p[out++] = static_cast<char>(byte);
                high |= byte;
                i += 3;
                continue;
            }
        }
        p[out++] = c;
        ++i;
    }
    return {out, (high & 0x80) != 0};
}

// CloudFront's escapes, undone rounds times (the user agent was encoded twice by older
// CloudFront, "%2520" for a blank; a second round changes nothing in a newer line). Decoded
// bytes that are not UTF-8 are read as Windows-1252, as everywhere else.
std::string_view PercentDecoded(std::string_view text, int rounds, TextArena& scratch) {
    if (text.find('%') == std::string_view::npos) return text;
    const std::string_view stored = scratch.Store(text);
    char* p = const_cast<char*>(stored.data());   // the arena's own, writable block
    DecodedSize decoded{stored.size(), false};
    for (int r = 0; r < rounds; ++r) {
        const DecodedSize round = DecodeRound(p, decoded.Size);
        if (round.Size == decoded.Size) break;   // nothing left to decode
        decoded = {round.Size, decoded.High || round.High};
    }
    const std::string_view text2(p, decoded.Size);
    if (!decoded.High || IsValidUtf8(text2)) return text2;
    return scratch.Store(ToValidUtf8(text2));
}

// User agents decoded lately on a thread, by the text they came from: a log has few agents
// and a visitor's lines come close together, so most lines reuse a decoding. A view it gives
// lives until the thread decodes another agent into that slot, as a scratch text lives until
// the next line. One for each way of decoding: the same text decodes differently by writer.
// Each decoding in a slot has its own serial number, so a reader of the fields can keep it
// once by that number instead of by its text.
class AgentCache {
public:
    template <class Decode>
    std::string_view Decoded(std::string_view raw, uint64_t& serial, Decode&& decode) {
        if (last_ && last_->Raw == raw) {
            serial = last_->Serial;
            return last_->Decoded;
        }
        const uint64_t hash = HashText(raw);
        Slot& slot = slots_[hash % Slots];
        if (slot.Serial && slot.Hash == hash && slot.Raw == raw) {
            last_ = &slot;
            serial = slot.Serial;
            return slot.Decoded;
        }
        const std::string_view decoded = decode(raw);
        if (decoded.data() == raw.data()) return decoded;   // nothing to decode: the line's own text
        slot.Raw.assign(raw);
        slot.Decoded.assign(decoded);
        slot.Hash = hash;
        slot.Serial = NewTextSerial();
        last_ = &slot;
        serial = slot.Serial;
        return slot.Decoded;
    }

private:
    static constexpr size_t Slots = 64;
    struct Slot {
        std::string Raw, Decoded;
        uint64_t Hash = 0;     // of Raw
        uint64_t Serial = 0;   // 0: empty
    };
    std::array<Slot, Slots> slots_;
    Slot* last_ = nullptr;
};
thread_local AgentCache iisAgents, cloudFrontAgents;

// Where a line's tabs, blanks and escape bytes are, one bit per byte (bit i of word w is byte
// 64 w + i), all marked in one pass: which separator cuts the fields is then a test of the tab
// words, the field count a population count, each field's end a bit search, and whether a
// field needs decoding a test of the escape words instead of a search of its text. Blanks are
// marked only when asked (IIS; CloudFront only ever uses tabs). Lines longer than MaxBytes
// are not marked (Mark is false); they are cut byte by byte.
class SeparatorBits {
public:
    static constexpr size_t MaxWords = 64;
    static constexpr size_t MaxBytes = MaxWords * 64;

    bool Mark(std::string_view line, char escape, bool blanks) {
        const size_t n = line.size();
        if (n > MaxBytes) return false;
        words_ = (n + 63) / 64;
        const char* p = line.data();
#if defined(__SSE2__)
        const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), esc = _mm_set1_epi8(escape);
        uint64_t b = 0, t = 0, e = 0;
        auto mark = [&](__m128i v, unsigned shift, unsigned at) {
            const auto bits = [&](__m128i m) { return VectorScan::BlockBits(m, shift, at); };
            t |= bits(_mm_cmpeq_epi8(v, tab));
            e |= bits(_mm_cmpeq_epi8(v, esc));
            if (blanks) b |= bits(_mm_cmpeq_epi8(v, blank));
        };
        auto store = [&](size_t w) {
            blanks_[w] = b;
            tabs_[w] = t;
            escapes_[w] = e;
            b = t = e = 0;
        };
        VectorScan::MarkBlocks(p, n, mark, store);
#else
        for (size_t w = 0; w < words_; ++w) {
            uint64_t b = 0, t = 0, e = 0;
            const size_t count = n - w * 64 < 64 ? n - w * 64 : 64;
            for (size_t i = 0; i < count; ++i) {
                const char c = p[w * 64 + i];
                b |= static_cast<uint64_t>(blanks && c == ' ') << i;
                t |= static_cast<uint64_t>(c == '\t') << i;
                e |= static_cast<uint64_t>(c == escape) << i;
            }
            blanks_[w] = b;
            tabs_[w] = t;
            escapes_[w] = e;
        }
#endif
        return true;
    }

    // Whether bytes [begin, end) of the marked line hold the escape byte.
    bool EscapeIn(size_t begin, size_t end) const {
        if (begin >= end) return false;
        const size_t first = begin >> 6, last = (end - 1) >> 6;
        const uint64_t head = ~uint64_t{0} << (begin & 63);
        const uint64_t tail = ~uint64_t{0} >> (63 - ((end - 1) & 63));
        if (first == last) return (escapes_[first] & head & tail) != 0;
        uint64_t any = (escapes_[first] & head) | (escapes_[last] & tail);
        for (size_t w = first + 1; w < last; ++w) any |= escapes_[w];
        return any != 0;
    }

    bool AnyTab() const {
        uint64_t any = 0;
        for (size_t w = 0; w < words_; ++w) any |= tabs_[w];
        return any != 0;
    }
    const uint64_t* Of(char separator) const { return separator == '\t' ? tabs_ : blanks_; }
    size_t Words() const { return words_; }

private:
    uint64_t blanks_[MaxWords], tabs_[MaxWords], escapes_[MaxWords];
    size_t words_ = 0;
};

// The bits set in word, without the library call a processor lacking a count instruction
// would make of std::popcount.
inline size_t Ones(uint64_t word) {
    word -= (word >> 1) & 0x5555555555555555ULL;
    word = (word & 0x3333333333333333ULL) + ((word >> 2) & 0x3333333333333333ULL);
    word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<size_t>((word * 0x0101010101010101ULL) >> 56);
}

// Calls field(begin, end) for every field of line between separators, in order, until it
// returns false: the way for lines too long to mark.
template <class Field>
void CutFields(std::string_view line, char separator, Field&& field) {
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != separator) continue;
        if (!field(start, i)) return;
        start = i + 1;
    }
    field(start, line.size());
}

enum class Writer : uint8_t { Iis, CloudFront };

class W3cReader final : public LineFormat {
public:
    // minCount below the column count: lines may hold any prefix of the columns from there
    // (CloudFront files without their directive).
    W3cReader(Writer writer, std::vector<Column> columns, size_t minCount)
        : writer_(writer), columns_(std::move(columns)), minCount_(minCount) {
        for (size_t i = 0; i < columns_.size(); ++i)
            if (columns_[i] != Column::Skip) used_ = i + 1;
    }

    std::string_view Name() const override {
        return writer_ == Writer::Iis ? "W3C extended (IIS)" : "CloudFront";
    }

    LineKind Read(std::string_view line, LineFields& fields, TextArena& scratch) const override;
    std::unique_ptr<LineFormat> After(std::string_view comment) const override;

private:
    Writer writer_;
    std::vector<Column> columns_;   // empty: no directive yet, or one for the other writer
    size_t minCount_;
    size_t used_ = 0;               // columns up to the last one the entry reads
};

LineKind W3cReader::Read(std::string_view line, LineFields& fields, TextArena& scratch) const {
    line = Trimmed(line);
    if (!line.empty() && line.front() == '#') return LineKind::Comment;
    if (columns_.empty() || line.empty()) return LineKind::NotRead;

    // Each field lands in the slot of its column (skipped ones all in the first): a store
    // without a branch per field.
    struct Slots {
        std::string_view Of[static_cast<size_t>(Column::Count)];
    } slotsOf;
    ZeroFill(slotsOf);
    std::string_view* const slots = slotsOf.Of;
    const Column* const columns = columns_.data();
    const size_t columnCount = columns_.size();
    thread_local SeparatorBits bits;
    const bool iis = writer_ == Writer::Iis;
    const bool marked = bits.Mark(line, iis ? '+' : '%', iis);
    if (marked) {
        // CloudFront only ever uses tabs; other W3C writers one blank, some a tab.
        const char separator = writer_ == Writer::CloudFront || bits.AnyTab() ? '\t' : ' ';
        const uint64_t* const marks = bits.Of(separator);
        const size_t words = bits.Words();
        size_t count = 1;
        for (size_t w = 0; w < words; ++w) count += Ones(marks[w]);
        if (count < minCount_ || count > columnCount) return LineKind::NotRead;
        // Only the fields up to the last column read are cut; the count said the rest is there.
        const size_t cut = std::min(count, used_);
        size_t start = 0, w = 0;
        uint64_t word = words ? marks[0] : 0;
        for (size_t i = 0; i < cut; ++i) {
            size_t end = line.size();
            if (i + 1 < count) {
                while (!word) word = marks[++w];
                end = w * 64 + static_cast<size_t>(std::countr_zero(word));
                word &= word - 1;
            }
            slots[static_cast<size_t>(columns[i])] = std::string_view(line.data() + start, end - start);
            start = end + 1;
        }
    } else {
        char separator = '\t';
        if (writer_ == Writer::Iis && !std::memchr(line.data(), '\t', line.size())) separator = ' ';
        size_t count = 0;
        CutFields(line, separator, [&](size_t begin, size_t stop) {
            if (count == columnCount) {
                count = columnCount + 1;   // more fields than columns
                return false;
            }
            slots[static_cast<size_t>(columns[count++])] = std::string_view(line.data() + begin, stop - begin);
            return true;
        });
        if (count < minCount_ || count > columnCount) return LineKind::NotRead;
    }
    const auto slot = [&](Column c) { return slots[static_cast<size_t>(c)]; };
    std::string_view date = slot(Column::Date), time = slot(Column::Time), stem = slot(Column::Stem),
                     query = slot(Column::Query), uri = slot(Column::Uri), status = slot(Column::Status),
                     bytes = slot(Column::Bytes), client = slot(Column::Client), method = slot(Column::Method),
                     referrer = slot(Column::Referrer), agent = slot(Column::UserAgent),
                     hostHeader = slot(Column::HostHeader), host = slot(Column::Host);

    // Whether a field (a view into the line) may hold the writer's escape byte: the marks say
    // for a marked line, its text for another.
    const auto mayEscape = [&](std::string_view field) {
        if (field.empty()) return false;
        if (!marked) return true;
        const auto begin = static_cast<size_t>(field.data() - line.data());
        return bits.EscapeIn(begin, begin + field.size());
    };

    // The address as one text ("/a?b") when the writer gives no stem.
    if (stem.empty() && !uri.empty() && uri != "-") {
        const size_t mark = uri.find('?');
        stem = uri.substr(0, mark);
        if (mark != std::string_view::npos) query = uri.substr(mark + 1);
    }
    stem = Value(stem);
    bytes = Value(bytes);
    if (!IsW3cDate(date) || !IsW3cTime(time) || !AllDigits(status) || stem.empty()) return LineKind::NotRead;
    if (!bytes.empty() && !AllDigits(bytes)) return LineKind::NotRead;

    ZeroFill(fields);
    fields.Form = StampForm::W3c;
    fields.StampDate = date;
    fields.StampTime = time;
    fields.Client = Value(client);
    fields.Method = Value(method);
    fields.Status = status;
    fields.Bytes = bytes;
    const std::string_view visited = Value(hostHeader).empty() ? Value(host) : Value(hostHeader);
    fields.Host = WithoutPort(visited);
    if (writer_ == Writer::Iis) {
        fields.Path = stem;
        fields.Query = Value(query);
        fields.Referrer = Value(referrer);
        fields.UserAgent = iisAgents.Decoded(Value(agent), fields.UserAgentSerial, [&](std::string_view t) {
            return mayEscape(t) ? PlusAsBlank(t, scratch) : t;
        });
    } else {
        // Every CloudFront field carries one round of its escapes over the text as sent: the
        // address and referrer come back as the browser sent them (their own escapes kept for
        // the search terms), the user agent was escaped once more by older CloudFront.
        const auto decoded = [&](std::string_view t, int rounds) {
            return mayEscape(t) ? PercentDecoded(t, rounds, scratch) : t;
        };
        fields.Path = decoded(stem, 1);
        fields.Query = decoded(Value(query), 1);
        fields.Referrer = decoded(Value(referrer), 1);
        fields.UserAgent = cloudFrontAgents.Decoded(Value(agent), fields.UserAgentSerial,
                                                 [&](std::string_view t) { return decoded(t, 2); });
    }
    return LineKind::Entry;
}

std::unique_ptr<LineFormat> W3cReader::After(std::string_view comment) const {
    comment = Trimmed(comment);
    constexpr std::string_view directive = "#Fields:";
    if (!StartsWithIgnoringCase(comment, directive)) return nullptr;
    ColumnList list = ParseColumns(comment.substr(directive.size()));
    // A CloudFront directive names x-edge- columns, an IIS one never does. The W3C reader
    // reads CloudFront's files with CloudFront's escapes (a site may choose "w3c" for them); the
    // CloudFront reader reads no IIS file, so detection, trying CloudFront first, tells them apart.
    const Writer writer = list.Edge ? Writer::CloudFront : Writer::Iis;
    if (writer_ == Writer::CloudFront && writer != Writer::CloudFront) list.Columns.clear();
    const Writer next = writer_ == Writer::CloudFront ? Writer::CloudFront : writer;
    if (next == writer_ && list.Columns == columns_ && minCount_ == columns_.size()) return nullptr;
    const size_t count = list.Columns.size();
    return std::make_unique<W3cReader>(next, std::move(list.Columns), count);
}

} // namespace

uint64_t NewTextSerial() {
    static std::atomic<uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::unique_ptr<LineFormat> MakeW3cFormat() { return std::make_unique<W3cReader>(Writer::Iis, std::vector<Column>{}, 0); }

std::unique_ptr<LineFormat> MakeCloudFrontFormat() {
    std::vector<Column> columns = ParseColumns(CloudFrontFields).Columns;
    return std::make_unique<W3cReader>(Writer::CloudFront, std::move(columns), OldestCloudFrontCount);
}

} // namespace trevix
