#pragma once
// What the window tells when log files could not be read whole.
#include "engine/tables/Tables.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace trevix::ui {

// The message naming each file and why; changed is set when a file changed while it was read.
QString IncompleteInputsText(const std::vector<IncompleteInput>& inputs, bool& changed);
// A damaged, empty or changing file is analysed as far as it goes; the user is told which and
// why, in the status and a warning over parent, as the command line warns on stderr. Nothing
// when every file was read whole.
void TellIncompleteInputs(const std::vector<IncompleteInput>& inputs, QWidget* parent,
                          const std::function<void(const QString&)>& setStatus);

} // namespace trevix::ui
