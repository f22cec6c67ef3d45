#pragma once
// Files a run could use only in part (damaged, empty, endless) or that changed under it: each
// is recorded once, so a front end can name it and keep the report from being saved.
#include <string>

namespace trevix {

class Analyser;

// Records that path was used only in part (what) and notes it in the processing log.
void ReportIncompleteInput(Analyser& a, const std::string& path, const std::string& what);
// Records, once per file, that path changed (truncated or rewritten) while its text was in use.
void ReportChangedInput(Analyser& a, const std::string& path);
// True when a file of the run changed while it was read: nothing of the report is to be saved.
bool AnyInputChanged(const Analyser& a);

} // namespace trevix
