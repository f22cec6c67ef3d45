#pragma once
// Lines of the formats other than common/combined: cut by the file's LineFormat, then made an
// entry by the same rules the line parser applies (methods, numbers, hosts, session IDs, the
// run's first time stamp), with the time moved into the log's zone.
#include "engine/formats/LineFormat.h"
#include "engine/parse/LogParser.h"

#include <memory>
#include <string>
#include <string_view>

namespace trevix {

class Analyser;

// Reads line with the reader in state.Format; a directive line may switch state.Format.
ParseResult ParseFormatLine(Analyser& a, std::string_view line, LogEntry& e, FileParseState& state);

// The entry of fields read from line.
ParseResult MakeEntry(Analyser& a, const LineFields& fields, std::string_view line, LogEntry& e,
                      FileParseState& state);

// Keeps format for the run and gives its slot (LogEntry::Format). key names what it reads (a
// format and its directive), so the same reader is kept once however many files repeat it.
// 0 when the run holds as many readers as entries can name.
uint16_t AddRunFormat(Analyser& a, std::unique_ptr<LineFormat> format, const std::string& key);

} // namespace trevix
