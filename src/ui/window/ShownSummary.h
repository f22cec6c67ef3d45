#pragma once
// The summary box's text. A report file may carry a summary of millions of lines; laying that
// out would hold the window for half a minute, so only its beginning is shown, with a note.
// This is display only: the engine keeps the whole text, and Save writes it unchanged.
#include <QString>

#include <cstddef>
#include <string_view>

namespace trevix::ui {

constexpr size_t ShownSummaryLimit = size_t{1} << 20;

// summary as the box shows it: whole up to limit bytes, else cut at the last line end before
// the limit (or a character boundary, for a line longer than half of it) and a note after it.
QString ShownSummary(std::string_view summary, size_t limit = ShownSummaryLimit);

} // namespace trevix::ui
