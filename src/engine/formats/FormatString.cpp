#include "engine/formats/FormatString.h"
#include "engine/formats/JsonLine.h"

#include "engine/base/Text.h"
#include "engine/formats/KnownFormats.h"
#include "engine/formats/LineBits.h"

#include <string>
#include <utility>
#include <vector>

namespace trevix {

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

bool DecimalDigits(std::string_view text) {
    const size_t dot = text.find('.');
    if (dot == std::string_view::npos) return AllDigits(text);
    return AllDigits(text.substr(0, dot)) && AllDigits(text.substr(dot + 1));
}

bool StatusDigits(std::string_view text) { return text.size() == 3 && AllDigits(text); }

std::string_view HostWithoutPort(std::string_view host) {
    if (host.starts_with('[')) {
        const size_t close = host.find(']');
        return close == std::string_view::npos ? host : host.substr(0, close + 1);
    }
    const size_t colon = host.rfind(':');
    // More than one colon: an IPv6 address without brackets, which has no port.
    if (colon == std::string_view::npos || host.find(':') != colon) return host;
    return host.substr(0, colon);
}

std::string_view DecodeQuotedField(std::string_view text, TextArena& scratch) {
    size_t slash = text.find('\\');
    if (slash == std::string_view::npos) return text;
    // Kept between lines so decoding allocates only while lines grow.
    thread_local std::string decoded;
    decoded.assign(text.substr(0, slash));
    for (size_t i = slash; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '"' || next == '\\') {
                decoded += next;
                ++i;
                continue;
            }
            if (next == 'x' && text.substr(i + 2, 2) == "22") {
                decoded += '"';
                i += 3;
                continue;
            }
        }
        decoded += c;
    }
    return scratch.Store(decoded);
}

bool IsoStampShape(std::string_view t) {
    auto digit = [&](size_t i) { return t[i] >= '0' && t[i] <= '9'; };
    return t.size() >= 19 && digit(0) && digit(1) && digit(2) && digit(3) && t[4] == '-' && digit(5) &&
           digit(6) && t[7] == '-' && digit(8) && digit(9) && (t[10] == 'T' || t[10] == ' ') && digit(11) &&
           digit(12) && t[13] == ':' && digit(14) && digit(15) && t[16] == ':' && digit(17) && digit(18);
}

namespace {

constexpr size_t npos = std::string_view::npos;

// What a directive or variable gives.
enum class Target : uint8_t {
    Skip, Port, Client, Forwarded, Host,
    Clf, ClfBracketed, Iso, Seconds, Millis, Micros, Pattern,
    Request, Method, Path, Query, QueryMark, Uri,
    Status, Bytes, BytesSent, Referrer, UserAgent,
};

struct Field {
    Target What = Target::Skip;
    int Blanks = 0;          // blanks the value itself holds: a time stamp, an unquoted request
    std::string Pattern;     // strftime pattern of an Apache %{...}t
    std::string After;       // the literal text that follows; empty only for the last field
    bool Quoted = false;     // between a '"' and a '"': ends at an unescaped quote
    bool NoBlank = false;    // a blank inside the value means the line has another shape
};

struct Compiled {
    std::string Lead;        // literal text before the first field
    std::vector<Field> Fields;
};

enum class Dialect : uint8_t { Unknown, Apache, Nginx };

// ---- The text around the format: directive, quotes, nickname, ";" ----

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimSpace(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Removes word (any letter case) and the blanks after it when text starts with it as a word.
bool TakeWord(std::string_view& text, std::string_view word) {
    if (text.size() <= word.size() || !EqualsIgnoringCase(text.substr(0, word.size()), word) ||
        !IsSpace(text[word.size()]))
        return false;
    text = TrimSpace(text.substr(word.size()));
    return true;
}

std::string_view TakeToken(std::string_view& text) {
    size_t end = 0;
    while (end < text.size() && !IsSpace(text[end])) ++end;
    std::string_view token = text.substr(0, end);
    text = TrimSpace(text.substr(end));
    return token;
}

// Quoted pieces as configuration files write them ('a' 'b' joins to "ab"; backslash escapes
// the quote, a backslash, and gives tab and newline), up to a ";" or the first unquoted word
// (Apache's nickname). False when a quote is not closed.
bool JoinQuotedPieces(std::string_view text, std::string& out) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i == text.size() || (text[i] != '"' && text[i] != '\'')) break;
        const char quote = text[i++];
        bool closed = false;
        while (i < text.size()) {
            const char c = text[i++];
            if (c == quote) {
                closed = true;
                break;
            }
            if (c == '\\' && i < text.size()) {
                const char next = text[i++];
                if (next == 't') out += '\t';
                else if (next == 'n') out += '\n';
                else if (next == quote || next == '\\' || next == '"' || next == '\'') out += next;
                else {
                    out += '\\';
                    out += next;
                }
                continue;
            }
            out += c;
        }
        if (!closed) return false;
    }
    return true;
}

// The format itself from what was pasted, and which server's it is when the directive says.
bool Unwrap(std::string_view text, std::string& body, Dialect& dialect) {
    text = TrimSpace(text);
    dialect = Dialect::Unknown;
    if (TakeWord(text, "LogFormat")) {
        dialect = Dialect::Apache;
    } else if (TakeWord(text, "log_format")) {
        dialect = Dialect::Nginx;
        TakeToken(text);   // the format's name
        if (text.starts_with("escape=")) TakeToken(text);
    }
    if (text.starts_with('"') || text.starts_with('\'')) return JoinQuotedPieces(text, body);
    // Pasted without its quotes: a \" copied from inside them still means a quote.
    if (text.ends_with(';') && dialect == Dialect::Nginx) text.remove_suffix(1);
    body.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) ++i;
        body += text[i];
    }
    return true;
}

bool NginxName(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool HasNginxVariable(std::string_view body) {
    for (size_t i = body.find('$'); i != npos; i = body.find('$', i + 1))
        if (i + 1 < body.size() && (NginxName(body[i + 1]) || body[i + 1] == '{')) return true;
    return false;
}

// ---- Directives and variables ----

int PatternBlanks(std::string_view pattern) {
    int blanks = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == ' ') ++blanks;
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            const char c = pattern[++i];
            if (c == 'c') blanks += 4;   // "Tue Oct 10 13:55:36 2000"
            if (c == 'r') blanks += 1;   // "01:55:36 PM"
        }
    }
    return blanks;
}

Field TimeField(std::string_view arg) {
    Field f;
    if (arg.starts_with("begin:")) arg.remove_prefix(6);
    else if (arg.starts_with("end:")) arg.remove_prefix(4);
    if (arg.empty()) {
        f.What = Target::ClfBracketed;
        f.Blanks = 1;
    } else if (arg == "sec") {
        f.What = Target::Seconds;
    } else if (arg == "msec") {
        f.What = Target::Millis;
    } else if (arg == "usec") {
        f.What = Target::Micros;
    } else if (arg == "msec_frac" || arg == "usec_frac") {
        f.What = Target::Skip;
    } else {
        f.What = Target::Pattern;
        f.Pattern = arg;
        f.Blanks = PatternBlanks(arg);
    }
    return f;
}

Field HeaderField(std::string_view name) {
    Field f;
    if (EqualsIgnoringCase(name, "Referer")) f.What = Target::Referrer;
    else if (EqualsIgnoringCase(name, "User-Agent")) f.What = Target::UserAgent;
    else if (EqualsIgnoringCase(name, "Host")) f.What = Target::Host;
    else if (EqualsIgnoringCase(name, "X-Forwarded-For")) f.What = Target::Forwarded;
    return f;
}

Field ApacheField(char letter, std::string_view arg) {
    Field f;
    switch (letter) {
    case 'h':
    case 'a': f.What = Target::Client; break;
    case 't': return TimeField(arg);
    case 'r': f.What = Target::Request; f.Blanks = 2; break;
    case 's': f.What = Target::Status; break;
    case 'b':
    case 'B': f.What = Target::Bytes; break;
    case 'O': f.What = Target::BytesSent; break;
    case 'v':
    case 'V': f.What = Target::Host; break;
    case 'p': f.What = arg.empty() || arg == "canonical" || arg == "local" ? Target::Port : Target::Skip; break;
    case 'U': f.What = Target::Path; break;
    case 'q': f.What = Target::QueryMark; break;
    case 'm': f.What = Target::Method; break;
    case 'i': return HeaderField(arg);
    default: break;   // %l %u %D %T %H %I %S %e %n ... carry nothing a report uses
    }
    return f;
}

Field NginxField(std::string_view name) {
    Field f;
    if (name == "remote_addr" || name == "realip_remote_addr") f.What = Target::Client;
    else if (name == "time_local") { f.What = Target::Clf; f.Blanks = 1; }
    else if (name == "time_iso8601") f.What = Target::Iso;
    else if (name == "msec") f.What = Target::Seconds;
    else if (name == "request") { f.What = Target::Request; f.Blanks = 2; }
    else if (name == "status") f.What = Target::Status;
    else if (name == "body_bytes_sent") f.What = Target::Bytes;
    else if (name == "bytes_sent") f.What = Target::BytesSent;
    else if (name == "http_referer") f.What = Target::Referrer;
    else if (name == "http_user_agent") f.What = Target::UserAgent;
    else if (name == "host" || name == "http_host" || name == "server_name") f.What = Target::Host;
    else if (name == "request_method") f.What = Target::Method;
    else if (name == "request_uri") f.What = Target::Uri;
    else if (name == "uri" || name == "document_uri") f.What = Target::Path;
    else if (name == "args" || name == "query_string") f.What = Target::Query;
    else if (name == "http_x_forwarded_for") f.What = Target::Forwarded;
    else if (name == "server_port") f.What = Target::Port;
    return f;
}

class Builder {
public:
    explicit Builder(Compiled& c) : c_(c) {}
    void Literal(char ch) { pending_ += ch; }
    bool Add(Field f, std::string& error) {
        if (c_.Fields.empty()) {
            c_.Lead = pending_;
        } else if (pending_.empty()) {
            error = "The format has two fields with nothing between them, so their values cannot be told apart.";
            return false;
        } else {
            c_.Fields.back().After = pending_;
        }
        pending_.clear();
        c_.Fields.push_back(std::move(f));
        return true;
    }
    // "%U%q" and "$uri$is_args$args": a query that directly follows the path is read with it,
    // split at its "?". True when that was the case. The query without its mark ($args) joins
    // only a path that a mark ($is_args) already joined.
    bool JoinToPath(bool hasMark) {
        if (!pending_.empty() || c_.Fields.empty()) return false;
        Target& last = c_.Fields.back().What;
        if (last != Target::Uri && (!hasMark || last != Target::Path)) return false;
        last = Target::Uri;
        return true;
    }
    void Finish() {
        if (!c_.Fields.empty()) c_.Fields.back().After = pending_;
    }

private:
    Compiled& c_;
    std::string pending_;
};

bool CompileApache(std::string_view body, Compiled& c, std::string& error) {
    Builder b(c);
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '%' || i + 1 == body.size()) {
            b.Literal(body[i]);
            continue;
        }
        size_t j = i + 1;
        if (body[j] == '%') {
            b.Literal('%');
            i = j;
            continue;
        }
        // Conditions and redirect marks: %!200,304b %400,501{User-Agent}i %>s %<s
        while (j < body.size() && std::string_view("<>!,0123456789").find(body[j]) != npos) ++j;
        std::string_view arg;
        if (j < body.size() && body[j] == '{') {
            const size_t close = body.find('}', j);
            if (close == npos) {
                error = "The format has a %{ without its closing }.";
                return false;
            }
            arg = body.substr(j + 1, close - j - 1);
            j = close + 1;
        }
        if (j < body.size() && body[j] == '^') j += 2;   // %^ti %^to: trailers
        if (j >= body.size()) {
            error = "The format ends inside a % directive.";
            return false;
        }
        i = j;
        if (body[j] == 'q' && b.JoinToPath(true)) continue;
        if (!b.Add(ApacheField(body[j], arg), error)) return false;
    }
    b.Finish();
    return true;
}

bool CompileNginx(std::string_view body, Compiled& c, std::string& error) {
    Builder b(c);
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '$' || i + 1 == body.size()) {
            b.Literal(body[i]);
            continue;
        }
        std::string_view name;
        size_t last;
        if (body[i + 1] == '{') {
            const size_t close = body.find('}', i + 2);
            if (close == npos) {
                error = "The format has a ${ without its closing }.";
                return false;
            }
            name = body.substr(i + 2, close - i - 2);
            last = close;
        } else {
            size_t j = i + 1;
            while (j < body.size() && NginxName(body[j])) ++j;
            if (j == i + 1) {
                b.Literal('$');
                continue;
            }
            name = body.substr(i + 1, j - i - 1);
            last = j - 1;
        }
        i = last;
        if ((name == "is_args" || name == "args" || name == "query_string") && b.JoinToPath(name == "is_args"))
            continue;
        if (!b.Add(NginxField(name), error)) return false;
    }
    b.Finish();
    return true;
}

// Marks quoted fields, keeps the first field of each kind, and checks that lines can be read.
bool Settle(Compiled& c, std::string& error) {
    if (c.Fields.empty()) {
        error = "The format has no fields (% directives or $ variables).";
        return false;
    }
    bool seen[static_cast<size_t>(Target::UserAgent) + 1] = {};
    auto has = [&](Target t) { return seen[static_cast<size_t>(t)]; };
    for (Field& f : c.Fields) {
        if (f.What == Target::Skip || f.What == Target::Port) continue;
        // Two fields of one kind (%h and %a): the first is read, the second only cut.
        const bool time = f.What >= Target::Clf && f.What <= Target::Pattern;
        bool taken = has(f.What);
        for (Target t = Target::Clf; time && t <= Target::Pattern; t = static_cast<Target>(static_cast<int>(t) + 1))
            taken = taken || has(t);
        if (taken) f.What = Target::Skip;
        else seen[static_cast<size_t>(f.What)] = true;
    }
    // The body count when there is one, else the bytes sent with the headers; the client's
    // own address when there is one, else the first forwarded one.
    for (Field& f : c.Fields) {
        if (f.What == Target::BytesSent && has(Target::Bytes)) f.What = Target::Skip;
        if (f.What == Target::Forwarded && has(Target::Client)) f.What = Target::Skip;
    }
    if (!has(Target::Request) && !has(Target::Path) && !has(Target::Uri)) {
        error = "The format has no request field (%r, $request or a method and path).";
        return false;
    }
    if (!has(Target::Status)) {
        error = "The format has no status field (%>s or $status).";
        return false;
    }
    for (size_t i = 0; i < c.Fields.size(); ++i) {
        Field& f = c.Fields[i];
        const std::string& before = i == 0 ? c.Lead : c.Fields[i - 1].After;
        f.Quoted = before.ends_with('"') && f.After.starts_with('"');
        f.NoBlank = !f.Quoted && f.Blanks == 0 && !f.After.empty();
    }
    return true;
}

// ---- Reading lines ----

// Whether text goes on at pos with what.
bool Follows(std::string_view text, size_t pos, std::string_view what) {
    if (what.size() > text.size() - pos) return false;
    for (size_t i = 0; i < what.size(); ++i)
        if (text[pos + i] != what[i]) return false;
    return true;
}

class FormatStringReader final : public LineFormat {
public:
    FormatStringReader(std::string name, Compiled compiled) : name_(std::move(name)), c_(std::move(compiled)) {
        for (size_t i = 0; i < c_.Fields.size(); ++i) {
            const Field& f = c_.Fields[i];
            End how = End::Search;
            if (f.After.empty()) how = End::Line;
            else if (f.NoBlank && f.After.front() == ' ' && i + 1 < c_.Fields.size()) how = End::AtBlank;
            steps_.push_back({&f, how});
        }
    }

    std::string_view Name() const override { return name_; }

    LineKind Read(std::string_view line, LineFields& out, TextArena& scratch) const override {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ZeroFill(out);
        if (!line.starts_with(c_.Lead)) return LineKind::NotRead;
        thread_local LineBits bits;
        bits.Mark(line);
        size_t pos = c_.Lead.size();
        const size_t count = steps_.size();
        for (size_t i = 0; i < count; ++i) {
            const Field& f = *steps_[i].F;
            size_t end = 0;
            switch (steps_[i].How) {
            case End::Line: end = line.size(); break;
            case End::AtBlank:
                // No blank may lie inside the value, so only the first one can end it.
                end = bits.Next(' ', pos);
                if (end == npos || !Follows(line, end, f.After)) return LineKind::NotRead;
                break;
            case End::Search:
                end = FieldEnd(bits, line, pos, f, i + 1 == count);
                if (end == npos || (f.NoBlank && bits.Next(' ', pos) < end)) return LineKind::NotRead;
                break;
            }
            std::string_view value(line.data() + pos, end - pos);
            if (f.Quoted && bits.Next('\\', pos) < end) value = DecodeQuotedField(value, scratch);
            pos = end + f.After.size();
            if (!Take(f, value, out)) return LineKind::NotRead;
        }
        if (!out.Request.empty()) {
            out.Method = {};
            out.Path = {};
            out.Query = {};
        }
        return LineKind::Entry;
    }

private:
    // Where the value that starts at pos ends; npos when the line does not go on as the
    // format does. The last field's literal must end the line.
    static size_t FieldEnd(const LineBits& bits, std::string_view line, size_t pos, const Field& f, bool last) {
        const std::string_view after = f.After;
        if (after.empty()) return line.size();
        if (f.Quoted) {
            for (size_t q = bits.Next('"', pos); q != npos; q = bits.Next('"', q + 1)) {
                if (q > pos && line[q - 1] == '\\') {
                    size_t slashes = 0;
                    while (q - slashes > pos && line[q - slashes - 1] == '\\') ++slashes;
                    if (slashes & 1) continue;
                }
                if (last ? line.size() - q == after.size() && Follows(line, q, after) : Follows(line, q, after))
                    return q;
            }
            return npos;
        }
        size_t from = pos;
        for (int k = 0; k < f.Blanks; ++k) {
            from = bits.Next(' ', from);
            if (from == npos) return npos;
            ++from;
        }
        if (last) {
            if (line.size() < from + after.size() || !line.ends_with(after)) return npos;
            return line.size() - after.size();
        }
        for (size_t q = bits.Next(after.front(), from); q != npos; q = bits.Next(after.front(), q + 1))
            if (Follows(line, q, after)) return q;
        return npos;
    }

    static bool Take(const Field& f, std::string_view value, LineFields& out) {
        if (value == "-") value = {};
        switch (f.What) {
        case Target::Skip: return true;
        case Target::Port: return value.empty() || AllDigits(value);
        case Target::Client: out.Client = value; return true;
        case Target::Forwarded: {
            const size_t comma = value.find(',');
            out.Client = TrimBlanks(value.substr(0, comma));
            return true;
        }
        case Target::Host: out.Host = HostWithoutPort(value); return true;
        case Target::ClfBracketed:
            if (value.size() < 3 || value.front() != '[' || value.back() != ']') return false;
            return Stamp(out, StampForm::Clf, value.substr(1, value.size() - 2));
        case Target::Clf: return Stamp(out, StampForm::Clf, value);
        case Target::Iso: return IsoStampShape(value) && Stamp(out, StampForm::Iso8601, value);
        case Target::Seconds: return DecimalDigits(value) && Stamp(out, StampForm::UnixSeconds, value);
        case Target::Millis: return AllDigits(value) && Stamp(out, StampForm::UnixMillis, value);
        case Target::Micros: return AllDigits(value) && Stamp(out, StampForm::UnixMicros, value);
        case Target::Pattern:
            out.StampPattern = f.Pattern;
            return Stamp(out, StampForm::Pattern, value);
        case Target::Request: out.Request = value; return true;
        case Target::Method: out.Method = value; return true;
        case Target::Path:
        case Target::Uri: {
            const size_t mark = value.find('?');
            out.Path = value.substr(0, mark);
            if (mark != npos && out.Query.empty()) out.Query = value.substr(mark + 1);
            return true;
        }
        case Target::QueryMark:
            if (value.starts_with('?')) value.remove_prefix(1);
            out.Query = value;
            return true;
        case Target::Query: out.Query = value; return true;
        case Target::Status:
            out.Status = value;
            return StatusDigits(value);
        case Target::Bytes:
        case Target::BytesSent:
            out.Bytes = value;
            return value.empty() || AllDigits(value);
        case Target::Referrer: out.Referrer = value; return true;
        case Target::UserAgent: out.UserAgent = value; return true;
        }
        return false;
    }

    static bool Stamp(LineFields& out, StampForm form, std::string_view value) {
        if (value.empty()) return false;
        out.Form = form;
        out.Stamp = value;
        return true;
    }

    // How a field's end is found: at the line's end (the last field, nothing after it), at the
    // first blank (a field that holds none and that a blank follows), or by the general search.
    enum class End : uint8_t { Line, AtBlank, Search };
    struct Step {
        const Field* F;   // in c_, which never changes after construction
        End How;
    };

    std::string name_;
    Compiled c_;
    std::vector<Step> steps_;
};

std::unique_ptr<LineFormat> Make(std::string name, std::string_view body, Dialect dialect, std::string& error) {
    Compiled c;
    const bool ok = dialect == Dialect::Nginx ? CompileNginx(body, c, error) : CompileApache(body, c, error);
    if (!ok || !Settle(c, error)) return nullptr;
    return std::make_unique<FormatStringReader>(std::move(name), std::move(c));
}

// ---- A format that is a JSON object: {"ip":"$remote_addr","req":{"status":$status}} ----

void SkipSpace(std::string_view s, size_t& i) {
    while (i < s.size() && IsSpace(s[i])) ++i;
}

// A quoted text from s[i] (the quote) to its closing quote, escapes kept; i moves past it.
bool QuotedText(std::string_view s, size_t& i, std::string_view& text) {
    const size_t start = ++i;
    for (; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == '"') {
            text = s.substr(start, i - start);
            ++i;
            return true;
        }
    }
    return false;
}

class JsonShapeReader {
public:
    JsonShapeReader(Dialect dialect, JsonFormatKeys& map) : dialect_(dialect), map_(map) {}

    bool Object(std::string_view s, size_t& i, JsonFormatKeys::Key& path) {
        SkipSpace(s, i);
        if (i == s.size() || s[i] != '{') return false;
        ++i;
        SkipSpace(s, i);
        if (i < s.size() && s[i] == '}') return ++i, true;
        while (i < s.size()) {
            SkipSpace(s, i);
            std::string_view key;
            if (i == s.size() || s[i] != '"' || !QuotedText(s, i, key)) return false;
            SkipSpace(s, i);
            if (i == s.size() || s[i++] != ':') return false;
            SkipSpace(s, i);
            if (i == s.size()) return false;
            path.emplace_back(key);
            std::string_view value;
            if (s[i] == '{') {
                if (!Object(s, i, path)) return false;
            } else {
                if (s[i] == '"') {
                    if (!QuotedText(s, i, value)) return false;
                } else {
                    const size_t start = i;
                    while (i < s.size() && s[i] != ',' && s[i] != '}' && !IsSpace(s[i])) ++i;
                    value = s.substr(start, i - start);
                }
                Value(path, TrimSpace(value));
            }
            path.pop_back();
            SkipSpace(s, i);
            if (i == s.size()) return false;
            if (s[i] == '}') return ++i, true;
            if (s[i++] != ',') return false;
        }
        return false;
    }

    void Finish() {
        map_.Bytes.insert(map_.Bytes.end(), sent_.begin(), sent_.end());
        if (map_.Client.empty()) map_.Client = forwarded_;
    }

private:
    // A value that is one directive or variable and nothing else gives its field's key path.
    void Value(const JsonFormatKeys::Key& path, std::string_view text) {
        Compiled c;
        std::string ignored;   // a value that does not compile is not a field
        const bool ok = dialect_ == Dialect::Nginx ? CompileNginx(text, c, ignored) : CompileApache(text, c, ignored);
        if (!ok || c.Fields.size() != 1 || !c.Lead.empty() || !c.Fields[0].After.empty()) return;
        const Field& f = c.Fields[0];
        auto time = [&](StampForm form) { map_.Times.push_back({path, form, f.Pattern}); };
        switch (f.What) {
        case Target::Client: map_.Client.push_back(path); break;
        case Target::Forwarded: forwarded_.push_back(path); break;
        case Target::Host: map_.Host.push_back(path); break;
        case Target::Clf: time(StampForm::Clf); break;
        case Target::Iso: time(StampForm::Iso8601); break;
        case Target::Seconds: time(StampForm::UnixSeconds); break;
        case Target::Millis: time(StampForm::UnixMillis); break;
        case Target::Micros: time(StampForm::UnixMicros); break;
        case Target::Pattern: time(StampForm::Pattern); break;
        case Target::Request: map_.Request.push_back(path); break;
        case Target::Method: map_.Method.push_back(path); break;
        case Target::Path: map_.Path.push_back(path); break;
        case Target::Uri: map_.Uri.push_back(path); break;
        case Target::Query: map_.Query.push_back(path); break;
        case Target::Status: map_.Status.push_back(path); break;
        case Target::Bytes: map_.Bytes.push_back(path); break;
        case Target::BytesSent: sent_.push_back(path); break;
        case Target::Referrer: map_.Referrer.push_back(path); break;
        case Target::UserAgent: map_.UserAgent.push_back(path); break;
        default: break;   // %t's brackets, %q's mark and the skipped fields
        }
    }

    Dialect dialect_;
    JsonFormatKeys& map_;
    std::vector<JsonFormatKeys::Key> sent_, forwarded_;
};

} // namespace

bool ReadJsonFormatKeys(std::string_view text, JsonFormatKeys& keys, std::string& error) {
    keys = JsonFormatKeys{};
    error.clear();
    std::string body;
    Dialect dialect;
    if (!Unwrap(text, body, dialect)) {
        error = "The format has a quote that is not closed.";
        return false;
    }
    if (dialect == Dialect::Unknown) dialect = HasNginxVariable(body) ? Dialect::Nginx : Dialect::Apache;
    keys.Nginx = dialect == Dialect::Nginx;
    JsonShapeReader reader(dialect, keys);
    JsonFormatKeys::Key path;
    size_t i = 0;
    const std::string_view object = TrimSpace(body);
    if (!reader.Object(object, i, path) || i != object.size()) {
        error = "The format looks like a JSON object but is not one.";
        return false;
    }
    reader.Finish();
    if (keys.Request.empty() && (keys.Method.empty() || (keys.Uri.empty() && keys.Path.empty()))) {
        error = "The format has no request field (%r, $request or a method and path).";
        return false;
    }
    if (keys.Status.empty()) {
        error = "The format has no status field (%>s or $status).";
        return false;
    }
    return true;
}

std::unique_ptr<LineFormat> MakeVhostCombinedFormat() {
    std::string error;
    return Make("Combined with virtual host first",
                R"(%v:%p %h %l %u %t "%r" %>s %O "%{Referer}i" "%{User-Agent}i")", Dialect::Apache, error);
}

std::unique_ptr<LineFormat> MakeFormatStringFormat(std::string_view text, std::string& error) {
    error.clear();
    std::string body;
    Dialect dialect;
    if (!Unwrap(text, body, dialect)) {
        error = "The format has a quote that is not closed.";
        return nullptr;
    }
    if (dialect == Dialect::Unknown) dialect = HasNginxVariable(body) ? Dialect::Nginx : Dialect::Apache;
    if (TrimSpace(body).starts_with('{')) {
        // The keys are read (and a format without a request or status refused) here; the
        // reader of JSON lines is made from them elsewhere.
        JsonFormatKeys keys;
        if (!ReadJsonFormatKeys(text, keys, error)) return nullptr;
        JsonFieldMap map;
        map.Name = keys.Nginx ? "nginx JSON format string" : "Apache JSON format string";
        map.Client = keys.Client;
        map.Host = keys.Host;
        for (const JsonFormatKeys::Time& t : keys.Times) map.Time.push_back({t.Path, t.Form, t.Pattern});
        map.Request = keys.Request;
        map.Method = keys.Method;
        map.Uri = keys.Uri;
        map.Path = keys.Path;
        map.Query = keys.Query;
        map.Status = keys.Status;
        map.Bytes = keys.Bytes;
        map.Referrer = keys.Referrer;
        map.UserAgent = keys.UserAgent;
        auto format = MakeJsonKeysFormat(std::move(map));
        if (!format) error = "The format has no request or no status field.";
        return format;
    }
    return Make(dialect == Dialect::Nginx ? "nginx format string" : "Apache format string", body, dialect, error);
}

} // namespace trevix
