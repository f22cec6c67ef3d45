#include "engine/formats/KnownFormats.h"

namespace trevix {

std::unique_ptr<LineFormat> MakeAlbFormat() { return nullptr; }
std::unique_ptr<LineFormat> MakeElbFormat() { return nullptr; }
std::unique_ptr<LineFormat> MakeS3Format() { return nullptr; }

} // namespace trevix
