#pragma once
// Which reader a log file's lines go to: the site's chosen format, or the one that reads the
// file's first lines when the choice is automatic.
#include "engine/formats/FormatChoice.h"
#include "engine/parse/LogParser.h"

#include <string>
#include <string_view>

namespace trevix {

class Analyser;

struct FileFormat {
    std::string Name;           // "combined", "W3C extended (IIS)", ...
    bool Known = true;          // false: no format reads the first lines
    std::string FirstLine;      // of a file of no known format, for its message
};

// The format that reads the start of text best; for tests and the site dialog's preview too.
// On return format holds the chosen reader (null for the common/combined family).
FileFormat DetectFormat(Analyser& a, std::string_view text, std::unique_ptr<LineFormat>& format);

// Sets state.Format for the file at path whose text is text, after the profile's LogFormat.
// Says in the processing log what the file is read as, and records it in FilesReadAs.
FileFormat ChooseFileFormat(Analyser& a, const std::string& path, std::string_view text, FileParseState& state);

} // namespace trevix
