#include "engine/formats/JsonLine.h"
#include "engine/formats/KnownFormats.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace trevix;

namespace {

// One value as "type:text", so a table can say what the reader found.
std::string Show(const JsonValue& value) {
    static const char* const Types[] = {"missing", "string", "number", "true", "false", "null", "object", "array"};
    std::string text = Types[static_cast<int>(value.Type)];
    if (!value.Text.empty()) text += ":" + std::string(value.Text);
    return text;
}

bool Within(std::string_view inner, std::string_view outer) {
    return inner.data() >= outer.data() && inner.data() + inner.size() <= outer.data() + outer.size();
}

std::string Nested(int depth) {
    std::string line = "{\"a\":";
    for (int i = 0; i < depth; ++i) line += "[";
    line += "1";
    for (int i = 0; i < depth; ++i) line += "]";
    return line + "}";
}

} // namespace

TEST(JsonLineTest, ReadsWantedValuesAndRefusesMalformedLines) {
    struct Case {
        std::string Line;
        std::vector<std::string> Paths;   // dotted
        bool Read;
        std::vector<std::string> Values;  // per path, when read
    };
    const std::vector<Case> cases = {
        {R"({"a":"x","b":"y"})", {"b", "a", "c"}, true, {"string:y", "string:x", "missing"}},
        {R"({"s":"a\"b\\c\/d\ne\tf"})", {"s"}, true, {"string:a\"b\\c/d\ne\tf"}},
        {R"({"s":"caf\u00e9 \u20AC \u0022q\u0022"})", {"s"}, true, {"string:caf\u00e9 \u20ac \"q\""}},
        {R"({"s":"\ud83d\ude00!"})", {"s"}, true, {"string:\xF0\x9F\x98\x80!"}},
        // A lone surrogate has no UTF-8 form.
        {R"({"s":"a\ud83db","t":"\ude00"})", {"s", "t"}, true, {"string:a\xEF\xBF\xBD" "b", "string:\xEF\xBF\xBD"}},
        {R"({"r":{"h":{"UA":["curl/8","x"],"E":[]},"n":[5,6]},"UA":"top"})", {"r.h.UA", "r.h.E", "r.n", "UA"}, true,
         {"string:curl/8", "missing", "number:5", "string:top"}},
        {R"({"n":-1.5e+3,"z":0,"i":200,"t":true,"f":false,"u":null,"o":{}})", {"n", "z", "i", "t", "f", "u", "o"}, true,
         {"number:-1.5e+3", "number:0", "number:200", "true", "false", "null", "object"}},
        {"\xEF\xBB\xBF  { \"a\" :\t\"x\" , \"b\" : [ 1 , 2 ] , \"c\" : { } }  \r", {"a", "b"}, true, {"string:x", "number:1"}},
        // Keys not asked for are skipped whatever they hold; an escaped key still matches.
        {R"({"skip":{"a":[{"b":"c\"}"}],"d":"e"},"U\u0041":"v"})", {"a", "UA"}, true, {"missing", "string:v"}},
        // The same path asked twice, a path inside another asked path, a later duplicate key.
        {R"({"a":{"b":"x"},"k":1,"k":2})", {"a.b", "a", "a.b", "k"}, true, {"string:x", "object", "string:x", "number:2"}},
        {R"({})", {"a"}, true, {"missing"}},
        {Nested(50), {"a"}, true, {"number:1"}},
        {Nested(200), {"a"}, false, {}},
        {R"({"a":"x})", {"a"}, false, {}},
        {R"({"a":"x\"})", {"a"}, false, {}},
        {R"({"a":"x\q"})", {"a"}, false, {}},
        {R"({"a":"\u12g4"})", {"a"}, false, {}},
        {R"({"a":"\u12")", {"a"}, false, {}},
        {R"({"a":1} x)", {"a"}, false, {}},
        {R"({"a":1}{"b":2})", {"a"}, false, {}},
        {R"({"a":1,})", {"a"}, false, {}},
        {R"({"a" 1})", {"a"}, false, {}},
        {R"({a:1})", {"a"}, false, {}},
        {R"({"a":01})", {"a"}, false, {}},
        {R"({"a":1.})", {"a"}, false, {}},
        {R"({"a":-})", {"a"}, false, {}},
        {R"({"a":tru})", {"a"}, false, {}},
        {R"({"a":[1,2)", {"a"}, false, {}},
        {R"({"a":1)", {"a"}, false, {}},
        {R"(["a"])", {"a"}, false, {}},
        {"", {"a"}, false, {}},
        {"\r", {"a"}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        std::vector<JsonKeyPath> paths;
        for (const std::string& path : c.Paths) paths.push_back(JsonPath(path));
        JsonLine reader(paths);
        std::vector<JsonValue> values(reader.Count());
        TextArena scratch;
        ASSERT_EQ(reader.Read(c.Line, values.data(), scratch), c.Read);
        if (!c.Read) continue;
        for (size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(Show(values[i]), c.Values[i]) << c.Paths[i];
            // Text without an escape is not copied.
            if (!values[i].Text.empty() && values[i].Text.find_first_of("\"\\/\n\t\xEF\xF0\xE2\xC3") == std::string_view::npos)
                EXPECT_TRUE(Within(values[i].Text, c.Line)) << c.Paths[i];
        }
    }
}

namespace {

const std::string CaddyLine =
    R"({"level":"info","ts":1646861401.5241024,"logger":"http.log.access.log0","msg":"handled request",)"
    R"("request":{"remote_ip":"10.0.0.5","remote_port":"41342","client_ip":"203.0.113.7","proto":"HTTP/2.0",)"
    R"("method":"GET","host":"www.example.com:8443","uri":"/blog/post?id=7&x=1","headers":{"Accept":)"
    R"(["text/html,application/xhtml+xml"],"Accept-Encoding":["gzip, deflate, br"],"Referer":)"
    R"(["https://www.google.com/search?q=caddy"],"User-Agent":["Mozilla/5.0 (X11; Linux x86_64; rv:98.0) )"
    R"(Gecko/20100101 Firefox/98.0"]},"tls":{"resumed":false,"version":772,"cipher_suite":4865,"proto":"h2",)"
    R"("server_name":"www.example.com"}},"bytes_read":0,"user_id":"","duration":0.000929675,"size":10900,)"
    R"("status":200,"resp_headers":{"Server":["Caddy"],"Content-Type":["text/html; charset=utf-8"]}})";

const std::string TraefikLine =
    R"({"ClientAddr":"192.0.2.10:52312","ClientHost":"192.0.2.10","ClientPort":"52312","ClientUsername":"-",)"
    R"("DownstreamContentSize":1234,"DownstreamStatus":404,"Duration":1234567,"OriginContentSize":1234,)"
    R"("OriginStatus":404,"RequestAddr":"shop.example.org","RequestHost":"shop.example.org",)"
    R"("RequestMethod":"POST","RequestPath":"/cart/add?sku=9","RequestPort":"-","RequestProtocol":"HTTP/1.1",)"
    R"("RequestScheme":"https","RouterName":"shop@docker","StartLocal":"2020-06-04T14:34:56.123456789+02:00",)"
    R"("StartUTC":"2020-06-04T12:34:56.123456789Z","entryPointName":"websecure","level":"info","msg":"",)"
    R"("request_Referer":"https://shop.example.org/","request_User-Agent":"curl/7.68.0","time":"2020-06-04T14:34:56+02:00"})";

const std::string NginxLine =
    R"({"time_local":"10/Oct/2000:13:55:36 +0200","remote_addr":"198.51.100.4","request":"GET /index.html HTTP/1.1",)"
    R"("status":"200","body_bytes_sent":"2326","http_referer":"","http_user_agent":"Mozilla/5.0 \"quoted\" )"
    R"(caf\u00e9 \u0022x\u0022","host":"example.net"})";

// The fields of a line as one text; empty fields are left out.
std::string Describe(const LineFields& f) {
    static const char* const Forms[] = {"none", "clf", "iso", "unix", "unixms", "unixus", "w3c", "pattern"};
    std::string text;
    auto add = [&](const char* name, std::string_view value) {
        if (value.empty()) return;
        if (!text.empty()) text += " | ";
        text += std::string(name) + "=" + std::string(value);
    };
    add("client", f.Client);
    add("host", f.Host);
    if (f.Form != StampForm::None) add("form", Forms[static_cast<int>(f.Form)]);
    add("stamp", f.Stamp);
    add("pattern", f.StampPattern);
    add("request", f.Request);
    add("method", f.Method);
    add("path", f.Path);
    add("query", f.Query);
    add("status", f.Status);
    add("bytes", f.Bytes);
    add("referrer", f.Referrer);
    add("agent", f.UserAgent);
    return text;
}

using Maker = std::function<std::unique_ptr<LineFormat>()>;

// An nginx log_format that is a JSON object of its own keys, as a format string gives it.
std::unique_ptr<LineFormat> ShortKeys() {
    JsonFieldMap map;
    map.Name = "nginx log_format";
    map.Client = {{"ip"}};
    map.Time = {{{"t"}, StampForm::Iso8601, {}}};
    map.Method = {{"m"}};
    map.Path = {{"u"}};
    map.Query = {{"q"}};
    map.Status = {{"st"}};
    map.Bytes = {{"b"}};
    map.UserAgent = {{"ua"}};
    map.Host = {{"ip"}};   // a key two fields read
    return MakeJsonKeysFormat(std::move(map));
}

} // namespace

TEST(JsonFormatsTest, ReadsTheFieldsOfEachServersLines) {
    struct Case {
        const char* Name;
        Maker Make;
        std::string Line;
        std::string Fields;   // empty: NotRead
    };
    const std::vector<Case> cases = {
        {"caddy", MakeCaddyFormat, CaddyLine,
         "client=203.0.113.7 | host=www.example.com | form=unix | stamp=1646861401.5241024 | method=GET | "
         "path=/blog/post | query=id=7&x=1 | status=200 | bytes=10900 | referrer=https://www.google.com/search?q=caddy | "
         "agent=Mozilla/5.0 (X11; Linux x86_64; rv:98.0) Gecko/20100101 Firefox/98.0"},
        {"caddy without client_ip, escaped agent, no headers", MakeCaddyFormat,
         R"({"ts":1591234567,"request":{"client_ip":"","remote_ip":"2001:db8::1","method":"HEAD","host":"[2001:db8::2]:443","uri":"/",)"
         R"("headers":{"User-Agent":["Bot \"x\" \ud83d\ude00"]}},"size":0,"status":304})",
         "client=2001:db8::1 | host=2001:db8::2 | form=unix | stamp=1591234567 | method=HEAD | path=/ | status=304 | "
         "bytes=0 | agent=Bot \"x\" \xF0\x9F\x98\x80"},
        {"caddy of old: remote_addr with a port", MakeCaddyFormat,
         R"({"ts":1591234567.5,"request":{"remote_addr":"198.51.100.9:5123","method":"GET","uri":"/a?"},"status":200})",
         "client=198.51.100.9 | form=unix | stamp=1591234567.5 | method=GET | path=/a | status=200"},
        {"caddy with time_format iso8601", MakeCaddyFormat,
         R"({"ts":"2022-03-09T21:30:01.524Z","request":{"method":"GET","uri":"/"},"status":200})",
         "form=iso | stamp=2022-03-09T21:30:01.524Z | method=GET | path=/ | status=200"},
        {"caddy with unix_milli_float", MakeCaddyFormat,
         R"({"ts":1646861401524.1024,"request":{"method":"GET","uri":"/"},"status":200})",
         "form=unixms | stamp=1646861401524 | method=GET | path=/ | status=200"},
        {"caddy with unix_nano", MakeCaddyFormat,
         R"({"ts":1646861401524102400,"request":{"method":"GET","uri":"/"},"status":200})",
         "form=unixus | stamp=1646861401524102 | method=GET | path=/ | status=200"},
        {"caddy without status", MakeCaddyFormat, R"({"ts":1,"request":{"method":"GET","uri":"/"}})", ""},
        {"caddy with a status of letters", MakeCaddyFormat,
         R"({"ts":1,"request":{"method":"GET","uri":"/"},"status":"OK"})", ""},
        {"caddy with a request that is not an object", MakeCaddyFormat,
         R"({"ts":1,"request":"GET / HTTP/1.1","status":200})", ""},
        {"caddy with a broken size", MakeCaddyFormat,
         R"({"ts":1,"request":{"method":"GET","uri":"/"},"size":-3,"status":200})", ""},
        {"caddy cut short", MakeCaddyFormat, CaddyLine.substr(0, 300), ""},
        {"traefik", MakeTraefikFormat, TraefikLine,
         "client=192.0.2.10 | host=shop.example.org | form=iso | stamp=2020-06-04T12:34:56.123456789Z | method=POST | "
         "path=/cart/add | query=sku=9 | status=404 | bytes=1234 | referrer=https://shop.example.org/ | agent=curl/7.68.0"},
        {"traefik without headers and StartUTC", MakeTraefikFormat,
         R"({"ClientAddr":"192.0.2.11:1000","DownstreamStatus":200,"RequestAddr":"a.example:8080","RequestMethod":"GET",)"
         R"("RequestPath":"/","StartLocal":"2020-06-04T14:34:56+02:00"})",
         "client=192.0.2.11 | host=a.example | form=iso | stamp=2020-06-04T14:34:56+02:00 | method=GET | path=/ | status=200"},
        {"nginx", MakeNginxJsonFormat, NginxLine,
         "client=198.51.100.4 | host=example.net | form=clf | stamp=10/Oct/2000:13:55:36 +0200 | "
         "request=GET /index.html HTTP/1.1 | status=200 | bytes=2326 | agent=Mozilla/5.0 \"quoted\" caf\u00e9 \"x\""},
        {"nginx with method and uri, numbers unquoted", MakeNginxJsonFormat,
         R"({"time_iso8601":"2000-10-10T13:55:36+02:00","remote_addr":"::1","request_method":"GET",)"
         R"("request_uri":"/s?q=a%20b","status":404,"bytes_sent":512,"http_referer":"-","http_host":"x.example:80"})",
         "client=::1 | host=x.example | form=iso | stamp=2000-10-10T13:55:36+02:00 | method=GET | path=/s | "
         "query=q=a%20b | status=404 | bytes=512"},
        {"nginx with bracketed time_local and uri plus args", MakeNginxJsonFormat,
         R"({"time_local":"[10/Oct/2000:13:55:36 +0200]","request_method":"GET","uri":"/p","args":"a=1","status":"200"})",
         "form=clf | stamp=10/Oct/2000:13:55:36 +0200 | method=GET | path=/p | query=a=1 | status=200"},
        {"nginx with an empty request", MakeNginxJsonFormat, R"({"request":"","status":"400"})", ""},
        {"nginx with a dash for the status", MakeNginxJsonFormat, R"({"request":"GET / HTTP/1.1","status":"-"})", ""},
        {"keys of a log_format", ShortKeys,
         R"({"ip":"203.0.113.1","t":"2024-01-02T03:04:05+00:00","m":"GET","u":"/x","q":"","st":200,"b":"15","ua":"\u00e9"})"
         "\r",
         "client=203.0.113.1 | host=203.0.113.1 | form=iso | stamp=2024-01-02T03:04:05+00:00 | method=GET | path=/x | "
         "status=200 | bytes=15 | agent=\u00e9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::unique_ptr<LineFormat> format = c.Make();
        ASSERT_TRUE(format);
        LineFields fields;
        TextArena scratch;
        const LineKind kind = format->Read(c.Line, fields, scratch);
        if (c.Fields.empty()) {
            EXPECT_EQ(kind, LineKind::NotRead);
            continue;
        }
        ASSERT_EQ(kind, LineKind::Entry);
        EXPECT_EQ(Describe(fields), c.Fields);
    }
    EXPECT_EQ(MakeCaddyFormat()->Name(), "Caddy JSON");
    EXPECT_EQ(MakeTraefikFormat()->Name(), "Traefik JSON");
    EXPECT_EQ(MakeNginxJsonFormat()->Name(), "nginx JSON");
    EXPECT_EQ(ShortKeys()->Name(), "nginx log_format");
}

TEST(JsonFormatsTest, MapWithoutStatusOrRequestMakesNoReader) {
    JsonFieldMap noStatus;
    noStatus.Request = {{"r"}};
    EXPECT_FALSE(MakeJsonKeysFormat(noStatus));
    JsonFieldMap methodOnly;
    methodOnly.Status = {{"s"}};
    methodOnly.Method = {{"m"}};
    EXPECT_FALSE(MakeJsonKeysFormat(methodOnly));
    methodOnly.Uri = {{"u"}};
    EXPECT_TRUE(MakeJsonKeysFormat(methodOnly));
}

// Detection tries every reader on every file: each must refuse the others' lines.
TEST(JsonFormatsTest, ReadersRefuseLinesOfOtherFormats) {
    struct Line {
        const char* Name;
        std::string Text;
    };
    const std::vector<Line> lines = {
        {"common", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326)"},
        {"combined", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326 "http://x.com/" "Mozilla/4.08")"},
        {"w3c", "2020-06-04 12:34:56 10.0.0.1 GET /default.htm - 80 - 192.0.2.1 Mozilla/5.0+(Windows) - 200 0 0 15"},
        {"w3c directive", "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port sc-status"},
        {"alb", R"(https 2018-07-02T22:23:00.186641Z app/my-lb/50dc6c495c0c9188 192.168.131.39:2817 10.0.0.1:80 )"
                R"(0.086 0.048 0.037 200 200 0 57 "GET https://www.example.com:443/ HTTP/1.1" "curl/7.46.0" )"
                R"(ECDHE-RSA-AES128-GCM-SHA256 TLSv1.2 arn:aws:elasticloadbalancing:us-east-2:1:targetgroup/t/7 )"
                R"("Root=1-58337281" "www.example.com" "arn:aws:acm:us-east-2:1:certificate/1" 0 )"
                R"(2018-07-02T22:22:48.364000Z "authenticate,forward" "-" "-" "10.0.0.1:80" "200" "-" "-")"},
        {"cloudfront", "2019-12-04\t21:02:31\tLAX1\t392\t192.0.2.100\tGET\td111111abcdef8.cloudfront.net\t/index.html\t200\t-\t"
                       "Mozilla/5.0%2520(Windows)\t-\t-\tHit"},
        {"caddy", CaddyLine},
        {"traefik", TraefikLine},
        {"nginx", NginxLine},
        {"other json", R"({"level":"info","msg":"server started","port":8080})"},
        {"empty", ""},
    };
    struct Reader {
        const char* Name;
        Maker Make;
        const char* Reads;   // the one line it reads
    };
    const std::vector<Reader> readers = {
        {"caddy", MakeCaddyFormat, "caddy"},
        {"traefik", MakeTraefikFormat, "traefik"},
        {"nginx", MakeNginxJsonFormat, "nginx"},
    };
    for (const Reader& r : readers) {
        const std::unique_ptr<LineFormat> format = r.Make();
        for (const Line& line : lines) {
            LineFields fields;
            TextArena scratch;
            const LineKind expected = std::string_view(line.Name) == r.Reads ? LineKind::Entry : LineKind::NotRead;
            EXPECT_EQ(format->Read(line.Text, fields, scratch), expected) << r.Name << " reading " << line.Name;
        }
    }
}
