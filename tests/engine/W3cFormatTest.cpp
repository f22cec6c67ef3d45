#include "engine/formats/KnownFormats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace trevix;

namespace {

// What one line gave, copied out before the scratch arena is cleared.
struct Got {
    LineKind Kind = LineKind::NotRead;
    std::string Client, Host, Date, Time, Method, Path, Query, Status, Bytes, Referrer, Agent;
};

// Reads lines in order as the line loop does: a comment may hand over to a new reader.
// Returns what the last line gave.
Got ReadLines(std::unique_ptr<LineFormat> format, const std::vector<std::string>& lines) {
    TextArena scratch;
    Got got;
    for (const std::string& line : lines) {
        scratch.Clear();
        LineFields f;
        got = Got{};
        got.Kind = format->Read(line, f, scratch);
        if (got.Kind == LineKind::Comment) {
            if (auto next = format->After(line)) format = std::move(next);
        } else if (got.Kind == LineKind::Entry) {
            EXPECT_EQ(f.Form, StampForm::W3c) << line;
            EXPECT_TRUE(f.Request.empty()) << line;
            got.Client = f.Client, got.Host = f.Host, got.Date = f.StampDate, got.Time = f.StampTime;
            got.Method = f.Method, got.Path = f.Path, got.Query = f.Query, got.Status = f.Status;
            got.Bytes = f.Bytes, got.Referrer = f.Referrer, got.Agent = f.UserAgent;
        }
    }
    return got;
}

std::string Tabs(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& f : fields) line += (line.empty() ? "" : "\t") + f;
    return line;
}

const std::string IisFields =
    "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip cs(User-Agent) "
    "cs(Referer) sc-status sc-substatus sc-win32-status time-taken";
const std::string IisLine =
    "2010-08-15 00:01:23 10.0.0.5 GET /default.aspx - 80 - 192.168.1.20 "
    "Mozilla/5.0+(Windows+NT+6.1;+WOW64;+rv:40.0)+Gecko/20100101+Firefox/40.1 - 200 0 0 312";

// One CloudFront line of today's 33 columns, with the fields a case changes.
std::vector<std::string> CloudFrontColumns(std::string agent = "Mozilla/5.0%2520(Windows%2520NT%252010.0;%2520Win64;%2520x64)",
                                           std::string referrer = "-", std::string hostHeader = "www.example.com",
                                           std::string stem = "/index.html", std::string query = "-") {
    return {"2019-12-04", "21:02:31", "LAX1-C1", "392", "192.0.2.100", "GET", "d111111abcdef8.cloudfront.net",
            stem, "200", referrer, agent, query, "-", "Hit", "SOX4xwn4XV6Q4rgb7XiVGOHms_BGlTAC4KyHmureZmBNrjGdRLiNIQ==",
            hostHeader, "https", "23", "0.001", "-", "TLSv1.2", "ECDHE-RSA-AES128-GCM-SHA256", "Hit", "HTTP/2.0",
            "-", "-", "11040", "0.001", "Hit", "text/html", "78", "-", "-"};
}
std::string CloudFrontLine(std::vector<std::string> columns = CloudFrontColumns(), size_t count = 33) {
    columns.resize(count);
    return Tabs(columns);
}
const std::string CloudFrontDirective =
    "#Fields: date time x-edge-location sc-bytes c-ip cs-method cs(Host) cs-uri-stem sc-status cs(Referer) "
    "cs(User-Agent) cs-uri-query cs(Cookie) x-edge-result-type x-edge-request-id x-host-header cs-protocol "
    "cs-bytes time-taken x-forwarded-for ssl-protocol ssl-cipher x-edge-response-result-type cs-protocol-version "
    "fle-status fle-encrypted-fields c-port time-to-first-byte x-edge-detailed-result-type sc-content-type "
    "sc-content-len sc-range-start sc-range-end";

} // namespace

TEST(W3cFormat, IisLines) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        LineKind kind;
        // client, host, date, time, method, path, query, status, bytes, referrer, agent
        std::vector<std::string> want;
    };
    const std::string chrome = "Mozilla/5.0 (Windows NT 6.1; WOW64; rv:40.0) Gecko/20100101 Firefox/40.1";
    const std::vector<Case> cases = {
        {"no directive yet reads nothing", {IisLine}, LineKind::NotRead, {}},
        {"plus is a blank, dash is empty",
         {"#Software: Microsoft Internet Information Services 7.5", "#Version: 1.0", "#Date: 2010-08-15 00:00:00",
          IisFields, IisLine},
         LineKind::Entry, {"192.168.1.20", "", "2010-08-15", "00:01:23", "GET", "/default.aspx", "", "200", "",
          "", chrome}},
        {"query and referrer, CR at the end",
         {IisFields,
          "2010-08-15 00:02:07 10.0.0.5 GET /search.aspx q=trevix&page=2 443 jdoe 192.168.1.21 "
          "Googlebot/2.1+(+http://www.google.com/bot.html) http://www.example.com/start.aspx?x=1 404 0 2 15\r"},
         LineKind::Entry, {"192.168.1.21", "", "2010-08-15", "00:02:07", "GET", "/search.aspx", "q=trevix&page=2",
          "404", "", "http://www.example.com/start.aspx?x=1", "Googlebot/2.1 ( http://www.google.com/bot.html)"}},
        {"a comment line", {IisFields, "#Software: Microsoft Internet Information Services 7.5"}, LineKind::Comment, {}},
        {"byte-order mark before the first directive",
         {"\xEF\xBB\xBF#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes",
          "2010-08-15 00:01:23 10.0.0.1 GET /a.html 200 512"},
         LineKind::Entry, {"10.0.0.1", "", "2010-08-15", "00:01:23", "GET", "/a.html", "", "200", "512", "", ""}},
        {"one field short", {IisFields, "2010-08-15 00:01:23 10.0.0.5 GET /default.aspx - 80 - 192.168.1.20 UA - 200 0 0"},
         LineKind::NotRead, {}},
        {"one field too many",
         {IisFields, "2010-08-15 00:01:23 10.0.0.5 GET /default.aspx - 80 - 192.168.1.20 UA - 200 0 0 312 9"},
         LineKind::NotRead, {}},
        {"two blanks make an empty field", {IisFields, "2010-08-15  00:01:23 10.0.0.5 GET /a - 80 - 1.2.3.4 UA - 200 0 0"},
         LineKind::NotRead, {}},
        {"status not digits", {IisFields, "2010-08-15 00:01:23 10.0.0.5 GET /a - 80 - 1.2.3.4 UA - OK 0 0 312"},
         LineKind::NotRead, {}},
        {"no path", {IisFields, "2010-08-15 00:01:23 10.0.0.5 GET - - 80 - 1.2.3.4 UA - 200 0 0 312"},
         LineKind::NotRead, {}},
        {"date not a W3C date", {IisFields, "15/08/2010 00:01:23 10.0.0.5 GET /a - 80 - 1.2.3.4 UA - 200 0 0 312"},
         LineKind::NotRead, {}},
        {"tab-separated fields keep their blanks",
         {"#Fields: date time c-ip cs-method cs-uri-stem cs-uri-query sc-status sc-bytes cs(User-Agent) cs-host",
          Tabs({"2021-03-01", "10:00:00.250", "2001:db8::7", "POST", "/api/save", "id=4", "201", "1536",
                "Mozilla/5.0 (X11; Linux x86_64)", "shop.example.org:8443"})},
         LineKind::Entry, {"2001:db8::7", "shop.example.org", "2021-03-01", "10:00:00.250", "POST", "/api/save", "id=4",
          "201", "1536", "", "Mozilla/5.0 (X11; Linux x86_64)"}},
        {"bytes not digits",
         {"#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes",
          "2010-08-15 00:01:23 10.0.0.1 GET /a.html 200 12k"},
         LineKind::NotRead, {}},
        {"cs-uri gives stem and query",
         {"#Fields: date time c-ip cs-uri sc-status", "2010-08-15 00:01:23 10.0.0.1 /list.php?page=3 200"},
         LineKind::Entry, {"10.0.0.1", "", "2010-08-15", "00:01:23", "", "/list.php", "page=3", "200", "", "", ""}},
        // The same line shape read under two directives: columns follow the latest one.
        {"first directive",
         {"#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes",
          "2010-08-15 00:01:23 10.0.0.1 GET /a.html 200 512"},
         LineKind::Entry, {"10.0.0.1", "", "2010-08-15", "00:01:23", "GET", "/a.html", "", "200", "512", "", ""}},
        {"directive changed mid-file",
         {"#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes",
          "2010-08-15 00:01:23 10.0.0.1 GET /a.html 200 512", "#Software: Microsoft Internet Information Services 10.0",
          "#Fields: date time cs-host cs-method cs-uri-stem sc-bytes sc-status",
          "2010-08-15 00:01:23 10.0.0.1 GET /a.html 200 512"},
         LineKind::Entry, {"", "10.0.0.1", "2010-08-15", "00:01:23", "GET", "/a.html", "", "512", "200", "", ""}},
        // A site that chose "w3c" for CloudFront files gets them read with CloudFront's escapes.
        {"CloudFront directive read as CloudFront", {CloudFrontDirective, CloudFrontLine()}, LineKind::Entry, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Got got = ReadLines(MakeW3cFormat(), c.lines);
        ASSERT_EQ(got.Kind, c.kind);
        if (got.Kind != LineKind::Entry || c.want.empty()) continue;
        const std::vector<std::string> fields = {got.Client, got.Host,  got.Date,  got.Time,     got.Method, got.Path,
                                                 got.Query,  got.Status, got.Bytes, got.Referrer, got.Agent};
        EXPECT_EQ(fields, c.want);
    }
}

TEST(W3cFormat, CloudFrontLines) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        LineKind kind;
        std::vector<std::string> want;   // host, path, query, referrer, agent
    };
    const std::string windows = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)";
    const std::vector<Case> cases = {
        {"no directive, today's columns", {CloudFrontLine()}, LineKind::Entry, {"www.example.com", "/index.html", "",
         "", windows}},
        {"after its directive", {"#Version: 1.0", CloudFrontDirective, CloudFrontLine() + "\r"}, LineKind::Entry,
         {"www.example.com", "/index.html", "", "", windows}},
        {"single escapes of newer lines, plus kept",
         {CloudFrontLine(CloudFrontColumns("Slackbot%201.0%20(+https://api.slack.com/robots)"))}, LineKind::Entry,
         {"www.example.com", "/index.html", "", "", "Slackbot 1.0 (+https://api.slack.com/robots)"}},
        {"quotes",
         {CloudFrontLine(CloudFrontColumns("curl/7.68.0%2520%2522probe%2522"))}, LineKind::Entry, {"www.example.com",
         "/index.html", "", "", "curl/7.68.0 \"probe\""}},
        // The referrer, address and query come back as the browser sent them.
        {"referrer and query keep the escapes they were sent with",
         {CloudFrontLine(CloudFrontColumns("UA", "https://www.google.com/search?q=native%2520american%2526more",
                                           "www.example.com", "/img/a%2520b.png", "e=pv&page=Tarot%2520cards"))},
         LineKind::Entry, {"www.example.com", "/img/a%20b.png", "e=pv&page=Tarot%20cards",
         "https://www.google.com/search?q=native%20american%26more", "UA"}},
        {"no host header: the distribution", {CloudFrontLine(CloudFrontColumns("UA", "-", "-"))}, LineKind::Entry,
         {"d111111abcdef8.cloudfront.net", "/index.html", "", "", "UA"}},
        {"host header with a port", {CloudFrontLine(CloudFrontColumns("UA", "-", "cdn.example.com:443"))},
         LineKind::Entry, {"cdn.example.com", "/index.html", "", "", "UA"}},
        {"control characters stay escaped", {CloudFrontLine(CloudFrontColumns("evil%250Aline%2500"))}, LineKind::Entry,
         {"www.example.com", "/index.html", "", "", "evil%0Aline%00"}},
        {"decoded bytes that are not UTF-8 read as Windows-1252", {CloudFrontLine(CloudFrontColumns("Caf%25E9"))},
         LineKind::Entry, {"www.example.com", "/index.html", "", "", "Caf\xC3\xA9"}},
        {"decoded UTF-8 kept", {CloudFrontLine(CloudFrontColumns("Caf%25C3%25A9%2520Bot"))}, LineKind::Entry,
         {"www.example.com", "/index.html", "", "", "Caf\xC3\xA9 Bot"}},
        {"a lone percent stays", {CloudFrontLine(CloudFrontColumns("100%25%2520sure%"))}, LineKind::Entry,
         {"www.example.com", "/index.html", "", "", "100% sure%"}},
        {"older 24 columns without directive", {CloudFrontLine(CloudFrontColumns(), 24)}, LineKind::Entry,
         {"www.example.com", "/index.html", "", "", windows}},
        {"too few columns for any year", {CloudFrontLine(CloudFrontColumns(), 11)}, LineKind::NotRead, {}},
        {"a column more than today's", {CloudFrontLine() + "\textra"}, LineKind::NotRead, {}},
        {"directive of 33 columns, line of 24", {CloudFrontDirective, CloudFrontLine(CloudFrontColumns(), 24)},
         LineKind::NotRead, {}},
        {"blanks instead of tabs", {[] {
             std::string line = CloudFrontLine(CloudFrontColumns("UA"));
             for (char& c : line)
                 if (c == '\t') c = ' ';
             return line;
         }()},
         LineKind::NotRead, {}},
        {"status not digits", {CloudFrontLine([] {
             auto columns = CloudFrontColumns();
             columns[8] = "-";
             return columns;
         }())},
         LineKind::NotRead, {}},
        {"an IIS directive is not CloudFront", {IisFields, CloudFrontLine()}, LineKind::NotRead, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Got got = ReadLines(MakeCloudFrontFormat(), c.lines);
        ASSERT_EQ(got.Kind, c.kind);
        if (got.Kind != LineKind::Entry) continue;
        EXPECT_EQ(got.Date, "2019-12-04");
        EXPECT_EQ(got.Time, "21:02:31");
        EXPECT_EQ(got.Client, "192.0.2.100");
        EXPECT_EQ(got.Method, "GET");
        EXPECT_EQ(got.Status, "200");
        EXPECT_EQ(got.Bytes, "392");
        EXPECT_EQ((std::vector<std::string>{got.Host, got.Path, got.Query, got.Referrer, got.Agent}), c.want);
    }
}

// Detection tries every reader on lines of every format: each must read its own and refuse
// the rest.
TEST(W3cFormat, RefusesOtherFormats) {
    struct Sample {
        const char* format;
        std::string line;
    };
    const std::vector<Sample> samples = {
        {"common", R"(192.168.4.2 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326)"},
        {"combined",
         R"x(192.168.4.2 - frank [10/Oct/2000:13:55:36 -0700] "GET /a.html?x=1 HTTP/1.1" 200 2326 "http://x.com/" "Mozilla/5.0 (X11)")x"},
        {"iis", IisLine},
        {"cloudfront", CloudFrontLine()},
        {"caddy",
         R"({"level":"info","ts":1646861401.5241024,"logger":"http.log.access","msg":"handled request","request":{"remote_ip":"192.168.4.2","proto":"HTTP/2.0","method":"GET","host":"shop.example.org","uri":"/a?b=1","headers":{"User-Agent":["curl/7.82.0"]}},"size":10900,"status":200})"},
        {"nginx json",
         R"({"time_local":"10/Oct/2000:13:55:36 +0000","remote_addr":"192.168.4.2","request":"GET /a HTTP/1.1","status":"200","body_bytes_sent":"512","http_referer":"","http_user_agent":"curl/8.0"})"},
        {"alb",
         R"(https 2018-07-02T22:23:00.186641Z app/shop-lb/50dc6c495c0c9188 192.168.4.2:2817 10.0.0.1:80 0.086 0.048 0.037 200 200 0 57 "GET https://shop.example.org:443/a HTTP/1.1" "curl/7.46.0" ECDHE-RSA-AES128-GCM-SHA256 TLSv1.2 arn:aws:elasticloadbalancing:us-east-2:123456789012:targetgroup/shop/73e2d6bc24d8a067 "Root=1-58337281-1d84f3d73c47ec4e58577259" "shop.example.org" "-" 1 2018-07-02T22:22:48.364000Z "forward" "-" "-" "10.0.0.1:80" "200" "-" "-")"},
        {"elb",
         R"(2015-05-13T23:39:43.945958Z shop-lb 192.168.4.2:2817 10.0.0.1:80 0.000073 0.001048 0.000057 200 200 0 29 "GET http://shop.example.org:80/ HTTP/1.1" "curl/7.38.0" - -)"},
        {"s3",
         R"(79a59df900b949e5 shopbucket [06/Feb/2019:00:00:38 +0000] 192.168.4.2 arn:aws:iam::123456789012:user/shop 3E57427F3EXAMPLE REST.GET.OBJECT a.png "GET /shopbucket/a.png HTTP/1.1" 200 - 113 113 7 - "-" "S3Console/0.4" - s9lzHYrFp76ZVxRcpX9= SigV4 ECDHE-RSA-AES128-GCM-SHA256 AuthHeader shopbucket.s3.us-west-1.amazonaws.com TLSv1.2 - -)"},
        {"tab-separated values", Tabs({"2019-12-04", "21:02:31", "/a.html", "200"})},
        {"empty", ""},
    };
    struct Reader {
        const char* name;
        std::vector<std::string> header;   // directives read first
        std::unique_ptr<LineFormat> (*make)();
        const char* own;
    };
    const std::vector<Reader> readers = {
        {"iis", {"#Software: Microsoft Internet Information Services 8.5", IisFields}, MakeW3cFormat, "iis"},
        {"cloudfront", {}, MakeCloudFrontFormat, "cloudfront"},
        {"cloudfront after its directive", {"#Version: 1.0", CloudFrontDirective}, MakeCloudFrontFormat, "cloudfront"},
    };
    for (const Reader& r : readers) {
        for (const Sample& s : samples) {
            SCOPED_TRACE(std::string(r.name) + " on " + s.format);
            std::vector<std::string> lines = r.header;
            lines.push_back(s.line);
            const LineKind want = std::string(s.format) == r.own ? LineKind::Entry : LineKind::NotRead;
            EXPECT_EQ(ReadLines(r.make(), lines).Kind, want);
        }
    }
    EXPECT_EQ(MakeW3cFormat()->Name(), "W3C extended (IIS)");
    EXPECT_EQ(MakeCloudFrontFormat()->Name(), "CloudFront");
    EXPECT_EQ(MakeW3cFormat()->After("#Version: 1.0"), nullptr);
    EXPECT_EQ(MakeW3cFormat()->After("#Date: 2010-08-15 00:00:00"), nullptr);
}

// A decoded user agent is reused while lines repeat it: the same text must still decode by
// its own writer's rules, and a changed agent must not give the last one.
TEST(W3cFormat, RepeatedAgentsDecodeByTheirWriter) {
    const std::string agent = "A+b%2520c";
    std::vector<std::string> iis = {IisFields};
    const std::string iisLine = IisLine.substr(0, IisLine.find("Mozilla")) + agent + " - 200 0 0 312";
    EXPECT_EQ(ReadLines(MakeW3cFormat(), {IisFields, iisLine, iisLine}).Agent, "A b%2520c");
    const std::string cloudFront = CloudFrontLine(CloudFrontColumns(agent));
    EXPECT_EQ(ReadLines(MakeCloudFrontFormat(), {cloudFront, cloudFront}).Agent, "A+b c");
    EXPECT_EQ(ReadLines(MakeW3cFormat(), {IisFields, iisLine}).Agent, "A b%2520c");
    const std::string other = CloudFrontLine(CloudFrontColumns("Z%2520y"));
    EXPECT_EQ(ReadLines(MakeCloudFrontFormat(), {cloudFront, other}).Agent, "Z y");
    EXPECT_EQ(ReadLines(MakeCloudFrontFormat(), {other, CloudFrontLine(CloudFrontColumns("plain"))}).Agent, "plain");
}

// Fields are cut from separator marks 64 bytes to a word, and lines too long to mark byte by
// byte: every field, the count of fields and the choice of separator must come out alike
// whichever word a separator falls in and on either side of the longest marked line.
TEST(W3cFormat, FieldsCutAlikeAtAnyLength) {
    const std::string directive = "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes cs(User-Agent) x-extra";
    struct Shape {
        const char* name;
        char separator;
        int extra;   // fields beyond the directive's (negative: fewer)
        LineKind kind;
    };
    const std::vector<Shape> shapes = {
        {"blanks", ' ', 0, LineKind::Entry},
        {"tabs", '\t', 0, LineKind::Entry},
        {"one field too many", ' ', 1, LineKind::NotRead},
        {"one field short", '\t', -1, LineKind::NotRead},
    };
    for (const Shape& shape : shapes) {
        for (size_t n : {1, 14, 15, 16, 17, 30, 31, 32, 33, 62, 63, 64, 65, 127, 128, 4009, 4010, 4011, 4012, 5000}) {
            SCOPED_TRACE(std::string(shape.name) + " " + std::to_string(n));
            std::vector<std::string> fields = {"2010-08-15", "00:01:23", "10.0.0.1", "GET", "/" + std::string(n, 'p'),
                                               "200", "512", shape.separator == '\t' ? "A b" : "A+b", "x"};
            if (shape.extra > 0) fields.push_back("y");
            if (shape.extra < 0) fields.pop_back();
            std::string line;
            for (const std::string& f : fields) line += (line.empty() ? "" : std::string(1, shape.separator)) + f;
            const Got got = ReadLines(MakeW3cFormat(), {directive, line});
            ASSERT_EQ(got.Kind, shape.kind);
            if (got.Kind != LineKind::Entry) continue;
            const std::vector<std::string> want = {"10.0.0.1", "GET", "/" + std::string(n, 'p'), "200", "512", "A b"};
            EXPECT_EQ(std::vector<std::string>({got.Client, got.Method, got.Path, got.Status, got.Bytes, got.Agent}), want);
        }
    }
}

// Whether a field needs decoding is read from marks made with the separators: an escape must
// be decoded wherever it falls (first or last bytes of a field, across a word of marks, in a
// line too long to mark), and one in a neighbouring field must not leak into a field without.
TEST(W3cFormat, EscapesDecodedWhereverTheyFall) {
    struct Place {
        const char* name;
        std::string stem, query, referrer;   // before padding
        std::vector<std::string> want;       // path, query, referrer
    };
    const std::vector<Place> places = {
        {"escape at a field's start", "%41/x", "%42=1", "%43ref", {"A/x", "B=1", "Cref"}},
        {"escape at a field's end", "/x%41", "a=%42", "ref%43", {"/xA", "a=B", "refC"}},
        {"escapes beside fields without", "/plain", "q=%20", "-", {"/plain", "q= ", ""}},
        {"none anywhere", "/plain", "-", "http://a.example/", {"/plain", "", "http://a.example/"}},
    };
    for (const Place& place : places) {
        for (size_t n : {0, 1, 13, 14, 15, 16, 47, 48, 49, 50, 61, 62, 63, 64, 65, 3900, 4100}) {
            SCOPED_TRACE(std::string(place.name) + " " + std::to_string(n));
            // The padding moves every later field; it goes into the field before the stem.
            auto columns = CloudFrontColumns("UA%2520x", place.referrer, "www.example.com", place.stem, place.query);
            columns[6] += std::string(n, 'h');
            const Got got = ReadLines(MakeCloudFrontFormat(), {CloudFrontLine(columns)});
            ASSERT_EQ(got.Kind, LineKind::Entry);
            EXPECT_EQ((std::vector<std::string>{got.Path, got.Query, got.Referrer}), place.want);
            EXPECT_EQ(got.Agent, "UA x");
        }
    }
    // IIS marks its "+" the same way: an agent's blanks wherever its plus signs fall.
    for (size_t n : {0, 1, 30, 31, 32, 33, 62, 63, 64, 4100}) {
        SCOPED_TRACE("iis " + std::to_string(n));
        const std::string line = "2010-08-15 00:01:23 10.0.0.5 GET /" + std::string(n, 'p') +
                                 " - 80 - 192.168.1.20 +a+b+ - 200 0 0 312";
        EXPECT_EQ(ReadLines(MakeW3cFormat(), {IisFields, line}).Agent, " a b ");
    }
}
