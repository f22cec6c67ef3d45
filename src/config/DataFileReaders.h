#pragma once
// The three ways the reference data files are read. Line ends may be LF, CR LF or CR alone;
// a line end is never part of an item, and blank lines never give an item.
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

// Items separated by commas or line ends. Blanks before an item are ignored; an item may be
// enclosed in double quotes (removed; the item may then hold commas, and whatever follows the
// closing quote up to the next separator is dropped). A comma right before a line end
// separates nothing more, so "a,<line end>b" gives a and b; "a,,b" gives an empty middle item.
std::vector<std::string> ReadDelimitedItems(std::string_view text);

// Each non-blank line, without its line end. Views into text.
std::vector<std::string_view> ReadWholeLines(std::string_view text);
// The same lines handed one by one to fn, for files too long to list first.
template <typename Fn> void ForEachLine(std::string_view text, Fn&& fn);

// Pieces of one line split at every ",", unchanged (blanks kept). Views into line.
std::vector<std::string_view> SplitCsvLine(std::string_view line);

// The text of a data file made fit to keep: a leading UTF-8 byte-order mark is dropped and
// bytes that are not valid UTF-8 are read as Windows-1252.
std::string NormaliseDataText(std::string bytes);

template <typename Fn> void ForEachLine(std::string_view text, Fn&& fn) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t end = i;
        while (end < n && text[end] != '\n' && text[end] != '\r')
            ++end;
        std::string_view line = text.substr(i, end - i);
        if (line.find_first_not_of(" \t") != std::string_view::npos) fn(line);
        if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
        i = end + 1;
    }
}

} // namespace trevix
