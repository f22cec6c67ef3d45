#pragma once
// "trevix-cli [options] LOGFILE...": the analysis (or a saved report) printed as text.
#include <iosfwd>
#include <string>
#include <vector>

namespace trevix {

// args are the command-line words after the program name. Returns the exit status:
// 0 success, 1 bad arguments, 2 a listed file or report could not be read.
int RunAnalyseCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace trevix
