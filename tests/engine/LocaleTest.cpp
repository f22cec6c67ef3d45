#include "engine/base/Locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

namespace trevix {
namespace {

struct NumberCase {
    double Value;
    const char* Pattern;
    const char* Expected;
};

constexpr const char* kChange = "+ 0.00;- 0.00;  0.00";

TEST(Locale, FormatNumberReportPatterns) {
    const NumberCase cases[] = {
        // Whole numbers: grouping and halves away from zero.
        {0, "#,##0", "0"},
        {999, "#,##0", "999"},
        {1000, "#,##0", "1,000"},
        {999999, "#,##0", "999,999"},
        {1000000, "#,##0", "1,000,000"},
        {1234567.89, "#,##0", "1,234,568"},
        {1e12, "#,##0", "1,000,000,000,000"},
        {2.5, "#,##0", "3"},
        {-2.5, "#,##0", "-3"},
        {0.5, "#,##0", "1"},
        {1.49, "#,##0", "1"},
        {999.5, "#,##0", "1,000"},
        {-1234.4, "#,##0", "-1,234"},
        {-0.4, "#,##0", "0"}, // no "-0"
        // Decimals.
        {0, "#,##0.00", "0.00"},
        {1234.5, "#,##0.00", "1,234.50"},
        {0.005, "#,##0.00", "0.01"},
        {2.675, "#,##0.00", "2.68"}, // binary 2.67499999... still rounds as written
        {1.005, "#,##0.00", "1.01"},
        {-0.125, "#,##0.00", "-0.13"},
        {999.995, "#,##0.00", "1,000.00"},
        {1e12, "#,##0.00", "1,000,000,000,000.00"},
        {1.5, "#,##0.000", "1.500"},
        {2.0 / 3.0, "#,##0.000", "0.667"},
        {1234.5678, "#,##0.000", "1,234.568"},
        {-0.0004, "#,##0.000", "0.000"},
        {33.333333, "0.00", "33.33"},
        {1234.5, "0.00", "1234.50"},
        {0, "0.00", "0.00"},
        {-5, "0.00", "-5.00"},
        // "#,###": zero shows nothing.
        {0, "#,###", ""},
        {0.4, "#,###", ""},
        {0.5, "#,###", "1"},
        {1234, "#,###", "1,234"},
        {-1234, "#,###", "-1,234"},
        // Three sections: positive, negative, exactly zero.
        {25, kChange, "+ 25.00"},
        {-20, kChange, "- 20.00"},
        {-100, kChange, "- 100.00"},
        {0, kChange, "  0.00"},
        {-0.0, kChange, "  0.00"},
        {0.001, kChange, "+ 0.00"},
        {-0.001, kChange, "- 0.00"},
        {1234.567, kChange, "+ 1234.57"},
        {-0.005, kChange, "- 0.01"},
    };
    const Locale& locale = Locale::Fixed();
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.Pattern) + " " + std::to_string(c.Value));
        EXPECT_EQ(locale.FormatNumber(c.Value, c.Pattern), c.Expected);
    }
}

TEST(Locale, FormatNumberGeneralPatterns) {
    const NumberCase cases[] = {
        {5, "0", "5"},         {5, "000", "005"},    {0.5, "#.00", ".50"},     {1.25, "0.0#", "1.25"},
        {1.2, "0.0#", "1.2"},  {1, "0.##", "1"},     {0.256, "0.0%", "25.6%"}, {3, "0 \"files\"", "3 files"},
        {7, "'#'0", "#7"},     {-7, "0;(0)", "(7)"}, {7, "0;(0)", "7"},        {0, "0;(0);\"none\"", "none"},
        {-3, "0;;zero", "-3"}, // empty negative section: the first one with a minus
        {12.5, "", "12.5"},
    };
    const Locale& locale = Locale::Fixed();
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.Pattern) + " " + std::to_string(c.Value));
        EXPECT_EQ(locale.FormatNumber(c.Value, c.Pattern), c.Expected);
    }
}

TEST(Locale, FormatNumberUsesTheLocaleSeparators) {
    Locale german;
    german.ThousandsSeparator = ".";
    german.DecimalSeparator = ",";
    EXPECT_EQ(german.FormatNumber(1234567.891, "#,##0.00"), "1.234.567,89");
    EXPECT_EQ(german.FormatNumber(-25, kChange), "- 25,00");
    EXPECT_EQ(german.FormatShortDecimal(33.3), "33,3");
    EXPECT_EQ(german.ParseNumber("1.234,5"), 1234.5);

    Locale swiss;
    const std::string apostrophe = "\xE2\x80\x99"; // a multi-byte group separator (U+2019)
    swiss.ThousandsSeparator = apostrophe;
    EXPECT_EQ(swiss.FormatNumber(1234567, "#,##0"), "1" + apostrophe + "234" + apostrophe + "567");
    EXPECT_EQ(swiss.ParseNumber("1" + apostrophe + "234"), 1234);
}

TEST(Locale, FormatShortDecimal) {
    const struct {
        double Value;
        const char* Expected;
    } cases[] = {
        {33.3, "33.3"},     {50, "50"},           {0, "0"},           {12.5, "12.5"}, {0.1, "0.1"},
        {0.1 + 0.2, "0.3"}, {333 / 10.0, "33.3"}, {-0.0, "0"},        {-2.5, "-2.5"}, {1234567, "1234567"},
        {0.001, "0.001"},   {1e-12, "0"},         {100.25, "100.25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(Locale::Fixed().FormatShortDecimal(c.Value), c.Expected);
    }
}

// Messages group figures the same on every machine, whatever the user's locale.
TEST(Locale, GroupDigitsInThrees) {
    const std::pair<unsigned long long, const char*> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {123456, "123,456"}, {1234567, "1,234,567"},
        {18446744073709551615ull, "18,446,744,073,709,551,615"}};
    for (const auto& [n, text] : cases)
        EXPECT_EQ(GroupDigits(n), text);
}

TEST(Locale, ParseNumber) {
    const struct {
        const char* Text;
        std::optional<double> Expected;
    } cases[] = {
        {"1,234", 1234},
        {"1,234.56", 1234.56},
        {"-5", -5},
        {"+ 25.00", 25},
        {"- 20.00", -20},
        {"  0.00", 0},
        {"33.33", 33.33},
        {" 7 ", 7},
        {"1,2,3,4", 1234},
        {".5", 0.5},
        {"5.", 5},
        {"1,000,000", 1e6},
        {"", std::nullopt},
        {"New", std::nullopt},
        {"abc", std::nullopt},
        {"1.2.3", std::nullopt},
        {"-", std::nullopt},
        {"+ ", std::nullopt},
        {",", std::nullopt},
        {".", std::nullopt},
        {"12a", std::nullopt},
        {"1 234", std::nullopt},
        {"--5", std::nullopt},
        {"1e5", std::nullopt},
        {"1.5,0", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(Locale::Fixed().ParseNumber(c.Text), c.Expected);
    }
}

TEST(Locale, ParseNumberReadsBackWhatFormatNumberWrites) {
    const char* patterns[] = {"#,##0", "#,##0.00", "#,##0.000", "0.00", kChange};
    const double values[] = {0, 1, -1, 999, 1000, 1234567.125, -98765.4321, 0.004, 1e12};
    const Locale& locale = Locale::Fixed();
    for (const char* pattern : patterns) {
        for (double value : values) {
            const std::string text = locale.FormatNumber(value, pattern);
            SCOPED_TRACE(std::string(pattern) + " -> " + text);
            const auto back = locale.ParseNumber(text);
            ASSERT_TRUE(back);
            const double decimals = std::string_view(pattern).starts_with("#,##0.000")              ? 3
                                    : std::string_view(pattern).find('.') != std::string_view::npos ? 2
                                                                                                    : 0;
            EXPECT_NEAR(*back, value, 0.5 * std::pow(10, -decimals) + 1e-9);
        }
    }
    // Sorting depends on the sign surviving the three-section form.
    EXPECT_LT(*locale.ParseNumber(locale.FormatNumber(-0.001, kChange)), 0.0 + 1e-12);
    EXPECT_LT(*locale.ParseNumber(locale.FormatNumber(-20, kChange)),
              *locale.ParseNumber(locale.FormatNumber(0, kChange)));
}

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return *DateTime::FromCivil(y, mo, d, h, mi, s);
}

TEST(Locale, FormatDateTimeFixed) {
    const Locale& locale = Locale::Fixed();
    const struct {
        DateTime Value;
        const char* DateTimeText;
        const char* DateText;
        const char* TimeText;
    } cases[] = {
        {At(2000, 10, 10), "10/10/2000", "10/10/2000", "00:00:00"},
        {At(2000, 10, 10, 0, 0, 1), "10/10/2000 00:00:01", "10/10/2000", "00:00:01"},
        {At(2000, 10, 10, 13, 55, 36), "10/10/2000 13:55:36", "10/10/2000", "13:55:36"},
        {At(1999, 1, 2, 3, 4, 5), "02/01/1999 03:04:05", "02/01/1999", "03:04:05"},
        {At(5, 6, 7, 23, 59, 59), "07/06/0005 23:59:59", "07/06/0005", "23:59:59"},
        {At(1960, 2, 29, 12), "29/02/1960 12:00:00", "29/02/1960", "12:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.DateTimeText);
        EXPECT_EQ(locale.FormatDateTime(c.Value), c.DateTimeText);
        EXPECT_EQ(locale.FormatDate(c.Value), c.DateText);
        EXPECT_EQ(locale.FormatTime(c.Value), c.TimeText);
    }
}

// The report's own forms are written by a shorter road than the general patterns; both must
// give the same text, at the edges of years, days and the digits a double holds exactly.
TEST(Locale, FixedFormsAgreeWithTheGeneralPatterns) {
    const Locale& locale = Locale::Fixed();
    const int64_t seconds[] = {0, 1, 86399, 86400, -1, -86400, -86401, 951782400, 4102444799, 4102444800,
                               253402300799, 253402300800, 253402387200, -62135596800, -62135596801};
    for (int64_t s : seconds) {
        const DateTime value = DateTime::FromSeconds(s);
        SCOPED_TRACE(s);
        std::string general = Locale::FormatDateTimePattern(value, "dd/MM/yyyy");
        if (!value.IsMidnight()) general += " " + Locale::FormatDateTimePattern(value, "HH:mm:ss");
        EXPECT_EQ(locale.FormatDateTime(value), general);
    }
    // "#,##0;" takes the general road with the same sections.
    const double values[] = {0, -0.0, 7, -7, 1000, -999999, 123456789012345, 999999999999999, 1e15, 1e15 + 2,
                             -1e15, 9007199254740993.0, 1e20, 0.5, -2.5, 1e300, HUGE_VAL, -HUGE_VAL, NAN};
    for (double v : values) {
        SCOPED_TRACE(v);
        EXPECT_EQ(locale.FormatNumber(v, "#,##0"), locale.FormatNumber(v, "#,##0;"));
    }
}

TEST(Locale, DateTimePatternLetters) {
    const DateTime morning = At(2000, 3, 5, 9, 7, 3);    // a Sunday
    const DateTime evening = At(2000, 12, 25, 0, 30, 0); // a Monday, half past midnight
    const DateTime noon = At(2000, 12, 25, 12, 0, 0);
    const struct {
        DateTime Value;
        const char* Pattern;
        const char* Expected;
    } cases[] = {
        {morning, "d/M/yyyy", "5/3/2000"},
        {morning, "dd.MM.yy", "05.03.2000"}, // two-digit years are always shown with four
        {morning, "yyyy-MM-dd", "2000-03-05"},
        {morning, "d MMM yyyy", "5 Mar 2000"},
        {morning, "dddd d MMMM", "Sunday 5 March"},
        {morning, "ddd", "Sun"},
        {morning, "H:m:s", "9:7:3"},
        {morning, "HH:mm:ss", "09:07:03"},
        {morning, "h:mm AP", "9:07 AM"},
        {morning, "hh:mm ap", "09:07 am"},
        {morning, "h:mm", "9:07"},
        {evening, "h:mm:ss AP", "12:30:00 AM"},
        {evening, "ddd d MMM", "Mon 25 Dec"},
        {noon, "h AP", "12 PM"},
        {At(2000, 1, 1, 23), "h AM/PM", "11 PM"},
        {At(2000, 1, 1, 23), "H 'h' mm", "23 h 00"},
        {morning, "'yyyy': yyyy", "yyyy: 2000"},
        {morning, "HH'h'mm", "09h07"},
        {morning, "dd''MM", "05'03"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Pattern);
        EXPECT_EQ(Locale::FormatDateTimePattern(c.Value, c.Pattern), c.Expected);
    }
}

TEST(Locale, ParseDateTimeFixed) {
    const struct {
        const char* Text;
        std::optional<DateTime> Expected;
    } cases[] = {
        {"10/10/2000", At(2000, 10, 10)},
        {"10/10/2000 13:55:36", At(2000, 10, 10, 13, 55, 36)},
        {"10/10/2000 00:00:01", At(2000, 10, 10, 0, 0, 1)},
        {"  10/10/2000 13:55:36  ", At(2000, 10, 10, 13, 55, 36)},
        {"1/2/2000 3:04:05", At(2000, 2, 1, 3, 4, 5)},
        {"29/02/2000", At(2000, 2, 29)},
        {"29/02/1900", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"32/01/2000", std::nullopt},
        {"10/13/2000", std::nullopt},
        {"10/10/2000 24:00:00", std::nullopt},
        {"10/10/2000 13:55", std::nullopt},
        {"10/10/2000 13:55:36 x", std::nullopt},
        {"10/10/2000x", std::nullopt},
        {"10/10", std::nullopt},
        {"10-10-2000", std::nullopt},
        {"New", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(Locale::Fixed().ParseDateTime(c.Text), c.Expected);
    }
}

TEST(Locale, ParseDateTimeReadsBackOtherLocales) {
    const DateTime values[] = {At(2000, 10, 10), At(2000, 10, 10, 0, 0, 1), At(1999, 12, 31, 12, 0, 0),
                               At(2024, 2, 29, 23, 59, 59), At(1950, 7, 4, 0, 30, 0)};
    const struct {
        const char* Date;
        const char* Time;
    } patterns[] = {
        {"dd/MM/yyyy", "HH:mm:ss"}, {"M/d/yyyy", "h:mm:ss AP"},      {"yyyy-MM-dd", "HH:mm:ss"},
        {"d. MMM yyyy", "H:mm:ss"}, {"dd MMMM yyyy", "hh:mm:ss ap"}, {"dddd, d MMM yy", "HH'h'mm'm'ss"},
        {"yyyyMMdd", "HHmmss"},
    };
    for (const auto& p : patterns) {
        Locale locale;
        locale.ShortDateFormat = p.Date;
        locale.LongTimeFormat = p.Time;
        for (const DateTime& value : values) {
            const std::string text = locale.FormatDateTime(value);
            SCOPED_TRACE(text);
            EXPECT_EQ(locale.ParseDateTime(text), value);
            EXPECT_EQ(locale.ParseDateTime(locale.FormatDate(value)), value.DatePart());
        }
    }
}

} // namespace
} // namespace trevix
