#pragma once
// Every number and date the report shows is formatted here, and read back here for sorting
// and comparison. The CLI and tests use Locale::Fixed(); the GUI may build one from the
// user's settings (years are always four digits).
#include "engine/base/DateTime.h"

#include <optional>
#include <string>
#include <string_view>

namespace trevix {

class Locale {
public:
    std::string ThousandsSeparator = ",";
    std::string DecimalSeparator = ".";
    // Patterns use d/dd, M/MM, yyyy for dates and H/HH, h/hh, mm, ss, AP for times; any other
    // character is copied. Fixed(): "dd/MM/yyyy" and "HH:mm:ss".
    std::string ShortDateFormat = "dd/MM/yyyy";
    std::string LongTimeFormat = "HH:mm:ss";

    static const Locale& Fixed();

    // Number patterns: "#,##0", "#,##0.00", "#,##0.000", "0.00", "#,###" and the three-section
    // "+ 0.00;- 0.00;  0.00". Halves round away from zero, as the report always has.
    std::string FormatNumber(double value, std::string_view pattern) const;
    // The shortest decimal text: no thousands separator, no trailing zeros (33.3, 50, 0).
    std::string FormatShortDecimal(double value) const;
    // Reads a number as the report shows it: separators accepted, optional sign
    // (also "+ " / "- " with a blank). Nullopt when the text is not a number.
    std::optional<double> ParseNumber(std::string_view text) const;

    // General date-time form: short date, a blank, long time; the time left out at midnight.
    std::string FormatDateTime(const DateTime& value) const;
    std::string FormatDate(const DateTime& value) const;
    std::string FormatTime(const DateTime& value) const;
    // Reads what FormatDateTime / FormatDate write. Nullopt when it does not read as one.
    std::optional<DateTime> ParseDateTime(std::string_view text) const;

    // Any date-time pattern of the letters above (also MMM/MMMM month names, ddd/dddd day
    // names, text in single quotes copied as it is).
    static std::string FormatDateTimePattern(const DateTime& value, std::string_view pattern);
};

// "1,234,567" whatever the user's settings: figures in messages read at a glance, and the
// messages stay the same on every machine.
std::string GroupDigits(unsigned long long n);

} // namespace trevix
