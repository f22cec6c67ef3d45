#pragma once
// Streaming decompression of gzip, bzip2, xz and zstd logs. Concatenated streams, as rotation
// tools and "cat a.xz b.xz" make them, are read as one.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace trevix {

enum class LogCompression { None, Gzip, Bzip2, Xz, Zstd };

// By the file name's ending, letters in either case: ".gz", ".bz2", ".xz", ".zst".
LogCompression CompressionOf(std::string_view path);

struct DecompressOutcome {
    int OpenError = 0;     // errno when the file could not be opened or read; nothing was read
    std::string Damage;    // why decompression ended early; empty for a complete file
    bool Stopped = false;  // afterChunk asked to stop
};

// Size of the pieces the output is produced in.
inline constexpr size_t DecompressChunk = 65526;

// Appends the decompressed content of path to text. afterChunk runs after every output chunk
// and returns false to stop. A damaged or truncated file keeps what was decompressed before
// the damage and says why in Damage. inputRead, when given, counts the compressed bytes read.
DecompressOutcome DecompressFile(LogCompression kind, const std::string& path, std::string& text,
                                 const std::function<bool()>& afterChunk, uint64_t* inputRead = nullptr);

// Gives the decompressed content of path chunk by chunk (never an empty one) to give, which
// keeps it where it likes and returns false to stop; otherwise as above.
using ChunkSink = std::function<bool(std::string_view chunk)>;
DecompressOutcome DecompressFile(LogCompression kind, const std::string& path, const ChunkSink& give,
                                 uint64_t* inputRead = nullptr);

} // namespace trevix
