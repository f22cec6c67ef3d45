#pragma once
// "trevix-cli [options] LOGFILE...": the analysis (or a saved report) printed as text.
#include <iosfwd>
#include <string>
#include <vector>

namespace trevix {

// args are the command-line words after the program name. Returns the exit status:
// 0 success, 1 bad arguments, 2 a listed file or report could not be read.
// With endsProcess, the tables are left for the operating system to reclaim: freeing a
// million entries one by one only delays the exit.
int RunAnalyseCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      bool endsProcess = false);

} // namespace trevix
