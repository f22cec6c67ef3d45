#include "engine/Analyser.h"
#include "engine/parse/Classification.h"
#include "engine/parse/LogParser.h"
#include "engine/parse/TimeStamps.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace trevix;

namespace {

struct ParsedLine {
    std::unique_ptr<Analyser> Owner;   // changed texts live in its arena
    ParseResult Result;
    LogEntry Entry;
    std::string Log;
};

ParsedLine Parse(std::string_view line, bool mergeSessions = false, bool differentDomains = false) {
    ParsedLine p;
    p.Owner = std::make_unique<Analyser>();
    Analyser& a = *p.Owner;
    a.Options.MergeSessions = mergeSessions;
    a.CurrentProfile.DifferentDomains = differentDomains;
    a.Reference.SessionIDPrefixes = {"", "sid="};
    FileParseState state;
    p.Result = ParseLogLine(a, line, p.Entry, state);
    p.Log = a.Tables.ErrorLogText;
    return p;
}

const char* Combined = R"x(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326 "http://x.com/start.html" "Mozilla/4.08 [en] (Win98; I ;Nav)")x";

} // namespace

TEST(LogParser, CombinedLineFillsEveryField) {
    ParsedLine p = Parse(Combined);
    ASSERT_EQ(p.Result, ParseResult::Accepted);
    EXPECT_EQ(p.Entry.ClientIP, "1.2.3.4");
    EXPECT_EQ(p.Entry.Date, "10/Oct/2000");
    EXPECT_EQ(p.Entry.Time, "13:55:36");
    EXPECT_EQ(p.Entry.File, "/a.html");
    EXPECT_EQ(p.Entry.Status, 200);
    EXPECT_EQ(p.Entry.Bytes, 2326);
    EXPECT_EQ(p.Entry.Host, "");
    EXPECT_EQ(p.Entry.Referrer, "http://x.com/start.html");
    EXPECT_EQ(p.Entry.UserAgent, "Mozilla/4.08 [en] (Win98; I ;Nav)");
    EXPECT_EQ(p.Log, "");
}

TEST(LogParser, FieldVariants) {
    struct Case {
        const char* name;
        std::string line;
        bool merge, separate;
        const char* file;
        int status;
        long long bytes;
        const char* host;
        const char* referrer;
        const char* agent;
    };
    const Case cases[] = {
        {"common format", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326)", false, false,
         "/a.html", 200, 2326, "", "", ""},
        {"common format with CR", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /a.html HTTP/1.0\" 200 2326\r",
         false, false, "/a.html", 200, 2326, "", "", ""},
        {"dash bytes", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 304 - "-" "UA")", false,
         false, "/a.html", 304, 0, "", "-", "UA"},
        {"combined with CR", std::string(Combined) + "\r", false, false, "/a.html", 200, 2326, "",
         "http://x.com/start.html", "Mozilla/4.08 [en] (Win98; I ;Nav)"},
        {"POST", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "POST /f.php HTTP/1.1" 200 5 "-" "UA")", false, false,
         "/f.php", 200, 5, "", "-", "UA"},
        {"HEAD", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "HEAD / HTTP/1.1" 200 0 "-" "UA")", false, false, "/",
         200, 0, "", "-", "UA"},
        {"dash request takes the identity field", R"(1.2.3.4 ident - [10/Oct/2000:13:55:36 -0700] "-" 400 0 "-" "-")",
         false, false, "ident", 400, 0, "", "-", "-"},
        {"virtual host loses www.", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 1 www.site.com "-" "UA")",
         false, false, "/a.html", 200, 1, "site.com", "-", "UA"},
        {"virtual host prefixes the file", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 1 www.site.com "-" "UA")",
         false, true, "site.com/a.html", 200, 1, "site.com", "-", "UA"},
        {"session id stripped from file and referrer",
         R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /shop.php?sid=12&item=3 HTTP/1.0" 200 1 "http://x/?a=1&sid=9" "UA")",
         true, false, "/shop.php?item=3", 200, 1, "", "http://x/?a=1", "UA"},
        {"session id kept when merging is off",
         R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /shop.php?sid=12 HTTP/1.0" 200 1 "-" "UA")", false, false,
         "/shop.php?sid=12", 200, 1, "", "-", "UA"},
        {"status rounds halves to even", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" 200.5 1 "-" "UA")",
         false, false, "/", 200, 1, "", "-", "UA"},
        {"non-numeric status is 0", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET / HTTP/1.0" abc 1 "-" "UA")",
         false, false, "/", 0, 1, "", "-", "UA"},
        {"bytes beyond 32 bits", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /big.iso HTTP/1.0" 200 5000000000 "-" "UA")",
         false, false, "/big.iso", 200, 5000000000LL, "", "-", "UA"},
        {"request without protocol", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /x " 200 1 "-" "UA")", false,
         false, "/x", 200, 1, "", "-", "UA"},
        {"request without protocol ends at its quote", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html" 200 7 "-" "UA")",
         false, false, "/a.html", 200, 7, "", "-", "UA"},
        {"request without protocol in a common line", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"POST /f.php\" 404 1\r",
         false, false, "/f.php", 404, 1, "", "", ""},
        {"quote inside the URL stays", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a"b.html HTTP/1.0" 200 1 "-" "UA")",
         false, false, "/a\"b.html", 200, 1, "", "-", "UA"},
        {"trimmed client", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET / HTTP/1.0\" 200 1", false, false, "/",
         200, 1, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParsedLine p = Parse(c.line, c.merge, c.separate);
        ASSERT_EQ(p.Result, ParseResult::Accepted) << p.Log;
        EXPECT_EQ(p.Entry.File, c.file);
        EXPECT_EQ(p.Entry.Status, c.status);
        EXPECT_EQ(p.Entry.Bytes, c.bytes);
        EXPECT_EQ(p.Entry.Host, c.host);
        EXPECT_EQ(p.Entry.Referrer, c.referrer);
        EXPECT_EQ(p.Entry.UserAgent, c.agent);
    }
}

// Fields that start or end past the first kilobyte of a long line are found the same way.
TEST(LogParser, FieldsBeyondTheFirstKilobyte) {
    const std::string pad(1100, 'p'), blanks(1100, ' ');
    struct Case {
        const char* name;
        std::string line;
        const char* client;
        std::string file, referrer, agent;
        long long bytes;
    };
    const Case cases[] = {
        {"long identity field", "1.2.3.4 " + pad + " - [10/Oct/2000:13:55:36 -0700] \"GET /a?sid=1&x=2 HTTP/1.0\" 200 7 \"-\" \"UA\"",
         "1.2.3.4", "/a?x=2", "-", "UA", 7},
        {"long URL", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /" + pad + "?sid=1 HTTP/1.0\" 200 7 \"r?sid=2\" \"UA\"",
         "1.2.3.4", "/" + pad, "r", "UA", 7},
        {"blanks after the status: empty bytes, the number read as a host", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /a HTTP/1.0\" 200" + blanks + "9 \"-\" \"UA\"",
         "1.2.3.4", "/a", "-", "UA", 0},
        {"long referrer", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /a HTTP/1.0\" 200 7 \"http://r/" + pad + "&sid=3\" \"UA\"",
         "1.2.3.4", "/a", "http://r/" + pad, "UA", 7},
        {"long agent", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /a HTTP/1.0\" 200 7 \"-\" \"" + pad + "\"",
         "1.2.3.4", "/a", "-", pad, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParsedLine p = Parse(c.line, true);
        EXPECT_EQ(p.Entry.ClientIP, c.client);
        EXPECT_EQ(p.Entry.File, c.file);
        EXPECT_EQ(p.Entry.Referrer, c.referrer);
        EXPECT_EQ(p.Entry.UserAgent, c.agent);
        EXPECT_EQ(p.Entry.Bytes, c.bytes);
        EXPECT_EQ(p.Entry.Status, 200);
    }
}

TEST(LogParser, Rejections) {
    struct Case {
        const char* name;
        std::string line;
        ParseResult result;
        bool logged;
    };
    const Case cases[] = {
        {"PUT", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "PUT /a HTTP/1.0" 200 1 "-" "UA")", ParseResult::Rejected, true},
        {"OPTIONS", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "OPTIONS * HTTP/1.0" 200 1 "-" "UA")", ParseResult::Rejected, true},
        {"lower-case get", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "get /a HTTP/1.0" 200 1 "-" "UA")", ParseResult::Rejected, true},
        {"no brackets", R"(1.2.3.4 - - 10/Oct/2000:13:55:36 -0700 "GET /a HTTP/1.0" 200 1)", ParseResult::Rejected, true},
        {"] before [", R"(1.2.3.4 - - ]10/Oct/2000:13:55:36 -0700[ "GET /a HTTP/1.0" 200 1)", ParseResult::Rejected, true},
        {"no blank at all", "garbage", ParseResult::Rejected, true},
        {"unterminated request", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a)", ParseResult::Rejected, true},
        {"nothing after the status", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a HTTP/1.0" 200)", ParseResult::Rejected, true},
        {"address then blanks", "1.2.3.4    ", ParseResult::Rejected, true},
        {"referrer without quotes", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a HTTP/1.0" 200 1 x y)", ParseResult::Rejected, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParsedLine p = Parse(c.line);
        EXPECT_EQ(p.Result, c.result);
        EXPECT_EQ(p.Log.find("Invalid entry: '") != std::string::npos, c.logged) << p.Log;
    }
}

// One file's lines in turn: a day off the calendar, or out of the years a report shows, is
// rejected whatever day the line before had.
TEST(LogParser, EachLinesDateIsCheckedInTurn) {
    struct Case {
        const char* date;
        ParseResult result;
    };
    const Case cases[] = {
        {"28/Feb/2026", ParseResult::Accepted}, {"28/Feb/2026", ParseResult::Accepted},
        {"29/Feb/2026", ParseResult::Rejected}, {"28/Feb/2026", ParseResult::Accepted},
        {"28/Feb/1969", ParseResult::Rejected}, {"29/Feb/2024", ParseResult::Accepted},
        {"29/Feb/2023", ParseResult::Rejected}, {"29/Feb/2024", ParseResult::Accepted},
        {"00/Mar/2024", ParseResult::Rejected}, {"31/Mar/2024", ParseResult::Accepted},
        {"31/Apr/2024", ParseResult::Rejected}, {"31/Mar/2024", ParseResult::Accepted},
    };
    Analyser a;
    FileParseState state;
    for (const Case& c : cases) {
        const std::string line = std::string("1.2.3.4 - - [") + c.date + R"(:13:55:36 -0700] "GET /a HTTP/1.0" 200 1)";
        LogEntry e;
        EXPECT_EQ(ParseLogLine(a, line, e, state), c.result) << c.date;
    }
}

// What an interrupted write leaves: an address and blanks, nothing else (one CR allowed).
TEST(LogParser, BlankAfterAddress) {
    struct Case {
        const char* line;
        bool blank;
    };
    const Case cases[] = {
        {"1.2.3.4 ", true},   {"1.2.3.4   ", true},  {"1.2.3.4 \r", true},     {" ", true},
        {"1.2.3.4", false},   {"", false},           {"\r", false},           {"1.2.3.4\r", false},
        {"1.2.3.4 x ", false}, {"1.2.3.4  x", false}, {"1.2.3.4 \r\r", false}, {"1.2.3.4 - - [", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsBlankAfterAddress(c.line), c.blank) << c.line;
}

// The line loop parses into the same entry line after line: nothing of the line before stays.
TEST(LogParser, AReusedEntryKeepsNothingOfTheLineBefore) {
    auto all = [](const LogEntry& e) {
        std::ostringstream s;
        for (std::string_view v : {e.ClientIP, e.OriginalIP, e.Date, e.Time, e.File, e.Host, e.Referrer, e.UserAgent})
            s << v.size() << ":" << v << "|" << (v.data() == nullptr) << "|";
        s << e.Bytes << e.Status << e.IsSpider << e.IsExitPage << e.Format << e.KeysPending << e.ClientHash
          << e.FileHash << e.ReferrerHash << e.StampOrder;
        return s.str();
    };
    const std::string lines[] = {
        R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 2326 "http://r/" "Agent/1.0")",
        R"(5.6.7.8 - - [10/Oct/2000:13:55:37 -0700] "GET /b HTTP/1.0" 404 0)",
        "garbage",
    };
    for (const std::string& line : lines) {
        Analyser a;
        FileParseState state;
        LogEntry fresh;
        ParseLogLine(a, line, fresh, state);
        LogEntry reused;
        ParseLogLine(a, lines[0], reused, state);
        reused.OriginalIP = "9.9.9.9";
        reused.IsSpider = reused.IsExitPage = reused.KeysPending = true;
        reused.Format = 3;
        reused.HashKeys();
        ParseLogLine(a, line, reused, state);
        EXPECT_EQ(all(reused), all(fresh)) << line;
    }
}

TEST(LogParser, BrokenStepsAreReportedButTheLineIsKept) {
    struct Case {
        const char* name;
        std::string line;
        const char* error;
        const char* date;
        const char* time;
        const char* agent;
    };
    const Case cases[] = {
        {"no colon in the time stamp", R"(1.2.3.4 - - [10/Oct/2000 -0700] "GET /a HTTP/1.0" 200 1 "-" "UA")",
         "*** Internal Error 101 ", "", "", "UA"},
        {"no blank after the time", R"(1.2.3.4 - - [10/Oct/2000:13:55:36] "GET /a HTTP/1.0" 200 1 "-" "UA")",
         "*** Internal Error 102 ", "10/Oct/2000", "", "UA"},
        {"user agent without closing quote", R"(1.2.3.4 - - [10/Oct/2000:13:55:36 +0000] "GET /a HTTP/1.0" 200 1 "-" "Mozilla)",
         "*** Internal Error 107 ", "10/Oct/2000", "13:55:36", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParsedLine p = Parse(c.line);
        EXPECT_EQ(p.Result, ParseResult::Accepted);
        EXPECT_EQ(p.Log.rfind(c.error, 0), 0u) << p.Log;
        EXPECT_NE(p.Log.find(" encountered while processing:\r\n"), std::string::npos);
        EXPECT_EQ(p.Entry.Date, c.date);
        EXPECT_EQ(p.Entry.Time, c.time);
        EXPECT_EQ(p.Entry.UserAgent, c.agent);
    }
}

TEST(LogParser, HostStepFailureIsLoggedBeforeTheRejection) {
    ParsedLine p = Parse(R"(1.2.3.4 - - [10/Oct/2000:13:55:36 +0000] "GET /a HTTP/1.0" 200 1 nothing-quoted)");
    EXPECT_EQ(p.Result, ParseResult::Rejected);
    auto internal = p.Log.find("*** Internal Error 106 ");
    auto invalid = p.Log.find("Invalid entry: '");
    EXPECT_NE(internal, std::string::npos);
    EXPECT_NE(invalid, std::string::npos);
    EXPECT_LT(internal, invalid);
}

TEST(LogParser, InvalidEntryCutsLongLinesAndOneLineEnd) {
    struct Case {
        std::string raw;
        std::string expected;
    };
    const Case cases[] = {
        {"abc\r\n", "Invalid entry: 'abc'\r\n"},
        {"abc\r", "Invalid entry: 'abc'\r\n"},
        {"abc\n", "Invalid entry: 'abc'\r\n"},
        {"abc\r\r", "Invalid entry: 'abc\r'\r\n"},
        {std::string(255, 'x'), "Invalid entry: '" + std::string(255, 'x') + "'\r\n"},
        {std::string(256, 'x'), "Invalid entry: '" + std::string(255, 'x') + "...'\r\n"},
        // A cut never splits a UTF-8 sequence.
        {std::string(254, 'x') + "\xC3\xA9" + "yy", "Invalid entry: '" + std::string(254, 'x') + "...'\r\n"},
    };
    for (const Case& c : cases) {
        Analyser a;
        InvalidEntry(a, c.raw);
        EXPECT_EQ(a.Tables.ErrorLogText, c.expected);
    }
}

TEST(LogParser, FirstTimeStampIsTheEarliestBeforeTheFirstAcceptedLine) {
    Analyser a;
    FileParseState state;
    LogEntry e;
    ParseLogLine(a, R"(1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] "PUT /a HTTP/1.0" 200 1)", e, state);
    EXPECT_EQ(a.Tables.FirstDateTime, "10/Oct/2000 13:55:36");
    EXPECT_EQ(a.Tables.LogTimeZone, "-0700");
    ParseLogLine(a, R"(1.2.3.4 - - [09/Oct/2000:10:00:00 +0100] "GET /a HTTP/1.0" 200 1)", e, state);
    EXPECT_EQ(a.Tables.FirstDateTime, "09/Oct/2000 10:00:00");
    EXPECT_EQ(a.Tables.LogTimeZone, "-0700") << "the zone of the run's first line stays";
    state.FirstLineAccepted = true;
    ParseLogLine(a, R"(1.2.3.4 - - [01/Oct/2000:10:00:00 +0100] "GET /a HTTP/1.0" 200 1)", e, state);
    EXPECT_EQ(a.Tables.FirstDateTime, "09/Oct/2000 10:00:00");
    EXPECT_EQ(state.LastStamp.Text(), "01/Oct/2000 10:00:00");
}

TEST(TimeStamps, LogDateToIsoAndMonths) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"10/Oct/2000 13:55:36", "2000-10-10 13:55:36"},
        {"01/Mai/2006", "2006-05-01"},
        {"01/May/2006", "2006-05-01"},
        {"01/may/2006 00:00:00", "2006--01 00:00:00"},
        {"31/Dec/1999", "1999-12-31"},
        // A stamp whose time was not read (no zone after it) is the date at midnight.
        {"10/Oct/2000 ", "2000-10-10 00:00:00"},
        {"10/Oct/2000   ", "2000-10-10 00:00:00"},
        {"", "--"},
    };
    for (const Case& c : cases) EXPECT_EQ(LogDateToIso(c.in), c.out) << c.in;
    EXPECT_TRUE(StampValue("01/Mai/2006 10:00:00").has_value());
    EXPECT_FALSE(StampValue("01/may/2006 10:00:00").has_value());
    EXPECT_FALSE(StampValue("31/Feb/2006").has_value());
    EXPECT_EQ(StampValue(StampRef{"10/Oct/2000", ""}), StampValue("10/Oct/2000 00:00:00"));
}

TEST(Classification, SessionIdRemovalLeavesAWellFormedAddress) {
    ReferenceData ref;
    ref.SessionIDPrefixes = {"", "sid=", "PHPSESSID="};
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"/shop.php?sid=12&item=3", "/shop.php?item=3"},
        {"/shop.php?sid=12&item=3&x=4", "/shop.php?item=3&x=4"},
        {"/shop.php?sid=12", "/shop.php"},
        {"/a.php?x=1&sid=12", "/a.php?x=1"},
        {"/a.php?x=1&sid=12&y=2", "/a.php?x=1&y=2"},
        {"/a.php?x=1&amp;sid=12&amp;y=2", "/a.php?x=1&amp;y=2"},
        {"/a.php?sid=12&amp;y=2", "/a.php?y=2"},
        {"/a.php?&sid=12", "/a.php"},
        {"/a.php?&sid=12&y=2", "/a.php?y=2"},
        {"/a.php?PHPSESSID=ab&sid=1", "/a.php?PHPSESSID=ab"},
        {"/a.php?side=1", "/a.php?side=1"},
        {"/plain.html", "/plain.html"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripSessionIDText(ref, c.in), c.out) << c.in;
        Analyser a;
        a.Reference.SessionIDPrefixes = ref.SessionIDPrefixes;
        EXPECT_EQ(StripSessionID(a, c.in), c.out) << c.in;
    }
}

// Agents of one length that agree everywhere but in a few bytes in the middle, met in every
// order and from different buffers (one buffer rewritten in between): each keeps its own answer.
TEST(Classification, SpiderAnswersFollowTheWholeAgent) {
    Analyser a;
    a.Reference.SpiderStrings = {"", "Googlebot"};
    const std::string plain(64, 'a');
    std::string bot = plain, other = plain;
    bot.replace(22, 9, "Googlebot");
    other.replace(22, 9, "Zzzzzzzzz");
    const std::string shortBot = "Googlebot/2.1", shortPlain = "Gooblebot/2.1";
    const std::string sequence[] = {plain, bot, other, bot, plain, plain, other, "", shortBot, shortPlain,
                                    shortBot, bot, "", plain};
    std::string buffer;
    for (int round = 0; round < 2; ++round) {
        for (const std::string& agent : sequence) {
            buffer = agent;   // the same address holding another agent each time
            const std::string copy = agent;
            const bool expected = agent.find("Googlebot") != std::string::npos;
            EXPECT_EQ(IsSpiderAgent(a, buffer), expected) << agent;
            EXPECT_EQ(IsSpiderAgent(a, copy), expected) << agent;
        }
    }
    EXPECT_EQ(a.SpiderMemo.Known.size(), 6u);

    // Thousands of agents, so the answers outgrow their first table and the recent ones are
    // pushed out by others: asked again in the other order, each still has its own answer.
    std::vector<std::string> many;
    for (int i = 0; i < 5000; ++i)
        many.push_back("Mozilla/5.0 (" + std::to_string(i * 7919 % 10007) + (i % 7 == 0 ? " Googlebot" : " Firefox") +
                       ") Gecko/20100101");
    for (int round = 0; round < 2; ++round)
        for (size_t k = 0; k < many.size(); ++k) {
            const std::string& agent = round == 0 ? many[k] : many[many.size() - 1 - k];
            EXPECT_EQ(IsSpiderAgent(a, agent), agent.find("Googlebot") != std::string::npos) << agent;
        }
    EXPECT_EQ(a.SpiderMemo.Known.size(), 6u + many.size());
}

TEST(Classification, DecodedSearchTermsCarryNoControlCharacters) {
    struct Case {
        const char* raw;
        const char* decoded;
    };
    const Case cases[] = {
        {"red+shoes%21", "red shoes!"},
        {"red%0D%0Ashoes", "red  shoes"},
        {"%0D%0Ared%09shoes%0A", "red shoes"},
        {"a%01b", "a\xEF\xBF\xBD" "b"},
        {"a%00b%7F", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
        {"a%C2%85b", "a\xEF\xBF\xBD" "b"},       // U+0085, a control in UTF-8 form
        {"%DCber+uns", "\xC3\x9C" "ber uns"},      // Windows-1252 byte
        {"%C3%A9t%C3%A9", "\xC3\xA9t\xC3\xA9"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeSearchTerms(c.raw), c.decoded) << c.raw;
}

TEST(TimeStamps, LogTimeToLocalShiftsByZoneAndBias) {
    struct Case {
        const char* zone;
        int biasHours, biasMinutes;
        bool convertOption, convertArgument;
        const char* stamp;
        const char* shown;
    };
    const Case cases[] = {
        {"-0700", 0, 0, true, true, "10/Oct/2000 13:55:36", "10/10/2000 20:55:36"},
        {"+0530", 0, 0, true, true, "10/Oct/2000 13:55:36", "10/10/2000 08:25:36"},
        {"-0330", 0, 0, true, true, "10/Oct/2000 12:00:00", "10/10/2000 15:30:00"},
        {"-0700", 0, 0, false, true, "10/Oct/2000 13:55:36", "10/10/2000 13:55:36"},
        {"-0700", 0, 0, true, false, "10/Oct/2000 13:55:36", "10/10/2000 13:55:36"},
        // A computer one hour east of UTC has a bias of -60 minutes.
        {"+0100", -1, 0, true, true, "10/Oct/2000 13:55:36", "10/10/2000 13:55:36"},
        {"+0000", -1, 0, true, true, "10/Oct/2000 23:00:00", "11/10/2000"},
        {"", 0, 0, true, true, "10/Oct/2000 13:55:36", "10/10/2000 13:55:36"},
        {"-0700", 0, 0, true, true, "10/Xyz/2000 13:55:36", ""},
    };
    for (const Case& c : cases) {
        Analyser a;
        a.Tables.LogTimeZone = c.zone;
        a.LocalTimeBias = {c.biasHours, c.biasMinutes};
        a.Options.ConvertTimes = c.convertOption;
        EXPECT_EQ(LogTimeToLocal(a, c.stamp, c.convertArgument), c.shown) << c.zone << " " << c.stamp;
    }
}

TEST(TimeStamps, DatePartHourAndDisplayTime) {
    Analyser a;
    a.Tables.LogTimeZone = "+0000";
    EXPECT_EQ(LogDatePart(a, "10/Oct/2000 13:55:36"), "10/10/2000");
    EXPECT_EQ(LogHour(a, "10/Oct/2000 13:55:36"), 13);
    EXPECT_EQ(LogHour(a, "10/Oct/2000 00:00:00"), 0);
    EXPECT_EQ(LogHour(a, "nonsense"), -1);

    struct Case {
        long long seconds;
        bool shortForm;
        const char* text;
    };
    const Case cases[] = {
        {3725, false, "01:02:05"},       {90061, false, "1 days 01:01:01"}, {59, true, "0d 00:00:59"},
        {86400, false, "1 days 00:00:00"}, {0, false, "00:00:00"},          {172800 + 3600, true, "2d 01:00:00"},
        {-65, false, "-00:01:05"},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayTime(c.seconds, c.shortForm), c.text);
}

TEST(TimeStamps, LocalTimeBiasFollowsTheTimeZone) {
    struct Case {
        const char* tz;
        int hours, minutes;
    };
    const Case cases[] = {{"UTC0", 0, 0}, {"XST-5:30", -5, -30}, {"YST3:30", 3, 30}, {"ZST-1", -1, 0}};
    const char* old = getenv("TZ");
    std::string saved = old ? old : "";
    for (const Case& c : cases) {
        setenv("TZ", c.tz, 1);
        tzset();
        TimeBias b = ReadLocalTimeBias();
        EXPECT_EQ(b.Hours, c.hours) << c.tz;
        EXPECT_EQ(b.Minutes, c.minutes) << c.tz;
    }
    if (old) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
    tzset();
}
