#include "engine/IncompleteInputs.h"

#include "engine/Analyser.h"

namespace trevix {

void ReportIncompleteInput(Analyser& a, const std::string& path, const std::string& what) {
    a.Tables.IncompleteInputs.push_back({path, path + ": " + what});
}

void ReportChangedInput(Analyser& a, const std::string& path) {
    for (const IncompleteInput& input : a.Tables.IncompleteInputs)
        if (input.Changed && input.Path == path) return;
    a.AddToLog("The file '" + path + "' changed while it was read (rotated or rewritten?); the report may hold " +
               "texts that are not in it.");
    a.Tables.IncompleteInputs.push_back(
        {path, path + ": changed while it was read; the report may be wrong and is not saved", true});
}

bool AnyInputChanged(const Analyser& a) {
    for (const IncompleteInput& input : a.Tables.IncompleteInputs)
        if (input.Changed) return true;
    return false;
}

} // namespace trevix
