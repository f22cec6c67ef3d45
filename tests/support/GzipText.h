#pragma once
// A text as the bytes of a .gz file, made in memory at a chosen level (0 stores the text, so the
// size depends on the text's length alone).
#include <zlib.h>

#include <string>

namespace trevix::testing {

inline std::string GzipBytes(const std::string& text, int level) {
    std::string out(compressBound(text.size()) + 32, '\0');
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

} // namespace trevix::testing
