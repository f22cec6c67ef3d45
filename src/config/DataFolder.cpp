#include "DataFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace trevix {

namespace fs = std::filesystem;

namespace {

std::string RunningExecutableFolder() {
#ifdef __linux__
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
#endif
    return {};
}

// True when `inner` is `outer` or lies below it, after resolving links and "..".
bool IsInside(const std::string& inner, const std::string& outer) {
    if (inner.empty() || outer.empty()) return false;
    std::error_code ec;
    fs::path a = fs::weakly_canonical(inner, ec);
    if (ec) return false;
    fs::path b = fs::weakly_canonical(outer, ec);
    if (ec) return false;
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty()) continue; // trailing separator
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

bool HasFile(const fs::path& folder, const char* name) {
    std::error_code ec;
    return fs::is_regular_file(folder / name, ec);
}

std::string Clean(const fs::path& p) { return p.lexically_normal().string(); }

} // namespace

ProgramPlaces CurrentProgramPlaces() {
    ProgramPlaces places;
    if (const char* env = std::getenv("TREVIX_DATA_DIR"); env != nullptr && *env != '\0')
        places.EnvironmentDataFolder = env;
    places.ExecutableFolder = RunningExecutableFolder();
#if defined(TREVIX_SOURCE_TREE) && defined(TREVIX_BUILD_TREE)
    // A copy installed elsewhere must not depend on the source tree still being there.
    if (IsInside(places.ExecutableFolder, TREVIX_BUILD_TREE)) places.SourceTree = TREVIX_SOURCE_TREE;
#endif
    return places;
}

std::vector<std::string> DataFolderCandidates(const ProgramPlaces& places) {
    if (!places.EnvironmentDataFolder.empty()) return {places.EnvironmentDataFolder};
    std::vector<std::string> folders;
    if (!places.ExecutableFolder.empty()) {
        folders.push_back(places.ExecutableFolder);
        folders.push_back(Clean(fs::path(places.ExecutableFolder).parent_path() / "share" / "trevix"));
    }
    if (!places.SourceTree.empty()) folders.push_back(Clean(fs::path(places.SourceTree) / "data"));
    return folders;
}

std::vector<std::string> DataFolderCandidates() { return DataFolderCandidates(CurrentProgramPlaces()); }

std::string FindDataFolder(const ProgramPlaces& places) {
    std::vector<std::string> folders = DataFolderCandidates(places);
    for (const std::string& folder : folders)
        if (HasFile(folder, "search.dat")) return folder;
    return folders.empty() ? std::string(".") : folders.front();
}

std::string FindDataFolder() { return FindDataFolder(CurrentProgramPlaces()); }

std::string FindManualFolder(const ProgramPlaces& places) {
    std::vector<fs::path> folders;
    if (!places.EnvironmentDataFolder.empty()) folders.push_back(fs::path(places.EnvironmentDataFolder) / "manual");
    if (!places.ExecutableFolder.empty())
        folders.push_back(fs::path(places.ExecutableFolder).parent_path() / "share" / "trevix" / "manual");
    if (!places.SourceTree.empty()) folders.push_back(fs::path(places.SourceTree) / "docs" / "manual");
    for (const fs::path& folder : folders)
        if (HasFile(folder, "index.html")) return Clean(folder);
    return {};
}

std::string FindManualFolder() { return FindManualFolder(CurrentProgramPlaces()); }

} // namespace trevix
