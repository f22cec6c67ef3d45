#include "engine/formats/KnownFormats.h"

namespace trevix {

std::unique_ptr<LineFormat> MakeVhostCombinedFormat() { return nullptr; }

std::unique_ptr<LineFormat> MakeFormatStringFormat(std::string_view, std::string& error) {
    error = "format strings are not read yet";
    return nullptr;
}

} // namespace trevix
