#pragma once
// Reading one log file of a run: the whole file into memory (through zlib for .gz, libbz2,
// liblzma and libzstd for .bz2, .xz and .zst), cut into lines, each parsed, filtered and counted.
#include <array>
#include <string>
#include <string_view>

namespace trevix {

class Analyser;
class FileText;

// Endings of the compressed logs the reader unpacks (letters in either case), for file
// dialog filters and download names.
inline constexpr std::array<std::string_view, 4> CompressedLogEndings{".gz", ".bz2", ".xz", ".zst"};

// The whole text of one log file: a plain file mapped (or read), a compressed one inflated,
// with the status texts, memory checks, Cancel and damage reports of a run. False when the
// file could not be opened or read (the user has been told).
bool ReadLogText(Analyser& a, const std::string& path, FileText& file);

// Reads and processes one file; sets Cancelled when the user cancels. False when the file
// could not be opened or read (the user has been told); the run goes on with the next file.
bool ProcessFile(Analyser& a, const std::string& path);
// ProcessFile wrapped with the summary box texts of a run.
bool LoadFile(Analyser& a, const std::string& path);

// A reader taking in a stream of unknown length stops after this many bytes without a line
// end: such an input is not a log, and it must not grow without bound.
constexpr size_t EndlessLine = size_t(64) << 20;

// "Not enough memory to analyse big.log: 12,345,678 lines read": what the front end says when
// a run ran out of memory in the file being read (the lines of the whole run so far).
std::string NotEnoughMemoryText(const Analyser& a);

// A compressed file inflating beyond this many times its size gets a note (a possible
// decompression bomb); reading goes on.
constexpr long long InflationNoteRatio = 1000;

} // namespace trevix
