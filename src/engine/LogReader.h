#pragma once
// Reading one log file of a run: the whole file into memory (through zlib for .gz), cut
// into lines, each parsed, filtered and counted.
#include <string>

namespace trevix {

class Analyser;

// Reads and processes one file; sets Cancelled when it cannot be opened or the user cancels.
void ProcessFile(Analyser& a, const std::string& path);
// ProcessFile wrapped with the summary box texts of a run.
void LoadFile(Analyser& a, const std::string& path);

} // namespace trevix
