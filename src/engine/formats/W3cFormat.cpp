// W3C extended logs: IIS names its columns in a "#Fields:" directive and separates them by
// one blank (other writers by a tab); CloudFront writes a known, growing column list,
// tab-separated, with its own URL encoding of every field.
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"
#include "engine/formats/KnownFormats.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace trevix {

namespace {

// What a column gives the entry; every other column is skipped.
enum class Column : uint8_t {
    Skip, Date, Time, Client, Method, Stem, Query, Uri, Status, Bytes, Referrer, UserAgent,
    HostHeader,   // x-host-header: the Host header the visitor sent
    Host,         // cs-host, cs(Host): CloudFront's distribution name, IIS's Host header
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

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
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
    std::replace(p, p + stored.size(), '+', ' ');
    return stored;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One round of "%XX" decoding in place; returns the new size. Control characters stay
// escaped, so a decoded field never carries a line break or a NUL into the reports. A "%"
// without two hex digits stays as it is.
size_t DecodeRound(char* p, size_t n) {
    size_t out = 0;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == '%' && i + 2 < n) {
            const int hi = HexValue(p[i + 1]), lo = HexValue(p[i + 2]);
            if (hi >= 0 && lo >= 0) {
                const int byte = hi * 16 + lo;
                if (byte >= 0x20 && byte != 0x7F) {
                    p[out++] = static_cast<char>(byte);
                    i += 2;
                    continue;
                }
            }
        }
        p[out++] = p[i];
    }
    return out;
}

// CloudFront's escapes, undone rounds times (the user agent was encoded twice by older
// CloudFront, "%2520" for a blank; a second round changes nothing in a newer line). Decoded
// bytes that are not UTF-8 are read as Windows-1252, as everywhere else.
std::string_view PercentDecoded(std::string_view text, int rounds, TextArena& scratch) {
    if (text.find('%') == std::string_view::npos) return text;
    const std::string_view stored = scratch.Store(text);
    char* p = const_cast<char*>(stored.data());   // the arena's own, writable block
    size_t n = stored.size();
    for (int r = 0; r < rounds && std::memchr(p, '%', n); ++r)
        n = DecodeRound(p, n);
    const std::string_view decoded(p, n);
    const bool ascii = std::none_of(p, p + n, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (ascii || IsValidUtf8(decoded)) return decoded;
    return scratch.Store(ToValidUtf8(decoded));
}

enum class Writer : uint8_t { Iis, CloudFront };

class W3cReader final : public LineFormat {
public:
    // minCount below the column count: lines may hold any prefix of the columns from there
    // (CloudFront files without their directive).
    W3cReader(Writer writer, std::vector<Column> columns, size_t minCount)
        : writer_(writer), columns_(std::move(columns)), minCount_(minCount) {}

    std::string_view Name() const override {
        return writer_ == Writer::Iis ? "W3C extended (IIS)" : "CloudFront";
    }

    LineKind Read(std::string_view line, LineFields& fields, TextArena& scratch) const override;
    std::unique_ptr<LineFormat> After(std::string_view comment) const override;

private:
    Writer writer_;
    std::vector<Column> columns_;   // empty: no directive yet, or one for the other writer
    size_t minCount_;
};

LineKind W3cReader::Read(std::string_view line, LineFields& fields, TextArena& scratch) const {
    line = WithoutCr(line);
    if (!line.empty() && line.front() == '#') return LineKind::Comment;
    if (columns_.empty() || line.empty()) return LineKind::NotRead;

    // CloudFront only ever uses tabs; other W3C writers one blank, some a tab.
    char separator = '\t';
    if (writer_ == Writer::Iis && !std::memchr(line.data(), '\t', line.size())) separator = ' ';

    std::string_view date, time, client, method, stem, query, uri, status, bytes, referrer, agent,
        hostHeader, host;
    const char* p = line.data();
    const char* const end = p + line.size();
    size_t count = 0;
    for (;;) {
        if (count == columns_.size()) return LineKind::NotRead;   // more fields than columns
        const void* hit = std::memchr(p, separator, static_cast<size_t>(end - p));
        const char* stop = hit ? static_cast<const char*>(hit) : end;
        const std::string_view field(p, static_cast<size_t>(stop - p));
        switch (columns_[count]) {
        case Column::Skip: break;
        case Column::Date: date = field; break;
        case Column::Time: time = field; break;
        case Column::Client: client = field; break;
        case Column::Method: method = field; break;
        case Column::Stem: stem = field; break;
        case Column::Query: query = field; break;
        case Column::Uri: uri = field; break;
        case Column::Status: status = field; break;
        case Column::Bytes: bytes = field; break;
        case Column::Referrer: referrer = field; break;
        case Column::UserAgent: agent = field; break;
        case Column::HostHeader: hostHeader = field; break;
        case Column::Host: host = field; break;
        }
        ++count;
        if (!hit) break;
        p = stop + 1;
    }
    if (count < minCount_) return LineKind::NotRead;

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

    fields = LineFields{};
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
        fields.UserAgent = PlusAsBlank(Value(agent), scratch);
    } else {
        // Every CloudFront field carries one round of its escapes over the text as sent: the
        // address and referrer come back as the browser sent them (their own escapes kept for
        // the search terms), the user agent was escaped once more by older CloudFront.
        fields.Path = PercentDecoded(stem, 1, scratch);
        fields.Query = PercentDecoded(Value(query), 1, scratch);
        fields.Referrer = PercentDecoded(Value(referrer), 1, scratch);
        fields.UserAgent = PercentDecoded(Value(agent), 2, scratch);
    }
    return LineKind::Entry;
}

std::unique_ptr<LineFormat> W3cReader::After(std::string_view comment) const {
    comment = WithoutCr(comment);
    constexpr std::string_view directive = "#Fields:";
    if (!StartsWithIgnoringCase(comment, directive)) return nullptr;
    ColumnList list = ParseColumns(comment.substr(directive.size()));
    // Each reader reads only its own writer's files, so detection tells them apart: a
    // CloudFront directive names x-edge- columns, an IIS one never does.
    const bool own = list.Edge == (writer_ == Writer::CloudFront);
    if (!own) list.Columns.clear();
    if (list.Columns == columns_ && minCount_ == columns_.size()) return nullptr;
    const size_t count = list.Columns.size();
    return std::make_unique<W3cReader>(writer_, std::move(list.Columns), count);
}

} // namespace

std::unique_ptr<LineFormat> MakeW3cFormat() { return std::make_unique<W3cReader>(Writer::Iis, std::vector<Column>{}, 0); }

std::unique_ptr<LineFormat> MakeCloudFrontFormat() {
    std::vector<Column> columns = ParseColumns(CloudFrontFields).Columns;
    return std::make_unique<W3cReader>(Writer::CloudFront, std::move(columns), OldestCloudFrontCount);
}

} // namespace trevix
