#include "window/IncompleteInputsText.h"

#include "common/QtText.h"

namespace trevix::ui {

QString IncompleteInputsText(const std::vector<IncompleteInput>& inputs, bool& changed) {
    QString text = "Not every log file could be read whole:\n";
    changed = false;
    for (const IncompleteInput& input : inputs) {
        text += "\n" + Q(input.Text);
        changed = changed || input.Changed;
    }
    if (changed)
        text += "\n\nThe report may show text that the changed file no longer holds, so it was not saved "
                "automatically. Analyse the files again once they have stopped changing.";
    return text;
}

} // namespace trevix::ui
