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

// Pieces of one line split at every ",", unchanged (blanks kept). Views into line.
std::vector<std::string_view> SplitCsvLine(std::string_view line);

// The text of a data file made fit to keep: a leading UTF-8 byte-order mark is dropped and
// bytes that are not valid UTF-8 are read as Windows-1252.
std::string NormaliseDataText(std::string_view bytes);

} // namespace trevix
