#pragma once
// The line loop of one file: cut the text at LF, parse each line, filter it and count it.
#include <string_view>

namespace trevix {

class Analyser;
struct FileParseState;

// lastRaw receives the last line that reached the parser (for messages about its time stamp).
void ProcessLines(Analyser& a, std::string_view text, FileParseState& state, std::string_view& lastRaw);

} // namespace trevix
