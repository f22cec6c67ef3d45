#pragma once
// Where the reference data files and the user manual are found.
//
// With TREVIX_DATA_DIR set, that folder alone holds the data: a file missing there is
// reported as missing rather than quietly taken from elsewhere. Otherwise the data sit next
// to the executable or in the installed folder ../share/trevix beside it. A program run from
// its build tree also finds the source tree's data/ (and docs/manual), so developers need no
// install step; an installed copy never looks there.
#include <string>
#include <vector>

namespace trevix {

// The facts the search depends on, gathered once so that tests can supply their own.
struct ProgramPlaces {
    std::string EnvironmentDataFolder; // TREVIX_DATA_DIR; empty when unset or empty
    std::string ExecutableFolder;      // the running program's folder; empty when unknown
    std::string SourceTree;            // the source tree's root, only for a build-tree program
};

// The places of the running program.
ProgramPlaces CurrentProgramPlaces();

// The folders looked at for data files, in order.
std::vector<std::string> DataFolderCandidates(const ProgramPlaces& places);
std::vector<std::string> DataFolderCandidates();

// The environment's folder when set; else the first candidate that holds search.dat; when
// none does, the first candidate, so that the messages about missing files name a sensible
// place.
std::string FindDataFolder(const ProgramPlaces& places);
std::string FindDataFolder();

// The folder of the user manual (the one holding index.html): ../share/trevix/manual from the
// executable when installed, docs/manual of the source tree for a build-tree program, or a
// manual/ folder inside the data folder named by TREVIX_DATA_DIR. Empty when there is none.
std::string FindManualFolder(const ProgramPlaces& places);
std::string FindManualFolder();

} // namespace trevix
