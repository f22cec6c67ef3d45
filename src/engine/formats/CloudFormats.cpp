// The access logs of the cloud's load balancers and of its storage buckets: blank-separated
// fields in a fixed order, some of them quoted, the storage log's time in brackets.
#include "engine/formats/FormatString.h"
#include "engine/formats/KnownFormats.h"

#include <array>

namespace trevix {
namespace {

constexpr size_t npos = std::string_view::npos;

// The first Max fields of a line and how many it has. A field that opens with a quote runs to
// the closing quote that a blank or the line's end follows (a quote after a backslash does
// not close it), one that opens with "[" to the "]" likewise. Quotes and brackets are kept.
template <size_t Max>
struct Cut {
    std::array<std::string_view, Max> Field;
    size_t Count = 0;

    // False when a quote or bracket is not closed, or two blanks leave an empty field.
    bool Read(std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Count = 0;
        size_t pos = 0;
        while (pos < line.size()) {
            size_t end;
            const char open = line[pos];
            if (open == '"' || open == '[') {
                end = Closing(line, pos, open == '"' ? '"' : ']');
                if (end == npos) return false;
                ++end;
            } else {
                end = line.find(' ', pos);
                if (end == npos) end = line.size();
            }
            if (end == pos) return false;
            if (Count < Max) Field[Count] = line.substr(pos, end - pos);
            ++Count;
            if (end == line.size()) return true;
            if (line[end] != ' ') return false;
            pos = end + 1;
            if (pos == line.size()) return false;
        }
        return Count > 0;
    }

    static size_t Closing(std::string_view line, size_t open, char close) {
        for (size_t q = line.find(close, open + 1); q != npos; q = line.find(close, q + 1)) {
            size_t slashes = 0;
            while (line[q - slashes - 1] == '\\') ++slashes;
            if (slashes & 1) continue;
            if (q + 1 == line.size() || line[q + 1] == ' ') return q;
        }
        return npos;
    }
};

bool IsQuoted(std::string_view f) { return f.size() >= 2 && f.front() == '"' && f.back() == '"'; }

// A quoted field's text, decoded; "-" is empty.
std::string_view Unquoted(std::string_view f, TextArena& scratch) {
    f = f.substr(1, f.size() - 2);
    return f == "-" ? std::string_view() : DecodeQuotedField(f, scratch);
}

std::string_view Dash(std::string_view f) { return f == "-" ? std::string_view() : f; }

// "203.0.113.9:2817" -> "203.0.113.9"; the balancers write "-" when there is no address.
bool TakeAddress(std::string_view f, std::string_view& address) {
    if (f == "-") return true;
    const size_t colon = f.rfind(':');
    if (colon == npos || colon == 0 || !AllDigits(f.substr(colon + 1))) return false;
    address = f.substr(0, colon);
    if (address.size() > 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    return true;
}

bool BytesField(std::string_view f) { return f == "-" || AllDigits(f); }

// A balancer's request: "GET https://www.example.com:443/a/b?x=1 HTTP/1.1". The path is what
// follows the scheme and host, the host is the request's own without its port. A request the
// balancer could not read is written "- http://host:80- -": no request is given then.
void TakeBalancerRequest(std::string_view request, LineFields& out) {
    const size_t methodEnd = request.find(' ');
    if (methodEnd == npos) return;
    const std::string_view method = request.substr(0, methodEnd);
    if (method == "-") return;
    std::string_view url = request.substr(methodEnd + 1);
    const size_t protocol = url.rfind(" HTTP/");
    if (protocol != npos) url = url.substr(0, protocol);
    const size_t scheme = url.find("://");
    if (scheme != npos) {
        std::string_view rest = url.substr(scheme + 3);
        const size_t pathStart = rest.find_first_of("/?");
        out.Host = HostWithoutPort(rest.substr(0, pathStart));
        url = pathStart == npos ? std::string_view() : rest.substr(pathStart);
    }
    const size_t mark = url.find('?');
    out.Method = method;
    out.Path = url.substr(0, mark);
    if (out.Path.empty()) out.Path = "/";
    if (mark != npos) out.Query = url.substr(mark + 1);
}

// Where the fields both load balancers write stand in a line of either.
constexpr size_t NoColumn = ~size_t{0};
struct BalancerColumns {
    size_t Stamp, Client, Backend, Status, Bytes, Request, UserAgent;   // UserAgent may be NoColumn
};

// The fields both balancers write, read from their columns; NotRead when one is not of its kind.
LineKind TakeBalancerLine(const std::string_view* f, const BalancerColumns& at, LineFields& out, TextArena& scratch) {
    std::string_view backend;
    if (!IsoStampShape(f[at.Stamp]) || !StatusDigits(f[at.Status]) || !BytesField(f[at.Bytes]) ||
        !IsQuoted(f[at.Request]) || !TakeAddress(f[at.Client], out.Client) || !TakeAddress(f[at.Backend], backend))
        return LineKind::NotRead;
    out.Form = StampForm::Iso8601;
    out.Stamp = f[at.Stamp];
    out.Status = f[at.Status];
    out.Bytes = Dash(f[at.Bytes]);
    TakeBalancerRequest(Unquoted(f[at.Request], scratch), out);
    if (at.UserAgent != NoColumn) out.UserAgent = Unquoted(f[at.UserAgent], scratch);
    return LineKind::Entry;
}

bool AlbType(std::string_view t) {
    return t == "http" || t == "https" || t == "h2" || t == "grpcs" || t == "ws" || t == "wss";
}

// type time elb client:port target:port request_processing_time target_processing_time
// response_processing_time elb_status_code target_status_code received_bytes sent_bytes
// "request" "user_agent" ssl_cipher ssl_protocol target_group_arn "trace_id" ... (newer logs
// add more fields at the end).
class AlbFormat final : public LineFormat {
public:
    std::string_view Name() const override { return "Application Load Balancer"; }
    LineKind Read(std::string_view line, LineFields& out, TextArena& scratch) const override {
        out = LineFields{};
        Cut<18> c;
        if (!c.Read(line) || c.Count < 18) return LineKind::NotRead;
        const auto& f = c.Field;
        if (!AlbType(f[0]) || !IsQuoted(f[13]) || !IsQuoted(f[17])) return LineKind::NotRead;
        return TakeBalancerLine(f.data(), {1, 3, 4, 8, 11, 12, 13}, out, scratch);
    }
};

// time elb client:port backend:port request_processing_time backend_processing_time
// response_processing_time elb_status_code backend_status_code received_bytes sent_bytes
// "request" "user_agent" ssl_cipher ssl_protocol; logs from before the user agent end after
// the request.
class ElbFormat final : public LineFormat {
public:
    std::string_view Name() const override { return "Classic Load Balancer"; }
    LineKind Read(std::string_view line, LineFields& out, TextArena& scratch) const override {
        out = LineFields{};
        Cut<15> c;
        if (!c.Read(line) || (c.Count != 12 && c.Count != 15)) return LineKind::NotRead;
        const auto& f = c.Field;
        if (c.Count == 15 && !IsQuoted(f[12])) return LineKind::NotRead;
        return TakeBalancerLine(f.data(), {0, 2, 3, 7, 10, 11, c.Count == 15 ? 12 : NoColumn}, out, scratch);
    }
};

// bucket_owner bucket [06/Feb/2019:00:00:38 +0000] remote_ip requester request_id operation
// key "request_uri" http_status error_code bytes_sent object_size total_time
// turn_around_time "referer" "user_agent" version_id host_id signature_version cipher_suite
// authentication_type host_header ... (newer logs add more fields at the end).
class S3Format final : public LineFormat {
public:
    std::string_view Name() const override { return "S3 server access"; }
    LineKind Read(std::string_view line, LineFields& out, TextArena& scratch) const override {
        out = LineFields{};
        Cut<23> c;
        if (!c.Read(line) || c.Count < 17) return LineKind::NotRead;
        const auto& f = c.Field;
        const std::string_view stamp = f[2];
        if (stamp.size() < 3 || stamp.front() != '[' || stamp.back() != ']' || !StatusDigits(f[9]) ||
            !BytesField(f[11]) || !(IsQuoted(f[8]) || f[8] == "-") || !IsQuoted(f[15]) || !IsQuoted(f[16]))
            return LineKind::NotRead;
        out.Client = Dash(f[3]);
        out.Form = StampForm::Clf;
        out.Stamp = stamp.substr(1, stamp.size() - 2);
        out.Request = f[8] == "-" ? std::string_view() : Unquoted(f[8], scratch);
        out.Status = f[9];
        out.Bytes = Dash(f[11]);
        out.Referrer = Unquoted(f[15], scratch);
        out.UserAgent = Unquoted(f[16], scratch);
        if (c.Count > 22) out.Host = HostWithoutPort(Dash(f[22]));
        return LineKind::Entry;
    }
};

} // namespace

std::unique_ptr<LineFormat> MakeAlbFormat() { return std::make_unique<AlbFormat>(); }
std::unique_ptr<LineFormat> MakeElbFormat() { return std::make_unique<ElbFormat>(); }
std::unique_ptr<LineFormat> MakeS3Format() { return std::make_unique<S3Format>(); }

} // namespace trevix
