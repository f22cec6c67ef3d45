#pragma once
// Writing an exported file so that a reader never sees half of it: the text goes to a
// temporary file in the same folder, is flushed to disk and then renamed over the old file.
#include <string>
#include <string_view>

namespace trevix {

// Replaces path with content. On failure the old file is left as it was, the temporary file
// is removed, and error holds a short description; returns false.
bool ReplaceFileWith(const std::string& path, std::string_view content, std::string& error);

} // namespace trevix
