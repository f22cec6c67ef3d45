#include "DataFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace trevix {

namespace fs = std::filesystem;

namespace {
std::string ExecutableFolder() {
#ifdef __linux__
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
#endif
    return {};
}
} // namespace

std::vector<std::string> DataFolderCandidates() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("TREVIX_DATA_DIR"); env != nullptr && *env != '\0')
        folders.emplace_back(env);
    if (std::string exe = ExecutableFolder(); !exe.empty()) folders.push_back(exe);
#ifdef TREVIX_INSTALL_DATA_DIR
    folders.emplace_back(TREVIX_INSTALL_DATA_DIR);
#endif
#ifdef TREVIX_SOURCE_DATA_DIR
    folders.emplace_back(TREVIX_SOURCE_DATA_DIR);
#endif
    return folders;
}

std::string FindDataFolder() {
    std::vector<std::string> folders = DataFolderCandidates();
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (fs::is_regular_file(fs::path(folder) / "search.dat", ec)) return folder;
    }
    return folders.empty() ? std::string(".") : folders.front();
}

} // namespace trevix
