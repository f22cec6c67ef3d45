#include "engine/parse/FormatPreview.h"

// Stand-in until the preview reads lines: every preview says it is not available.
namespace trevix {

LinePreview PreviewLines(const FormatChoice&, bool, std::string_view) {
    LinePreview preview;
    preview.Message = "preview not available";
    return preview;
}

LinePreview PreviewLogFile(const FormatChoice&, bool, const std::string&) {
    LinePreview preview;
    preview.Message = "preview not available";
    return preview;
}

} // namespace trevix
