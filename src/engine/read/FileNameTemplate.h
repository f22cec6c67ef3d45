#pragma once
// File-name templates: "%s" the site name, "%d" a date, "%f" the original file name, "%%" a
// single "%". Downloaded logs and the automatic XML report are named this way.
#include <string>
#include <string_view>

namespace trevix {

class Locale;
class DateTime;

// Expands renameTemplate for one file. specifyDate replaces "%d" when it is not empty, else
// todayShortDate does. An unknown "%x" or a trailing "%" vanishes. Characters a file name
// cannot hold (/ \ : * ? " < > |) become "-", one for one. When originalFilename ends in
// ".gz", ".bz2", ".xz" or ".zst" and the result does not, that ending is appended so the
// reader still unpacks it.
std::string RenameFile(std::string_view originalFilename, std::string_view specifyDate,
                       std::string_view renameTemplate, std::string_view siteName,
                       std::string_view todayShortDate);

// The computer's local calendar date (midnight).
DateTime LocalToday();
// Today's date in the locale's short date form: what "%d" shows when no date is given.
std::string TodayShortDate(const Locale& locale);

} // namespace trevix
