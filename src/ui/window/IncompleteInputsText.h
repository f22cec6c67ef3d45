#pragma once
// What the window tells when log files could not be read whole.
#include "engine/tables/Tables.h"

#include <QString>
#include <vector>

namespace trevix::ui {

// The message naming each file and why; changed is set when a file changed while it was read.
QString IncompleteInputsText(const std::vector<IncompleteInput>& inputs, bool& changed);

} // namespace trevix::ui
