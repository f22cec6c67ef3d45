#include "window/IncompleteInputsText.h"

#include "common/Prompter.h"
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

void TellIncompleteInputs(const std::vector<IncompleteInput>& inputs, QWidget* parent,
                          const std::function<void(const QString&)>& setStatus) {
    if (inputs.empty()) return;
    bool changed = false;
    const QString text = IncompleteInputsText(inputs, changed);
    setStatus(changed ? "A log file changed while it was read." : "Some log files could not be read whole.");
    CurrentPrompter().Message(parent, MessageIcon::Warning, "Trevix", text);
}

} // namespace trevix::ui
