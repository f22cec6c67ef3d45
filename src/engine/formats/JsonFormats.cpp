#include "engine/formats/JsonLine.h"
#include "engine/formats/KnownFormats.h"

namespace trevix {

std::unique_ptr<LineFormat> MakeCaddyFormat() { return nullptr; }
std::unique_ptr<LineFormat> MakeTraefikFormat() { return nullptr; }
std::unique_ptr<LineFormat> MakeNginxJsonFormat() { return nullptr; }
std::unique_ptr<LineFormat> MakeJsonKeysFormat(JsonFieldMap) { return nullptr; }

} // namespace trevix
