#pragma once
// The fuzzers' input files live in one private folder per process, removed at exit, so runs
// side by side never share a file and nothing is left in /tmp.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace trevix::fuzzing {

inline const std::string& FuzzFolder() {
    // Never destroyed: the exit handler that removes the folder runs after static objects are gone.
    static const std::string* folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "trevix-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*folder, ec);
        });
        return new std::string(pattern);
    }();
    return *folder;
}

// Writes the bytes to name inside the folder and returns the path.
inline std::string WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = FuzzFolder() + "/" + name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size != 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

} // namespace trevix::fuzzing
