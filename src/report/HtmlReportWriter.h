#pragma once
// The report as one self-contained HTML file: styles in the document, charts as inline SVG,
// no script and no external resource, so it opens anywhere without a network. Every text from
// the log is escaped and shows as text. Used by trevix-cli --html and the window's "Export
// HTML Report...".
#include "engine/base/AtomicFile.h"
#include "engine/lists/ReportLists.h"

#include <string>
#include <string_view>

namespace trevix {

// Appends text escaped for HTML element content and quoted attribute values. Characters that
// an HTML document may not hold (controls other than tab, LF and CR; noncharacters) become
// U+FFFD, so a log line holding them still gives a valid document.
void AppendHtmlEscaped(std::string& out, std::string_view text);
// The whole document: summary, date and hour charts, then every list of the report as a table
// (comparison columns included when the lists carry them).
std::string HtmlReport(const ReportLists& lists, std::string_view siteName);
// Opens file and writes the document to its temporary file; the caller commits it.
bool WriteHtmlReport(const ReportLists& lists, std::string_view siteName, AtomicFile& file, std::string& error);
// Writes the document to path, replacing an existing file atomically; false with error set.
bool WriteHtmlReport(const ReportLists& lists, std::string_view siteName, const std::string& path,
                     std::string& error);

} // namespace trevix
