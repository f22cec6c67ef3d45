#pragma once
// Where the reference data files are found.
#include <string>
#include <vector>

namespace trevix {

// The folders looked at, in order: the folder named by TREVIX_DATA_DIR (when set), the
// executable's folder, the installed data folder, the source tree's data folder.
std::vector<std::string> DataFolderCandidates();

// The first candidate that holds search.dat; when none does, the first candidate, so that
// the messages about missing files still name a sensible place.
std::string FindDataFolder();

} // namespace trevix
