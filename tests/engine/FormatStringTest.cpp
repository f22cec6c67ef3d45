#include "engine/formats/FormatString.h"
#include "engine/formats/KnownFormats.h"

#include <gtest/gtest.h>

#include <string>

using namespace trevix;

namespace {

// The fields a line gave, as one comparable text.
std::string Show(const LineFields& f) {
    std::string s;
    auto add = [&](const char* name, std::string_view v) {
        if (v.empty()) return;
        s += name;
        s += '=';
        s += v;
        s += ' ';
    };
    add("client", f.Client);
    add("host", f.Host);
    const char* forms[] = {"", "clf", "iso", "sec", "ms", "us", "w3c", "pattern"};
    add("form", forms[static_cast<int>(f.Form)]);
    add("stamp", f.Stamp);
    add("pattern", f.StampPattern);
    add("request", f.Request);
    add("method", f.Method);
    add("path", f.Path);
    add("query", f.Query);
    add("status", f.Status);
    add("bytes", f.Bytes);
    add("ref", f.Referrer);
    add("ua", f.UserAgent);
    if (!s.empty()) s.pop_back();
    return s;
}

const char* const ApacheCombined =
    R"(LogFormat "%h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"" combined)";
const char* const NginxMain = R"(log_format  main  '$remote_addr - $remote_user [$time_local] "$request" '
                      '$status $body_bytes_sent "$http_referer" '
                      '"$http_user_agent" "$http_x_forwarded_for"';)";

} // namespace

TEST(FormatString, ReadsLinesAsTheFormatSays) {
    struct Case {
        const char* name;
        const char* format;
        const char* line;
        const char* expected;   // Show() of the fields
        const char* reader;     // Name()
    };
    const Case cases[] = {
        {"Apache directive, quotes and nickname", ApacheCombined,
         R"x(192.0.2.7 - frank [10/Oct/2000:13:55:36 -0700] "GET /a.html?x=1 HTTP/1.0" 200 2326 "http://x.com/" "Mozilla/4.08 [en] (Win98; I ;Nav)")x",
         "client=192.0.2.7 form=clf stamp=10/Oct/2000:13:55:36 -0700 request=GET /a.html?x=1 HTTP/1.0 status=200 "
         "bytes=2326 ref=http://x.com/ ua=Mozilla/4.08 [en] (Win98; I ;Nav)",
         "Apache format string"},
        {"Apache without directive or quotes, common line with no bytes and a CR",
         R"(%h %l %u %t "%r" %>s %b)", "192.0.2.7 - - [10/Oct/2000:13:55:36 +0200] \"HEAD / HTTP/1.1\" 304 -\r",
         "client=192.0.2.7 form=clf stamp=10/Oct/2000:13:55:36 +0200 request=HEAD / HTTP/1.1 status=304",
         "Apache format string"},
        {"escaped quotes in the request and agent are decoded", R"(%h %l %u %t \"%r\" %>s %b \"%{User-Agent}i\")",
         R"(192.0.2.7 - - [10/Oct/2000:13:55:36 +0200] "GET /say?q=\"hi\" HTTP/1.1" 200 5 "curl \\ \"x\"")",
         R"(client=192.0.2.7 form=clf stamp=10/Oct/2000:13:55:36 +0200 request=GET /say?q="hi" HTTP/1.1 status=200 bytes=5 ua=curl \ "x")",
         "Apache format string"},
        {"an unescaped quote inside the request does not end it", R"(%h %t "%r" %>s %b)",
         R"(192.0.2.7 [10/Oct/2000:13:55:36 +0200] "GET /a"b HTTP/1.1" 404 0)",
         R"(client=192.0.2.7 form=clf stamp=10/Oct/2000:13:55:36 +0200 request=GET /a"b HTTP/1.1 status=404 bytes=0)",
         "Apache format string"},
        {"nginx directive in pieces with the forwarded address skipped", NginxMain,
         R"(203.0.113.9 - - [10/Oct/2000:13:55:36 +0200] "GET / HTTP/2.0" 200 612 "-" "curl/8.0" "198.51.100.1, 10.0.0.2")",
         "client=203.0.113.9 form=clf stamp=10/Oct/2000:13:55:36 +0200 request=GET / HTTP/2.0 status=200 bytes=612 "
         "ua=curl/8.0",
         "nginx format string"},
        {"nginx without directive: ISO time, method and URI, host with its port",
         R"($http_host $remote_addr $time_iso8601 $request_method $request_uri $status $bytes_sent $request_time)",
         "www.example.com:8080 2001:db8::7 2000-10-10T13:55:36+02:00 POST /form?a=1&b=2 201 99 0.004",
         "client=2001:db8::7 host=www.example.com form=iso stamp=2000-10-10T13:55:36+02:00 method=POST path=/form "
         "query=a=1&b=2 status=201 bytes=99",
         "nginx format string"},
        {"nginx path joined with its query", R"($remote_addr $msec "$request_method $uri$is_args$args" $status)",
         "192.0.2.7 1591234567.123 \"GET /q?x=%20y\" 200",
         "client=192.0.2.7 form=sec stamp=1591234567.123 method=GET path=/q query=x=%20y status=200",
         "nginx format string"},
        {"Apache %U%q and the host header, forwarded address as client",
         R"(%{X-Forwarded-For}i %{Host}i [%{%Y-%m-%d %H:%M:%S}t] %m %U%q %>s %B)",
         "198.51.100.1,10.0.0.2 shop.example.com [2000-10-10 13:55:36] GET /cart?id=3 200 10",
         "client=198.51.100.1 host=shop.example.com form=pattern stamp=2000-10-10 13:55:36 pattern=%Y-%m-%d %H:%M:%S "
         "method=GET path=/cart query=id=3 status=200 bytes=10",
         "Apache format string"},
        {"Unix times, modifiers and unknown directives skipped as one field each",
         R"(%a %{msec}t %D %{X-Trace}i %400,501{Foo}e "%r" %<s %!200b %O %{sec}t)",
         R"(192.0.2.7 971185336123 1234 abc-def - "GET / HTTP/1.1" 200 - 512 971185336)",
         "client=192.0.2.7 form=ms stamp=971185336123 request=GET / HTTP/1.1 status=200", "Apache format string"},
        {"sent bytes when there is no body count; microseconds", R"(%h %{usec}t "%r" %>s %O)",
         R"(192.0.2.7 971185336123456 "GET / HTTP/1.1" 200 512)",
         "client=192.0.2.7 form=us stamp=971185336123456 request=GET / HTTP/1.1 status=200 bytes=512",
         "Apache format string"},
        {"nginx double-quoted piece with escaped quotes", R"(log_format x "$remote_addr \"$request\" $status";)",
         R"(192.0.2.7 "GET /a\x22b HTTP/1.1" 200)", R"(client=192.0.2.7 request=GET /a"b HTTP/1.1 status=200)",
         "nginx format string"},
        {"vhost_combined", nullptr,
         R"(www.example.com:443 203.0.113.9 - - [10/Oct/2000:13:55:36 +0200] "GET / HTTP/1.1" 200 2326 "-" "Mozilla/5.0")",
         "client=203.0.113.9 host=www.example.com form=clf stamp=10/Oct/2000:13:55:36 +0200 request=GET / HTTP/1.1 "
         "status=200 bytes=2326 ua=Mozilla/5.0",
         "Combined with virtual host first"},
        {"vhost_combined with an IPv6 client", nullptr,
         R"(example.org:80 2001:db8::1 - - [10/Oct/2000:13:55:36 +0200] "GET /x HTTP/1.1" 301 0 "http://a/" "b")",
         "client=2001:db8::1 host=example.org form=clf stamp=10/Oct/2000:13:55:36 +0200 request=GET /x HTTP/1.1 "
         "status=301 bytes=0 ref=http://a/ ua=b",
         "Combined with virtual host first"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto format = c.format ? MakeFormatStringFormat(c.format, error) : MakeVhostCombinedFormat();
        ASSERT_TRUE(format) << error;
        EXPECT_EQ(error, "");
        EXPECT_EQ(format->Name(), c.reader);
        LineFields fields;
        TextArena scratch;
        ASSERT_EQ(format->Read(c.line, fields, scratch), LineKind::Entry);
        EXPECT_EQ(Show(fields), c.expected);
    }
}

TEST(FormatString, RefusesFormatsThatCannotBeRead) {
    struct Case {
        const char* format;
        const char* error;
    };
    const Case cases[] = {
        {R"(%h %l %u %t %>s %b)", "The format has no request field (%r, $request or a method and path)."},
        {R"($remote_addr $request_method $status)", "The format has no request field (%r, $request or a method and path)."},
        {R"(log_format main '$remote_addr [$time_local] "$request" $body_bytes_sent';)",
         "The format has no status field (%>s or $status)."},
        {"combinde", "The format has no fields (% directives or $ variables)."},
        {R"(%h%l "%r" %>s)", "The format has two fields with nothing between them, so their values cannot be told apart."},
        {R"(LogFormat "%h \"%r\" %>s)", "The format has a quote that is not closed."},
        {R"(%h %{Referer "%r" %>s)", "The format has a %{ without its closing }."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::string error;
        EXPECT_EQ(MakeFormatStringFormat(c.format, error), nullptr);
        EXPECT_EQ(error, c.error);
    }
}

TEST(FormatString, LinesOfAnotherShapeAreNotRead) {
    struct Case {
        const char* name;
        const char* format;
        const char* line;
    };
    const char* const combinedLine =
        R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200 2326 "http://x.com/" "Mozilla/4.08")";
    const std::string extra = std::string(combinedLine) + " extra";
    const Case cases[] = {
        {"common line for combined: no referrer", ApacheCombined,
         R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200 2326)"},
        {"text after the last field", ApacheCombined, extra.c_str()},
        {"status not digits", ApacheCombined,
         R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" OK 2326 "-" "-")"},
        {"bytes not a number", ApacheCombined,
         R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200 2k "-" "-")"},
        {"request quote not closed", ApacheCombined,
         R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0 200 2326 "-" "-)"},
        {"time without its brackets", R"(%h %t "%r" %>s)", R"(192.0.2.7 10/Oct/2000:13:55:36 -0700 "GET / HTTP/1.0" 200)"},
        {"combined line for nginx main: no forwarded field", NginxMain, combinedLine},
        {"ISO time that is not one", R"($remote_addr $time_iso8601 "$request" $status)",
         R"(192.0.2.7 yesterday "GET / HTTP/1.0" 200)"},
        {"Unix time with letters", R"(%h %{sec}t "%r" %>s)", R"(192.0.2.7 97118x336 "GET / HTTP/1.0" 200)"},
        {"vhost: plain combined line", nullptr, combinedLine},
        {"vhost: combined line of an IPv6 client", nullptr,
         R"(2001:db8::1 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200 2326 "-" "Mozilla/4.08")"},
        {"vhost: host after the bytes", nullptr,
         R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200 2326 www.example.com "-" "Mozilla/4.08")"},
        {"a blank inside a field that a blank and a bracket follow", R"(%h [%t] "%r" %>s)",
         R"(192.0.2.7 x [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200)"},
        {"a blank inside a field that a bracket follows", R"($remote_addr [$time_iso8601] $status "$request")",
         R"(192.0.2.7 [2000-10-10T13:55:36 +02:00] 200 "GET / HTTP/1.0")"},
        {"a field that a bracket follows runs to the end", R"($remote_addr [$time_iso8601] $status "$request")",
         R"(192.0.2.7 [2000-10-10T13:55:36+02:00)"},
        {"vhost: blank inside the host", nullptr,
         R"(www.example .com:443 203.0.113.9 - - [10/Oct/2000:13:55:36 +0200] "GET / HTTP/1.1" 200 2326 "-" "-")"},
        {"vhost: port not digits", nullptr,
         R"(www.example.com:https 203.0.113.9 - - [10/Oct/2000:13:55:36 +0200] "GET / HTTP/1.1" 200 2326 "-" "-")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto format = c.format ? MakeFormatStringFormat(c.format, error) : MakeVhostCombinedFormat();
        ASSERT_TRUE(format) << error;
        LineFields fields;
        TextArena scratch;
        EXPECT_EQ(format->Read(c.line, fields, scratch), LineKind::NotRead) << Show(fields);
    }
}

// A format that is a JSON object gives the key paths of its fields, from which JSON lines are read.
TEST(FormatString, JsonObjectFormatsGiveTheirKeys) {
    auto show = [](const JsonFormatKeys& k) {
        std::string s;
        auto add = [&](const char* name, const std::vector<JsonFormatKeys::Key>& keys) {
            for (const auto& key : keys) {
                s += name;
                s += '=';
                for (const std::string& part : key) s += part + '.';
                s.back() = ' ';
            }
        };
        add("client", k.Client);
        add("host", k.Host);
        for (const auto& t : k.Times) {
            s += "time=";
            for (const std::string& part : t.Path) s += part + '.';
            s.back() = '/';
            s += std::to_string(static_cast<int>(t.Form)) + t.Pattern + ' ';
        }
        add("request", k.Request);
        add("method", k.Method);
        add("uri", k.Uri);
        add("path", k.Path);
        add("query", k.Query);
        add("status", k.Status);
        add("bytes", k.Bytes);
        add("ref", k.Referrer);
        add("ua", k.UserAgent);
        if (!s.empty()) s.pop_back();
        return s;
    };
    struct Case {
        const char* format;
        const char* expected;   // show() of the keys; empty when refused
        const char* error;
    };
    const Case cases[] = {
        {R"(log_format j escape=json '{"ip":"$remote_addr","fwd":"$http_x_forwarded_for","t":"$time_iso8601",'
              '"req":{"m":"$request_method","u":"$request_uri"},"status":$status,"sent":$bytes_sent,'
              '"bytes":$body_bytes_sent,"ua":"$http_user_agent","rt":"$request_time","x":"at $msec"}';)",
         "client=ip time=t/2 method=req.m uri=req.u status=status bytes=bytes bytes=sent ua=ua", ""},
        {R"(LogFormat "{ \"host\": \"%h\", \"time\": \"%{%Y-%m-%dT%H:%M:%S%z}t\", \"request\": \"%r\", \"status\": %>s }" json)",
         "client=host time=time/7%Y-%m-%dT%H:%M:%S%z request=request status=status", ""},
        {R"({"fwd":"$http_x_forwarded_for","r":{"path":"$uri","q":"$args","m":"$request_method"},"s":"$status","ms":$msec})",
         "client=fwd time=ms/3 method=r.m path=r.path query=r.q status=s", ""},
        {R"({"ip":"$remote_addr","request":"$request"})", "", "The format has no status field (%>s or $status)."},
        {R"({"ip":"$remote_addr","uri":"$request_uri","status":$status})", "",
         "The format has no request field (%r, $request or a method and path)."},
        {R"({"ip":"$remote_addr","status":$status,)", "", "The format looks like a JSON object but is not one."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        JsonFormatKeys keys;
        std::string error;
        EXPECT_EQ(ReadJsonFormatKeys(c.format, keys, error), *c.expected != 0);
        EXPECT_EQ(error, c.error);
        if (*c.expected) {
            EXPECT_EQ(show(keys), c.expected);
        }
        // The format reads JSON lines by those keys, or is refused with the same message.
        const auto format = MakeFormatStringFormat(c.format, error);
        EXPECT_EQ(format != nullptr, *c.expected != 0);
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const auto format = MakeFormatStringFormat(cases[1].format, error);
    ASSERT_TRUE(format);
    LineFields fields;
    TextArena scratch;
    ASSERT_EQ(format->Read(R"({ "host": "192.0.2.7", "time": "2000-10-10T13:55:36+0200", "request": "GET / HTTP/1.1", "status": 404 })",
                           fields, scratch),
              LineKind::Entry);
    EXPECT_EQ(fields.Client, "192.0.2.7");
    EXPECT_EQ(fields.Form, StampForm::Pattern);
    EXPECT_EQ(fields.Request, "GET / HTTP/1.1");
    EXPECT_EQ(fields.Status, "404");
}

// Field ends are found through marks kept a word of 64 bytes at a time: quotes, escapes and
// blanks on either side of a word's edge, and lines longer than any buffer, must cut alike.
TEST(FormatString, FieldsCutAlikeAtAnyLength) {
    std::string error;
    auto format = MakeFormatStringFormat(ApacheCombined, error);
    ASSERT_TRUE(format) << error;
    const std::string head = R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET /p HTTP/1.0" 200 5 ")";
    for (size_t n : {0, 1, 2, 13, 14, 15, 16, 17, 46, 47, 48, 62, 63, 64, 65, 127, 128, 1023, 1024, 1025, 5000}) {
        SCOPED_TRACE(n);
        // An escaped quote and an escaped backslash land on every offset as n grows.
        const std::string referrer = "http://r/" + std::string(n, 'b');
        const std::string agent = std::string(n, 'a') + R"(\"q\\ )" + std::string(n % 5, ' ') + "\"z";
        const std::string decoded = std::string(n, 'a') + R"("q\ )" + std::string(n % 5, ' ') + "\"z";
        TextArena scratch;
        LineFields f;
        const std::string line = head + referrer + R"(" ")" + agent + "\"";
        ASSERT_EQ(format->Read(line, f, scratch), LineKind::Entry);
        EXPECT_EQ(f.Referrer, referrer);
        EXPECT_EQ(f.UserAgent, decoded);
        EXPECT_EQ(f.Status, "200");
        // An agent with no backslash is the line's own text, not a copy.
        const std::string plain = head + referrer + R"(" ")" + std::string(n, 'a') + "\"\r";
        ASSERT_EQ(format->Read(plain, f, scratch), LineKind::Entry);
        EXPECT_EQ(f.UserAgent, std::string(n, 'a'));
        EXPECT_TRUE(f.UserAgent.empty() || f.UserAgent.data() > plain.data());
        // A quote that closes nothing the format expects: the line has another shape.
        const std::string open = head + referrer + R"(" ")" + std::string(n, 'a') + "\\\"";
        EXPECT_EQ(format->Read(open, f, scratch), LineKind::NotRead);
        // A blank inside the address, wherever it is, is another shape too.
        const std::string blank = std::string(n, '1') + " 2" + line.substr(9);
        EXPECT_EQ(format->Read(blank, f, scratch), LineKind::NotRead);
    }
}
