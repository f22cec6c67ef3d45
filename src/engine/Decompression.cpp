#include "Decompression.h"

#include "Text.h"

#include <bzlib.h>
#include <cerrno>
#include <cstdio>
#include <lzma.h>
#include <memory>
#include <sys/stat.h>
#include <vector>
#include <zstd.h>
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
    explicit Input(std::FILE* f) : file_(f), buffer_(InputChunk) {}
    // Refills the buffer; false at the end of the file or on an error.
    bool Fill() {
        size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        if (got == 0 && std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
        data_ = buffer_.data();
        size_ = got;
        return got > 0;
    }
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    int Error() const { return error_; }

private:
    std::FILE* file_;
    std::vector<unsigned char> buffer_;
    int error_ = 0;
};

std::string ReadErrorText(int error) { return "read error " + std::to_string(error); }

void Bzip2(Input& in, std::string& text, const std::function<bool()>& afterChunk, DecompressOutcome& out) {
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
        text.append(chunk.data(), produced);
        outputFull = s.avail_out == 0;
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
        if (produced > 0 && !afterChunk()) {
            if (active) BZ2_bzDecompressEnd(&s);
            out.Stopped = true;
            return;
        }
    }
    if (active) BZ2_bzDecompressEnd(&s);
    if (in.Error() != 0)
        out.Damage = ReadErrorText(in.Error());
    else if (active)
        out.Damage = "unexpected end of file";
}

void Xz(Input& in, std::string& text, const std::function<bool()>& afterChunk, DecompressOutcome& out) {
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
        text.append(reinterpret_cast<const char*>(chunk.data()), produced);
        if (rc == LZMA_STREAM_END) break;
        if (rc != LZMA_OK) {
            out.Damage = rc == LZMA_FORMAT_ERROR ? "not in xz format"
                         : rc == LZMA_BUF_ERROR  ? "unexpected end of file"
                         : rc == LZMA_MEM_ERROR  ? "out of memory"
                                                 : "data error";
            break;
        }
        if (produced > 0 && !afterChunk()) {
            out.Stopped = true;
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

void Zstd(Input& in, std::string& text, const std::function<bool()>& afterChunk, DecompressOutcome& out) {
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
        text.append(chunk.data(), output.pos);
        if (ZSTD_isError(pending)) {
            out.Damage = ZSTD_getErrorCode(pending) == ZSTD_error_prefix_unknown ? "not in zstd format"
                                                                                 : ZSTD_getErrorName(pending);
            return;
        }
        if (output.pos > 0 && !afterChunk()) {
            out.Stopped = true;
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
            text.append(chunk.data(), output.pos);
            if (output.pos > 0 && !afterChunk()) {
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
                                 const std::function<bool()>& afterChunk) {
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
    Input in(file.get());
    switch (kind) {
    case LogCompression::Bzip2: Bzip2(in, text, afterChunk, out); break;
    case LogCompression::Xz: Xz(in, text, afterChunk, out); break;
    case LogCompression::Zstd: Zstd(in, text, afterChunk, out); break;
    default: out.Damage = "not a compressed format read here"; break;
    }
    return out;
}

} // namespace trevix
