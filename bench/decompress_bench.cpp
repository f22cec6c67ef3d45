// Unpacking speed of compressed logs into memory, the way the reader unpacks them:
//   decompress_bench FILE.bz2|FILE.xz|FILE.zst...
// Compare with the format's own tool, e.g. "time xz -dc FILE.xz >/dev/null".
#include "engine/read/Decompression.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace trevix;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: decompress_bench FILE...\n");
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        std::string text;
        auto start = std::chrono::steady_clock::now();
        DecompressOutcome out = DecompressFile(CompressionOf(argv[i]), argv[i], text, [] { return true; });
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (out.OpenError != 0 || !out.Damage.empty()) {
            std::fprintf(stderr, "%s: error %d %s\n", argv[i], out.OpenError, out.Damage.c_str());
            return 2;
        }
        std::printf("%s: %.1f MB in %.3f s (%.0f MB/s)\n", argv[i], static_cast<double>(text.size()) / 1e6, s,
                    static_cast<double>(text.size()) / 1e6 / s);
    }
    return 0;
}
