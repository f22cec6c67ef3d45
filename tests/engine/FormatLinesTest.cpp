#include "engine/Analyser.h"
#include "engine/parse/FormatLines.h"
#include "engine/parse/LogParser.h"

#include <gtest/gtest.h>

#include <string>

using namespace trevix;

namespace {

LineFields Fields(StampForm form, std::string_view stamp, std::string_view date = {}, std::string_view time = {}) {
    LineFields f;
    f.Client = "192.0.2.7";
    f.Form = form;
    f.Stamp = stamp;
    f.StampDate = date;
    f.StampTime = time;
    f.Method = "GET";
    f.Path = "/a.html";
    f.Status = "200";
    f.Bytes = "12";
    return f;
}

} // namespace

// Every stamp becomes the log's own form in the zone of the run's first line: a UTC W3C line
// read after a +0200 combined file is the same instant, not the same wall-clock time.
TEST(FormatLines, StampsAreMovedIntoTheZoneOfTheRunsFirstLine) {
    struct Case {
        const char* name;
        const char* firstLine;   // combined line that starts the run; empty: the entry starts it
        LineFields fields;
        bool w3cLocal;
        int biasHours;           // the computer's bias (UTC = local + bias)
        const char* date;
        const char* time;
        const char* runZone;
    };
    const std::string combined = "1.2.3.4 - - [02/Nov/2026:11:00:00 +0200] \"GET / HTTP/1.1\" 200 5 \"-\" \"x\"";
    // The same stamp in a run of another zone, read next on the same thread: nothing of the
    // last run's zone may be carried over.
    const std::string western = "1.2.3.4 - - [02/Nov/2026:05:00:00 -0500] \"GET / HTTP/1.1\" 200 5 \"-\" \"x\"";
    const Case cases[] = {
        {"W3C (UTC) after +0200", combined.c_str(), Fields(StampForm::W3c, {}, "2026-11-02", "10:00:00"), false, 0,
         "02/Nov/2026", "12:00:00", "+0200"},
        {"W3C (UTC) after -0500", western.c_str(), Fields(StampForm::W3c, {}, "2026-11-02", "10:00:00"), false, 0,
         "02/Nov/2026", "05:00:00", "-0500"},
        {"CLF after -0500", western.c_str(), Fields(StampForm::Clf, "02/Nov/2026:12:00:00 +0200"), false, 0,
         "02/Nov/2026", "05:00:00", "-0500"},
        {"CLF after +0200", combined.c_str(), Fields(StampForm::Clf, "02/Nov/2026:05:00:00 -0500"), false, 0,
         "02/Nov/2026", "12:00:00", "+0200"},
        {"W3C over midnight", combined.c_str(), Fields(StampForm::W3c, {}, "2026-11-02", "23:30:00"), false, 0,
         "03/Nov/2026", "01:30:00", "+0200"},
        {"W3C in local time (UTC-5)", combined.c_str(), Fields(StampForm::W3c, {}, "2026-11-02", "05:00:00"), true, 5,
         "02/Nov/2026", "12:00:00", "+0200"},
        {"ISO with its own offset", combined.c_str(), Fields(StampForm::Iso8601, "2026-11-02T08:00:00.5-02:00"), false,
         0, "02/Nov/2026", "12:00:00", "+0200"},
        {"Unix seconds", combined.c_str(), Fields(StampForm::UnixSeconds, "1793613600.25"), false, 0, "02/Nov/2026",
         "12:00:00", "+0200"},
        {"first of the run sets the zone", "", Fields(StampForm::Iso8601, "2026-11-02T10:00:00Z"), false, 0,
         "02/Nov/2026", "10:00:00", "+0000"},
        {"CLF keeps its zone when first", "", Fields(StampForm::Clf, "02/Nov/2026:10:00:00 -0130"), false, 0,
         "02/Nov/2026", "10:00:00", "-0130"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analyser a;
        a.ClearAllData();
        a.LocalTimeBias = {c.biasHours, 0};
        a.Tables.EntryParsing.W3cLocalTime = c.w3cLocal;
        FileParseState state;
        LogEntry e;
        if (*c.firstLine) {
            ASSERT_EQ(ParseLogLine(a, c.firstLine, e, state), ParseResult::Accepted);
            state.FirstLineAccepted = true;
        }
        ASSERT_EQ(MakeEntry(a, c.fields, "line", e, state), ParseResult::Accepted) << a.Tables.ErrorLogText;
        EXPECT_EQ(e.Date, c.date);
        EXPECT_EQ(e.Time, c.time);
        EXPECT_EQ(a.Tables.LogTimeZone, c.runZone);
    }
}

// What makes no entry in the line parser makes none here either, and what is absent reads as
// the combined format writes it.
TEST(FormatLines, EntriesFollowTheLineParsersRules) {
    struct Case {
        const char* name;
        LineFields fields;
        bool accepted;
        const char* file;
        const char* referrer;
    };
    auto with = [](auto change) {
        LineFields f = Fields(StampForm::UnixSeconds, "1793613600");
        change(f);
        return f;
    };
    const Case cases[] = {
        {"path and query joined", with([](LineFields& f) { f.Query = "x=1"; }), true, "/a.html?x=1", "-"},
        {"whole request line", with([](LineFields& f) { f.Request = "POST /b?c HTTP/1.1"; }), true, "/b?c", "-"},
        {"method the line parser refuses", with([](LineFields& f) { f.Method = "PUT"; }), false, "", ""},
        {"status not a number", with([](LineFields& f) { f.Status = "2x0"; }), false, "", ""},
        {"no client", with([](LineFields& f) { f.Client = {}; }), false, "", ""},
        {"time before 1970", with([](LineFields& f) { f.Form = StampForm::Iso8601, f.Stamp = "1969-12-31T23:00:00Z"; }),
         false, "", ""},
        {"no time", with([](LineFields& f) { f.Form = StampForm::None; }), false, "", ""},
        {"referrer kept", with([](LineFields& f) { f.Referrer = "https://example.org/"; }), true, "/a.html",
         "https://example.org/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analyser a;
        a.ClearAllData();
        FileParseState state;
        LogEntry e;
        const ParseResult result = MakeEntry(a, c.fields, "the line", e, state);
        EXPECT_EQ(result == ParseResult::Accepted, c.accepted);
        if (!c.accepted) {
            EXPECT_NE(a.Tables.ErrorLogText.find("Invalid entry: 'the line'"), std::string::npos);
            continue;
        }
        EXPECT_EQ(e.File, c.file);
        EXPECT_EQ(e.Referrer, c.referrer);
        EXPECT_EQ(e.UserAgent, "-");
    }
}

// Lines of one second reuse the date and time the last one gave: a sequence of W3C stamps,
// repeated, changed, in a changed setting or the computer's zone, must give each line its own.
TEST(FormatLines, RepeatedW3cStampsGiveEachLineItsOwnTime) {
    struct Step {
        const char* date;
        const char* time;
        bool w3cLocal;
        int biasHours;
        const char* wantDate;   // nullptr: rejected
        const char* wantTime;
    };
    const std::string combined = "1.2.3.4 - - [02/Nov/2026:11:00:00 +0200] \"GET / HTTP/1.1\" 200 5 \"-\" \"x\"";
    const Step steps[] = {
        {"2026-11-02", "10:00:00", false, 0, "02/Nov/2026", "12:00:00"},
        {"2026-11-02", "10:00:00", false, 0, "02/Nov/2026", "12:00:00"},
        {"2026-11-02", "10:00:01", false, 0, "02/Nov/2026", "12:00:01"},
        {"2026-11-02", "10:00:01.5", false, 0, "02/Nov/2026", "12:00:01"},
        {"2026-11-03", "10:00:01", false, 0, "03/Nov/2026", "12:00:01"},
        {"2026-11-03", "10:00:01", true, 0, "03/Nov/2026", "12:00:01"},
        {"2026-11-03", "10:00:01", true, 5, "03/Nov/2026", "17:00:01"},
        {"2026-11-03", "10:00:01", false, 5, "03/Nov/2026", "12:00:01"},
        {"2026-11-03", "99:00:01", false, 5, nullptr, nullptr},
        {"2026-11-03", "10:00:01", false, 5, "03/Nov/2026", "12:00:01"},
        {"9999-12-31", "23:00:00", false, 0, nullptr, nullptr},
        {"9999-12-31", "23:00:00", false, 0, nullptr, nullptr},
        // Other seconds of one minute, and what only looks like one: a leap second, a
        // fraction, another day or hour with the same minute, a minute over midnight.
        {"2026-11-03", "21:59:07", false, 0, "03/Nov/2026", "23:59:07"},
        {"2026-11-03", "21:59:59", false, 0, "03/Nov/2026", "23:59:59"},
        {"2026-11-03", "21:59:60", false, 0, "03/Nov/2026", "23:59:59"},
        {"2026-11-03", "21:59:00", false, 0, "03/Nov/2026", "23:59:00"},
        {"2026-11-03", "21:59:3x", false, 0, nullptr, nullptr},
        {"2026-11-03", "21:59:30.9", false, 0, "03/Nov/2026", "23:59:30"},
        {"2026-11-04", "21:59:30", false, 0, "04/Nov/2026", "23:59:30"},
        {"2026-11-04", "20:59:30", false, 0, "04/Nov/2026", "22:59:30"},
        {"2026-11-04", "20:59:31", true, 5, "05/Nov/2026", "03:59:31"},
        {"2026-11-04", "22:00:10", false, 0, "05/Nov/2026", "00:00:10"},
        {"2026-11-04", "22:00:59", false, 0, "05/Nov/2026", "00:00:59"},
        {"2026-11-04", "22:00:00", false, 0, "05/Nov/2026", "00:00:00"},
        {"9999-12-31", "21:59:00", false, 0, "31/Dec/9999", "23:59:00"},
        {"9999-12-31", "21:59:59", false, 0, "31/Dec/9999", "23:59:59"},
        {"9999-12-31", "22:00:00", false, 0, nullptr, nullptr},
    };
    Analyser a;
    a.ClearAllData();
    FileParseState state;
    LogEntry e;
    ASSERT_EQ(ParseLogLine(a, combined, e, state), ParseResult::Accepted);
    state.FirstLineAccepted = true;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(i);
        a.LocalTimeBias = {s.biasHours, 0};
        a.Tables.EntryParsing.W3cLocalTime = s.w3cLocal;
        const std::string date = s.date, time = s.time;   // a line's own copy of its texts
        const ParseResult result = MakeEntry(a, Fields(StampForm::W3c, {}, date, time), "line", e, state);
        ASSERT_EQ(result == ParseResult::Accepted, s.wantDate != nullptr);
        if (!s.wantDate) continue;
        EXPECT_EQ(e.Date, s.wantDate);
        EXPECT_EQ(e.Time, s.wantTime);
    }
    // A new run starts over: what the last run kept names nothing of the new one's texts.
    a.ClearAllData();
    FileParseState fresh;
    ASSERT_EQ(MakeEntry(a, Fields(StampForm::W3c, {}, "2026-11-03", "10:00:01"), "line", e, fresh),
              ParseResult::Accepted);
    EXPECT_EQ(e.Date, "03/Nov/2026");
    EXPECT_EQ(e.Time, "10:00:01");
}
