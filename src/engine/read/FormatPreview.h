#pragma once
// How the first line of a log file reads with a chosen format, so the site dialog can show a
// mistake before a run.
#include "engine/formats/FormatChoice.h"

#include <string>
#include <string_view>

namespace trevix {

struct LinePreview {
    bool Read = false;        // a line was read as an entry
    std::string Format;       // the format used ("combined", "W3C extended (IIS)"), detected for Automatic
    std::string Line;         // the line shown (the first that is not a comment)
    std::string Client, Time, Request, Status, Bytes, Referrer, UserAgent;
    std::string Message;      // why nothing was read, when Read is false
};

// The first entry line of text (the start of a log) read with choice.
LinePreview PreviewLines(const FormatChoice& choice, bool w3cLocalTime, std::string_view text);
// The same for the start of a log file (plain or compressed); Message says when it cannot be read.
LinePreview PreviewLogFile(const FormatChoice& choice, bool w3cLocalTime, const std::string& path);

} // namespace trevix
