#include "engine/read/FileNameTemplate.h"

#include "engine/base/DateTime.h"
#include "engine/base/Locale.h"
#include "engine/base/Utf8.h"
#include "engine/read/LogReader.h"

#include <algorithm>
#include <ctime>

namespace trevix {

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

std::string RenameFile(std::string_view originalFilename, std::string_view specifyDate,
                       std::string_view renameTemplate, std::string_view siteName,
                       std::string_view todayShortDate) {
    std::string result;
    size_t pos = 0;
    while (pos < renameTemplate.size()) {
        const size_t percent = renameTemplate.find('%', pos);
        if (percent == std::string_view::npos) {
            result.append(renameTemplate.substr(pos));
            break;
        }
        result.append(renameTemplate.substr(pos, percent - pos));
        if (percent + 1 >= renameTemplate.size()) break; // a "%" at the very end is dropped
        const char code = renameTemplate[percent + 1];
        size_t skip = 1;
        switch (code) {
        case 's': result.append(siteName); break;
        case 'f': result.append(originalFilename); break;
        case 'd': result.append(specifyDate.empty() ? todayShortDate : specifyDate); break;
        case '%': result.push_back('%'); break;
        default:
            // The unknown character goes with its "%"; a whole UTF-8 character, so the
            // name never keeps half of one (a byte that begins none goes alone).
            skip = std::max<size_t>(DecodeUtf8(renameTemplate, percent + 1).Length, 1);
            break;
        }
        pos = percent + 1 + skip;
    }

    for (char& c : result) {
        switch (c) {
        case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
            c = '-';
            break;
        default: break;
        }
    }

    // A compressed log keeps its ending, so the reader still unpacks it.
    for (std::string_view ending : CompressedLogEndings)
        if (EndsWith(originalFilename, ending)) {
            if (!EndsWith(result, ending)) result += ending;
            break;
        }
    return result;
}

DateTime LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateTime::FromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(DateTime{});
}

std::string TodayShortDate(const Locale& locale) { return locale.FormatDate(LocalToday()); }

} // namespace trevix
