#pragma once
// The line loop of one file: cut the text at LF, parse each line, filter it and count it.
#include <string_view>

namespace trevix {

class Analyser;
class FileText;
struct FileParseState;

// lastRaw receives the last line that reached the parser (for messages about its time stamp).
// With source (the file text holds text), the loop ends where a mapped file was cut short.
void ProcessLines(Analyser& a, std::string_view text, FileParseState& state, std::string_view& lastRaw,
                  const FileText* source = nullptr);

} // namespace trevix
