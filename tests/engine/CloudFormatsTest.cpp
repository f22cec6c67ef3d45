#include "engine/formats/KnownFormats.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace trevix;

namespace {

struct Expected {
    const char* Client = "";
    const char* Host = "";
    StampForm Form = StampForm::None;
    const char* Stamp = "";
    const char* Request = "";
    const char* Method = "";
    const char* Path = "";
    const char* Query = "";
    const char* Status = "";
    const char* Bytes = "";
    const char* Referrer = "";
    const char* UserAgent = "";
};

void ExpectFields(const LineFields& f, const Expected& e) {
    EXPECT_EQ(f.Client, e.Client);
    EXPECT_EQ(f.Host, e.Host);
    EXPECT_EQ(f.Form, e.Form);
    EXPECT_EQ(f.Stamp, e.Stamp);
    EXPECT_EQ(f.Request, e.Request);
    EXPECT_EQ(f.Method, e.Method);
    EXPECT_EQ(f.Path, e.Path);
    EXPECT_EQ(f.Query, e.Query);
    EXPECT_EQ(f.Status, e.Status);
    EXPECT_EQ(f.Bytes, e.Bytes);
    EXPECT_EQ(f.Referrer, e.Referrer);
    EXPECT_EQ(f.UserAgent, e.UserAgent);
}

const char* const Arn = "arn:aws:elasticloadbalancing:us-east-2:123456789012:targetgroup/my-targets/73e2d6bc24d8a067";

const std::string AlbLine =
    std::string("http 2018-11-30T22:23:00.186641Z app/my-lb/50dc6c495c0c9188 192.0.2.39:2817 10.0.0.1:80 0.000 0.001 "
                "0.000 200 200 34 366 \"GET http://www.example.com:80/ HTTP/1.1\" \"curl/7.46.0\" - - ") +
    Arn +
    " \"Root=1-58337364-23a8c76965a2ef7629b185e3\" \"-\" \"-\" 0 2018-11-30T22:22:48.364000Z \"forward\" \"-\" "
    "\"-\" \"10.0.0.1:80\" \"200\" \"-\" \"-\"";
const char* const ElbLine =
    R"(2015-05-13T23:39:43.945958Z my-loadbalancer 192.0.2.14:2817 10.0.0.1:80 0.000086 0.001048 0.001337 200 200 0 57 "GET https://www.example.com:443/ HTTP/1.1" "curl/7.38.0" DHE-RSA-AES128-SHA TLSv1.2)";
const char* const S3Line =
    R"(79a59df900b949e55d96a1e698fbacedfd6e09d98eacf8f8d5218e7cd47ef2be bucket1 [06/Feb/2019:00:00:38 +0000] 192.0.2.3 79a59df900b949e55d96a1e698fbacedfd6e09d98eacf8f8d5218e7cd47ef2be 3E57427F3EXAMPLE REST.GET.VERSIONING - "GET /bucket1?versioning HTTP/1.1" 200 - 113 - 7 - "-" "S3Console/0.4" - s9lzHYrFp76ZVxRcpX9+5cjAnEH2ROuNkd2BHfIa6UkFVdtjf5mKR3/eTPFvsiP/XV/VLi31234= SigV4 ECDHE-RSA-AES128-GCM-SHA256 AuthHeader bucket1.s3.us-west-1.amazonaws.com TLSV1.2 - - us-east-1)";

} // namespace

TEST(CloudFormats, ReadsBalancerAndStorageLines) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<LineFormat>()> make;
        std::string line;
        Expected expected;
    };
    const Case cases[] = {
        {"ALB: plain http with every later field", MakeAlbFormat, AlbLine,
         {.Client = "192.0.2.39", .Host = "www.example.com", .Form = StampForm::Iso8601,
          .Stamp = "2018-11-30T22:23:00.186641Z", .Method = "GET", .Path = "/", .Status = "200", .Bytes = "366",
          .UserAgent = "curl/7.46.0"}},
        {"ALB: h2, IPv6 client, no target, query, escaped quote in the agent", MakeAlbFormat,
         "h2 2018-11-30T22:23:00.186641Z app/my-lb/50dc6c495c0c9188 2001:db8::5:41234 - -1 -1 -1 301 - 40 120 "
         "\"GET https://shop.example.com:443/cart/view?id=3&x=%20 HTTP/2.0\" \"Mozilla/5.0 (X11; \\\"Linux\\\")\" "
         "ECDHE-RSA-AES128-GCM-SHA256 TLSv1.2 - \"Root=1-58337364-23a8c76965a2ef7629b185e3\" \"shop.example.com\" "
         "\"arn:aws:acm:us-east-2:123456789012:certificate/12345678\" 0 2018-11-30T22:22:48.364000Z "
         "\"redirect\" \"https://shop.example.com:443/cart/\" \"-\" \"-\" \"-\" \"-\" \"-\" TID_1 \"-\" \"-\"\r",
         {.Client = "2001:db8::5", .Host = "shop.example.com", .Form = StampForm::Iso8601,
          .Stamp = "2018-11-30T22:23:00.186641Z", .Method = "GET", .Path = "/cart/view", .Query = "id=3&x=%20",
          .Status = "301", .Bytes = "120", .UserAgent = "Mozilla/5.0 (X11; \"Linux\")"}},
        {"ALB: a request the balancer could not read, the older 18 fields", MakeAlbFormat,
         std::string("https 2018-11-30T22:23:00.186641Z app/my-lb/50dc6c495c0c9188 192.0.2.39:2817 - -1 -1 -1 400 "
                     "- 0 272 \"- http://www.example.com:80- -\" \"-\" - - ") +
             Arn + " \"-\"",
         {.Client = "192.0.2.39", .Form = StampForm::Iso8601, .Stamp = "2018-11-30T22:23:00.186641Z",
          .Status = "400", .Bytes = "272"}},
        {"ELB: with agent and TLS", MakeElbFormat, ElbLine,
         {.Client = "192.0.2.14", .Host = "www.example.com", .Form = StampForm::Iso8601,
          .Stamp = "2015-05-13T23:39:43.945958Z", .Method = "GET", .Path = "/", .Status = "200", .Bytes = "57",
          .UserAgent = "curl/7.38.0"}},
        {"ELB: the older lines end after the request", MakeElbFormat,
         R"(2015-05-13T23:39:43.945958Z my-lb 192.0.2.14:2817 10.0.0.1:80 0.000073 0.001048 0.000057 404 404 0 29 "POST http://www.example.com:80/a/b?c=1 HTTP/1.1")",
         {.Client = "192.0.2.14", .Host = "www.example.com", .Form = StampForm::Iso8601,
          .Stamp = "2015-05-13T23:39:43.945958Z", .Method = "POST", .Path = "/a/b", .Query = "c=1",
          .Status = "404", .Bytes = "29"}},
        {"S3: every field of today's logs, host from the host header", MakeS3Format, S3Line,
         {.Client = "192.0.2.3", .Host = "bucket1.s3.us-west-1.amazonaws.com", .Form = StampForm::Clf,
          .Stamp = "06/Feb/2019:00:00:38 +0000", .Request = "GET /bucket1?versioning HTTP/1.1", .Status = "200",
          .Bytes = "113", .UserAgent = "S3Console/0.4"}},
        {"S3: older line without host, nothing sent, a referrer", MakeS3Format,
         R"x(79a59df9 bucket1 [06/Feb/2019:00:00:38 +0000] 192.0.2.3 - 3E57427F3EXAMPLE WEBSITE.GET.OBJECT photos/a.jpg "GET /photos/a.jpg HTTP/1.1" 304 - - 1024 12 - "https://www.example.com/" "Mozilla/5.0 (X11; Linux)" -)x",
         {.Client = "192.0.2.3", .Form = StampForm::Clf, .Stamp = "06/Feb/2019:00:00:38 +0000",
          .Request = "GET /photos/a.jpg HTTP/1.1", .Status = "304", .Referrer = "https://www.example.com/",
          .UserAgent = "Mozilla/5.0 (X11; Linux)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto format = c.make();
        ASSERT_TRUE(format);
        LineFields fields;
        TextArena scratch;
        ASSERT_EQ(format->Read(c.line, fields, scratch), LineKind::Entry);
        ExpectFields(fields, c.expected);
    }
}

TEST(CloudFormats, LinesOfTheirOwnFormatWithoutItsShapeAreNotRead) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<LineFormat>()> make;
        std::string line;
    };
    const std::string albHead =
        "http 2018-11-30T22:23:00.186641Z app/my-lb/50dc6c495c0c9188 192.0.2.39:2817 10.0.0.1:80 0.000 0.001 0.000 ";
    const Case cases[] = {
        {"ALB: status not digits", MakeAlbFormat,
         albHead + "- - 34 366 \"GET http://a:80/ HTTP/1.1\" \"-\" - - " + Arn + " \"-\""},
        {"ALB: cut off before the trace", MakeAlbFormat,
         albHead + "200 200 34 366 \"GET http://a:80/ HTTP/1.1\" \"-\" - - " + Arn},
        {"ALB: agent quote not closed", MakeAlbFormat,
         albHead + "200 200 34 366 \"GET http://a:80/ HTTP/1.1\" \"curl - - " + Arn + " \"-\""},
        {"ALB: unknown type", MakeAlbFormat, "ftp" + AlbLine.substr(4)},
        {"ALB: client without a port", MakeAlbFormat,
         "http 2018-11-30T22:23:00.186641Z app/my-lb/50dc6c495c0c9188 192.0.2.39 10.0.0.1:80 0.000 0.001 0.000 200 "
         "200 34 366 \"GET http://a:80/ HTTP/1.1\" \"-\" - - " + std::string(Arn) + " \"-\""},
        {"ELB: TCP listener", MakeElbFormat,
         R"(2015-05-13T23:39:43.945958Z my-lb 192.0.2.14:2817 10.0.0.1:80 0.001 0.5 0.001 - - 57 502 "- - - " "-" - -)"},
        {"ELB: one field too many", MakeElbFormat, std::string(ElbLine) + " extra"},
        {"S3: lifecycle action without a status", MakeS3Format,
         R"(79a59df9 bucket1 [06/Feb/2019:00:00:38 +0000] - AmazonS3 89F25EXAMPLE S3.EXPIRE.OBJECT a.jpg "-" - - - 1024 - - "-" "-" -)"},
        {"S3: time not in brackets", MakeS3Format,
         R"(79a59df9 bucket1 06/Feb/2019:00:00:38 192.0.2.3 - 3E57 REST.GET.OBJECT a.jpg "GET /a.jpg HTTP/1.1" 200 - 10 10 1 1 "-" "-" -)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto format = c.make();
        LineFields fields;
        TextArena scratch;
        EXPECT_EQ(format->Read(c.line, fields, scratch), LineKind::NotRead);
    }
}

// Detection tries every reader on every file's first lines: each must read its own lines and
// refuse the others'.
TEST(CloudFormats, EachReaderRefusesTheOtherFormatsLines) {
    const std::string combined =
        R"x(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326 "http://x.com/" "Mozilla/4.08 [en] (Win98; I ;Nav)")x";
    struct Sample {
        const char* kind;
        std::string line;
    };
    const Sample samples[] = {
        {"combined", combined},
        {"combined", R"(2001:db8::1 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.1" 200 5 "-" "curl/8.0")"},
        {"after-bytes", R"(192.0.2.7 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200 2326 www.example.com "-" "Mozilla/4.08")"},
        {"vhost", R"(www.example.com:443 203.0.113.9 - - [10/Oct/2000:13:55:36 +0200] "GET / HTTP/1.1" 200 2326 "-" "Mozilla/5.0")"},
        {"w3c", "2000-10-10 13:55:36 192.0.2.7 GET /a.html - 80 - 203.0.113.9 Mozilla/5.0+(Windows) 200 0 0 12"},
        {"w3c", "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip cs(User-Agent)"},
        {"json",
         R"({"level":"info","ts":1591234567.123,"logger":"http.log.access","msg":"handled request","request":{"remote_ip":"192.0.2.7","method":"GET","host":"example.com","uri":"/"},"status":200,"size":12})"},
        {"cloudfront",
         "2019-12-04\t21:02:31\tLAX1\t392\t192.0.2.100\tGET\td111111abcdef8.cloudfront.net\t/index.html\t200\t-\t"
         "Mozilla/5.0%20(Windows)\t-\t-\tHit\tSOX4xwn4XV6Q4rgb7XiVGOHms_BGlTAC4KyHmureZmBNrjGdRLiNIQ==\t"
         "d111111abcdef8.cloudfront.net\thttps\t23\t0.001\t-\tTLSv1.2\tECDHE-RSA-AES128-GCM-SHA256\tHit\tHTTP/2.0"},
        {"alb", AlbLine},
        {"elb", ElbLine},
        {"s3", S3Line},
    };
    std::string error;
    struct Reader {
        const char* kind;   // the samples it reads; every other one it must refuse
        std::unique_ptr<LineFormat> format;
    };
    Reader readers[] = {
        {"alb", MakeAlbFormat()},
        {"elb", MakeElbFormat()},
        {"s3", MakeS3Format()},
        {"vhost", MakeVhostCombinedFormat()},
        {"combined", MakeFormatStringFormat(R"(%h %l %u %t "%r" %>s %b "%{Referer}i" "%{User-Agent}i")", error)},
        {"combined",
         MakeFormatStringFormat(
             R"('$remote_addr - $remote_user [$time_local] "$request" $status $body_bytes_sent "$http_referer" "$http_user_agent"')",
             error)},
    };
    for (const Reader& r : readers) {
        ASSERT_TRUE(r.format) << r.kind;
        for (const Sample& s : samples) {
            SCOPED_TRACE(std::string(r.format->Name()) + " on " + s.kind + ": " + s.line);
            LineFields fields;
            TextArena scratch;
            const LineKind expected = std::string_view(r.kind) == s.kind ? LineKind::Entry : LineKind::NotRead;
            EXPECT_EQ(r.format->Read(s.line, fields, scratch), expected);
        }
    }
}

// Fields are cut through marks kept 64 bytes at a time: an escaped quote on any offset, and
// lines longer than any buffer, cut alike.
TEST(CloudFormats, FieldsCutAlikeAtAnyLength) {
    const auto alb = MakeAlbFormat();
    const std::string head = AlbLine.substr(0, AlbLine.find("\"curl/7.46.0\""));
    const std::string tail = AlbLine.substr(AlbLine.find("\"curl/7.46.0\"") + 13);
    for (size_t n : {0, 1, 14, 15, 16, 17, 47, 48, 63, 64, 65, 1023, 1024, 1025, 4000}) {
        SCOPED_TRACE(n);
        TextArena scratch;
        LineFields f;
        const std::string line = head + "\"" + std::string(n, 'a') + R"(\" x \"q )" + std::string(n % 3, 'b') + "\"" + tail;
        ASSERT_EQ(alb->Read(line, f, scratch), LineKind::Entry);
        EXPECT_EQ(f.UserAgent, std::string(n, 'a') + R"(" x "q )" + std::string(n % 3, 'b'));
        EXPECT_EQ(f.Path, "/");
        EXPECT_EQ(f.Status, "200");
        // Not closed: the escaped quote is the last one.
        const std::string open = head + "\"" + std::string(n, 'a') + "\\\"";
        EXPECT_EQ(alb->Read(open, f, scratch), LineKind::NotRead);
    }
}
