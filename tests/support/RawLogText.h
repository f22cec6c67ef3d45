#pragma once
// The raw log of a run as one text, each line followed by CR LF: what the raw log page copies
// when every line is selected.
#include "engine/lists/RawLogLines.h"

#include <string>

namespace trevix::testing {

inline std::string RawLogText(AnalysisTables& t) {
    RawLogLines lines(t);
    std::string text, scratch;
    for (size_t i = 0; i < lines.Count(); ++i) text.append(lines.Line(i, scratch)).append("\r\n");
    return text;
}

} // namespace trevix::testing
