#include "engine/base/DateTime.h"

#include <gtest/gtest.h>

#include <string>

namespace trevix {
namespace {

TEST(DateTime, FromCivilValidatesEveryPart) {
    struct Case {
        int Year, Month, Day, Hour, Minute, Second;
        bool Valid;
    };
    const Case cases[] = {
        {2000, 2, 29, 0, 0, 0, true},  // divisible by 400: leap
        {1900, 2, 29, 0, 0, 0, false}, // divisible by 100 only: not leap
        {2004, 2, 29, 0, 0, 0, true},  {2001, 2, 29, 0, 0, 0, false}, {2001, 2, 28, 23, 59, 59, true},
        {2000, 4, 31, 0, 0, 0, false}, {2000, 12, 31, 0, 0, 0, true}, {2000, 13, 1, 0, 0, 0, false},
        {2000, 0, 1, 0, 0, 0, false},  {2000, 1, 0, 0, 0, 0, false},  {2000, 1, 32, 0, 0, 0, false},
        {2000, 1, 1, 24, 0, 0, false}, {2000, 1, 1, -1, 0, 0, false}, {2000, 1, 1, 0, 60, 0, false},
        {2000, 1, 1, 0, 0, 60, false}, {1, 1, 1, 0, 0, 0, true},      {9999, 12, 31, 23, 59, 59, true},
        {0, 12, 31, 0, 0, 0, false},   {10000, 1, 1, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Year) + "-" + std::to_string(c.Month) + "-" + std::to_string(c.Day) +
                     " " + std::to_string(c.Hour) + ":" + std::to_string(c.Minute) + ":" +
                     std::to_string(c.Second));
        const auto d = DateTime::FromCivil(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
        ASSERT_EQ(d.has_value(), c.Valid);
        if (!d) continue;
        const CivilTime back = d->Civil();
        EXPECT_EQ(back.Year, c.Year);
        EXPECT_EQ(back.Month, c.Month);
        EXPECT_EQ(back.Day, c.Day);
        EXPECT_EQ(back.Hour, c.Hour);
        EXPECT_EQ(back.Minute, c.Minute);
        EXPECT_EQ(back.Second, c.Second);
    }
}

TEST(DateTime, KnownSecondsDaysAndWeekdays) {
    struct Case {
        int Year, Month, Day, Hour, Minute, Second;
        int64_t Seconds, Days;
        int DayOfWeek;
    };
    const Case cases[] = {
        {1970, 1, 1, 0, 0, 0, 0, 0, 4},
        {1969, 12, 31, 23, 59, 59, -1, -1, 3}, // a second before the epoch is the day before
        {1969, 12, 31, 0, 0, 0, -86400, -1, 3},
        {2000, 10, 10, 13, 55, 36, 971186136, 11240, 2},
        {2000, 3, 1, 0, 0, 0, 951868800, 11017, 3},
        {1900, 1, 1, 0, 0, 0, -2208988800LL, -25567, 1},
        {1, 1, 1, 0, 0, 0, -62135596800LL, -719162, 1},
        {9999, 12, 31, 23, 59, 59, 253402300799LL, 2932896, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Seconds);
        const auto d = DateTime::FromCivil(c.Year, c.Month, c.Day, c.Hour, c.Minute, c.Second);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->Seconds(), c.Seconds);
        EXPECT_EQ(d->Days(), c.Days);
        EXPECT_EQ(d->DayOfWeek(), c.DayOfWeek);
        EXPECT_EQ(d->DatePart().Seconds(), c.Days * 86400);
    }
}

TEST(DateTime, EveryDayOfFourCenturiesRoundTrips) {
    // Walks 1600-01-01 .. 2400-12-31 a day at a time, so every month end and leap rule is crossed.
    auto start = DateTime::FromCivil(1600, 1, 1, 12, 0, 0);
    ASSERT_TRUE(start);
    CivilTime expected{1600, 1, 1, 12, 0, 0};
    DateTime d = *start;
    while (expected.Year <= 2400) {
        const CivilTime c = d.Civil();
        ASSERT_EQ(c.Year, expected.Year);
        ASSERT_EQ(c.Month, expected.Month);
        ASSERT_EQ(c.Day, expected.Day);
        ASSERT_EQ(c.Hour, 12);
        d = d.AddSeconds(86400);
        if (++expected.Day > DateTime::DaysInMonth(expected.Year, expected.Month)) {
            expected.Day = 1;
            if (++expected.Month > 12) {
                expected.Month = 1;
                ++expected.Year;
            }
        }
    }
}

TEST(DateTime, ArithmeticAcrossMonthAndYearEnds) {
    struct Case {
        const char* From;
        int64_t Add;
        const char* To;
    };
    const Case cases[] = {
        {"2000-12-31 23:59:59", 1, "2001-01-01 00:00:00"},
        {"2001-01-01 00:00:00", -1, "2000-12-31 23:59:59"},
        {"2000-02-28 12:00:00", 86400, "2000-02-29 12:00:00"},
        {"1900-02-28 12:00:00", 86400, "1900-03-01 12:00:00"},
        {"2000-01-31 00:00:00", 86400, "2000-02-01 00:00:00"},
        {"1970-01-01 00:00:00", -86400 * 366LL, "1968-12-31 00:00:00"},
        {"1999-12-31 00:00:00", 86400 * 366LL, "2000-12-31 00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.From);
        const auto from = DateTime::ParseIso(c.From);
        ASSERT_TRUE(from);
        EXPECT_EQ(from->AddSeconds(c.Add).ToIso(), c.To);
    }
}

TEST(DateTime, DayDifferencesAndMidnightBeforeAndAfterEpoch) {
    const auto a = DateTime::ParseIso("1969-12-31 18:00:00");
    const auto b = DateTime::ParseIso("1970-01-01 06:00:00");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(b->Days() - a->Days(), 1); // calendar days, not elapsed 24-hour periods
    EXPECT_EQ(a->DatePart().ToIso(), "1969-12-31 00:00:00");
    EXPECT_FALSE(a->IsMidnight());
    EXPECT_TRUE(a->DatePart().IsMidnight());
    EXPECT_TRUE(DateTime::FromCivil(1960, 5, 5)->IsMidnight());
    EXPECT_FALSE(DateTime::FromCivil(1960, 5, 5, 0, 0, 1)->IsMidnight());
    EXPECT_LT(*a, *b);
}

TEST(DateTime, ParseIsoAcceptsOnlyTheExactForm) {
    struct Case {
        const char* Text;
        const char* Expected; // nullptr: rejected
    };
    const Case cases[] = {
        {"2000-10-10", "2000-10-10 00:00:00"},
        {"2000-10-10 13:55:36", "2000-10-10 13:55:36"},
        {"2000-10-10 3:05:06", "2000-10-10 03:05:06"},
        {"2000-02-29 00:00:00", "2000-02-29 00:00:00"},
        {"1900-02-29", nullptr},
        {"2000--10 13:00:00", nullptr}, // an unknown log month leaves the month empty
        {"2000-13-01", nullptr},
        {"2000-10-10 24:00:00", nullptr},
        {"2000-10-10 13:60:00", nullptr},
        {"2000-10-10 13:55:36x", nullptr},
        {"2000-10-10x", nullptr},
        {"2000-10-10 ", nullptr},
        {"2000-10-10 13:55", nullptr},
        {"2000-10-10 135:5:36", nullptr},
        {"2000-10-10 013:45:56", nullptr},
        {"2000-10-10T13:55:36", nullptr},
        {"2000-1-10", nullptr},
        {"200-10-10", nullptr},
        {"+000-10-10", nullptr},
        {"2000-10-1a", nullptr},
        {"2000/10/10", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        const auto d = DateTime::ParseIso(c.Text);
        ASSERT_EQ(d.has_value(), c.Expected != nullptr);
        if (d) {
            EXPECT_EQ(d->ToIso(), c.Expected);
        }
    }
}

} // namespace
} // namespace trevix
