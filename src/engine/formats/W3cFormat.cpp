#include "engine/formats/KnownFormats.h"

namespace trevix {

std::unique_ptr<LineFormat> MakeW3cFormat() { return nullptr; }
std::unique_ptr<LineFormat> MakeCloudFrontFormat() { return nullptr; }

} // namespace trevix
