#pragma once
// Reading one log file of a run: the whole file into memory (through zlib for .gz, libbz2,
// liblzma and libzstd for .bz2, .xz and .zst), cut into lines, each parsed, filtered and counted.
#include <array>
#include <string>
#include <string_view>

namespace trevix {

class Analyser;

// Endings of the compressed logs the reader unpacks (letters in either case), for file
// dialog filters and download names.
inline constexpr std::array<std::string_view, 4> CompressedLogEndings{".gz", ".bz2", ".xz", ".zst"};

// Reads and processes one file; sets Cancelled when it cannot be opened or the user cancels.
void ProcessFile(Analyser& a, const std::string& path);
// ProcessFile wrapped with the summary box texts of a run.
void LoadFile(Analyser& a, const std::string& path);

} // namespace trevix
