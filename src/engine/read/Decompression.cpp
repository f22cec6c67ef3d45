#include "engine/read/Decompression.h"

#include "engine/base/Text.h"

#include <bzlib.h>
#include <cerrno>
#include <cstdio>
#include <lzma.h>
#include <memory>
#include <sys/stat.h>
#include <vector>
#include <zstd.h>
#include <zlib.h>
#include <zstd_errors.h>

namespace trevix {

namespace {

constexpr size_t InputChunk = 256 * 1024;

bool EndsWithIgnoringCase(std::string_view path, std::string_view ending) {
    return path.size() >= ending.size() && ToLowerAscii(std::string(path.substr(path.size() - ending.size()))) == ending;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads input in chunks; remembers a read error so it can be told from the end of the file.
class Input {
public:
    Input(std::FILE* f, uint64_t* read) : file_(f), buffer_(InputChunk), read_(read) {}
    // Refills the buffer; false at the end of the file or on an error.
    bool Fill() {
        size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (got == 0 && std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
        data_ = buffer_.data();
        size_ = got;
        if (read_) *read_ += got;
        return got > 0;
    }
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    int Error() const { return error_; }

private:
    std::FILE* file_;
    std::vector<unsigned char> buffer_;
    uint64_t* read_;
    int error_ = 0;
};

std::string ReadErrorText(int error) { return "read error " + std::to_string(error); }

// gzip members one after another, as "cat a.gz b.gz" makes them. Unlike zlib's file
// functions, every byte inflated before a damage is kept (a bad check value at the end of a
// member loses nothing of it). A file that does not start as gzip is taken as it is, and
// bytes after a complete member that start no member are ignored, as gzip -d does.
void Gzip(Input& in, const ChunkSink& give, DecompressOutcome& out) {
    std::vector<unsigned char> chunk(DecompressChunk);
    if (!in.Fill()) {
        if (in.Error() != 0) out.Damage = ReadErrorText(in.Error());
        return;
    }
    if (in.size_ < 2 || in.data_[0] != 0x1f || in.data_[1] != 0x8b) {
        do {
            const std::string_view all(reinterpret_cast<const char*>(in.data_), in.size_);
            in.size_ = 0;
            if (!give(all)) {
                out.Stopped = true;
                return;
            }
        } while (in.Fill());
        if (in.Error() != 0) out.Damage = ReadErrorText(in.Error());
        return;
    }
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) {
        out.Damage = "out of memory";
        return;
    }
    bool active = false;     // within a member
    bool completed = false;  // at least one whole member was read
    bool outputFull = false; // the last call may hold back output without needing input
    for (;;) {
        if (in.size_ == 0 && !outputFull && !in.Fill()) break;
        if (!active) {
            // Between members: anything but the start of another one ends the file.
            if (completed && (in.data_[0] != 0x1f || (in.size_ > 1 && in.data_[1] != 0x8b))) break;
            inflateReset(&z);
            active = true;
        }
        z.next_in = const_cast<unsigned char*>(in.data_);
        z.avail_in = static_cast<uInt>(in.size_);
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(chunk.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        const size_t used = in.size_ - z.avail_in;
        in.data_ += used;
        in.size_ -= used;
        const size_t produced = chunk.size() - z.avail_out;
        // What a call produced is given before its end or damage is dealt with.
        if (produced > 0 && !give({reinterpret_cast<const char*>(chunk.data()), produced})) {
            out.Stopped = true;
            break;
        }
        outputFull = z.avail_out == 0;
        if (rc == Z_STREAM_END) {
            active = false;
            completed = true;
            outputFull = false;
        } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && produced == 0 && in.size_ == 0)) {
            out.Damage = rc == Z_MEM_ERROR ? "out of memory" : z.msg ? z.msg : "data error";
            break;
        }
    }
    inflateEnd(&z);
    if (!out.Damage.empty() || out.Stopped) return;
    if (in.Error() != 0)
        out.Damage = ReadErrorText(in.Error());
    else if (active)
        out.Damage = "unexpected end of file";
}

void Bzip2(Input& in, const ChunkSink& give, DecompressOutcome& out) {
    std::vector<char> chunk(DecompressChunk);
    bz_stream s{};
    bool active = false;     // a stream has begun and not ended
    bool outputFull = false; // the last call may hold back output without needing input
    bool completed = false;  // at least one whole stream was read
    for (;;) {
        if (in.size_ == 0 && !outputFull && !in.Fill()) break;
        if (!active) {
            s = bz_stream{};
            if (BZ2_bzDecompressInit(&s, 0, 0) != BZ_OK) {
                out.Damage = "out of memory";
                return;
            }
            active = true;
        }
        s.next_in = reinterpret_cast<char*>(const_cast<unsigned char*>(in.data_));
        s.avail_in = static_cast<unsigned>(in.size_);
        s.next_out = chunk.data();
        s.avail_out = static_cast<unsigned>(chunk.size());
        const int rc = BZ2_bzDecompress(&s);
        const size_t used = in.size_ - s.avail_in;
        in.data_ += used;
        in.size_ -= used;
        const size_t produced = chunk.size() - s.avail_out;
        outputFull = s.avail_out == 0;
        // What a stream produced is given before its end or damage is dealt with.
        if (produced > 0 && !give({chunk.data(), produced})) {
            BZ2_bzDecompressEnd(&s);
            out.Stopped = true;
            return;
        }
        if (rc == BZ_STREAM_END) {
            BZ2_bzDecompressEnd(&s);
            active = false;
            completed = true;
            outputFull = false;
        } else if (rc != BZ_OK) {
            BZ2_bzDecompressEnd(&s);
            // Like bzip2 itself, bytes after a complete stream that start no stream are ignored.
            if (!(rc == BZ_DATA_ERROR_MAGIC && completed && produced == 0))
                out.Damage = rc == BZ_DATA_ERROR_MAGIC ? "not in bzip2 format" : "data error";
            return;
        }
    }
    if (active) BZ2_bzDecompressEnd(&s);
    if (in.Error() != 0)
        out.Damage = ReadErrorText(in.Error());
    else if (active)
        out.Damage = "unexpected end of file";
}

void Xz(Input& in, const ChunkSink& give, DecompressOutcome& out) {
    std::vector<uint8_t> chunk(DecompressChunk);
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&s, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) {
        out.Damage = "out of memory";
        return;
    }
    bool atEnd = false;
    for (;;) {
        if (in.size_ == 0 && !atEnd && !in.Fill()) atEnd = true;
        s.next_in = in.data_;
        s.avail_in = in.size_;
        s.next_out = chunk.data();
        s.avail_out = chunk.size();
        const lzma_ret rc = lzma_code(&s, atEnd ? LZMA_FINISH : LZMA_RUN);
        const size_t used = in.size_ - s.avail_in;
        in.data_ += used;
        in.size_ -= used;
        const size_t produced = chunk.size() - s.avail_out;
        if (produced > 0 && !give({reinterpret_cast<const char*>(chunk.data()), produced})) {
            out.Stopped = true;
            break;
        }
        if (rc == LZMA_STREAM_END) break;
        if (rc != LZMA_OK) {
            out.Damage = rc == LZMA_FORMAT_ERROR ? "not in xz format"
                         : rc == LZMA_BUF_ERROR  ? "unexpected end of file"
                         : rc == LZMA_MEM_ERROR  ? "out of memory"
                                                 : "data error";
            break;
        }
        if (atEnd && produced == 0 && s.avail_in == 0) { // no progress at the end: truncated
            out.Damage = "unexpected end of file";
            break;
        }
    }
    lzma_end(&s);
    if (in.Error() != 0 && !out.Stopped) out.Damage = ReadErrorText(in.Error());
}

void Zstd(Input& in, const ChunkSink& give, DecompressOutcome& out) {
    std::vector<char> chunk(DecompressChunk);
    std::unique_ptr<ZSTD_DStream, size_t (*)(ZSTD_DStream*)> s(ZSTD_createDStream(), ZSTD_freeDStream);
    if (!s) {
        out.Damage = "out of memory";
        return;
    }
    size_t pending = 0; // 0: between frames (a complete file may end here)
    for (;;) {
        if (in.size_ == 0 && !in.Fill()) break;
        ZSTD_inBuffer input{in.data_, in.size_, 0};
        ZSTD_outBuffer output{chunk.data(), chunk.size(), 0};
        pending = ZSTD_decompressStream(s.get(), &output, &input);
        in.data_ += input.pos;
        in.size_ -= input.pos;
        if (output.pos > 0 && !give({chunk.data(), output.pos})) {
            out.Stopped = true;
            return;
        }
        if (ZSTD_isError(pending)) {
            out.Damage = ZSTD_getErrorCode(pending) == ZSTD_error_prefix_unknown ? "not in zstd format"
                                                                                 : ZSTD_getErrorName(pending);
            return;
        }
        // A full output buffer may hold back more output without needing input.
        while (output.pos == output.size && pending != 0) {
            output = ZSTD_outBuffer{chunk.data(), chunk.size(), 0};
            ZSTD_inBuffer none{nullptr, 0, 0};
            pending = ZSTD_decompressStream(s.get(), &output, &none);
            if (ZSTD_isError(pending)) {
                out.Damage = ZSTD_getErrorName(pending);
                return;
            }
            if (output.pos > 0 && !give({chunk.data(), output.pos})) {
                out.Stopped = true;
                return;
            }
        }
    }
    if (in.Error() != 0)
        out.Damage = ReadErrorText(in.Error());
    else if (pending != 0)
        out.Damage = "unexpected end of file";
}

} // namespace

LogCompression CompressionOf(std::string_view path) {
    if (EndsWithIgnoringCase(path, ".gz")) return LogCompression::Gzip;
    if (EndsWithIgnoringCase(path, ".bz2")) return LogCompression::Bzip2;
    if (EndsWithIgnoringCase(path, ".xz")) return LogCompression::Xz;
    if (EndsWithIgnoringCase(path, ".zst")) return LogCompression::Zstd;
    return LogCompression::None;
}

DecompressOutcome DecompressFile(LogCompression kind, const std::string& path, std::string& text,
                                 const std::function<bool()>& afterChunk, uint64_t* inputRead) {
    return DecompressFile(
        kind, path,
        [&](std::string_view chunk) {
            text.append(chunk);
            return afterChunk();
        },
        inputRead);
}

DecompressOutcome DecompressFile(LogCompression kind, const std::string& path, const ChunkSink& give,
                                 uint64_t* inputRead) {
    DecompressOutcome out;
    errno = 0;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        out.OpenError = errno != 0 ? errno : ENOENT;
        return out;
    }
    struct stat st {};
    if (::fstat(::fileno(file.get()), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            out.OpenError = EISDIR;
            return out;
        }
        // An empty file holds no lines, as an empty plain log does.
        if (S_ISREG(st.st_mode) && st.st_size == 0) return out;
    }
    Input in(file.get(), inputRead);
    switch (kind) {
    case LogCompression::Gzip: Gzip(in, give, out); break;
    case LogCompression::Bzip2: Bzip2(in, give, out); break;
    case LogCompression::Xz: Xz(in, give, out); break;
    case LogCompression::Zstd: Zstd(in, give, out); break;
    default: out.Damage = "not a compressed format read here"; break;
    }
    return out;
}

} // namespace trevix
